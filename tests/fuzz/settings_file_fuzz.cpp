// The settings file: reading any bytes, typed reads, a change and the bytes written back.
#include <cstddef>
#include <cstdint>

#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IniFile ini;
  ini.setBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  for (const QString& section : ini.sections()) {
    for (const QString& key : ini.keys(section)) {
      ini.readInteger(section, key, 0);
      ini.readBool(section, key, false);
      ini.readFloat(section, key, 0);
      ini.readString(section, key, QString());
    }
  }
  ini.writeInteger("Settings", "Logging", 2);
  ini.writeString("CueFile", "Last", QString::fromUtf8("/shows/caf\xC3\xA9.lcue"));
  const QByteArray once = ini.bytes();
  // What the console writes reads back to the same bytes.
  IniFile again;
  again.setBytes(once);
  if (again.bytes() != once) __builtin_trap();
  ini.deleteKey("Settings", "Logging");
  ini.eraseSection("CueFile");
  return 0;
}
