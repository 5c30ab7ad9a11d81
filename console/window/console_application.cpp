#include "console/window/console_application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <exception>

#include "platform/message_dialog.h"
#include "platform/pumped_wait.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/message_box.h"

namespace {
int g_signalFds[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] auto n = ::write(g_signalFds[0], &c, 1);
}
}  // namespace

ConsoleApplication::ConsoleApplication(int& argc, char** argv) : QApplication(argc, argv) {
  installMessageBoxes();
  installFileChoosers();
  // Signals arrive on a socket pair so the close runs on the main thread, between events.
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) == 0) {
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
      char c;
      [[maybe_unused]] auto n = ::read(g_signalFds[1], &c, 1);
      terminate();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
  }
}

void ConsoleApplication::setTerminationHandler(std::function<void()> handler) {
  onTerminate_ = std::move(handler);
  if (terminationPending_ && onTerminate_) {
    terminationPending_ = false;
    QTimer::singleShot(0, this, [this] { onTerminate_(); });
  }
}

void ConsoleApplication::terminate() {
  if (terminating_) return;
  terminating_ = true;
  // Every pumped wait in progress returns now and later ones at once, so that whatever was
  // waiting unwinds and the close below runs from the main loop (the closing waits that must not
  // be cut short use delays that ignore this).
  setApplicationTerminating(true);
  // Whatever is on screen: every question from now on gets its default answer without a window,
  // and the open ones close with their Cancel (or default) answer, so that their event loops
  // return and the ordered close can run.
  answerQuestionsByDefault();
  closeOpenMessageBoxes();
  for (QWidget* w : topLevelWidgets())
    if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible() && dialog->isModal())
      dialog->reject();
  // The close itself runs once the loops of the closed dialogs have returned.
  if (onTerminate_)
    QTimer::singleShot(0, this, [this] { onTerminate_(); });
  else
    terminationPending_ = true;
  // Should the close be held up after all (a wait that never ends), the program still ends.
  QTimer::singleShot(kTerminateWithinMs, this, [] { QCoreApplication::exit(0); });
}

ConsoleApplication::~ConsoleApplication() {
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
}

bool ConsoleApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (handler_) handler_(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    if (handler_) handler_("Unknown error");
  }
  return false;
}
