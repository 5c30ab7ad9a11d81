#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The splash window: shown from program start until the first show is on screen; it also serves as
// the about box and as the progress window while the channel grid is built.
class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);
  QLabel* StatusLabel() const { return status_; }
  void setStatus(const QString& text);
  QPushButton* CloseButton() const { return close_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* version_;
  QLabel* status_;
  QPushButton* close_;
};
