#include "console/patch/fixture_channel_table.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "platform/program_folder.h"

namespace {
constexpr qint64 kMaxTableBytes = 64 * 1024;        // a table is 25 short lines
constexpr qint64 kMaxJsonBytes = 16 * 1024 * 1024;  // descriptions from outside are bounded
constexpr int kMaxCellLength = 256;

// Splits one CSV line into cells; a quoted cell may hold commas and doubled quotes.
QStringList splitCsvLine(const QString& line) {
  QStringList cells;
  QString cell;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quoted) {
      if (c == u'"') {
        if (i + 1 < line.size() && line[i + 1] == u'"') {
          cell += u'"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        cell += c;
      }
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u',') {
      cells << cell;
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells << cell;
  return cells;
}

QString csvCell(const QString& text) {
  if (!text.contains(u',') && !text.contains(u'"')) return text;
  QString quoted = text;
  quoted.replace("\"", "\"\"");
  return "\"" + quoted + "\"";
}

// A cell kept on one line of the file.
QString oneLine(const QString& text) {
  QString t = text.left(kMaxCellLength);
  t.replace(u'\r', u' ');
  t.replace(u'\n', u' ');
  return t;
}
}  // namespace

FixtureChannelTable FixtureChannelTable::blank() {
  FixtureChannelTable t;
  t.cells[0] = {"Chnl.", "0-??", "Description"};
  for (int r = 1; r < kRows; ++r) t.cells[r][0] = QString::number(r);
  return t;
}

void FixtureChannelTable::clearAfter(int channelCount) {
  for (int r = std::max(1, channelCount + 1); r < kRows; ++r) {
    cells[r][1].clear();
    cells[r][2].clear();
  }
}

QString channelTablePath(const QString& programFolder, const QString& name) {
  const QString folder = findFileNoCase(programFolder, "lcsv");
  return findFileNoCase(folder, name + ".lcsv");
}

bool readChannelTable(const QString& path, FixtureChannelTable& table) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QString text = QString::fromUtf8(file.read(kMaxTableBytes));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  table = FixtureChannelTable::blank();
  const QStringList lines = text.split(u'\n');
  for (int r = 0; r < FixtureChannelTable::kRows && r < lines.size(); ++r) {
    QString line = lines[r];
    if (line.endsWith(u'\r')) line.chop(1);
    const QStringList cells = splitCsvLine(line);
    for (int c = 0; c < FixtureChannelTable::kColumns && c < cells.size(); ++c)
      table.cells[r][c] = cells[c].left(kMaxCellLength);
  }
  return true;
}

QByteArray channelTableBytes(const FixtureChannelTable& table) {
  QString text;
  for (const auto& row : table.cells) {
    QStringList cells;
    for (const QString& cell : row) cells << csvCell(oneLine(cell));
    text += cells.join(u',') + "\r\n";
  }
  return text.toUtf8();
}

PatchFileResult writeChannelTable(const QString& path, const FixtureChannelTable& table) {
  const QDir folder = QFileInfo(path).absoluteDir();
  if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
    return PatchFileResult::fileError(path + ": the folder could not be made");
  return patch::writeWholeFile(path, channelTableBytes(table));
}

int FindColor(const FixtureChannelTable& table, const QString& function) {
  for (int r = 1; r < FixtureChannelTable::kRows; ++r)
    if (table.function(r).compare(function, Qt::CaseInsensitive) == 0) return r;
  return 0;
}

int panRow(const FixtureChannelTable& table) {
  for (int r = 1; r < FixtureChannelTable::kRows; ++r)
    if (table.function(r).toLower() == "pan") return r;
  return 0;
}

int channelCountOfTable(const FixtureChannelTable& table, int current) {
  for (int r = 1; r < FixtureChannelTable::kRows; ++r)
    if (table.function(r).isEmpty()) return r - 1;
  return current;
}

bool readJsonFixtureModes(const QString& path, std::vector<JsonFixtureMode>& modes, QString& error) {
  modes.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = path + ": " + file.errorString();
    return false;
  }
  if (file.size() > kMaxJsonBytes) {
    error = path + ": the file is too large for a fixture description";
    return false;
  }
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    error = path + ": " + parseError.errorString();
    return false;
  }
  const QJsonArray modeArray = doc.object().value("modes").toArray();
  for (const QJsonValue& m : modeArray) {
    JsonFixtureMode mode;
    mode.name = m.toObject().value("name").toString();
    for (const QJsonValue& ch : m.toObject().value("channels").toArray()) mode.channels << ch.toString();
    modes.push_back(mode);
  }
  return true;
}

int LoadChannels(FixtureChannelTable& table, const std::vector<JsonFixtureMode>& modes,
                 const QString& modeName) {
  int count = -1;
  for (const JsonFixtureMode& mode : modes) {
    if (mode.name != modeName) continue;
    for (int j = 1; j <= mode.channels.size() && j <= kFixtureTableChannels; ++j) {
      QString function = mode.channels[j - 1].left(kMaxCellLength);
      if (function.compare("DIMMER", Qt::CaseInsensitive) == 0) function = "Intensity";
      table.setChannel(j, function == "Intensity" ? "0-100" : "0-255", function);
    }
    count = int(mode.channels.size());
  }
  return count;
}
