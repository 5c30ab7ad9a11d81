#include "console/patch/soft_patch_file.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <charconv>

#include "platform/atomic_file.h"
#include "platform/file_limits.h"
#include "platform/program_folder.h"

namespace {
constexpr char kLineEnd[] = "\r\n";

// The first `limit` lines of the file bytes (views into them), split at CR LF, LF or a lone CR; a
// last line without its end counts. Lines after the last channel's are never looked at.
std::vector<QByteArrayView> splitLines(const QByteArray& bytes, size_t limit) {
  std::vector<QByteArrayView> lines;
  qsizetype start = 0;
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n && lines.size() < limit; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(bytes.constData() + start, i - start);
    if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n && lines.size() < limit) lines.emplace_back(bytes.constData() + start, n - start);
  return lines;
}

// Appends a cell: line breaks become blanks, and commas semicolons unless `keepCommas`.
void appendCell(QString& out, const QString& text, bool keepCommas) {
  for (const QChar c : text) {
    if (c == u'\r' || c == u'\n')
      out += u' ';
    else if (c == u',' && !keepCommas)
      out += u';';
    else
      out += c;
  }
}

// k "," k ",," appended without building a string (a save writes up to 1024 of them).
void appendDefaultLine(QByteArray& out, int channel) {
  char digits[12];
  const auto end = std::to_chars(digits, digits + sizeof digits, channel).ptr;
  const qsizetype n = end - digits;
  out.append(digits, n).append(',').append(digits, n).append(",,");
}

int clampChannels(int maxChannels) { return std::clamp(maxChannels, 1, patch::kMaxChannels); }

using RowIndex = std::array<const PatchGridRow*, patch::kTableSize>;

// The grid's rows by channel (the first row of a channel wins).
RowIndex rowsByChannel(const PatchGrid& grid) {
  RowIndex index{};
  for (const auto& row : grid.rows)
    if (row.channel >= 1 && row.channel <= patch::kMaxChannels && !index[row.channel])
      index[row.channel] = &row;
  return index;
}

PatchFileResult readFile(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!file.exists()) return PatchFileResult::fileError(patch::fileNotFound(path));
  if (!file.open(QIODevice::ReadOnly))
    return PatchFileResult::fileError("The soft patch file \"" + path +
                                      "\" could not be read: " + file.errorString() + ".");
  // Refused by its size before it is read.
  const qint64 size = readAllWithin(file, file_limit::kPatchFile, bytes);
  if (size > file_limit::kPatchFile) return PatchFileResult::fileError(fileTooLargeText(path, size));
  if (size < 0)
    return PatchFileResult::fileError("The soft patch file \"" + path +
                                      "\" could not be read: " + file.errorString() + ".");
  return PatchFileResult::success();
}
}  // namespace

PatchGridRow* PatchGrid::rowForChannel(int channel) {
  for (auto& row : rows)
    if (row.channel == channel) return &row;
  return nullptr;
}

const PatchGridRow* PatchGrid::rowForChannel(int channel) const {
  return const_cast<PatchGrid*>(this)->rowForChannel(channel);
}

std::optional<QByteArrayView> PatchGrid::keptLine(int channel) const {
  const qsizetype i = qsizetype(channel) - keptFirst;
  if (i < 0 || i >= qsizetype(keptStarts.size())) return std::nullopt;
  const qsizetype start = keptStarts[size_t(i)];
  const qsizetype end = i + 1 < qsizetype(keptStarts.size()) ? keptStarts[size_t(i + 1)] : keptText.size();
  return QByteArrayView(keptText.constData() + start, end - start - 1);  // without its '\n'
}

void PatchGrid::clearKeptLines() {
  keptFirst = 0;
  keptText.truncate(0);  // keeps its room for the next load
  keptStarts.clear();
}

void PatchGrid::sortByChannel() {
  std::stable_sort(rows.begin(), rows.end(),
                   [](const PatchGridRow& a, const PatchGridRow& b) { return a.channel < b.channel; });
}

PatchLineFields splitPatchLine(const QString& line, int channel) {
  PatchLineFields f;
  const qsizetype c1 = line.indexOf(u',');
  f.label = c1 < 0 ? line : line.left(c1);
  if (f.label.isEmpty()) f.label = QString::number(channel);
  if (c1 < 0) return f;
  const qsizetype c2 = line.indexOf(u',', c1 + 1);
  f.dimmer = line.mid(c1 + 1, c2 < 0 ? -1 : c2 - c1 - 1).trimmed();
  if (c2 < 0) return f;
  const qsizetype c3 = line.indexOf(u',', c2 + 1);
  f.description = line.mid(c2 + 1, c3 < 0 ? -1 : c3 - c2 - 1).trimmed();
  if (c3 < 0) return f;
  f.fixture = line.mid(c3 + 1).trimmed();
  return f;
}

