#include "console/editors/spreadsheet_tables.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <QFile>
#include <QFileInfo>

#include "console/engine/console_state.h"
#include "console/engine/level_math.h"
#include "platform/atomic_file.h"
#include "platform/record_file.h"

// ---- SheetModel -----------------------------------------------------------------------------------

int SheetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : sheetRows() - 1; }

int SheetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : sheetColumns(); }

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() + 1 >= sheetRows() || index.column() >= sheetColumns()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return cell(index.row() + 1, index.column());
    case Qt::ToolTipRole: {
      const QString c = comment(index.row() + 1, index.column());
      return c.isEmpty() ? QVariant() : QVariant(c);
    }
    case Qt::TextAlignmentRole:
      return centred(index.column()) ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= sheetColumns()) return {};
  if (role == Qt::DisplayRole) return cell(0, section);
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return {};
}

// ---- Cue sheet ------------------------------------------------------------------------------------

void CueSheetModel::rebuild(const ConsoleState& S) {
  beginResetModel();
  channels_ = std::clamp(S.MaxChannels, 0, kMaxChannelLimit);
  const CueTables& t = S.Cues;
  const int cues = std::max(0, std::min<int>(t.CueCount, int(t.CueListRows.size()) - 1));
  numbers_.assign(size_t(cues), QString());
  descriptions_.assign(size_t(cues), QString());
  levels_.assign(size_t(cues), QByteArray());
  const auto& levelColumn = t.CueTexts[CueTextColumn::Levels];
  for (int r = 1; r <= cues; ++r) {
    numbers_[size_t(r - 1)] = t.CueListRows[size_t(r)].number;
    descriptions_[size_t(r - 1)] = t.CueListRows[size_t(r)].description;
    if (r < int(levelColumn.size())) levels_[size_t(r - 1)] = levelColumn[size_t(r)];
  }
  raw_.assign(size_t(channels_) + 1, false);
  for (int c = 1; c <= channels_; ++c) raw_[size_t(c)] = S.RawChannels[size_t(c)];
  endResetModel();
}

int CueSheetModel::level(int row, int channel) const {
  const QByteArray& bytes = levels_[size_t(row - 1)];
  const int b = channel - 1 < bytes.size() ? uint8_t(bytes[channel - 1]) : 0;
  return raw_[size_t(channel)] ? b : dmxToPercent(b);
}

QString CueSheetModel::cell(int row, int column) const {
  if (row == 0) {
    if (column == 0) return QStringLiteral("Call");
    if (column == 1) return QStringLiteral("Description");
    return QString::number(column - 1);
  }
  if (row < 1 || row >= sheetRows() || column < 0 || column >= sheetColumns()) return {};
  if (column == 0) return numbers_[size_t(row - 1)];
  if (column == 1) return descriptions_[size_t(row - 1)];
  return QString::number(level(row, column - 1));
}

QString CueSheetModel::comment(int row, int column) const {
  if (row < 1 || row >= sheetRows() || column < 2 || column >= sheetColumns()) return {};
  return descriptions_[size_t(row - 1)] + "," + QString::number(column - 1);
}

// ---- Patch sheet ----------------------------------------------------------------------------------

bool PatchSheetModel::rebuild(const QString& patchFile, int maxChannels, QString* error) {
  beginResetModel();
  rows_.clear();
  QFile f(patchFile);
  const bool ok = f.open(QIODevice::ReadOnly);
  if (!ok) {
    if (error) *error = "Cannot open " + patchFile + ": " + f.errorString();
  } else {
    // Lines are bounded: the rest of an overlong line is passed over.
    constexpr qint64 kLineLimit = 4096;
    auto nextLine = [&f]() {
      QByteArray line = f.readLine(kLineLimit);
      if (!line.isEmpty() && !line.endsWith('\n'))
        while (!f.atEnd() && !f.readLine(kLineLimit).endsWith('\n')) {
        }
      while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
      return fromWindows1252(line);
    };
    nextLine();
    const int channels = std::clamp(maxChannels, 0, kMaxChannelLimit);
    rows_.reserve(size_t(channels));
    for (int r = 1; r <= channels; ++r) {
      const QStringList fields = nextLine().split(',');
      Row row;
      row.label = fields.value(0);
      if (row.label.isEmpty()) row.label = QString::number(r);
      row.dimmer = fields.value(1).trimmed();
      row.description = fields.value(2).trimmed();
      rows_.push_back(std::move(row));
    }
  }
  endResetModel();
  return ok;
}

QString PatchSheetModel::cell(int row, int column) const {
  if (row == 0) {
    static const char* const headers[] = {"Chnl", "Dimmer", "Description"};
    return column >= 0 && column < 3 ? QString::fromLatin1(headers[column]) : QString();
  }
  if (row < 1 || row >= sheetRows()) return {};
  const Row& r = rows_[size_t(row - 1)];
  switch (column) {
    case 0:
      return r.label;
    case 1:
      return r.dimmer;
    case 2:
      return r.description;
    default:
      return {};
  }
}

// ---- Export ---------------------------------------------------------------------------------------

QString workbookCaption(int columns) { return columns >= 256 ? "Export to XLSX" : "Export to XLS"; }

QByteArray sheetCsv(const SheetModel& sheet) {
  QByteArray out;
  const int rows = sheet.sheetRows(), columns = sheet.sheetColumns();
  for (int r = 0; r < rows; ++r) {
    QString line;
    for (int c = 0; c < columns; ++c) {
      if (c > 0) line += ',';
      QString text = sheet.cell(r, c);
      if (text.contains(',') || text.contains('"') || text.contains('\r') || text.contains('\n'))
        text = '"' + text.replace('"', QStringLiteral("\"\"")) + '"';
      line += text;
    }
    out += toWindows1252(line);
    out += "\r\n";
  }
  return out;
}

bool writeSheetCsv(const SheetModel& sheet, const QString& path, QString* error) {
  return writeFileAtomically(path, sheetCsv(sheet), error);
}

bool writeSheetWorkbook(const SheetModel& sheet, const QString& path, QString* error) {
  const QFileInfo info(path);
  const QString temp = info.absolutePath() + "/." + info.fileName() + ".tmp";
  const QByteArray tempName = QFile::encodeName(temp);
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(tempName.constData(), &options);
  if (!book) {
    if (error) *error = "Cannot create " + temp;
    return false;
  }
  lxw_worksheet* ws = workbook_add_worksheet(book, nullptr);
  lxw_error failed = ws ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
  const int rows = sheet.sheetRows(), columns = std::min(sheet.sheetColumns(), int(LXW_COL_MAX));
  for (int c = 0; c < columns && !failed; ++c)
    failed = worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), sheet.columnWidth(c) / 7.0, nullptr);
  for (int r = 0; r < rows && r < int(LXW_ROW_MAX) && !failed; ++r) {
    for (int c = 0; c < columns && !failed; ++c) {
      const QString text = sheet.cell(r, c);
      if (text.isEmpty()) continue;
      if (sheet.numeric(r, c)) {
        failed = worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), text.toDouble(), nullptr);
      } else {
        // A cell holds at most 32767 characters.
        const QByteArray utf8 = text.left(32767).toUtf8();
        failed = worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), utf8.constData(), nullptr);
      }
    }
  }
  const lxw_error closed = workbook_close(book);
  if (!failed) failed = closed;
  if (failed) {
    if (error) *error = QString("Cannot write the workbook ") + path + ": " + lxw_strerror(failed);
    QFile::remove(temp);
    return false;
  }
  // The workbook is on disk: it must be whole before it replaces anything.
  return replaceWithWrittenFile(temp, path, error);
}
