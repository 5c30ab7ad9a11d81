#include "console/output/dmx_output.h"

#include <gtest/gtest.h>

#include "console/output/dmx_interface.h"
#include "console/output/interface_selection.h"
#include "console/output/widget_link.h"
#include "platform/operator.h"
#include "tests/output/output_fakes.h"
#include "tests/support/dialog_recorder.h"

namespace {

// The console with a fake serial port (or D2XX driver) behind the output.
struct OutputRig {
  explicit OutputRig(int type, int channels, int connection = 0) : host(S) {
    S.InterfaceType = type;
    S.MaxChannels = channels;
    S.DmxConnection = connection;
    S.InterfaceOpen = true;
    S.LiveMode = true;
    // Distinct levels everywhere, including the byte after the last channel and the second universe.
    for (size_t i = 0; i < S.DmxOutBuffer.size(); ++i) S.DmxOutBuffer[i] = uint8_t(i * 7 + 3);
    auto p = std::make_unique<FakePort>();
    auto d = std::make_unique<ScriptedD2xx>();
    port = p.get();
    driver = d.get();
    port->open("/dev/ttyUSB0");
    dmx = std::make_unique<DmxInterface>(S, host, testOperator(),
                                         DmxInterface::Parts{std::move(p), std::move(d), {}});
    dmx->setArtNet(&artNet);
  }
  // The slots a universe of this buffer must carry: levels up to the channel count, 0 past it.
  QByteArray universe(int u, int count) const {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
      const int address = 512 * u + i + 1;
      out.append(char(address <= S.MaxChannels ? S.DmxOutBuffer[size_t(address - 1)] : 0));
    }
    return out;
  }

  ConsoleState S;
  RecordingHost host;
  FakePort* port;
  ScriptedD2xx* driver;
  RecordingArtNet artNet;
  std::unique_ptr<DmxInterface> dmx;
};

QByteArray frame(uint8_t label, const QByteArray& levels) {
  return widgetFrame(label, QByteArray(1, 0) + levels);
}

struct FrameCase {
  int type;
  int channels;
  // Per frame: label, universe, slot count.
  std::vector<std::tuple<int, int, int>> frames;
};

class SendDmxFraming : public ::testing::TestWithParam<FrameCase> {};

TEST_P(SendDmxFraming, WritesTheFramesOfTheInterfaceType) {
  const FrameCase& c = GetParam();
  OutputRig rig(c.type, c.channels);
  rig.dmx->sendDMX();
  ASSERT_EQ(rig.port->writes.size(), c.frames.size());
  for (size_t i = 0; i < c.frames.size(); ++i) {
    const auto [label, u, count] = c.frames[i];
    EXPECT_EQ(rig.port->writes[i], frame(uint8_t(label), rig.universe(u, count))) << "frame " << i;
  }
}

std::string frameCaseName(const ::testing::TestParamInfo<FrameCase>& info) {
  return "type" + std::to_string(info.param.type) + "_" + std::to_string(info.param.channels);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, SendDmxFraming,
    ::testing::Values(
        // Type 0: the whole buffer (channel count + 1 bytes), at most 512 slots.
        FrameCase{0, 256, {{6, 0, 257}}}, FrameCase{0, 512, {{6, 0, 512}}}, FrameCase{0, 600, {{6, 0, 512}}},
        FrameCase{0, 1024, {{6, 0, 512}}},
        // Type 2: DMXking labels 100 and, above 512 channels, 101 with the rest of the buffer.
        FrameCase{2, 256, {{100, 0, 257}}}, FrameCase{2, 512, {{100, 0, 512}}},
        FrameCase{2, 600, {{100, 0, 512}, {101, 1, 89}}}, FrameCase{2, 1024, {{100, 0, 512}, {101, 1, 512}}},
        // Type 3: the Pro Mk2's two ports.
        FrameCase{3, 256, {{6, 0, 257}}}, FrameCase{3, 512, {{6, 0, 512}}},
        FrameCase{3, 600, {{6, 0, 512}, {230, 1, 89}}}, FrameCase{3, 1024, {{6, 0, 512}, {230, 1, 512}}},
        // Type 5: as type 0.
        FrameCase{5, 256, {{6, 0, 257}}}, FrameCase{5, 512, {{6, 0, 512}}}, FrameCase{5, 1024, {{6, 0, 512}}},
        // Types 1, 4 and 7 send nothing.
        FrameCase{1, 512, {}}, FrameCase{4, 512, {}}, FrameCase{7, 1024, {}}),
    frameCaseName);