QString formatPatchLine(const PatchGridRow& row) {
  QString line;
  line.reserve(row.label.size() + row.dimmer.size() + row.description.size() + row.fixture.size() + 3);
  appendCell(line, row.label, false);
  line += u',';
  appendCell(line, row.dimmer, false);
  line += u',';
  appendCell(line, row.description, false);
  line += u',';
  appendCell(line, row.fixture, true);
  return line;
}

QString newPatchLabel(int channel) {
  if (channel <= 512) return QString::number(channel);
  return QString::number(channel) + "(" + QString::number(channel - 512) + ")";
}

bool parsePatchBool(const QString& text, bool& value) {
  const QString t = text.trimmed();
  if (t.compare("true", Qt::CaseInsensitive) == 0) return value = true, true;
  if (t.compare("false", Qt::CaseInsensitive) == 0) return value = false, true;
  bool ok = false;
  const double number = t.toDouble(&ok);
  if (!ok) return false;
  value = number != 0.0;
  return true;
}

QString buildDimmerList(const QString& dimmerField, patch::PercentTable& percent) {
  QString list;
  list.reserve(dimmerField.size() + 2);
  list += u'|';
  for (QStringView entry : QStringView(dimmerField).split(u' ')) {
    const qsizetype slash = entry.indexOf(u'/');
    const QStringView address = slash < 0 ? entry : entry.left(slash);
    list += address;
    list += u'|';
    int d = 0;
    if (!patch::parseWholeNumber(address, d) || d < 1 || d > patch::kMaxChannels) continue;
    int level = 100;
    if (slash >= 0 && !patch::parseWholeNumber(entry.mid(slash + 1), level)) level = 0;
    percent[d] = level;
  }
  return list;
}

QByteArray patchFileBytes(const PatchGrid& grid) {
  const RowIndex byChannel = rowsByChannel(grid);

  QByteArray out;
  out.reserve(40 * patch::kTableSize);
  out += grid.byChannel ? "-1" : "0";
  out += kLineEnd;
  for (int k = 1; k <= patch::kMaxChannels; ++k) {
    if (byChannel[k]) {
      out += toWindows1252(formatPatchLine(*byChannel[k]));
    } else if (const std::optional<QByteArrayView> kept = grid.keptLine(k)) {
      out += *kept;
    } else {
      appendDefaultLine(out, k);
    }
    out += kLineEnd;
  }
  return out;
}

QByteArray newPatchFileBytes() {
  QByteArray out;
  out.reserve(20 * patch::kTableSize);
  out += "-1";
  out += kLineEnd;
  for (int k = 1; k <= patch::kMaxChannels; ++k) {
    out += toWindows1252(newPatchLabel(k) + "," + QString::number(k) + ",");
    out += kLineEnd;
  }
  return out;
}

PatchFileResult Loadgrid(PatchContext& ctx, PatchTables& tables, PatchGrid& grid) {
  if (!QFileInfo::exists(ctx.FixtureMapName)) {
    if (auto made = Newmapfile(ctx); !made.ok()) return made;
  }
  if (!QFileInfo::exists(ctx.PatchFileName)) {
    if (auto made = NewPatch(ctx, tables, &grid); !made.ok()) return made;
  }
  QByteArray bytes;
  if (auto read = readFile(ctx.PatchFileName, bytes); !read.ok()) return read;
  return loadPatchBytes(ctx, tables, grid, bytes);
}

