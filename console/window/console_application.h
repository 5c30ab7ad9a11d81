#pragma once

#include <QApplication>
#include <functional>

// The console's application object: errors that escape an event handler are handed to the main
// window's error handler instead of ending the program, and SIGTERM or SIGINT close the main window
// as the Exit menu item does.
class ConsoleApplication : public QApplication {
  Q_OBJECT
 public:
  ConsoleApplication(int& argc, char** argv);
  ~ConsoleApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;
  void setExceptionHandler(std::function<void(const QString&)> handler) { handler_ = std::move(handler); }
  // A termination asked for before the handler exists is carried out once the event loop runs.
  void setTerminationHandler(std::function<void()> handler);

 private:
  std::function<void(const QString&)> handler_;
  std::function<void()> onTerminate_;
  bool terminationPending_ = false;
};
