// Reading a show's cue file (readCueFile) from whatever bytes are on disk.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "console/engine/cue_reader.h"
#include "platform/message_dialog.h"
#include "tests/support/dialog_recorder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static QTemporaryDir dir;
  static const bool quiet = [] {
    setDialogHandler([](const MessageSpec& spec) { return defaultAnswer(spec); });
    return true;
  }();
  (void)quiet;
  const QString path = dir.filePath("show.lcue");
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  static CueFile file;
  static CueTables tables;
  CuePlaybackRows rows;
  CueReadSettings settings;
  settings.MaxChannels = 48;
  CueReadHost host;
  try {
    readCueFile(path, file, tables, rows, settings, host, testOperator());
  } catch (const CueFileError&) {
  }
  file.close();
  return 0;
}
