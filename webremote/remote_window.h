#pragma once

// The remote program's own small window. Its caption, "Vq Lighting Remote", is how the console
// finds the running remote and asks it to close; closing the window ends the program.

#include <QWidget>
#include <memory>

class QLabel;
class WindowEndpoint;

class RemoteWindow : public QWidget {
  Q_OBJECT
 public:
  inline static const QString kCaption = QStringLiteral("Vq Lighting Remote");

  explicit RemoteWindow(QWidget* parent = nullptr);
  ~RemoteWindow() override;

  // What the window tells: where the page is served, or why it is not.
  void setStatus(const QString& text);
  QString status() const;

 private:
  QLabel* status_;
  std::unique_ptr<WindowEndpoint> endpoint_;
};
