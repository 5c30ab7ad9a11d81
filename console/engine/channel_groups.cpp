#include "console/engine/channel_groups.h"

#include "platform/ini_file.h"

int groupIndexOfKey(QChar key) {
  const QChar k = key.toLower();
  if (k >= '0' && k <= '9') return k.unicode() - '0';
  if (k >= 'a' && k <= 'v') return 10 + k.unicode() - 'a';
  return -1;
}

QString groupFileKey(int index) {
  return "g" + (index < 10 ? QString(QChar('0' + index)) : QString(QChar('a' + index - 10)));
}

ChannelGroupTexts LoadGroups(const QString& path, QString* error) {
  ChannelGroupTexts groups;
  IniFile ini;
  ini.load(path);
  if (error) *error = ini.unreadable() ? ini.errorString() : QString();
  for (int i = 0; i < kGroupCount; ++i)
    groups[size_t(i)] = ini.readString("Groups", groupFileKey(i), QString());
  return groups;
}

bool saveGroups(const QString& path, const ChannelGroupTexts& groups, QString* error) {
  IniFile ini;
  ini.load(path);
  // The 32 keys are written afresh in their order; the section's other keys stay where they are.
  for (int i = 0; i < kGroupCount; ++i) ini.deleteKey("Groups", groupFileKey(i));
  for (int i = 0; i < kGroupCount; ++i) ini.writeString("Groups", groupFileKey(i), groups[size_t(i)]);
  const bool ok = ini.save(path);
  if (error) *error = ok ? QString() : ini.errorString();
  return ok;
}
