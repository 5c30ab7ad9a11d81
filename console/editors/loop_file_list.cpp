#include "console/editors/loop_file_list.h"

#include <QFileInfo>

#include "console/engine/cue_loop_file.h"
#include "platform/ini_file.h"

namespace {
const QString kSection = QStringLiteral("Files");

bool createList(const QString& path) {
  IniFile ini;
  ini.load(path);
  ini.writeString(kSection, "0", QString());
  return ini.save(path);
}
}  // namespace

LoopFileList::LoopFileList(const QString& cueFileName) : path_(loopFileListName(cueFileName)) {}

bool LoopFileList::exists() const { return QFileInfo(path_).isFile(); }

QString LoopFileList::fileOf(int key) const {
  if (!exists()) return QString();
  IniFile ini(path_);
  return ini.readString(kSection, QString::number(key), QString());
}

bool LoopFileList::setFile(int key, const QString& file) {
  if (!exists() && !createList(path_)) return false;
  IniFile ini(path_);
  ini.writeString(kSection, QString::number(key), file);
  return ini.save(path_);
}

int LoopFileList::findFreeKey() {
  if (!exists()) return createList(path_) ? 1 : 0;
  IniFile ini(path_);
  for (int key = 1; key <= kMaxLoopFiles; ++key)
    if (ini.readString(kSection, QString::number(key), QString()).isEmpty()) return key;
  return 0;
}
