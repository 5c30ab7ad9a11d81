#include "platform/ini_file.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/file_limits.h"
#include "platform/record_file.h"

namespace {
bool sameName(const QString& a, const QString& b) {
  return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}
QString folded(const QString& name) { return name.toCaseFolded(); }
bool isAscii(QByteArrayView bytes) {
  for (const char c : bytes)
    if (uchar(c) >= 0x80) return false;
  return true;
}
}  // namespace

bool IniFile::load(const QString& path) {
  path_ = path;
  lines_.clear();
  indexed_ = false;
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
  indexed_ = false;
  // The bytes are kept whole: a line keeps only where it stands in them, written back from there.
  data_ = data;
  lines_.reserve(size_t(data.count('\n')) + 1);
  qsizetype start = 0;
  while (start < data.size()) {
    qsizetype end = data.indexOf('\n', start);
    if (end < 0) end = data.size();
    QByteArrayView bytes(data.constData() + start, end - start);
    Line line;
    line.begin = start;
    start = end + 1;
    if (bytes.endsWith('\r')) bytes.chop(1);
    line.length = bytes.size();
    line.kept = true;
    line.fromFile = true;
    if (isAscii(bytes)) {
      // Nearly every line: split on the bytes, decoding only the parts that are kept.
      const QByteArrayView t = bytes.trimmed();
      if (t.startsWith('[') && t.endsWith(']')) {
        line.isSection = true;
        line.section = QString::fromLatin1(t.sliced(1, t.size() - 2).trimmed());
      } else if (!t.isEmpty() && !t.startsWith(';') && !t.startsWith('#')) {
        const qsizetype eq = bytes.indexOf('=');
        if (eq > 0) {
          line.key = QString::fromLatin1(bytes.first(eq).trimmed());
          if (!line.key.isEmpty()) line.value = QString::fromLatin1(bytes.sliced(eq + 1).trimmed());
        }
      }
      if (line.key.isEmpty()) line.raw = QString::fromLatin1(bytes);
    } else {
      // Other tools write these files in the Windows code page: a line that is not UTF-8 is read
      // as Windows-1252, and every line is written back as it was read unless its value is changed.
      QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
      QString r = utf8(bytes);
      if (utf8.hasError()) r = fromWindows1252(bytes.toByteArray());
      const QString t = r.trimmed();
      if (t.startsWith('[') && t.endsWith(']')) {
        line.isSection = true;
        line.section = t.mid(1, t.size() - 2).trimmed();
      } else if (!t.isEmpty() && !t.startsWith(';') && !t.startsWith('#')) {
        const qsizetype eq = r.indexOf('=');
        if (eq > 0) {
          line.key = r.left(eq).trimmed();
          if (!line.key.isEmpty()) line.value = r.mid(eq + 1).trimmed();
        }
      }
      if (line.key.isEmpty()) line.raw = r;
    }
    lines_.push_back(std::move(line));
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
      out += QByteArrayView(data_.constData() + l.begin, l.length);
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

void IniFile::buildIndex() const {
  headers_.clear();
  keyLines_.clear();
  QString section;
  bool inSection = false;  // keys before the first header belong to no section
  for (int i = 0; i < int(lines_.size()); ++i) {
    const Line& line = lines_[size_t(i)];
    if (line.isSection) {
      section = folded(line.section);
      inSection = true;
      headers_[section].push_back(i);
    } else if (inSection && !line.key.isEmpty()) {
      // Several headers of the same name are read as one section, as the file's readers always
      // did: the first line of a key wins.
      KeyName name(section, folded(line.key));
      if (!keyLines_.contains(name)) keyLines_.insert(std::move(name), i);
    }
  }
  indexed_ = true;
}

void IniFile::shiftIndex(int from, int delta) {
  if (!indexed_) return;
  for (auto& lines : headers_)
    for (int& i : lines)
      if (i >= from) i += delta;
  for (int& i : keyLines_)
    if (i >= from) i += delta;
}

const std::vector<int>* IniFile::headersOf(const QString& section) const {
  if (!indexed_) buildIndex();
  const auto it = headers_.constFind(folded(section));
  return it == headers_.cend() ? nullptr : &*it;
}

int IniFile::findSection(const QString& section) const {
  const std::vector<int>* headers = headersOf(section);
  return headers ? headers->front() : -1;
}

int IniFile::sectionEnd(int header) const {
  int i = header + 1;
  while (i < int(lines_.size()) && !lines_[size_t(i)].isSection) ++i;
  return i;
}

int IniFile::findKey(const QString& section, const QString& key) const {
  if (!indexed_) buildIndex();
  const auto it = keyLines_.constFind(KeyName(folded(section), folded(key)));
  return it == keyLines_.cend() ? -1 : *it;
}

bool IniFile::sectionExists(const QString& section) const { return findSection(section) >= 0; }

bool IniFile::valueExists(const QString& section, const QString& key) const {
  return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const {
  QStringList out;
  QSet<QString> seen;
  for (const Line& l : lines_)
    if (l.isSection && !seen.contains(folded(l.section))) {
      seen.insert(folded(l.section));
      out << l.section;
    }
  return out;
}

QStringList IniFile::keys(const QString& section) const {
  QStringList out;
  if (const std::vector<int>* headers = headersOf(section))
    for (const int h : *headers) {
      const int end = sectionEnd(h);
      for (int i = h + 1; i < end; ++i)
        if (!lines_[size_t(i)].key.isEmpty()) out << lines_[size_t(i)].key;
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
  const int h = findSection(section);
  int at;
  if (h < 0) {
    // A new section goes to the end, after a blank line when the file has content.
    // (A key line written since reading counts as blank here, as it always has.)
    if (!lines_.empty()) {
      const Line& last = lines_.back();
      if ((last.fromFile && !last.key.isEmpty()) || !last.raw.trimmed().isEmpty()) lines_.push_back(Line{});
    }
    Line header;
    header.isSection = true;
    header.section = section;
    header.raw = '[' + section + ']';
    lines_.push_back(header);
    headers_[folded(section)].push_back(int(lines_.size()) - 1);
    at = int(lines_.size());
    lines_.push_back(line);
  } else {
    // Insert after the section's last key-or-text line, keeping trailing blank lines after it.
    const int end = sectionEnd(h);
    at = end;
    while (at > h + 1 && lines_[size_t(at - 1)].key.isEmpty() &&
           lines_[size_t(at - 1)].raw.trimmed().isEmpty())
      --at;
    lines_.insert(lines_.begin() + at, line);
    shiftIndex(at, 1);
  }
  // findKey() built the index, and the key had no line yet.
  keyLines_.insert(KeyName(folded(section), folded(key)), at);
  modified_ = true;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(const QString& section, const QString& key) {
  if (findKey(section, key) < 0) return;
  // Every line of the key, in all headers of the section's name.
  std::vector<int> erased;
  for (const int h : *headersOf(section)) {
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i)
      if (sameName(lines_[size_t(i)].key, key)) erased.push_back(i);
  }
  std::sort(erased.begin(), erased.end());
  for (auto it = erased.rbegin(); it != erased.rend(); ++it) lines_.erase(lines_.begin() + *it);
  keyLines_.remove(KeyName(folded(section), folded(key)));
  // The lines after each erased one move up by the number of erased lines before them.
  const auto renumber = [&](int& i) {
    i -= int(std::lower_bound(erased.begin(), erased.end(), i) - erased.begin());
  };
  for (auto& lines : headers_)
    for (int& i : lines) renumber(i);
  for (int& i : keyLines_) renumber(i);
  modified_ = true;
}

void IniFile::eraseSection(const QString& section) {
  int h;
  while ((h = findSection(section)) >= 0) {
    lines_.erase(lines_.begin() + h, lines_.begin() + sectionEnd(h));
    indexed_ = false;
    modified_ = true;
  }
}
