#pragma once

// The "In Use" window: one line per installed fixture, its start address and type name.

#include <QDialog>
#include <QStringList>
#include <functional>

class QPlainTextEdit;
class QPushButton;

class TUsedF : public QDialog {
  Q_OBJECT
 public:
  // `trace` writes a line at a trace level (the window logs its creation and destruction).
  using Trace = std::function<void(int level, const QString& line)>;
  explicit TUsedF(Trace trace = {}, QWidget* parent = nullptr);
  ~TUsedF() override;

  void setLines(const QStringList& lines);
  QStringList lines() const;

  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* btnexit = nullptr;

 private:
  Trace trace_;
};
