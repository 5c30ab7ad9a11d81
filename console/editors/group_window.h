#pragma once

// The "Channel Groups" window (`TForm4`): the 32 groups' channel lists as editable texts, a working
// copy refilled from the groups in use each time the window becomes active and committed only by
// Save.

#include <QDialog>
#include <array>
#include <functional>

#include "console/engine/channel_groups.h"

class QLineEdit;
class QPushButton;

// What the groups window needs of the console.
struct GroupWindowHost {
  std::function<ChannelGroupTexts&()> groups;
  std::function<QString()> groupFileName;  // GroupFileName
  std::function<QString()> cueFileName;
  std::function<QString()> programGroupFile;  // the program's own path with ".lgrp"
  std::function<void()> focusCueList;
};

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  TForm4(GroupWindowHost host, QWidget* parent);

  std::array<QLineEdit*, kGroupCount> edits{};
  QPushButton* btnCopy = nullptr;
  QPushButton* editsave = nullptr;
  QPushButton* btnPrint = nullptr;
  QPushButton* editexit = nullptr;

  void FormActivate();
  void btnCopyClick();
  void editsaveClick();
  void editexitClick();
  void btnPrintClick();

 protected:
  bool event(QEvent* event) override;

 private:
  GroupWindowHost host_;
};
