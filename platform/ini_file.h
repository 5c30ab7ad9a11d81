#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// An INI file held in memory with the semantics the console relies on: section and key names are
// compared without regard to case, the file's order (and its unknown sections, keys and other
// lines) is kept, and saving rewrites the whole file. A value of the wrong form reads as the
// caller's default; a missing file reads as empty and is created by the first save.
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(const QString& path) { load(path); }

  // Reads the file (UTF-8, an optional BOM is skipped and remembered; a line that is not valid UTF-8
  // is read as Windows-1252). False when it cannot be read; a file larger than any INI file of the
  // console (file_limit::kIniFile) is refused unread. Either way errorString() says why, and save()
  // never overwrites that file.
  bool load(const QString& path);
  // Writes the whole file back to its path, or to `path` when given. Writes through a temporary file
  // renamed into place, so a failed save never leaves half a settings file behind. Lines that were
  // not changed are written back byte for byte. On failure errorString() says why.
  bool save(const QString& path = QString());
  QString errorString() const { return lastError_; }
  // Saves only when something was changed since loading (the auto-saving scratch object).
  bool saveIfModified();

  const QString& path() const { return path_; }
  bool modified() const { return modified_; }
  // The file is there but was not read (unreadable or too large).
  bool unreadable() const { return unreadable_; }
  // The size of a file refused as too large; 0 otherwise.
  qint64 refusedSize() const { return refusedSize_; }
  void setWriteBom(bool bom) { writeBom_ = bom; }
  bool writeBom() const { return writeBom_; }

  bool sectionExists(const QString& section) const;
  bool valueExists(const QString& section, const QString& key) const;
  QStringList sections() const;
  QStringList keys(const QString& section) const;

  QString readString(const QString& section, const QString& key, const QString& def) const;
  int readInteger(const QString& section, const QString& key, int def) const;
  bool readBool(const QString& section, const QString& key, bool def) const;
  double readFloat(const QString& section, const QString& key, double def) const;

  void writeString(const QString& section, const QString& key, const QString& value);
  void writeInteger(const QString& section, const QString& key, int value);
  void writeBool(const QString& section, const QString& key, bool value);

  void deleteKey(const QString& section, const QString& key);
  void eraseSection(const QString& section);

  QString text() const;
  void setText(const QString& text);
  // The file's content as save() writes it.
  QByteArray bytes() const;
  void setBytes(const QByteArray& data);

 private:
  struct Line {
    QString raw;  // the line as read, for lines that are not key=value
    QString key;  // empty for section headers, comments and blank lines
    QString value;
    bool isSection = false;
    QString section;      // for a header: its name
    qsizetype begin = 0;  // the bytes read (in data_, without the line end), written back while `kept`
    qsizetype length = 0;
    bool kept = false;
    bool fromFile = false;  // read from the file, not added since
  };
  int findSection(const QString& section) const;  // index of the header line, -1 if none
  int sectionEnd(int header) const;               // index one past the section's last line
  int findKey(const QString& section, const QString& key) const;

  // Lookups go through an index of the section headers and keys, built in one pass over the lines
  // when first needed, so reading a file and then its keys stays linear in the file's size. Lines
  // inserted or erased move the indexes after them.
  using KeyName = std::pair<QString, QString>;  // case-folded section and key
  void buildIndex() const;
  void shiftIndex(int from, int delta);  // lines from `from` on moved by `delta`
  const std::vector<int>* headersOf(const QString& section) const;

  mutable bool indexed_ = false;
  mutable QHash<QString, std::vector<int>> headers_;  // case-folded section name -> its header lines
  mutable QHash<KeyName, int> keyLines_;              // the first line of each key in its section

  QString path_;
  QByteArray data_;  // the bytes the lines were read from
  std::vector<Line> lines_;
  bool modified_ = false;
  bool writeBom_ = false;
  QString lastError_;
  bool unreadable_ = false;  // the file exists but could not be read
  qint64 refusedSize_ = 0;   // the size of a file refused as too large
};
