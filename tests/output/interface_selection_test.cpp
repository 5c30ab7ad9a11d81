#include "console/output/interface_selection.h"

#include <gtest/gtest.h>

#include "console/engine/console_state.h"
#include "platform/ini_file.h"

namespace {

using Settings = std::vector<std::pair<QString, QString>>;

struct ItemCase {
  int index;
  int connectionBefore;
  std::optional<int> type;
  int connectionAfter;
  Settings settings;
  int cap;
  bool inspection;
};

class ChooseInterfaceItem : public ::testing::TestWithParam<ItemCase> {};

TEST_P(ChooseInterfaceItem, ChangesAndStores) {
  const ItemCase& c = GetParam();
  ConsoleState S;
  S.DmxConnection = c.connectionBefore;
  const InterfaceChange change = chooseInterfaceItem(c.index, S);
  EXPECT_EQ(change.DmxDeviceIndex, c.index);
  EXPECT_EQ(change.InterfaceType, c.type);
  EXPECT_EQ(change.DmxConnection, c.connectionAfter);
  EXPECT_EQ(change.settings, c.settings);
  EXPECT_EQ(change.channelCap, c.cap);
  EXPECT_EQ(change.showInspectionTool, c.inspection);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ChooseInterfaceItem,
    ::testing::Values(ItemCase{0, 0, {}, 0, {{"DMXdevice", "0"}}, 1024, false},
                      ItemCase{1, 1, {}, 1, {{"DMXdevice", "1"}}, 0, false},
                      ItemCase{2, 0, 1, 0, {}, 512, false},
                      ItemCase{3, 0, {}, 0, {{"DMXdevice", "3"}}, 0, false},
                      ItemCase{4, 0, {}, 0, {{"DMXdevice", "4"}}, 0, false},
                      ItemCase{5, 0, {}, 0, {{"Connection", "1"}, {"DMXdevice", "5"}}, 512, false},
                      ItemCase{6, 0, 5, 0, {{"DMXdevice", "6"}}, 512, false},
                      ItemCase{7, 0, 6, 2, {{"Connection", "2"}, {"DMXdevice", "7"}}, 1024, true},
                      ItemCase{8, 0, {}, 1, {{"Connection", "1"}, {"DMXdevice", "8"}}, 512, false},
                      // A widget chosen while the connection is Art-Net goes back to the serial port.
                      ItemCase{1, 2, {}, 0, {{"Connection", "0"}, {"DMXdevice", "1"}}, 0, false},
                      ItemCase{6, 2, 5, 0, {{"Connection", "0"}, {"DMXdevice", "6"}}, 512, false}),
    [](const auto& info) {
      return "index" + std::to_string(info.param.index) + "_from" +
             std::to_string(info.param.connectionBefore);
    });

TEST(ChooseConnection, ArtNetSelectsTheArtNetInterface) {
  ConsoleState S;
  S.DmxDeviceIndex = 1;
  const InterfaceChange artNet = chooseConnectionItem(2, S);
  EXPECT_EQ(artNet.DmxDeviceIndex, 7);
  EXPECT_EQ(artNet.InterfaceType, 6);
  EXPECT_EQ(artNet.DmxConnection, 2);
  EXPECT_EQ(artNet.settings, (Settings{{"Connection", "2"}, {"DMXdevice", "7"}}));
  EXPECT_TRUE(artNet.showInspectionTool);

  const InterfaceChange direct = chooseConnectionItem(1, S);
  EXPECT_EQ(direct.DmxDeviceIndex, 1);
  EXPECT_EQ(direct.DmxConnection, 1);
  EXPECT_EQ(direct.settings, (Settings{{"Connection", "1"}}));
  EXPECT_EQ(chooseConnectionItem(0, S).settings, (Settings{{"Connection", "0"}}));
}

TEST(ChoosePort, SetsThePortAndTheSerialConnection) {
  ConsoleState S;
  S.DmxConnection = 1;
  const InterfaceChange change = choosePortItem("/dev/ttyUSB1", S);
  applyInterfaceChange(change, S);
  EXPECT_EQ(S.InterfacePort, "/dev/ttyUSB1");
  EXPECT_EQ(S.ComPort, "/dev/ttyUSB1");
  EXPECT_EQ(S.DmxConnection, 0);
}

TEST(ApplyInterfaceChange, CapsTheChannelCountInMemoryAndStoresTheKeys) {
  ConsoleState S;
  S.MaxChannels = 1024;
  S.MaxChannelIndex = 1023;
  const InterfaceChange change = chooseInterfaceItem(6, S);
  applyInterfaceChange(change, S);
  EXPECT_EQ(S.InterfaceType, 5);
  EXPECT_EQ(S.DmxDeviceIndex, 6);
  EXPECT_EQ(S.MaxChannels, 512);
  EXPECT_EQ(S.MaxChannelIndex, 511);

  IniFile ini;
  ini.writeString("Settings", "MaxChannels", "1024");
  writeInterfaceSettings(change, ini);
  EXPECT_EQ(ini.readInteger("Settings", "DMXdevice", -1), 6);
  EXPECT_EQ(ini.readInteger("Settings", "MaxChannels", -1), 1024);  // the stored count is kept
}

TEST(DmxInterfaceTable, CaptionsAndTypes) {
  EXPECT_STREQ(DmxInterfaceTable[1].caption, "Enttec USB Pro Mk2");
  EXPECT_EQ(DmxInterfaceTable[1].type, 3);
  EXPECT_STREQ(DmxInterfaceTable[6].caption, "Eurolite DMX512 Pro");
  EXPECT_FALSE(DmxInterfaceTable[2].shown);
  EXPECT_STREQ(DmxConnectionTable[2].caption, "Art-Net");
  EXPECT_EQ(DmxConnectionTable[2].tag, 3);
}

}  // namespace