PatchFileResult loadPatchBytes(PatchContext& ctx, PatchTables& tables, PatchGrid& grid,
                               const QByteArray& bytes) {
  const std::vector<QByteArrayView> lines = splitLines(bytes, size_t(patch::kTableSize));

  const QString first = lines.empty() ? QString() : fromWindows1252(lines[0]);
  bool byChannel = true;
  if (!parsePatchBool(first, byChannel))
    return PatchFileResult::conversionError(
        "The soft patch file \"" + ctx.PatchFileName +
        "\" is damaged: its first line is not \"-1\" or \"0\". It was not loaded and is left as it is.");

  const int maxChannels = clampChannels(ctx.MaxChannels);
  DimmerTable& table = tables.table(ctx.UseRepPlot);
  grid.byChannel = byChannel;
  grid.rows.assign(size_t(maxChannels), PatchGridRow{});
  grid.clearKeptLines();
  std::fill(tables.PatchPercent.begin() + 1, tables.PatchPercent.end(), 0);
  tables.IntensityChannel.fill(0);
  tables.IntensityOwner.fill(0);

  for (int r = 1; r <= maxChannels; ++r) {
    const QString line = size_t(r) < lines.size() ? fromWindows1252(lines[size_t(r)]) : QString();
    PatchLineFields f = splitPatchLine(line, r);
    table.set(r, buildDimmerList(f.dimmer, tables.PatchPercent), maxChannels);

    int fixture = 0;
    if (!patch::parseWholeNumber(f.fixture, fixture) || fixture < 1 || fixture > patch::kMaxChannels)
      fixture = 0;
    tables.ChannelFixture[r] = int16_t(fixture);
    if (fixture > 0) {
      const int edit = ctx.ledintens ? ctx.ledintens(fixture) : -1;
      if (edit >= 0 && edit < maxChannels) {
        tables.IntensityChannel[r] = int16_t(edit);
        tables.IntensityOwner[edit] = int16_t(r);
      } else {
        tables.IntensityChannel[r] = -1;
      }
    }
    grid.rows[size_t(r - 1)] = PatchGridRow{r, std::move(f.label), std::move(f.dimmer), std::move(f.fixture),
                                            std::move(f.description)};
  }
  grid.keptFirst = maxChannels + 1;
  if (size_t(grid.keptFirst) < lines.size()) {
    const QByteArrayView last = lines.back();
    grid.keptText.reserve(last.constData() + last.size() - lines[size_t(grid.keptFirst)].constData() + 1);
    grid.keptStarts.reserve(lines.size() - size_t(grid.keptFirst));
  }
  for (int k = grid.keptFirst; k <= patch::kMaxChannels && size_t(k) < lines.size(); ++k) {
    grid.keptStarts.push_back(grid.keptText.size());
    grid.keptText.append(lines[size_t(k)]).append('\n');
  }

  const int highest = maxChannels + patch::kSubmasterSlots;
  for (int r = 1; r <= maxChannels; ++r) {
    forEachDimmerEntry(table.text(r), [&](QStringView entry) {
      int d = 0;
      if (!patch::parseWholeNumber(entry, d) || d <= highest) return;
      patch::operatorOf(ctx).ask(
          "Softpatch problem", "Channel " + QString::number(r) + " is patched higher than the channel count.",
          DialogIcon::Error, DialogButtons::Ok);
    });
  }
  return PatchFileResult::success();
}

std::optional<MessageSpec> checkBumpKeys(const PatchGrid& grid, int maxChannels,
                                         const std::array<int, 8>& bumpSceneTable) {
  const int channels = clampChannels(maxChannels);
  const RowIndex byChannel = rowsByChannel(grid);
  for (int r = 1; r <= channels; ++r) {
    const PatchGridRow* row = byChannel[r];
    if (!row) continue;
    const QString upper = row->description.toUpper();
    const qsizetype at = upper.indexOf("BUMP");
    if (at < 0) continue;
    QString rest = upper.mid(at + 4);
    if (const qsizetype paren = rest.indexOf(u'('); paren >= 0) rest.truncate(paren);
    int key = 0;
    if (!patch::parseWholeNumber(rest.trimmed(), key)) key = 0;

    MessageSpec spec;
    spec.icon = DialogIcon::Error;
    spec.buttons = DialogButtons::Cancel;
    spec.place = MessageSpec::Place::OffsetFromParent;
    spec.position = QPoint(65, 200);
    if (key < 5) {
      spec.title = "F key error";
      spec.text = "Key F5 is the first available Bump button.";
    } else if (key > 12) {
      spec.title = "Bump key mismatch";
      spec.text = "Key F" + QString::number(key) + " used in non-existing scene.";
    } else if (bumpSceneTable[size_t(key - 5)] > 0) {
      spec.title = "F key conflict";
      spec.text = "Key F" + QString::number(key) + " is already in use for a scene.";
    } else {
      continue;
    }
    return spec;
  }
  return std::nullopt;
}

PatchFileResult SavePatchfile(PatchContext& ctx, PatchTables& tables, PatchGrid& grid,
                              const FixtureMap::Table& fixtureStart,
                              const std::array<int, 8>& bumpSceneTable) {
  if (auto failure = checkBumpKeys(grid, ctx.MaxChannels, bumpSceneTable)) {
    patch::operatorOf(ctx).ask(*failure);
    return PatchFileResult::refused();
  }
  grid.sortByChannel();
  if (auto written = patch::writeWholeFile(ctx.PatchFileName, patchFileBytes(grid)); !written.ok()) {
    written.notWritten = true;
    return written;
  }
  if (ctx.UseRepPlot) return Loadgrid(ctx, tables, grid);

  if (auto stored = writeFixtureStartRecord(ctx.FixtureMapName, fixtureStart); !stored.ok()) {
    stored.notWritten = true;
    return stored;
  }
  patch::pumpEvents(ctx);
  PatchFileResult loaded = Loadgrid(ctx, tables, grid);
  if (ctx.refreshChannelHints) ctx.refreshChannelHints();
  return loaded;
}