TEST(SendDmx, ByteExactFramesOfTheWire) {
  // Type 0 at 512 channels: 7E 06, length 513 = 01 02, start code, 512 slots, E7: 518 bytes.
  OutputRig pro(0, 512);
  pro.dmx->sendDMX();
  ASSERT_EQ(pro.port->writes.size(), 1u);
  EXPECT_EQ(pro.port->writes[0].size(), 518);
  EXPECT_EQ(pro.port->writes[0].left(5), hexBytes("7E06010200"));
  EXPECT_EQ(uint8_t(pro.port->writes[0].back()), 0xE7);

  // Type 2 at 600: the second frame has length 90 = 5A 00, 88 levels and a 0 for address 601.
  OutputRig king(2, 600);
  king.dmx->sendDMX();
  ASSERT_EQ(king.port->writes.size(), 2u);
  EXPECT_EQ(king.port->writes[1].left(5), hexBytes("7E655A0000"));
  EXPECT_EQ(king.port->writes[1].size(), 95);
  EXPECT_EQ(uint8_t(king.port->writes[1][4 + 1 + 87]), king.S.DmxOutBuffer[599]);
  EXPECT_EQ(uint8_t(king.port->writes[1][4 + 1 + 88]), 0);

  // Type 3 at 1024: label 6 then label 230, each 01 02 long.
  OutputRig mk2(3, 1024);
  mk2.dmx->sendDMX();
  ASSERT_EQ(mk2.port->writes.size(), 2u);
  EXPECT_EQ(mk2.port->writes[0].left(5), hexBytes("7E06010200"));
  EXPECT_EQ(mk2.port->writes[1].left(5), hexBytes("7EE6010200"));
  EXPECT_EQ(mk2.port->writes[1].mid(5, 512), mk2.universe(1, 512));
}

TEST(SendDmx, NothingWhenBlindOrClosed) {
  for (bool live : {false, true}) {
    OutputRig rig(2, 1024);
    rig.S.LogLevel = 2;
    rig.S.LiveMode = live;
    rig.S.InterfaceOpen = !live;
    rig.dmx->sendDMX();
    rig.dmx->SendProDMX();
    rig.dmx->sendDMXking(1);
    EXPECT_TRUE(rig.port->writes.empty());
    EXPECT_TRUE(rig.host.tool.isEmpty());
    EXPECT_TRUE(rig.host.log.isEmpty());
  }
}

TEST(SendDmx, TracesWhatWasSent) {
  OutputRig rig(2, 600);
  rig.S.LogLevel = 1;
  rig.dmx->sendDMX();
  ASSERT_EQ(rig.host.tool.size(), 2);
  EXPECT_EQ(rig.host.tool[1],
            "Sent: " + HexDumpPacket(std::span<const uint8_t>(
                           reinterpret_cast<const uint8_t*>(rig.universe(1, 89).constData()), 89)));
  EXPECT_TRUE(rig.host.log.isEmpty());

  // While a fade runs the inspection tool gets nothing; at level 2 the log file gets every packet.
  rig.host.tool.clear();
  rig.host.fading = true;
  rig.S.LogLevel = 2;
  rig.dmx->sendDMX();
  EXPECT_TRUE(rig.host.tool.isEmpty());
  ASSERT_EQ(rig.host.log.size(), 2);
  EXPECT_TRUE(rig.host.log[0].startsWith("Sent: 64 01 02 00 "));
  EXPECT_TRUE(rig.host.log[1].startsWith("Sent: 65 5A 00 00 "));
}

TEST(SendDmx, Type5TraceShowsTheLengthBytes) {
  OutputRig rig(5, 512);
  rig.S.LogLevel = 1;
  rig.dmx->sendDMX();
  ASSERT_EQ(rig.host.tool.size(), 1);
  // Length 513: LSB 1 (hex 01), MSB 2.
  EXPECT_TRUE(rig.host.tool[0].startsWith("Sent: (1 01 2) 03 0A 11 "))
      << rig.host.tool[0].left(40).toStdString();

  OutputRig small(5, 256);
  small.S.LogLevel = 1;
  small.dmx->sendDMX();
  ASSERT_EQ(small.host.tool.size(), 1);
  EXPECT_TRUE(small.host.tool[0].startsWith("Sent: (2 02 1) "));  // length 258
}

TEST(SendDmx, ArtNetSendsFull512SlotUniverses) {
  for (int channels : {256, 512, 600, 1024}) {
    OutputRig rig(6, channels, 2);
    rig.S.ArtNode1 = "127.0.0.1";
    rig.S.ArtNode2 = "127.0.0.2";
    rig.dmx->sendDMX();
    EXPECT_TRUE(rig.port->writes.empty());
    const size_t universes = channels > 512 ? 2 : 1;
    ASSERT_EQ(rig.artNet.sent.size(), universes) << channels;
    for (size_t u = 0; u < universes; ++u) {
      const auto& sent = rig.artNet.sent[u];
      EXPECT_EQ(sent.destination, u == 0 ? "127.0.0.1" : "127.0.0.2");
      EXPECT_EQ(sent.subnet, 0);
      EXPECT_EQ(sent.universe, int(u));
      EXPECT_EQ(sent.data, rig.universe(int(u), 512)) << channels << " universe " << u;
    }
  }
}

