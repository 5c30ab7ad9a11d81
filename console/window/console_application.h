#pragma once

#include <QApplication>
#include <functional>

// The console's application object: errors that escape an event handler are handed to the main
// window's error handler instead of ending the program, and SIGTERM or SIGINT close the main window
// as the Exit menu item does, whatever dialog is open at the time.
class ConsoleApplication : public QApplication {
  Q_OBJECT
 public:
  ConsoleApplication(int& argc, char** argv);
  ~ConsoleApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;
  void setExceptionHandler(std::function<void(const QString&)> handler) { handler_ = std::move(handler); }
  // A termination asked for before the handler exists is carried out once the event loop runs.
  void setTerminationHandler(std::function<void()> handler);
  // What SIGTERM and SIGINT do: open dialogs close with their Cancel or default answer, later ones
  // are answered by default without a window, and the termination handler runs. Should the program
  // still run kTerminateWithinMs later, its event loop ends.
  void terminate();
  static constexpr int kTerminateWithinMs = 8000;

 private:
  std::function<void(const QString&)> handler_;
  std::function<void()> onTerminate_;
  bool terminationPending_ = false;
  bool terminating_ = false;
};
