#include "console/engine/dmx_out_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using dmxout::Writer;

namespace {

// Each situation makes exactly one rule visible: channel 1 is written at DMX 100 and the readout
// says what reached the wire.
struct Situation {
  std::string name;
  std::function<void(ConsoleState&)> arrange;
  std::function<int(const ConsoleState&)> readout;
};

int address2(const ConsoleState& S) { return S.DmxOutBuffer[1]; }
// The first address that received anything (0: none).
int firstWritten(const ConsoleState& S) {
  for (int a = 1; a <= S.MaxChannels; ++a)
    if (S.DmxOutBuffer[size_t(a - 1)] != 0) return a;
  return 0;
}

ConsoleState baseState() {
  ConsoleState S;
  S.MaxChannels = 8;
  for (int a = 1; a <= 1024; ++a) S.Patch.PatchPercent[size_t(a)] = 100;
  S.Patch.PatchTable.set(1, "|2|", S.MaxChannels);
  S.Patch.RepPatchTable.set(1, "|3|", S.MaxChannels);
  return S;
}

const std::vector<Situation>& situations() {
  static const std::vector<Situation> all = {
      {"plain", [](ConsoleState&) {}, address2},
      {"share 50 %", [](ConsoleState& S) { S.Patch.PatchPercent[2] = 50; }, address2},
      {"submaster floor 180", [](ConsoleState& S) { S.SubChannelLevels[1] = 180; }, address2},
      {"channel warm-up 150", [](ConsoleState& S) { S.Fixtures.WarmUpLevels[1] = 150; }, address2},
      {"address warm-up 150", [](ConsoleState& S) { S.Fixtures.WarmUpLevels[2] = 150; }, address2},
      {"address warm-up 150, raw channel",
       [](ConsoleState& S) {
         S.Fixtures.WarmUpLevels[2] = 150;
         S.RawChannels[1] = true;
       },
       address2},
      {"LED curve 255 - level",
       [](ConsoleState& S) {
         S.LedChannels[1] = true;
         for (int i = 0; i < 256; ++i) S.LedCurve[size_t(i)] = 255 - i;
       },
       address2},
      {"submaster fader 1", [](ConsoleState& S) { S.Patch.PatchTable.set(1, "|9|", S.MaxChannels); },
       [](const ConsoleState& S) { return S.SubSliders[0]; }},
      {"scroller address (holds 7)",
       [](ConsoleState& S) {
         S.Fixtures.FixtureStart[2] = kMoverScrollerChannel;
         S.DmxOutBuffer[1] = 7;
       },
       address2},
      {"repertory plot", [](ConsoleState& S) { S.UseRepPlot = true; }, firstWritten},
      {"repertory plot, submaster moved",
       [](ConsoleState& S) {
         S.UseRepPlot = true;
         S.SubMoved = true;
       },
       firstWritten},
      {"inhibited to 40 %", [](ConsoleState& S) { S.SubInhibit[1] = 60; }, address2},
      {"one-to-one patch",
       [](ConsoleState& S) {
         S.OneToOnePatch = true;
         S.Patch.PatchPercent[2] = 50;
       },
       firstWritten},
  };
  return all;
}

struct Row {
  Writer writer;
  const char* name;
  std::vector<int> expected;  // one per situation, in order
};

// Writer x rule: what each writer puts on the wire in each situation.
const std::vector<Row> kRows = {
    //                            plain share sub  wCh  wAd  raw  LED fader scr rep repS inh 1:1
    {Writer::TypedLevel, "TypedLevel", {100, 50, 180, 100, 100, 100, 155, 0, 100, 3, 3, 40, 2}},
    {Writer::DirectLevel, "DirectLevel", {100, 50, 100, 150, 100, 100, 155, 39, 100, 2, 3, 40, 1}},
    {Writer::Playscreen, "Playscreen", {100, 50, 180, 100, 150, 100, 155, 0, 7, 2, 2, 40, 2}},
    {Writer::FadeStep, "FadeStep", {100, 50, 180, 100, 100, 100, 155, 39, 100, 2, 2, 40, 2}},
    {Writer::MasterFade, "MasterFade", {100, 50, 180, 150, 100, 100, 155, 0, 100, 2, 2, 40, 2}},
    {Writer::WarmUp, "WarmUp", {100, 100, 100, 100, 150, 100, 100, 0, 100, 2, 2, 100, 2}},
    {Writer::LampHunt, "LampHunt", {100, 50, 100, 150, 100, 100, 100, 0, 100, 2, 2, 100, 2}},
};

}  // namespace

TEST(DmxOutWriter, EachWriterAppliesItsRulesAndNoOthers) {
  ASSERT_EQ(kRows.size() + 7, size_t(dmxout::kWriterCount));
  for (const Row& row : kRows) {
    ASSERT_EQ(row.expected.size(), situations().size()) << row.name;
    for (size_t i = 0; i < situations().size(); ++i) {
      const Situation& s = situations()[i];
      ConsoleState S = baseState();
      s.arrange(S);
      dmxout::writeChannel(S, row.writer, 1, 100);
      EXPECT_EQ(s.readout(S), row.expected[i]) << row.name << " in situation \"" << s.name << "\"";
    }
  }
}

