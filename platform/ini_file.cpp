#include "platform/ini_file.h"

#include <QFile>
#include <QStringDecoder>

#include "platform/atomic_file.h"
#include "platform/file_limits.h"
#include "platform/record_file.h"

namespace {
bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
}  // namespace

bool IniFile::load(const QString& path) {
  path_ = path;
  lines_.clear();
  modified_ = false;
  writeBom_ = false;
  unreadable_ = false;
  refusedSize_ = 0;
  lastError_.clear();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    unreadable_ = f.exists();
    if (unreadable_) lastError_ = "The file \"" + path + "\" could not be read: " + f.errorString() + ".";
    return false;
  }
  // Refused by its size before it is read: no INI file of the console comes near the limit.
  QByteArray data;
  const qint64 size = readAllWithin(f, file_limit::kIniFile, data);
  if (size > file_limit::kIniFile) {
    unreadable_ = true;
    refusedSize_ = size;
    lastError_ = fileTooLargeText(path, size);
    return false;
  }
  if (size < 0) {
    unreadable_ = true;
    lastError_ = "The file \"" + path + "\" could not be read: " + f.errorString() + ".";
    return false;
  }
  if (data.startsWith("\xEF\xBB\xBF")) {
    writeBom_ = true;
    data.remove(0, 3);
  }
  setBytes(data);
  modified_ = false;
  return true;
}

void IniFile::setText(const QString& text) { setBytes(text.toUtf8()); }

void IniFile::setBytes(const QByteArray& data) {
  lines_.clear();
  QList<QByteArray> raw = data.split('\n');
  if (!raw.isEmpty() && raw.last().isEmpty()) raw.removeLast();
  for (QByteArray& bytes : raw) {
    if (bytes.endsWith('\r')) bytes.chop(1);
    // Other tools write these files in the Windows code page: a line that is not UTF-8 is read as
    // Windows-1252, and every line is written back as it was read unless its value is changed.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString r = utf8(bytes);
    if (utf8.hasError()) r = fromWindows1252(bytes);
    Line line;
    line.raw = r;
    line.original = bytes;
    line.kept = true;
    const QString t = r.trimmed();
    if (t.startsWith('[') && t.endsWith(']')) {
      line.isSection = true;
      line.section = t.mid(1, t.size() - 2).trimmed();
    } else if (!t.isEmpty() && !t.startsWith(';') && !t.startsWith('#')) {
      const int eq = r.indexOf('=');
      if (eq > 0) {
        line.key = r.left(eq).trimmed();
        line.value = r.mid(eq + 1).trimmed();
      }
    }
    lines_.push_back(line);
  }
  modified_ = true;
}

QString IniFile::text() const {
  QString out;
  for (const Line& l : lines_) {
    if (!l.key.isEmpty())
      out += l.key + '=' + l.value;
    else
      out += l.raw;
    out += "\r\n";
  }
  return out;
}

QByteArray IniFile::bytes() const {
  QByteArray out;
  if (writeBom_) out = "\xEF\xBB\xBF";
  for (const Line& l : lines_) {
    if (l.kept)
      out += l.original;
    else if (!l.key.isEmpty())
      out += (l.key + '=' + l.value).toUtf8();
    else
      out += l.raw.toUtf8();
    out += "\r\n";
  }
  return out;
}

bool IniFile::save(const QString& path) {
  const QString target = path.isEmpty() ? path_ : path;
  if (target.isEmpty()) return false;
  // A file that is there but could not be read is not replaced by what little was known of it.
  if (unreadable_ && target == path_) {
    lastError_ = refusedSize_ > 0
                     ? fileTooLargeText(target, refusedSize_)
                     : "The file \"" + target + "\" could not be read, so it is not overwritten.";
    return false;
  }
  QString error;
  if (!writeFileAtomically(target, bytes(), &error)) {
    lastError_ = error;
    return false;
  }
  lastError_.clear();
  modified_ = false;
  return true;
}

bool IniFile::saveIfModified() { return modified_ ? save() : true; }

