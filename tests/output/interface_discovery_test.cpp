// Finding and opening the widget: serial probes against simulators on pseudo-terminals, and the
// D2XX device list through a scripted driver.

#include "console/output/interface_discovery.h"

#include <gtest/gtest.h>

#include "console/output/d2xx_unit.h"
#include "console/output/dmx_interface.h"
#include "console/output/widget_link.h"
#include "platform/operator.h"
#include "tests/output/output_fakes.h"
#include "tests/support/dialog_recorder.h"
#include "tools/usbpro_sim/widget_simulator.h"

namespace {

struct DiscoveryRig {
  explicit DiscoveryRig(int type, int connection = 0) : host(S) {
    S.InterfaceType = type;
    S.DmxConnection = connection;
    auto d = std::make_unique<ScriptedD2xx>();
    driver = d.get();
    dmx = std::make_unique<DmxInterface>(
        S, host, testOperator(),
        DmxInterface::Parts{nullptr, std::move(d), [this](const QString& configured) {
                              ++listed;
                              listedFor = configured;
                              return ports;
                            }});
  }
  InterfaceDiscovery& discovery() { return dmx->discovery(); }

  ConsoleState S;
  RecordingHost host;
  ScriptedD2xx* driver;
  QStringList ports;
  int listed = 0;
  QString listedFor;
  std::unique_ptr<DmxInterface> dmx;
};

TEST(SerialDiscovery, ConfiguredPortAnswersSoNoScanRuns) {
  WidgetSimulator widget;
  DiscoveryRig rig(0);
  rig.S.InterfacePort = widget.devicePath();
  DialogRecorder dialogs;
  rig.discovery().FindInterfaces();
  EXPECT_EQ(rig.listed, 0);
  EXPECT_EQ(rig.host.devices, QStringList{widget.devicePath() + " - DMX Pro"});
  EXPECT_EQ(rig.host.selected, widget.devicePath() + " - DMX Pro");
  EXPECT_EQ(rig.dmx->link().replyState().WidgetSerial, "12345678");
  EXPECT_FALSE(rig.dmx->serialPort().isOpen());

  rig.S.LogLevel = 1;
  rig.discovery().OpenUSBPro();
  EXPECT_TRUE(rig.S.InterfaceOpen);
  ASSERT_TRUE(widget.waitForFrames(3, 5000));
  EXPECT_EQ(widget.frames()[1].raw, hexBytes("7E06010000E7"));
  EXPECT_EQ(widget.frames()[2].raw, hexBytes("7E0302000000E7"));
  EXPECT_TRUE(
      rig.host.tool.last().startsWith("Output on USBDMX Pro port: " + widget.devicePath() + "  Firmware: "));
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(SerialDiscovery, WidgetsWhoseInputStreamsBehindTheirRepliesAreFound) {
  // The configured port and a scanned port, each sending received DMX right behind its reply.
  WidgetSimulator configured, scanned, silent;
  configured.setLiveInput(QByteArray("\x01\x02\x03", 3));
  scanned.setLiveInput(QByteArray("\x04\x05", 2));
  silent.setAnswering(false);
  DialogRecorder dialogs;
  {
    DiscoveryRig rig(0);
    rig.S.InterfacePort = configured.devicePath();
    rig.discovery().FindInterfaces();
    EXPECT_EQ(rig.listed, 0) << "the configured widget answered: no scan";
    EXPECT_EQ(rig.host.devices, QStringList{configured.devicePath() + " - DMX Pro"});
  }
  {
    DiscoveryRig rig(0);
    rig.S.InterfacePort = silent.devicePath();
    rig.ports = {scanned.devicePath()};
    rig.discovery().setReplyTimeoutMs(100);
    rig.discovery().FindInterfaces();
    EXPECT_EQ(rig.S.InterfacePort, scanned.devicePath());
    EXPECT_EQ(rig.host.devices, QStringList{scanned.devicePath() + " - DMX Pro"});
  }
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(SerialDiscovery, SilentConfiguredPortThenTheHighestWidgetFoundWins) {
  WidgetSimulator silent, first, second;
  silent.setAnswering(false);
  first.setSerialNumber(0x11111111);
  second.setSerialNumber(0x22222222);
  DiscoveryRig rig(2);
  rig.S.InterfacePort = silent.devicePath();
  rig.ports = {silent.devicePath(), first.devicePath(), "/dev/no-such-port", second.devicePath()};
  DialogRecorder dialogs;
  rig.discovery().FindInterfaces();
  EXPECT_EQ(rig.listedFor, silent.devicePath());
  EXPECT_EQ(rig.host.devices, (QStringList{silent.devicePath(), first.devicePath() + " - DMX Pro",
                                           second.devicePath() + " - DMX Pro"}));
  EXPECT_EQ(rig.S.InterfacePort, second.devicePath());
  EXPECT_EQ(rig.host.selected, second.devicePath() + " - DMX Pro");
  EXPECT_TRUE(dialogs.shown.empty());

  EXPECT_EQ(rig.S.ComPort, "COM1") << "a port found is not yet a port used";
  rig.discovery().OpenUSBPro();
  EXPECT_TRUE(rig.S.InterfaceOpen);
  EXPECT_EQ(rig.S.ComPort, second.devicePath());
  ASSERT_TRUE(second.waitForFrames(3, 5000));
  EXPECT_EQ(first.frames().size(), 1u);  // only its probe
}

TEST(SerialDiscovery, NothingFoundGoesBlindAndOpensNothing) {
  WidgetSimulator silent;
  silent.setAnswering(false);
  DiscoveryRig rig(0);
  rig.S.InterfacePort = "/dev/no-such-port";
  rig.ports = {silent.devicePath()};
  rig.discovery().setReplyTimeoutMs(50);
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  rig.discovery().FindInterfaces();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text,
            "Could not find a valid DMX interface on any Com port.\n\rSetting Blind mode.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
  EXPECT_EQ(rig.host.liveToggles, 1);
  EXPECT_FALSE(rig.S.LiveMode);
  EXPECT_TRUE(rig.S.InterfacePort.isEmpty());

  rig.discovery().OpenUSBPro();
  EXPECT_FALSE(rig.S.InterfaceOpen);
  EXPECT_EQ(rig.S.ComPort, "COM1") << "a failed scan keeps the port the settings name";
  EXPECT_EQ(silent.frames().size(), 1u);
}

TEST(SerialDiscovery, ProMk2OpenSendsKeyPortsAndBothParameterRequests) {
  WidgetSimulator widget;
  DiscoveryRig rig(3);
  rig.S.InterfacePort = widget.devicePath();
  rig.S.LogLevel = 1;
  DialogRecorder dialogs;
  rig.dmx->openAtStartup();
  EXPECT_TRUE(rig.S.InterfaceOpen);
  ASSERT_TRUE(widget.waitForFrames(5, 5000));
  const auto& f = widget.frames();
  EXPECT_EQ(f[0].raw, hexBytes("7E0A010000E7"));
  EXPECT_EQ(f[1].raw, hexBytes("7E0D04003F61A29CE7"));  // API key
  EXPECT_EQ(f[2].raw, hexBytes("7ECB02000101E7"));      // port assignment
  EXPECT_EQ(f[3].raw, hexBytes("7E0302000000E7"));      // Pro parameters
  EXPECT_EQ(f[4].raw, hexBytes("7EC102000000E7"));      // Mk2 parameters
  EXPECT_TRUE(rig.host.tool.contains("Asking for Pro"));
  EXPECT_TRUE(rig.host.tool.contains("Asking for Mk2"));
  EXPECT_TRUE(rig.host.tool.last().startsWith("Output on Enttec Pro Mk2 port: " + widget.devicePath()));
}

TEST(SerialDiscovery, OpenOnAMissingPortSaysSoAndSendsNothing) {
  DiscoveryRig rig(3);
  rig.S.InterfacePort = "/dev/no-such-port";
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  rig.discovery().OpenProMk2();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "USB Device");
  EXPECT_EQ(dialogs.shown[0].text,
            "Failed to open DMX interface on Com port: /dev/no-such-port - Check Settings");
  EXPECT_FALSE(rig.S.InterfaceOpen);
}

TEST(SerialDiscovery, Type5TakesThePortWithoutAProbe) {
  WidgetSimulator widget;
  DiscoveryRig rig(5);
  rig.S.InterfacePort = widget.devicePath();
  rig.ports = {"/dev/ttyS0", widget.devicePath()};
  rig.S.MaxChannels = 4;
  rig.S.DmxOutBuffer[0] = 0x7E;
  DialogRecorder dialogs;
  const InterfaceDiscovery::PortItems items = rig.dmx->getPorts();
  EXPECT_EQ(items.ports, rig.ports);
  EXPECT_EQ(items.checked, 1);
  EXPECT_TRUE(rig.dmx->openAtStartup());  // the caller blacks out
  EXPECT_TRUE(rig.S.InterfaceOpen);
  ASSERT_TRUE(widget.waitForFrames(1, 5000));
  EXPECT_EQ(widget.frames()[0].raw, hexBytes("7E06060000"
                                             "7E00000000"
                                             "E7"));
}

TEST(D2xxDiscovery, ListsEveryDeviceAndOpensTheLast) {
  DiscoveryRig rig(0, 1);
  rig.S.LogLevel = 1;
  rig.driver->devices = {{"A1", "USB Pro"}, {"B2", "Ultra"}};
  // The open's requests: the start-code frame gets no answer, the parameters request does.
  rig.driver->replies = {QByteArray(), widgetFrame(3, hexBytes("2C01090128"))};
  DialogRecorder dialogs;
  rig.dmx->openAtStartup();
  EXPECT_EQ(rig.host.devices, (QStringList{"A1-USB Pro", "B2-Ultra"}));
  EXPECT_EQ(rig.S.InterfacePort, "B2");
  EXPECT_TRUE(rig.host.tool.contains("D2XX: B2=Ultra"));
  EXPECT_EQ(rig.driver->openedSerials, QList<QByteArray>{"B2"});
  EXPECT_EQ(rig.driver->timeouts, std::make_pair(500, 500));
  ASSERT_EQ(rig.driver->writes.size(), 2u);
  EXPECT_EQ(rig.driver->writes[0], hexBytes("7E06010000E7"));
  EXPECT_EQ(rig.driver->writes[1], hexBytes("7E0302000000E7"));
  EXPECT_TRUE(rig.host.tool.contains("Wrote 7E 03 02 00 00 00 E7 for 7"));
  EXPECT_TRUE(rig.host.tool.contains("Output on USBDMX Pro port: B2  Firmware: 1.44"));
  EXPECT_TRUE(rig.S.InterfaceOpen);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(rig.S.ComPort, "COM1") << "a D2XX serial number is no serial port";

  rig.dmx->CloseDMXInterface();
  EXPECT_EQ(rig.driver->closes, 1);
}

TEST(D2xxDiscovery, NoDeviceIsTheMissingInterface) {
  DiscoveryRig rig(0, 1);
  rig.S.InterfacePort = "OLD";
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  rig.dmx->openAtStartup();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "DMX Interface missing");
  EXPECT_EQ(dialogs.shown[0].text, "Could not find a valid DMX interface.\n\rSetting Blind mode.");
  EXPECT_TRUE(rig.S.InterfacePort.isEmpty());
  EXPECT_FALSE(rig.S.LiveMode);
  EXPECT_FALSE(rig.S.InterfaceOpen);
  EXPECT_TRUE(rig.driver->openedSerials.isEmpty());
}

TEST(D2xxDiscovery, Mk2OpenResetsTheDevice) {
  DiscoveryRig rig(3, 1);
  rig.S.InterfacePort = "B2";
  rig.driver->devices = {{"B2", "Mk2"}};
  DialogRecorder dialogs;
  rig.discovery().OpenProMk2();
  EXPECT_EQ(rig.driver->resets, 1);
  ASSERT_EQ(rig.driver->writes.size(), 4u);
  EXPECT_EQ(rig.driver->writes[0], hexBytes("7E0D04003F61A29CE7"));
  EXPECT_EQ(rig.driver->writes[1], hexBytes("7ECB02000101E7"));
  EXPECT_EQ(rig.driver->writes[3], hexBytes("7EC102000000E7"));
}

TEST(ArtNetStartup, MismatchIsReportedAndTheOutputStillOpens) {
  DiscoveryRig rig(6, 0);
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Cancel);
  rig.dmx->openAtStartup();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Interface Mismatch");
  EXPECT_EQ(dialogs.shown[0].text, "Art-Net device selected, but not its communication.");
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Cancel);
  EXPECT_TRUE(rig.S.InterfaceOpen);
}

}  // namespace
