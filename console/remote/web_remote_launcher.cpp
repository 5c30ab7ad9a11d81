#include "console/remote/web_remote_launcher.h"

#include <QDir>
#include <QProcess>

#include "console/remote/remote_control.h"
#include "platform/processes.h"
#include "platform/program_folder.h"

void WebRemoteLauncher::apply(bool checked) {
  remote_.setWebRemoteActive(checked);
  if (!checked) {
    if (windowExists(kCaption)) postCloseWindow(kCaption);
    return;
  }
  if (windowExists(kCaption)) return;
  // Started without a working directory of its own: the remote's folder is the console's current one.
  const QString folder = QDir::currentPath();
  const QString program =
      findFileNoCase(programFolder_.isEmpty() ? ::programFolder() : programFolder_, kProgram);
  if (QProcess::startDetached(program, {}, folder)) {
    remoteFolder_ = folder;
    remote_.setReplyFolder(folder);
  }
}
