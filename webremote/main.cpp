// The web remote: serves the remote's page to browsers and passes their commands to the console.

#include <QApplication>
#include <QHostAddress>
#include <cstdio>

#include "webremote/remote_http_server.h"
#include "webremote/remote_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("VqLRemote");
  QApplication::setQuitOnLastWindowClosed(true);

  RemoteServerSettings settings;
  // Another port for a second copy or a test; 8008 otherwise.
  bool ok = false;
  const int port = qEnvironmentVariableIntValue("VQLREMOTE_PORT", &ok);
  if (ok && port > 0 && port < 65536) settings.port = quint16(port);
  const QString address = qEnvironmentVariable("VQLREMOTE_ADDRESS");
  if (!address.isEmpty()) settings.address = QHostAddress(address);

  RemoteWindow window;
  RemoteHttpServer server(settings, systemClock());
  if (server.listen()) {
    window.setStatus(QString("Serving the remote on port %1").arg(server.port()));
  } else {
    const QString error = QString("Could not serve the remote on port %1").arg(settings.port);
    window.setStatus(error);
    std::fprintf(stderr, "%s\n", qPrintable(error));
  }
  window.show();
  return app.exec();
}
