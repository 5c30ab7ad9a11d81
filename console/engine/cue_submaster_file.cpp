#include "console/engine/cue_submaster_file.h"

#include <QFileInfo>

#include "console/engine/cue_file.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"

QString submasterFileNameFor(const QString& cueFileName, bool useRepPlot, const QString& programFolder) {
  if (useRepPlot) return findFileNoCase(programFolder, "rep_plot.subs");
  return changeFileExt(cueFileName, ".subs");
}

SubmasterFileSetup readSubmasterFileSetup(const QString& fileName, int maxChannels, int warmUpLevel) {
  SubmasterFileSetup setup;
  setup.fileName = fileName;
  setup.members.assign(size_t(qMax(maxChannels, 0)) + 1, {});
  if (!QFileInfo(fileName).isFile()) return setup;

  IniFile ini;
  setup.exists = ini.load(fileName);
  if (!setup.exists) {
    setup.error = ini.errorString();
    return setup;
  }
  for (int k = 0; k < kSubmasterStrips; ++k) {
    SubmasterStripSetup& s = setup.strips[k];
    const QString n = QString::number(k);
    s.title = ini.readString("Submasters", "subtitle" + n, "Unused");
    s.hint = ini.readString("Submasters", "subcue" + n, QString());
    s.additive = ini.readBool("Submasters", "additive" + n, true);
    s.loopFile = ini.readString("Submasters", "Subfile" + n, QString());
    s.hasLoopFile = !s.loopFile.isEmpty();
    s.levels = ini.readString("SubMasterlevels", "sublevels" + n, QString());
    setup.anyLoopFile = setup.anyLoopFile || s.hasLoopFile;
    if (s.levels == "0") continue;
    const QStringList entries = s.levels.split(',');
    for (int ch = 1; ch <= maxChannels; ++ch) {
      const int level = ch - 1 < entries.size() ? entries[ch - 1].trimmed().toInt() : 0;
      setup.members[ch][k] = s.additive && level > warmUpLevel;
    }
  }
  return setup;
}
