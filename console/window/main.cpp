#include <QTimer>
#include <cstdio>

#include "console/engine/console_state.h"
#include "console/window/console_application.h"
#include "console/window/main_window.h"
#include "console/window/splash_window.h"
#include "console/window/styles.h"
#include "platform/single_instance.h"

int main(int argc, char** argv) {
  // A second console ends at once, before any window or dialog, saying why on standard error.
  SingleInstance instance;
  if (!instance.acquire()) {
    std::fputs("vqlighting: the console is already running; this start ends here.\n", stderr);
    return 0;
  }

  ConsoleApplication app(argc, argv);
  QApplication::setApplicationName("vqlighting");
  QApplication::setApplicationVersion(VQ_VERSION);

  TForm6 splash;
  splash.show();
  applyStyle("Slate Classico");
  // The program's title is not set as Qt's application display name: the window system would add
  // it to every window's caption, and each window's caption is its own.

  ConsoleState state;
  Tform1 form1(state, app.arguments(), &splash);
  app.setExceptionHandler([&form1](const QString& message) { form1.MyExceptionHandler(message); });
  app.setTerminationHandler([&form1] { form1.close(); });
  // The program ends when the main window has closed, whatever other windows are still open.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(&form1, &Tform1::shutDown, &app, &QCoreApplication::quit, Qt::QueuedConnection);

  form1.show();
  return app.exec();
}
