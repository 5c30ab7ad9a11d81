#include "console/output/d2xx_unit.h"

#include <gtest/gtest.h>

#include "console/output/dmx_interface.h"
#include "console/output/ftdi_d2xx_driver.h"
#include "console/output/widget_link.h"
#include "platform/operator.h"
#include "tests/output/output_fakes.h"
#include "tests/support/dialog_recorder.h"

namespace {

// A driver whose every call answers with one status.
class StatusDriver : public ScriptedD2xx {
 public:
  FT_STATUS resetDevice(FT_HANDLE) override { return status; }
  FT_STATUS status = 0;
};

TEST(D2XXUnit, NoDeviceCountsZeroWithoutADialog) {
  D2XXUnit unit(std::make_unique<ScriptedD2xx>(), testOperator());
  DialogRecorder dialogs;
  EXPECT_EQ(unit.GetFTDeviceCount(), 0u);
  EXPECT_EQ(unit.deviceCount(), 0u);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(D2XXUnit, ListsSerialNumbersAndDescriptionsByIndex) {
  auto driver = std::make_unique<ScriptedD2xx>();
  driver->devices = {{"EN123456", "DMX USB PRO"}, {"A longer serial than fits in sixteen", "x"}};
  D2XXUnit unit(std::move(driver), testOperator());
  EXPECT_EQ(unit.GetFTDeviceCount(), 0u);
  EXPECT_EQ(unit.deviceCount(), 2u);
  EXPECT_EQ(unit.GetFTDeviceSerialNo(0), 0u);
  EXPECT_EQ(unit.listedText(), "EN123456");
  EXPECT_EQ(unit.GetFTDeviceDescription(0), 0u);
  EXPECT_EQ(unit.listedText(), "DMX USB PRO");
  EXPECT_EQ(unit.GetFTDeviceSerialNo(1), 0u);
  EXPECT_EQ(unit.listedText(), "A longer serial");  // 15 characters and the NUL
}

TEST(D2XXUnit, OpenCutsTheSerialTo49Characters) {
  auto driver = std::make_unique<ScriptedD2xx>();
  ScriptedD2xx* d = driver.get();
  D2XXUnit unit(std::move(driver), testOperator());
  DialogRecorder dialogs;
  dialogs.answerDefaults = true;
  unit.Open_USB_Device_By_Serial_Number(QString(60, 'S'));
  ASSERT_EQ(d->openedSerials.size(), 1);
  EXPECT_EQ(d->openedSerials[0], QByteArray(49, 'S'));
}

TEST(D2XXUnit, OpeningADeviceThatIsNotThereIsReported) {
  D2XXUnit unit(std::make_unique<ScriptedD2xx>(), testOperator());
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  EXPECT_NE(unit.Open_USB_Device_By_Serial_Number("NOPE"), 0u);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Open_USB_Device_By_Serial_Number - Device not found...");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Ok);
}

TEST(D2XXUnit, EachFailedCallShowsOneDialogWithItsStatusText) {
  const std::vector<std::pair<FT_STATUS, QString>> cases{
      {1, "FT_ResetDevice - Invalid handle..."},
      {8, "FT_ResetDevice Device not opened for erase..."},
      {9, "FT_ResetDevice Device not opened for write..."},
      {17, "FT_ResetDevice - Other error ..."},
      {18, ""},
  };
  for (const auto& [status, text] : cases) {
    auto driver = std::make_unique<StatusDriver>();
    driver->status = status;
    D2XXUnit unit(std::move(driver), testOperator());
    DialogRecorder dialogs;
    dialogs.answer(DialogResult::Ok);
    EXPECT_EQ(unit.ResetFTDevice(), status);
    ASSERT_EQ(dialogs.shown.size(), 1u) << status;
    EXPECT_EQ(dialogs.shown[0].text, text) << status;
  }
}

TEST(D2XXUnit, NoDialogWhileReportingIsOff) {
  auto driver = std::make_unique<StatusDriver>();
  driver->status = 4;
  D2XXUnit unit(std::move(driver), testOperator());
  unit.setErrorReport(false);
  DialogRecorder dialogs;
  EXPECT_EQ(unit.ResetFTDevice(), 4u);
  EXPECT_TRUE(dialogs.shown.empty());
}

// The D2XX link through the whole output.
struct DirectRig {
  explicit DirectRig(int type = 0) : host(S) {
    S.InterfaceType = type;
    S.DmxConnection = 1;
    S.MaxChannels = 512;
    S.InterfaceOpen = true;
    auto d = std::make_unique<ScriptedD2xx>();
    driver = d.get();
    driver->devices = {{"B2", "Pro"}};
    dmx = std::make_unique<DmxInterface>(S, host, testOperator(),
                                         DmxInterface::Parts{std::make_unique<FakePort>(), std::move(d), {}});
    FT_HANDLE ignored;
    driver->openEx("B2", FtFlag::OpenBySerialNumber, ignored);
  }
  ConsoleState S;
  RecordingHost host;
  ScriptedD2xx* driver;
  std::unique_ptr<DmxInterface> dmx;
};

TEST(D2xxLink, DmxFramesAreWrittenWhole) {
  DirectRig rig(2);
  rig.S.MaxChannels = 1024;
  rig.dmx->sendDMX();
  ASSERT_EQ(rig.driver->writes.size(), 2u);
  EXPECT_EQ(rig.driver->writes[0].left(5), hexBytes("7E64010200"));
  EXPECT_EQ(rig.driver->writes[1].left(5), hexBytes("7E65010200"));
  EXPECT_EQ(rig.driver->writes[1].size(), 518);
}

TEST(D2xxLink, AFailedDmxWriteWarnsOnceAndEveryLaterWriteIsAttempted) {
  DirectRig rig(3);
  rig.S.MaxChannels = 1024;
  rig.host.fading = true;
  rig.driver->writeStatus = 4;
  DialogRecorder dialogs;
  dialogs.answerDefaults = true;
  for (int tick = 0; tick < 10; ++tick) rig.dmx->sendDMX();
  ASSERT_EQ(dialogs.shown.size(), 1u);  // no "FT_Write" box per tick
  EXPECT_EQ(
      dialogs.shown[0].text,
      "What happened? The connection to the USB DMX interface went away!\n\rPlease check it and restart the "
      "program.");
  EXPECT_EQ(rig.host.fadeStops, 1);
  // The device stays open and both ports are written on every tick.
  EXPECT_TRUE(rig.S.InterfaceOpen);
  EXPECT_EQ(rig.driver->closes, 0);
  EXPECT_EQ(rig.driver->writeAttempts, 20);

  // The device answers again: the frames arrive, and nothing more is shown.
  rig.driver->writeStatus = 0;
  rig.dmx->sendDMX();
  ASSERT_EQ(rig.driver->writes.size(), 2u);
  EXPECT_EQ(rig.driver->writes[0].left(5), hexBytes("7E06010200"));
  EXPECT_EQ(rig.driver->writes[1].left(5), hexBytes("7EE6010200"));
  rig.driver->writeStatus = 4;
  rig.dmx->sendDMX();
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(rig.host.fadeStops, 1);
}

TEST(D2xxLink, RequestsReadAndDispatchTheAnswer) {
  DirectRig rig;
  rig.S.LogLevel = 1;
  rig.driver->replies = {widgetFrame(10, hexBytes("78563412"))};
  int handled = 0;
  QObject::connect(&rig.dmx->link(), &WidgetLink::replyHandled, [&](int) { ++handled; });
  rig.dmx->discovery().AskSerialNumber();
  EXPECT_EQ(rig.driver->writes[0], hexBytes("7E0A010000E7"));
  EXPECT_EQ(rig.dmx->link().replyState().WidgetSerial, "12345678");
  EXPECT_EQ(rig.dmx->link().replyState().WidgetLabel, 10);
  EXPECT_TRUE(rig.host.tool.contains("Got 7E 0A 04 00 78 56 34 12 E7 "));

  // No answer within the read timeout: nothing is dispatched.
  rig.dmx->discovery().AskSerialNumber();
  EXPECT_EQ(handled, 1);
}

TEST(D2xxLink, AVanishedDeviceGetsNoRequest) {
  DirectRig rig;
  rig.driver->queueStatus = 4;
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  rig.dmx->link().SendWidgetCommand(
      hexBytes("0A0100"
               "00"));
  EXPECT_TRUE(rig.driver->writes.empty());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "FT_GetQueueStatus - General IO error...");
}

TEST(D2xxLink, DmxInputIsShownWhileReading) {
  DirectRig rig;
  rig.S.MaxChannels = 3;
  rig.dmx->link().ReadingDmxIn = true;
  rig.driver->replies = {widgetFrame(5, hexBytes("0000"
                                                 "0A0B0C0D"))};
  rig.dmx->link().SendWidgetCommand(
      hexBytes("080100"
               "00"));
  EXPECT_EQ(rig.host.tool, QStringList{"DMX in: 0A 0B 0C "});  // shown whatever the log level
}

TEST(FtdiDriver, CountsDevicesWithoutFailingWhenThereAreNone) {
  // Whatever USB this machine has, listing never fails: no device found is a count of 0.
  FtdiD2xxDriver driver;
  uint32_t count = 99;
  EXPECT_EQ(driver.listDeviceCount(count), 0u);
  EXPECT_LT(count, 99u);
  FT_HANDLE handle = nullptr;
  EXPECT_NE(driver.openEx("NO-SUCH-SERIAL", FtFlag::OpenBySerialNumber, handle), 0u);
  EXPECT_EQ(driver.close(nullptr), FtStatus::InvalidHandle);
}

}  // namespace
