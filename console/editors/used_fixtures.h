#pragma once

// The "In Use" window: one line per installed fixture, its start address and type name.

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

class TUsedF : public QDialog {
  Q_OBJECT
 public:
  explicit TUsedF(QWidget* parent = nullptr);
  ~TUsedF() override;

  void setLines(const QStringList& lines);
  QStringList lines() const;

  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* btnexit = nullptr;
};
