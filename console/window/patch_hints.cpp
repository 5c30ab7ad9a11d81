// The hints of the channel cells from the soft patch and the fixture library, the fixture map held
// in memory, the raw, direct and mover flags of the channels, and the bump tags of the descriptions.

#include <QFileInfo>
#include <map>

#include "console/engine/bump_tags.h"
#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "platform/record_file.h"

namespace {

// A type's channel table as one load of the hints found it.
struct LoadedTable {
  bool exists = false;
  bool read = false;
  FixtureChannelTable table = FixtureChannelTable::blank();
};

// The position of a type id in the library (the pick list without its "Add" entry), -1 for none.
int libraryPosition(const FixtureLibrary& library, int type) {
  for (size_t k = 0; k < library.size(); ++k)
    if (library[k].id == type) return int(k);
  return -1;
}

}  // namespace

void Tform1::fixhint(int Which) {
  FixtureLibrary library;
  readFixtureLibrary(S.FixtureLibraryFile, library);
  fixhint(Which, library);
}

void Tform1::fixhint(int Which, const FixtureLibrary& library) {
  const int ch = Which + 1;
  if (Which < 0 || Which >= int(ChannelEdits.size()) || ch > kMaxChannelLimit) return;
  const int s = S.Patch.ChannelFixture[size_t(ch)];
  if (s < 1 || s > kMaxChannelLimit) return;
  const int p = libraryPosition(library, S.Fixtures.FixtureTypes[size_t(s)]);
  if (p < 0) {
    showMessage("Fixture file problem", "We are missing a description for " + QString::number(s) + ".",
                DialogIcon::Warning);
    return;
  }
  const QString name = library[size_t(p)].name;
  if (name.isEmpty()) {
    if (FixhintWarning)
      showMessage("Fixture file problem",
                  "We are missing a listing for fixture #" + QString::number(p + 2) + ".",
                  DialogIcon::Warning);
    FixhintWarning = false;
    return;
  }
  const QString hint = name + " at " + QString::number(s);
  ChannelEdits[size_t(Which)]->setToolTip(hint);
  ChannelPanels[size_t(Which)]->setToolTip(hint);
}