TEST(DmxOutWriter, RawWritersNeverPatchAChannel) {
  for (Writer w : {Writer::ColourPreset, Writer::FixtureMix, Writer::Network, Writer::Clear, Writer::Bump,
                   Writer::Submaster, Writer::DimmerCheck}) {
    const dmxout::Rules r = dmxout::rulesOf(w);
    EXPECT_EQ(r.patch, dmxout::AddressSource::Raw);
    dmxout::Rules channelRules = r;  // everything that shapes a channel's level is off
    channelRules.withinChannelCount = channelRules.keepsCurrentLevel = false;
    EXPECT_EQ(channelRules, dmxout::Rules{});
    ConsoleState S = baseState();
    dmxout::writeChannel(S, w, 1, 100);
    EXPECT_EQ(firstWritten(S), 0);
  }
}

// Writer x rule for one byte on one address: address 5 and address 9 (above the channel count of 8)
// receive 200; the readouts are the two bytes and the fade engine's level of address 5.
TEST(DmxOutWriter, EachWriterPutsOneByteByItsRules) {
  struct ByteRow {
    Writer writer;
    const char* name;
    int onAddress5, currentLevel5, onAddress9;
  };
  const std::vector<ByteRow> rows = {
      {Writer::TypedLevel, "TypedLevel", 200, 0, 200},     {Writer::DirectLevel, "DirectLevel", 200, 0, 200},
      {Writer::Playscreen, "Playscreen", 200, 0, 200},     {Writer::FadeStep, "FadeStep", 200, 0, 200},
      {Writer::MasterFade, "MasterFade", 200, 0, 200},     {Writer::WarmUp, "WarmUp", 200, 0, 200},
      {Writer::ColourPreset, "ColourPreset", 200, 200, 0}, {Writer::FixtureMix, "FixtureMix", 200, 0, 0},
      {Writer::Network, "Network", 200, 200, 200},         {Writer::Clear, "Clear", 200, 200, 0},
      {Writer::LampHunt, "LampHunt", 200, 0, 0},           {Writer::Bump, "Bump", 200, 0, 0},
      {Writer::Submaster, "Submaster", 200, 0, 0},         {Writer::DimmerCheck, "DimmerCheck", 200, 0, 0},
  };
  ASSERT_EQ(rows.size(), size_t(dmxout::kWriterCount));
  for (const ByteRow& row : rows) {
    ConsoleState S = baseState();
    S.LedChannels[5] = true;
    S.Patch.PatchPercent[5] = 10;
    S.Fixtures.WarmUpLevels[5] = 250;
    dmxout::writeAddress(S, row.writer, 5, 200);
    dmxout::writeAddress(S, row.writer, 9, 200);
    EXPECT_EQ(S.DmxOutBuffer[4], row.onAddress5) << row.name << ": no share, no curve, no floor";
    EXPECT_EQ(S.CurrentLevels[5], float(row.currentLevel5)) << row.name;
    EXPECT_EQ(S.DmxOutBuffer[8], row.onAddress9) << row.name;
  }
}

TEST(DmxOutWriter, WriteAddressPutsTheByteAsItIsWithinTheBuffer) {
  ConsoleState S = baseState();
  S.LedChannels[5] = true;
  S.Patch.PatchPercent[5] = 10;
  dmxout::writeAddress(S, Writer::Network, 5, 200);
  EXPECT_EQ(S.DmxOutBuffer[4], 200) << "no share, no curve";
  dmxout::writeAddress(S, Writer::Network, kChannelSlots - 1, 9);
  EXPECT_EQ(S.DmxOutBuffer[size_t(kChannelSlots - 2)], 9);
  const auto before = S.DmxOutBuffer;
  dmxout::writeAddress(S, Writer::Network, 0, 1);
  dmxout::writeAddress(S, Writer::Network, kChannelSlots, 1);
  dmxout::writeAddress(S, Writer::Network, -3, 1);
  EXPECT_EQ(S.DmxOutBuffer, before) << "addresses outside the buffer are ignored";
}

TEST(DmxOutWriter, DoneSeesEveryAddressInPatchOrderWithTheFlooredLevel) {
  ConsoleState S = baseState();
  S.Patch.PatchTable.set(1, "|4|9|2|", S.MaxChannels);
  S.Patch.PatchPercent[4] = 50;
  S.Fixtures.WarmUpLevels[1] = 120;
  std::vector<dmxout::Written> seen;
  dmxout::writeChannel(S, Writer::DirectLevel, 1, 30, [&](const dmxout::Written& w) { seen.push_back(w); });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].address, 4);
  EXPECT_EQ(seen[0].level, 120);
  EXPECT_EQ(seen[0].byte, 60);
  EXPECT_EQ(seen[1].address, 9);
  EXPECT_EQ(seen[1].byte, -1) << "a submaster fader is moved, not written";
  EXPECT_EQ(S.SubSliders[0], 47);
  EXPECT_EQ(seen[2].address, 2);
  EXPECT_EQ(seen[2].byte, 120);
}

TEST(DmxOutWriter, LevelsAreLimitedNeverWrapped) {
  ConsoleState S = baseState();
  S.Fixtures.WarmUpLevels[2] = 300;  // out of range in a damaged map
  dmxout::writeChannel(S, Writer::WarmUp, 1, 0);
  EXPECT_EQ(S.DmxOutBuffer[1], 255);
  dmxout::writeChannel(S, Writer::FadeStep, 1, 999);
  EXPECT_EQ(S.DmxOutBuffer[1], 255);
  dmxout::writeChannel(S, Writer::FadeStep, 1, -20);
  EXPECT_EQ(S.DmxOutBuffer[1], 0);
}