TEST(SendDmx, WidgetFramesAreNotSentOverArtNet) {
  OutputRig rig(0, 512, 2);
  rig.dmx->sendDMX();
  EXPECT_TRUE(rig.port->writes.empty());
  EXPECT_TRUE(rig.artNet.sent.empty());
}

TEST(LostInterface, SerialWriteFailureWarnsOnceAfterClosing) {
  OutputRig rig(3, 1024);
  rig.host.fading = true;
  rig.port->failWrites = true;
  DialogRecorder dialogs;
  bool checkedInside = false;
  setDialogHandler([&](const MessageSpec& spec) {
    dialogs.shown.push_back(spec);
    // By the time the warning is up the output is closed, and a tick meanwhile sends nothing.
    EXPECT_FALSE(rig.S.InterfaceOpen);
    EXPECT_FALSE(rig.S.WarnLostInterface);
    EXPECT_FALSE(rig.port->isOpen());
    EXPECT_FALSE(rig.host.fading);
    rig.dmx->sendDMX();
    checkedInside = true;
    return DialogResult::Ok;
  });
  for (int tick = 0; tick < 5; ++tick) rig.dmx->sendDMX();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(checkedInside);
  EXPECT_EQ(dialogs.shown[0].text,
            "What happened? The connection to the DMX interface went away!\n\rPlease check it and restart "
            "the program.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
  EXPECT_EQ(rig.host.fadeStops, 1);
  EXPECT_TRUE(rig.port->writes.empty());
}

TEST(LostInterface, ArtNetFailureWarnsOnceAndKeepsSending) {
  OutputRig rig(6, 1024, 2);
  rig.artNet.fail = true;
  rig.host.fading = true;
  DialogRecorder dialogs;
  dialogs.answerDefaults = true;
  for (int tick = 0; tick < 3; ++tick) rig.dmx->sendDMX();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Error");
  EXPECT_EQ(
      dialogs.shown[0].text,
      "What happened? The connection to the Art-Net interface went away!\n\rPlease check it and restart "
      "the program.");
  EXPECT_EQ(rig.host.fadeStops, 1);
  EXPECT_TRUE(rig.S.InterfaceOpen);
  EXPECT_EQ(rig.artNet.attempted, (std::vector<int>{0, 1, 0, 1, 0, 1}));
  // The network is back: both universes arrive again, and nothing more is shown.
  rig.artNet.fail = false;
  rig.dmx->sendDMX();
  ASSERT_EQ(rig.artNet.sent.size(), 2u);
  EXPECT_EQ(rig.artNet.sent[0].data, rig.universe(0, 512));
  EXPECT_EQ(rig.artNet.sent[1].data, rig.universe(1, 512));
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(LostInterface, AnUnreachableSecondNodeNeverSilencesTheFirst) {
  struct Case {
    const char* what;
    QString unreachable;
    int arriving;  // the universe that keeps arriving
  };
  for (const Case& c :
       {Case{"universe 2's node", "10.99.0.2", 0}, Case{"universe 1's node", "10.99.0.1", 1}}) {
    OutputRig rig(6, 1024, 2);
    rig.S.ArtNode1 = "10.99.0.1";
    rig.S.ArtNode2 = "10.99.0.2";
    rig.artNet.unreachable = {c.unreachable};
    DialogRecorder dialogs;
    dialogs.answerDefaults = true;
    for (int tick = 0; tick < 4; ++tick) {
      rig.S.DmxOutBuffer[size_t(512 * c.arriving)] = uint8_t(tick * 10);
      rig.dmx->sendDMX();
    }
    EXPECT_EQ(dialogs.shown.size(), 1u) << c.what;
    ASSERT_EQ(rig.artNet.sent.size(), 4u) << c.what;
    for (int tick = 0; tick < 4; ++tick) {
      EXPECT_EQ(rig.artNet.sent[size_t(tick)].universe, c.arriving) << c.what;
      EXPECT_EQ(uint8_t(rig.artNet.sent[size_t(tick)].data[0]), tick * 10) << c.what;
    }
  }
}

TEST(ChannelCap, SingleUniverseTypesStopAt512) {
  const std::vector<std::pair<int, int>> cases{{0, 512},  {1, 512}, {2, 1024}, {3, 1024},
                                               {4, 1024}, {5, 512}, {6, 1024}, {7, 512}};
  for (auto [type, cap] : cases) EXPECT_EQ(startupChannelCap(type), cap) << type;
}

TEST(UniverseSlotCount, CoversTheBufferInHalves) {
  EXPECT_EQ(DmxOutput::universeSlotCount(256, 0), 257);
  EXPECT_EQ(DmxOutput::universeSlotCount(511, 0), 512);
  EXPECT_EQ(DmxOutput::universeSlotCount(1024, 0), 512);
  EXPECT_EQ(DmxOutput::universeSlotCount(600, 1), 89);
  EXPECT_EQ(DmxOutput::universeSlotCount(1024, 1), 512);
  EXPECT_EQ(DmxOutput::universeSlotCount(256, 1), 0);
}

}  // namespace
