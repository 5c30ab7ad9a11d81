#include "console/editors/magic_layout.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console/engine/tavro_utils.h"
#include "platform/atomic_file.h"
#include "platform/file_limits.h"
#include "platform/ini_file.h"

namespace {
// A caption can name a section when the INI form keeps it exactly.
bool sectionSafe(const QString& caption) {
  if (caption.isEmpty() || caption.trimmed() != caption) return false;
  if (caption.startsWith(';') || caption.startsWith('#')) return false;
  for (QChar c : caption)
    if (c == '[' || c == ']' || c == '\r' || c == '\n' || c == '=' || c.unicode() < 0x20) return false;
  return true;
}

int floorDiv(int a, int b) {
  const int q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
}  // namespace

QString magicButtonSection(int group, int button) {
  if (group < 100) return "G" + QString::number(group + 100).right(2) + QString::number(button);
  return "G" + QString::number(group) + "_" + QString::number(button);
}

QStringList magicGroupSections(const MagicLayout& layout) {
  QStringList used;
  for (const MagicGroup& g : layout.groups) {
    QString base = sectionSafe(g.caption) ? g.caption : QStringLiteral("Group");
    QString name = base;
    for (int n = 2; used.contains(name, Qt::CaseInsensitive) || (name != g.caption && !sectionSafe(name));
         ++n)
      name = base + " #" + QString::number(n);
    used << name;
  }
  return used;
}

MagicLayout readMagicLayout(const QString& groupFile, const QString& channelFile, QString* error) {
  MagicLayout layout;
  if (error) error->clear();
  QString pending;
  if (!completeMagicLayoutWrite(groupFile, channelFile, &pending) && error) *error = pending;
  if (!QFile::exists(groupFile)) return layout;
  const IniFile groups(groupFile);
  const IniFile buttons(channelFile);
  if (error && error->isEmpty())
    *error = groups.unreadable() ? groups.errorString() : buttons.unreadable() ? buttons.errorString() : "";
  for (const QString& section : groups.sections()) {
    if (int(layout.groups.size()) >= kMagicGroupLimit) break;
    MagicGroup g;
    g.y = groups.readInteger(section, "Y", 25);
    g.x = groups.readInteger(section, "X", 10);
    g.w = groups.readInteger(section, "W", 100);
    g.h = groups.readInteger(section, "H", 100);
    g.caption = groups.readString(section, "Caption", section);
    // Element 0 is the text before the leading "|"; a trailing "|" adds no element.
    const arStr names = SplitStr(groups.readString(section, "Chnls", "||").toUtf8(), '|');
    for (size_t i = 1; i < names.size(); ++i) {
      if (int(g.buttons.size()) >= kMagicButtonLimit) break;
      const QString name = QString::fromUtf8(names[i]);
      MagicButton b;
      b.y = buttons.readInteger(name, "Y", 25);
      b.x = buttons.readInteger(name, "X", 10);
      b.caption = buttons.readString(name, "N", "0");
      g.buttons.push_back(b);
    }
    layout.groups.push_back(std::move(g));
  }
  return layout;
}

QByteArray magicGroupFileBytes(const MagicLayout& layout) {
  IniFile ini;
  const QStringList sections = magicGroupSections(layout);
  for (int gi = 0; gi < int(layout.groups.size()); ++gi) {
    const MagicGroup& g = layout.groups[size_t(gi)];
    const QString& s = sections[gi];
    ini.writeInteger(s, "X", g.x);
    ini.writeInteger(s, "Y", g.y);
    ini.writeInteger(s, "H", g.h);
    ini.writeInteger(s, "W", g.w);
    QString list = "|";
    for (int k = 1; k <= int(g.buttons.size()); ++k) list += magicButtonSection(gi, k) + "|";
    ini.writeString(s, "Chnls", list);
    if (s != g.caption) ini.writeString(s, "Caption", g.caption);
  }
  return ini.text().toUtf8();
}

QByteArray magicChannelFileBytes(const MagicLayout& layout) {
  IniFile ini;
  for (int gi = 0; gi < int(layout.groups.size()); ++gi) {
    const MagicGroup& g = layout.groups[size_t(gi)];
    for (int k = 1; k <= int(g.buttons.size()); ++k) {
      const MagicButton& b = g.buttons[size_t(k - 1)];
      const QString s = magicButtonSection(gi, k);
      ini.writeString(s, "N", b.caption);
      ini.writeInteger(s, "X", b.x);
      ini.writeInteger(s, "Y", b.y);
    }
  }
  return ini.text().toUtf8();
}

std::vector<MagicDuplicate> findDuplicateChannels(const MagicLayout& layout) {
  std::vector<MagicDuplicate> out;
  for (int gi = 0; gi < int(layout.groups.size()); ++gi) {
    QStringList seen;
    for (const MagicButton& b : layout.groups[size_t(gi)].buttons) {
      if (seen.contains(b.caption)) out.push_back({gi, b.caption});
      seen << b.caption;
    }
  }
  return out;
}

namespace {
// Each temporary of the pair is itself written whole before it counts.
bool writeFileChecked(const QString& path, const QByteArray& bytes, QString* error) {
  return writeFileAtomically(path, bytes, error);
}
// One rename puts a finished temporary in place of the stored file.
bool renameOver(const QString& from, const QString& to, QString* error) {
  if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return true;
  if (error) *error = "Cannot replace " + to + ": " + QString::fromLocal8Bit(std::strerror(errno)) + ".";
  return false;
}

struct PairFiles {
  QString tempChannels, tempGroups, marker;
};
PairFiles pairFiles(const QString& groupFile) {
  const QString folder = QFileInfo(groupFile).absolutePath();
  return {folder + "/Temp.mchl", folder + "/Temp.mgrp", folder + "/" + kMagicPairMarker};
}
}  // namespace

bool completeMagicLayoutWrite(const QString& groupFile, const QString& channelFile, QString* error) {
  const PairFiles f = pairFiles(groupFile);
  if (!QFile::exists(f.marker)) {
    // Temporaries without the marker are a write that never finished: the stored pair is whole.
    QFile::remove(f.tempChannels);
    QFile::remove(f.tempGroups);
    return true;
  }
  // Both temporaries were complete when the marker was made: whichever is still there goes into
  // its place, and only then is the marker removed.
  if (QFile::exists(f.tempChannels) && !renameOver(f.tempChannels, channelFile, error)) return false;
  if (QFile::exists(f.tempGroups) && !renameOver(f.tempGroups, groupFile, error)) return false;
  if (!QFile::remove(f.marker)) {
    if (error) *error = "Cannot remove " + f.marker + ".";
    return false;
  }
  return true;
}

bool writeMagicLayout(const MagicLayout& layout, const QString& groupFile, const QString& channelFile,
                      QString* error) {
  for (const QString& stored : {groupFile, channelFile})
    if (const qint64 size = sizeOverLimit(stored, file_limit::kIniFile)) {
      if (error) *error = fileTooLargeText(stored, size);
      return false;
    }
  // A write cut short before must be finished (or dropped) before the temporaries are used again.
  if (!completeMagicLayoutWrite(groupFile, channelFile, error)) return false;
  const PairFiles f = pairFiles(groupFile);
  if (!writeFileChecked(f.tempChannels, magicChannelFileBytes(layout), error)) return false;
  if (!writeFileChecked(f.tempGroups, magicGroupFileBytes(layout), error)) {
    QFile::remove(f.tempChannels);
    return false;
  }
  // The two files change together: the marker says both new files are complete, so that a write
  // stopped anywhere from here on is finished by the next reader rather than leaving a new button
  // file beside an old group file.
  if (!writeFileChecked(f.marker, QByteArray(), error)) {
    QFile::remove(f.tempChannels);
    QFile::remove(f.tempGroups);
    return false;
  }
  return completeMagicLayoutWrite(groupFile, channelFile, error);
}

int snapToGrid(int v, int g) {
  if (g < 1) return v;
  return g * floorDiv(v + g / 2, g);
}
