// The follow-spot prompter: an outside program of the program folder, started when a show holds a
// follow-spot alert or the cue editor makes one, unless it already runs.

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "console/window/main_window.h"
#include "platform/processes.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"

namespace {
constexpr const char* kPrompterWindowClass = "TPrompt1";

QString prompterProgram(const QString& folder) {
  // Named "prompt" in any case, with or without the ".exe" its shows were made with.
  const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Executable);
  for (const QString& wanted : {QStringLiteral("prompt"), QStringLiteral("prompt.exe")})
    for (const QString& entry : entries)
      if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return QDir(folder).filePath(entry);
  return {};
}
}  // namespace

void Tform1::startPrompter() {
  if (windowExists(kPrompterWindowClass)) return;
  const QString program = prompterProgram(programFolder());
  // A console installed without the prompter has no follow-spot video: nothing to start or report.
  if (program.isEmpty()) return;
  if (!QProcess::startDetached(program, {}, programFolder())) return;
  waitPumped(300);
}
