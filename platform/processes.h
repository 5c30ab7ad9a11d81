#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;

// Starts a program of the program folder, detached, with no working directory of its own.
bool startProgram(const QString& name, const QStringList& arguments = {});

// Windows of other processes are found and closed through local sockets: a findable window
// listens on a local server named after its caption, and closing it is a "close" line sent there.
QString windowEndpointName(const QString& caption);
bool windowExists(const QString& caption);
// Posts a close request to the window with this caption; false when there is no such window.
bool postCloseWindow(const QString& caption);

class WindowEndpoint : public QObject {
  Q_OBJECT
 public:
  // Listens for the window called `caption`; `onClose` runs on the main thread when asked to close.
  WindowEndpoint(const QString& caption, std::function<void()> onClose, QObject* parent = nullptr);
  ~WindowEndpoint() override;
  bool listening() const;

 private:
  QLocalServer* server_;
  std::function<void()> onClose_;
};
