// A typed gel or designer colour code applied to the selected LED fixtures: each fixture's colour
// channels take the levels the code stands for, tuned for its type where the designer kept them.

#include <QFileInfo>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/patch/gel_palettes.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "platform/record_file.h"

void Tform1::loadcolors(int chnl, const QString& gcolor) {
  Q_UNUSED(chnl);
  FixtureMapFile map;
  FixtureMap::Table types{}, starts{};
  if (!map.open(S.FixtureMapFile) || !map.readTable(FixtureMapRecord::Types, types) ||
      !map.readTable(FixtureMapRecord::Start, starts))
    return;
  map.close();
  const QString code = gcolor.toUpper();
  FixtureLibrary library;
  readFixtureLibrary(S.FixtureLibraryFile, library);

  // Every fixture is checked before any edit changes: a code that fails for one leaves all as they were.
  struct Apply {
    int base;
    FixtureTypeRecord type;
    ColourString colour;
  };
  std::vector<Apply> work;
  const int count = std::min({S.MaxChannels, int(ChannelEdits.size()), kMaxChannelLimit});
  for (int i = 0; i < count; ++i) {
    if (!ChannelMarks[size_t(i)]->isVisible()) continue;
    const int s = S.Patch.ChannelFixture[size_t(i + 1)];
    const int address = s >= 1 && s <= kMaxChannelLimit ? s : i + 1;
    const int type = types[size_t(address)];
    // A plain dimmer among the selected channels has no colours to take.
    if (type <= 0) continue;
    const int base = starts[size_t(address)] - 2;
    // Gels from the lime table, designer codes from the designer's files.
    const QString value = gelCodeValue(programFolder(), code, S.UserName, QString::number(type), true);
    if (value.isEmpty()) {
      showMessage("Gel file problem", "There is no record for Gel " + code + ".", DialogIcon::Error);
      return;
    }
    const FixtureTypeRecord* record = findFixtureType(library, type);
    if (!record) {
      showMessage("Channel " + QString::number(i + 1) + " Fixture problem",
                  "There is no record of fixture #" + QString::number(type) + ".", DialogIcon::Error);
      return;
    }
    const QString path = channelTablePath(programFolder(), record->name);
    if (!QFileInfo::exists(path)) {
      showMessage("Fixture file problem", "The fixture file is missing.\n\r" + path, DialogIcon::Error);
      return;
    }
    work.push_back({base, *record, ColourString::parse(value)});
  }

  const bool was = S.UpdatingEdits;
  S.UpdatingEdits = true;
  for (const Apply& a : work) {
    auto give = [&](int channel, int field) {
      // A colour the type does not have (channel 0) is not written anywhere.
      if (channel <= 0) return;
      const int index = a.base + channel;
      if (index < 0 || index >= int(ChannelEdits.size())) return;
      ChannelEdits[size_t(index)]->setText(a.colour.fields[size_t(field - 1)]);
      SetDmx(index);
    };
    const FixtureTypeRecord& t = a.type;
    if (t.amber != 0 || t.white != 0 || t.lime != 0) {
      give(t.red, 1);
      give(t.green, 2);
      give(t.blue, 3);
      give(t.amber, 4);
      give(t.white != 0 ? t.white : t.lime, 5);
    } else {
      give(t.red, 6);
      give(t.green, 7);
      give(t.blue, 8);
    }
  }
  S.UpdatingEdits = was;
  sendDMX();
}
