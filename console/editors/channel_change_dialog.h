#pragma once

// The dialog "Change Channels in Cues" (`Taddchannel`): one channel's stored level changed in many
// cues at once, in the cue file (the work itself is bulk_channel_change).

#include <QDialog>
#include <functional>

class CueFile;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ConsoleState;

// What the dialog needs of the console.
struct ChannelChangeHost {
  std::function<ConsoleState&()> state;
  std::function<CueFile&()> cueFile;
  std::function<void()> keyend;        // a running fade ends at once
  std::function<void()> showRecorded;  // the "Recorded" indicator and its "showok" event
  std::function<void()> readCues;      // ReadCues
  std::function<void()> focusCueList;
  std::function<void(const QString&)> exceptionHandler;
};

class Taddchannel : public QDialog {
  Q_OBJECT
 public:
  Taddchannel(ChannelChangeHost host, QWidget* parent);
  ~Taddchannel() override;

  void FormActivate();
  void spSkinButton1Click();
  void btnExitClick();

  QLineEdit* mchannel = nullptr;
  QLineEdit* addlevel = nullptr;
  QLineEdit* nowlevel = nullptr;
  QLineEdit* addcues = nullptr;
  QLineEdit* CChannel = nullptr;
  QRadioButton* rbAddto = nullptr;
  QRadioButton* rbChange = nullptr;
  QRadioButton* rbtweak = nullptr;
  QRadioButton* upick1 = nullptr;
  QRadioButton* upick2 = nullptr;
  QPushButton* spSkinButton1 = nullptr;
  QPushButton* btnExit = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  ChannelChangeHost host_;
};
