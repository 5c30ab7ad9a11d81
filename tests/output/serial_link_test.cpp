// The output over a real pseudo-terminal, with the widget simulator at the far end.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "console/output/dmx_interface.h"
#include "console/output/serial_port_list.h"
#include "console/output/serial_widget_port.h"
#include "console/output/widget_link.h"
#include "platform/operator.h"
#include "tests/output/output_fakes.h"
#include "tests/support/dialog_recorder.h"
#include "tools/usbpro_sim/widget_simulator.h"

namespace {

struct PtyRig {
  PtyRig(int type, int channels) : host(S) {
    S.InterfaceType = type;
    S.MaxChannels = channels;
    S.DmxConnection = 0;
    S.InterfacePort = sim.devicePath();
    for (size_t i = 0; i < S.DmxOutBuffer.size(); ++i) S.DmxOutBuffer[i] = uint8_t(i);
    dmx = std::make_unique<DmxInterface>(S, host, testOperator(),
                                         DmxInterface::Parts{nullptr, std::make_unique<ScriptedD2xx>(),
                                                             [](const QString&) { return QStringList(); }});
  }
  ConsoleState S;
  RecordingHost host;
  WidgetSimulator sim;
  std::unique_ptr<DmxInterface> dmx;
};

TEST(SerialLink, OpensTheWidgetAndItsFramesArrive) {
  PtyRig rig(0, 512);
  ASSERT_TRUE(rig.sim.isOpen());
  DialogRecorder dialogs;
  EXPECT_FALSE(rig.dmx->openAtStartup());
  EXPECT_TRUE(rig.S.InterfaceOpen);
  EXPECT_EQ(rig.host.selected, rig.sim.devicePath() + " - DMX Pro");

  rig.dmx->sendDMX();
  ASSERT_TRUE(rig.sim.waitForFrames(4, 5000));
  const auto& frames = rig.sim.frames();
  EXPECT_EQ(frames[0].raw, hexBytes("7E0A010000E7"));    // serial-number probe
  EXPECT_EQ(frames[1].raw, hexBytes("7E06010000E7"));    // a frame of the start code alone
  EXPECT_EQ(frames[2].raw, hexBytes("7E0302000000E7"));  // parameters request
  QByteArray expected = hexBytes("7E06010200");
  for (int i = 0; i < 512; ++i) expected.append(char(i));
  expected.append(char(0xE7));
  EXPECT_EQ(frames[3].raw, expected);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(SerialLink, FramesFasterThanTheDeviceReadsAreNoLoss) {
  PtyRig rig(2, 1024);
  DialogRecorder dialogs;
  ASSERT_FALSE(rig.dmx->openAtStartup());
  ASSERT_TRUE(rig.S.InterfaceOpen);
  // No events run, so the simulator reads nothing while the frames pile up in the pty.
  for (int i = 0; i < 300; ++i) rig.dmx->sendDMX();
  EXPECT_TRUE(rig.S.InterfaceOpen);
  EXPECT_TRUE(dialogs.shown.empty());
  rig.S.DmxOutBuffer[0] = 77;
  rig.dmx->sendDMX();
  // Once the device reads again, frames flow and the newest levels arrive.
  ASSERT_TRUE(waitUntil([&] {
    const auto& f = rig.sim.frames();
    for (auto it = f.rbegin(); it != f.rend(); ++it)
      if (it->label == 100) return it->payload.size() > 1 && uint8_t(it->payload[1]) == 77;
    return false;
  }));
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(SerialLink, UnplugDuringAFadeWarnsExactlyOnce) {
  PtyRig rig(3, 1024);
  DialogRecorder dialogs;
  ASSERT_FALSE(rig.dmx->openAtStartup());
  ASSERT_TRUE(rig.S.InterfaceOpen);
  ASSERT_TRUE(rig.sim.waitForFrames(5, 5000));  // probe and the Mk2 open
  const size_t opening = rig.sim.frames().size();

  rig.host.fading = true;
  dialogs.answerDefaults = true;
  int received = 0;
  for (int tick = 0; tick < 30; ++tick) {
    if (tick == 10) {
      ASSERT_TRUE(rig.sim.waitForFrames(opening + 20, 5000));  // two frames per tick so far
      received = int(rig.sim.frames().size() - opening);
      rig.sim.unplug();
    }
    rig.dmx->sendDMX();
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(received, 20);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text,
            "What happened? The connection to the DMX interface went away!\n\rPlease check it and restart "
            "the program.");
  EXPECT_EQ(rig.host.fadeStops, 1);
  EXPECT_FALSE(rig.host.fading);
  EXPECT_FALSE(rig.S.InterfaceOpen);
  EXPECT_FALSE(rig.S.WarnLostInterface);
  EXPECT_FALSE(rig.dmx->serialPort().isOpen());
}

TEST(SerialLink, APortWhoseFarEndHungUpIsClosedWithoutAWrite) {
  // Nothing is written after the unplug: the port notices the hang-up from its reading side alone
  // and stops watching the descriptor, which would otherwise stay readable for ever.
  WidgetSimulator sim;
  SerialWidgetPort port;
  ASSERT_TRUE(port.open(sim.devicePath()));
  const uint8_t probe[] = {0x7E, 0x0A, 0x00, 0x00, 0xE7};
  ASSERT_TRUE(port.write(probe));
  ASSERT_TRUE(sim.waitForFrames(1, 5000));
  sim.unplug();
  EXPECT_TRUE(waitUntil([&] { return !port.isOpen(); }));
  EXPECT_FALSE(port.write(probe));
}

TEST(SerialLink, RepliesAndDmxInputAreTraced) {
  PtyRig rig(0, 16);
  rig.S.LogLevel = 2;
  DialogRecorder dialogs;
  ASSERT_TRUE(rig.dmx->link().openSerial(rig.sim.devicePath()));
  // Levels 126 and 231 are the frame's own start and end bytes.
  rig.sim.sendDmxInput(hexBytes("7EE701"));
  ASSERT_TRUE(waitUntil([&] { return rig.host.tool.filter("DMX in: ").size() == 1; }));
  EXPECT_EQ(rig.host.tool.filter("DMX in: ")[0], "DMX in: 05 05 00 00 00 7E E7 01 ");
  EXPECT_EQ(rig.host.tool.filter("Rcvd: ")[0], "Rcvd: 05 05 00 00 00 7E E7 01 ");
  EXPECT_EQ(rig.host.log.filter("Rcvd[")[0], "Rcvd[8] 05 05 00 00 00 7E E7 01 ");

  // An unknown label: one "Communications Error" box.
  dialogs.answer(DialogResult::Ok);
  rig.sim.sendRaw(hexBytes("7E07010000E7"));
  ASSERT_TRUE(waitUntil([&] { return dialogs.shown.size() == 1; }));
  EXPECT_EQ(dialogs.shown[0].title, "Communications Error");
  EXPECT_EQ(dialogs.shown[0].text, "Unknown Response: 7");
}

TEST(SerialLink, ARepliesDialogDoesNotReenterTheReader) {
  PtyRig rig(0, 16);
  DialogRecorder dialogs;
  setDialogHandler([&](const MessageSpec& spec) {
    dialogs.shown.push_back(spec);
    // While the box is up more replies arrive; they are read after it, in order.
    if (dialogs.shown.size() == 1) {
      rig.sim.sendRaw(hexBytes("7E08010000E7") + widgetFrame(10, hexBytes("04030201")));
      waitUntil([] { return false; }, 50);
    }
    return DialogResult::Ok;
  });
  ASSERT_TRUE(rig.dmx->link().openSerial(rig.sim.devicePath()));
  rig.sim.sendRaw(hexBytes("7E07010000E7"));
  ASSERT_TRUE(waitUntil([&] { return rig.dmx->link().replyState().WidgetSerial == "01020304"; }));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].text, "Unknown Response: 8");
}

TEST(SerialLink, AWidgetRepeatingAnUnknownReplyOpensOneBoxTheRestAreLogged) {
  PtyRig rig(0, 16);
  DialogRecorder dialogs;
  int open = 0;
  int deepest = 0;
  setDialogHandler([&](const MessageSpec& spec) {
    dialogs.shown.push_back(spec);
    deepest = std::max(deepest, ++open);
    waitUntil([] { return false; }, 30);  // the operator takes a moment; replies keep coming
    --open;
    return DialogResult::Ok;
  });
  ASSERT_TRUE(rig.dmx->link().openSerial(rig.sim.devicePath()));
  QByteArray burst;
  for (int i = 0; i < 50; ++i) burst += hexBytes("7E07010000E7");
  rig.sim.sendRaw(burst);
  ASSERT_TRUE(waitUntil([&] { return rig.host.log.filter("Communications Error: ").size() == 49; }));
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(rig.host.log.filter("Communications Error: ")[0], "Communications Error: Unknown Response: 7");
}

TEST(SerialPortList, AddsAnExistingConfiguredPortOnce) {
  WidgetSimulator sim;
  const QStringList ports = systemSerialPorts(sim.devicePath());
  EXPECT_EQ(ports.count(sim.devicePath()), 1);
  EXPECT_FALSE(systemSerialPorts("/dev/no-such-port").contains("/dev/no-such-port"));
}

}  // namespace