void Tform1::Loadhints() {
  if (S.FixtureMapFile.isEmpty() || !QFileInfo::exists(S.FixtureMapFile)) return;
  for (auto& table : S.BumpMembers) table.fill(false);
  const int count = std::min({S.MaxChannels, int(ChannelEdits.size()), kMaxChannelLimit});
  std::vector<QString> description(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ChannelEdits[size_t(i)]->setToolTip(QString());
    ChannelPanels[size_t(i)]->setToolTip(QString());
    if (const PatchGridRow* row = PatchGrid_.rowForChannel(i + 1))
      description[size_t(i)] = row->description.trimmed();
  }

  RecordFile map(kFixtureMapRecordSize);
  if (!map.open(S.FixtureMapFile) || map.count() == 0) return;
  FixtureMap::Table r1{}, attributes{};
  QByteArray record;
  if (map.read(0, record)) decodeMapRecord(record, S.Fixtures.FixtureStart);
  if (map.read(1, record)) decodeMapRecord(record, r1);
  if (map.read(2, record)) decodeMapRecord(record, S.Fixtures.FixtureTypes);
  if (map.count() < kFixtureMapRecords) {
    // A map of three records gains its fourth, all zero.
    map.write(3, QByteArray(kFixtureMapRecordSize, '\0'));
  } else if (map.read(3, record)) {
    decodeMapRecord(record, attributes);
  }
  S.Fixtures.FixtureAttributes = attributes;
  map.close();

  FixtureLibrary library;
  const bool libraryRead = readFixtureLibrary(S.FixtureLibraryFile, library);
  std::map<QString, LoadedTable> tables;  // by file
  bool listWarning = true;
  bool fileWarning = true;
  auto listProblem = [&](const QString& text) {
    if (listWarning) showMessage("Fixture list problem ", text, DialogIcon::Error);
    listWarning = false;
  };
  auto fileProblem = [&](const QString& text) {
    if (fileWarning) showMessage("Fixture file problem", text, DialogIcon::Error);
    fileWarning = false;
  };

  for (int ch = 1; ch <= count; ++ch) {
    const int i = ch - 1;
    // A stored level above one byte acts as full, never as its low byte.
    S.Fixtures.WarmUpLevels[size_t(ch)] =
        r1[size_t(ch)] < 0 || S.Fixtures.FixtureStart[size_t(ch)] == kMoverScrollerChannel
            ? 0
            : std::min<int16_t>(r1[size_t(ch)], 255);
    const bool unpatched = S.Patch.PatchTable.text(ch) == QLatin1String("||");
    const int fixture = S.Patch.ChannelFixture[size_t(ch)];
    S.MoverChannels[size_t(i)] = false;
    S.DirectChannels[size_t(i)] = false;
    if (unpatched && fixture > 0) {
      fixhint(i, library);
      S.RawChannels[size_t(ch)] = false;
      continue;
    }
    QString t;
    int a = ch;
    if (unpatched) {
      t = "Patched ";
    } else {
      const AddressList& addresses = S.Patch.PatchTable.addresses(ch);
      if (!addresses.empty()) a = addresses[0];
      if (a <= S.MaxChannels && a <= kMaxChannelLimit) {
        // A direct channel's number is red; the others take the style's colour again.
        S.DirectChannels[size_t(i)] = S.Fixtures.FixtureAttributes[size_t(a)] == 1;
        ChannelLabels[size_t(i)]->setFontColor(S.DirectChannels[size_t(i)] ? 0x0000FF : -1);
      }
    }
    // A first address beyond the map (a submaster's pseudo-address) has no map entries.
    const bool inMap = a >= 1 && a <= kMaxChannelLimit;
    S.RawChannels[size_t(ch)] =
        (inMap && r1[size_t(a)] < 0) ||
        (S.Fixtures.FixtureStart[size_t(ch)] == kMoverScrollerChannel && S.MaxfixtureRange == 1);
    ChannelEdits[size_t(i)]->setToolTip(t + description[size_t(i)]);
    ChannelPanels[size_t(i)]->setToolTip(t + description[size_t(i)]);

    if (inMap && t.isEmpty() && S.Fixtures.FixtureTypes[size_t(a)] > 0) {
      const int type = S.Fixtures.FixtureTypes[size_t(a)];
      const int start = S.Fixtures.FixtureStart[size_t(a)];
      const int p = libraryRead ? libraryPosition(library, type) : -1;
      if (!libraryRead) {
        listProblem("The fixture number " + QString::number(type) +
                    " does not appear in the list of fixtures.");
      } else if (p < 0) {
        listProblem("Fixture number " + QString::number(type) + ", used before, is now missing for Channel " +
                    QString::number(ch) + ".");
      } else if (start < 1 || start > a) {
        listProblem("The fixture number " + QString::number(type) +
                    " does not appear in the list of fixtures.");
      } else {
        const QString name = library[size_t(p)].name;
        const QString file = channelTablePath(programFolder(), name);
        const int row = a - start + 1;
        // Each type's table is read once per load, however many channels its fixtures have.
        auto cached = tables.find(file);
        if (cached == tables.end()) {
          LoadedTable loaded;
          loaded.exists = QFileInfo::exists(file);
          loaded.read = loaded.exists && readChannelTable(file, loaded.table);
          cached = tables.emplace(file, std::move(loaded)).first;
        }
        const LoadedTable& table = cached->second;
        if (!table.exists) {
          fileProblem("A fixture file is missing.\n\r" + file);
        } else if (!table.read || row < 1 || row >= FixtureChannelTable::kRows) {
          fileProblem("A fixture name is missing from the list.\n\r" + file);
        } else {
          const QString f = table.table.function(row);
          ChannelPanels[size_t(i)]->setToolTip(name + " " + f);
          ChannelEdits[size_t(i)]->setToolTip(" " + (a - 1 < count ? description[size_t(a - 1)] : QString()));
          const QString lower = f.toLower();
          S.MoverChannels[size_t(i)] = lower.contains("pan") || lower.contains("tilt");
        }
      }
    }
    if (!unpatched)
      readBumpTags(description[size_t(i)], S.Patch.PatchTable.addresses(ch), S.BumpMembers,
                   S.BumpTimerIntervals, [] {
                     showMessage("Softpatch syntax problem",
                                 "One of the timed bumps is not described correctly.", DialogIcon::Warning);
                   });
  }
  // The map just read decides which channels follow the LED curve.
  loadLedChannels();
}
