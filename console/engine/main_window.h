#pragma once

#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "console/engine/console_state.h"

class QAction;
class QActionGroup;
class QMenu;
class QToolButton;
class TForm6;
class TimerList;

// The console's main window: owner of the engine state's life from start-up to shut-down.
class Tform1 : public QMainWindow {
  Q_OBJECT
 public:
  // `arguments` are the program's command-line arguments (the first, when present, names the show).
  Tform1(ConsoleState& state, const QStringList& arguments, TForm6* splash, QWidget* parent = nullptr);
  ~Tform1() override;

  ConsoleState& state() { return S; }
  TimerList& timers() { return *TimerList1; }
  TForm6* splash() const { return Form6; }

  // Start-up stages.
  void FormCreate();
  void FormShow();
  void StartupStage2();
  void FormActivate();

  // Application-wide error handling: every error that escapes an event handler comes here.
  void MyExceptionHandler(const QString& message);
  void SetCaption();
  static quint64 CurrentProcessMemory();

  // Menu handlers.
  void HelpTopics1Click();
  void Exit1Click();
  void Restore1Click();
  void CheckforUpdate1Click();
  bool WebUpdate1AppRestart();
  void WebUpdate1Status(const QString& statusText, int statusCode);
  void ApplicationEvents1Activate();
  void ApplicationEvents1Deactivate();

  // The settings file's path (the program's path with ".ini").
  static QString MainIniPath();
  // The show named by [CueFile] Last or the command line, as a full path.
  static QString ResolveCueFileName(const QString& name);

  QAction* Restore1 = nullptr;
  QMenu* SelectDMXinterface1 = nullptr;
  QMenu* SelectConnectiontype1 = nullptr;
  QActionGroup* InterfaceItems = nullptr;
  QActionGroup* ConnectionItems = nullptr;
  QToolButton* focusOK = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();

  ConsoleState& S;
  QStringList arguments_;
  TForm6* Form6;
  std::unique_ptr<TimerList> TimerList1;
  QString helpFile_;
  bool shownOnce_ = false;
};