PatchFileResult NewPatch(PatchContext& ctx, PatchTables& tables, PatchGrid* grid) {
  if (ctx.FileSource) return CreatenewP(ctx, tables, grid);

  const DialogResult answer = patch::operatorOf(ctx).ask(
      "Softpatch File", "Would you like to use an existing\n\rfile as your base for this show?",
      DialogIcon::Confirmation, DialogButtons::YesNo);
  ctx.PatchFileName = patch::changeFileExt(ctx.CueFileName, ".spch");
  if (answer != DialogResult::Yes) return CreatenewP(ctx, tables, grid);

  const QString chosen = ctx.openFile
                             ? ctx.openFile(OpenFileRequest{.filter = "Softpatch Files (*.spch)|*.SPCH",
                                                            .defaultExt = "spch",
                                                            .title = "Select Directory and File name",
                                                            .fileName = QString(),
                                                            .mustExist = true,
                                                            .initialFolder = QString()})
                             : QString();
  // Without a chosen base the show still needs its patch: the one-to-one file.
  if (chosen.isEmpty()) return CreatenewP(ctx, tables, grid);

  if (auto copied = patch::copyOver(chosen, ctx.PatchFileName); !copied.ok()) return copied;
  const QString scenes = patch::changeFileExt(chosen, ".scne");
  if (QFileInfo::exists(scenes))
    if (auto copied = patch::copyOver(scenes, ctx.SceneFileName); !copied.ok()) return copied;
  const QString groups = patch::changeFileExt(chosen, ".lgrp");
  if (QFileInfo::exists(groups))
    if (auto copied = patch::copyOver(groups, ctx.GroupFileName); !copied.ok()) return copied;
  return PatchFileResult::success();
}

PatchFileResult CreatenewP(PatchContext& ctx, PatchTables& tables, PatchGrid* grid) {
  if (ctx.UseRepPlot) {
    return patch::copyOver(findFileNoCase(ctx.programFolder, "VqLighting.spch"),
                           findFileNoCase(ctx.programFolder, "rep_plot.spch"));
  }
  if (auto written = patch::writeWholeFile(ctx.PatchFileName, newPatchFileBytes()); !written.ok())
    return written;
  const int maxChannels = clampChannels(ctx.MaxChannels);
  for (int k = 1; k <= patch::kMaxChannels; ++k)
    tables.PatchTable.set(k, "|" + QString::number(k) + "|", maxChannels);
  if (grid) {
    for (auto& row : grid->rows)
      if (row.channel >= 1 && row.channel <= patch::kMaxChannels)
        row = PatchGridRow{row.channel, newPatchLabel(row.channel), QString::number(row.channel), {}, {}};
    grid->clearKeptLines();
  }
  return PatchFileResult::success();
}

PatchFileResult writeOneToOnePatch(const QString& path, int channels) {
  PatchGrid grid;
  const int count = clampChannels(channels);
  for (int k = 1; k <= count; ++k) grid.rows.push_back({k, newPatchLabel(k), QString::number(k), {}, {}});
  return patch::writeWholeFile(path, patchFileBytes(grid));
}

PatchFileResult loadSideFilesAtActivation(PatchContext& ctx, PatchTables& tables, PatchGrid* grid,
                                          FixtureMapFile& mapFile, FixtureMap& map) {
  mapFile.close();
  // New files left by saves the console was killed in go; the files themselves are whole.
  removeStaleTempFile(ctx.FixtureMapName);
  removeStaleTempFile(ctx.PatchFileName);
  if (!QFileInfo::exists(ctx.FixtureMapName)) {
    if (auto made = Newmapfile(ctx); !made.ok()) return made;
    // The map just written settles, with the events it queued run, before the patch is looked at.
    // Where the map was already there nothing was written: no wait, so the first frame is not held.
    patch::waitPumped(ctx, 250);
  }
  if (!QFileInfo::exists(ctx.PatchFileName)) {
    if (auto made = NewPatch(ctx, tables, grid); !made.ok()) return made;
  }
  return readFixtureMapAtActivation(mapFile, ctx.FixtureMapName, ctx.MaxChannels, map);
}