int IniFile::findSection(const QString& section) const {
  for (int i = 0; i < int(lines_.size()); ++i)
    if (lines_[i].isSection && sameName(lines_[i].section, section)) return i;
  return -1;
}

int IniFile::sectionEnd(int header) const {
  int i = header + 1;
  while (i < int(lines_.size()) && !lines_[i].isSection) ++i;
  return i;
}

int IniFile::findKey(const QString& section, const QString& key) const {
  // Several headers of the same name are read as one section, as the file's readers always did.
  for (int h = 0; h < int(lines_.size()); ++h) {
    if (!lines_[h].isSection || !sameName(lines_[h].section, section)) continue;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i)
      if (!lines_[i].key.isEmpty() && sameName(lines_[i].key, key)) return i;
  }
  return -1;
}

bool IniFile::sectionExists(const QString& section) const { return findSection(section) >= 0; }

bool IniFile::valueExists(const QString& section, const QString& key) const {
  return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const {
  QStringList out;
  for (const Line& l : lines_)
    if (l.isSection && !out.contains(l.section, Qt::CaseInsensitive)) out << l.section;
  return out;
}

QStringList IniFile::keys(const QString& section) const {
  QStringList out;
  for (int h = 0; h < int(lines_.size()); ++h) {
    if (!lines_[h].isSection || !sameName(lines_[h].section, section)) continue;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i)
      if (!lines_[i].key.isEmpty()) out << lines_[i].key;
  }
  return out;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
  const int i = findKey(section, key);
  return i < 0 ? def : lines_[i].value;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
  const int i = findKey(section, key);
  if (i < 0) return def;
  QString v = lines_[i].value.trimmed();
  bool ok = false;
  int n;
  if (v.startsWith('$'))
    n = v.mid(1).toInt(&ok, 16);
  else if (v.startsWith("0x", Qt::CaseInsensitive))
    n = v.mid(2).toInt(&ok, 16);
  else
    n = v.toInt(&ok, 10);
  return ok ? n : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
  const int i = findKey(section, key);
  if (i < 0) return def;
  const QString v = lines_[i].value.trimmed();
  if (v.compare("true", Qt::CaseInsensitive) == 0) return true;
  if (v.compare("false", Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok ? n != 0 : def;
}

double IniFile::readFloat(const QString& section, const QString& key, double def) const {
  const int i = findKey(section, key);
  if (i < 0) return def;
  bool ok = false;
  const double d = lines_[i].value.trimmed().toDouble(&ok);
  return ok ? d : def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  const int i = findKey(section, key);
  if (i >= 0) {
    if (lines_[i].value != value) {
      lines_[i].value = value;
      lines_[i].kept = false;
      modified_ = true;
    }
    return;
  }
  Line line;
  line.key = key;
  line.value = value;
  int h = findSection(section);
  if (h < 0) {
    // A new section goes to the end, after a blank line when the file has content.
    if (!lines_.empty() && !lines_.back().raw.trimmed().isEmpty()) lines_.push_back(Line{});
    Line header;
    header.isSection = true;
    header.section = section;
    header.raw = '[' + section + ']';
    lines_.push_back(header);
    lines_.push_back(line);
  } else {
    // Insert after the section's last key-or-text line, keeping trailing blank lines after it.
    int end = sectionEnd(h);
    int at = end;
    while (at > h + 1 && lines_[at - 1].key.isEmpty() && lines_[at - 1].raw.trimmed().isEmpty()) --at;
    lines_.insert(lines_.begin() + at, line);
  }
  modified_ = true;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(const QString& section, const QString& key) {
  int i;
  while ((i = findKey(section, key)) >= 0) {
    lines_.erase(lines_.begin() + i);
    modified_ = true;
  }
}

void IniFile::eraseSection(const QString& section) {
  int h;
  while ((h = findSection(section)) >= 0) {
    lines_.erase(lines_.begin() + h, lines_.begin() + sectionEnd(h));
    modified_ = true;
  }
}
