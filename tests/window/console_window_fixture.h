#pragma once

// A whole main window in the test process: its own settings file and show in a temporary folder
// (side files follow the show), the USB Pro widget simulator on a pseudo-terminal as its interface,
// dialogs answered by a recorder. The window's waits and timers run on a test clock, in virtual time:
// its timers fire only as the test advances the clock (or a wait of the window does); tick() moves
// the clock on by one fade interval, so a running fade timer fires once.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "console/engine/cue_record.h"
#include "console/output/serial_widget_port.h"
#include "console/window/main_window.h"
#include "platform/clock.h"
#include "platform/file_dialog.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/event_wait.h"
#include "tests/support/test_clock.h"
#include "tools/usbpro_sim/widget_simulator.h"

struct ConsoleWindow {
  QTemporaryDir dir;
  cue_test::CurrentDirGuard cwd;
  WidgetSimulator widget;
  ConsoleState S;
  DialogRecorder dialogs;
  TestClock clock;
  std::unique_ptr<Tform1> form;
  // The web remote's pipe: one of the test process's own unless a test needs the real name.
  QString pipeName = QString("vqlighting-window-test-%1").arg(QCoreApplication::applicationPid());
  // The console's file choosers, answered by the test (unset: cancelled).
  std::function<QString(const FileDialogSpec&)> chooseFile;

  ConsoleWindow() {
    dialogs.answerDefaults = true;
    setFileDialogHandler(
        [this](const FileDialogSpec& spec) { return chooseFile ? chooseFile(spec) : QString(); });
  }
  ~ConsoleWindow() {
    if (form && form->dmx()) form->dmx()->CloseDMXInterface();
    setFileDialogHandler({});
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  // A show of `records` with the channel-count field of `channels` written with FileSource off, and
  // a one-to-one soft patch beside it.
  void writeShow(std::vector<CueRecord> records, int channels = 16) {
    for (CueRecord& r : records) r.channelCountField = int16_t(channels * 10 + 1);
    cue_test::writeCueFile(path("show.lcue"), records);
  }
  static CueRecord cue(int number, std::initializer_list<std::pair<int, int>> levels, int up = 0,
                       int down = -1) {
    CueRecord c = cue_test::cue(number, QString("Cue %1").arg(number / 100.0), up, down < 0 ? up : down);
    for (auto [ch, level] : levels) c.levels[ch - 1] = char(level);
    return c;
  }

  // Starts the window as the program does: settings, grid, interface, show, first activation. The
  // start-up dialogs (the show's missing side files) get their default answers and are recorded;
  // from then on a dialog the test did not queue an answer for fails the test.
  void start(const QString& extraSettings = {}, int channels = 16) {
    dialogs.answerDefaults = true;
    QFile ini(path("vqlighting.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QString("[Settings]\nMaxChannels=%1\nDMXdevice=4\nComPort=%2\nFileSource=0\nFSPort="
                      "0\nOSCListen=0\n%3\n[CueFile]\nLast=%4\n")
                  .arg(channels)
                  .arg(widget.devicePath(), extraSettings, path("show.lcue"))
                  .toUtf8());
    ini.close();
    S.MainIniFile = path("vqlighting.ini");
    S.RemotePort = 0;  // the fixed remote port and pipe name belong to the whole-program tests
    S.ArtNetPort = 0;  // and so does the Art-Net port
    S.RemotePipeName = pipeName;
    form = std::make_unique<Tform1>(S, QStringList{"vqlighting"}, nullptr, nullptr, &clock);
    form->StartupStage2();
    form->FormActivate();
    dialogs.answerDefaults = false;
  }

  // Starts with the show's missing side files made new, without an existing file as their base,
  // so that later opening and saving ask nothing more about them.
  void startWithNewSideFiles(const QString& extraSettings = {}, int channels = 16) {
    for (int i = 0; i < 8; ++i) dialogs.answer(DialogResult::No);
    start(extraSettings, channels);
    dialogs.answers.clear();
  }

  // The last DMX frame the widget received (its slots after the start code).
  QByteArray lastLevels() {
    settle();
    for (auto it = widget.frames().rbegin(); it != widget.frames().rend(); ++it)
      if (it->label == 100 || it->label == 6) return it->payload.mid(1);
    return {};
  }
  // Lets the frames written so far arrive at the simulator: returns once the console has no byte
  // waiting to go out and the simulator has read every byte the console handed the device.
  void settle() {
    SerialWidgetPort* port =
        form && form->dmx() ? dynamic_cast<SerialWidgetPort*>(&form->dmx()->serialPort()) : nullptr;
    // What the console has posted to itself runs first (it may write more).
    ::pumpEvents();
    // Once either end is closed (an unplugged widget, a closed interface) nothing more arrives.
    waitForEvents([&] {
      return !(port && port->isOpen() && widget.isOpen() &&
               (port->writesPending() || widget.bytesRead() < port->bytesDelivered()));
    });
  }

  // Moves virtual time on by `n` fade intervals: every timer due meanwhile fires, the fade timer
  // (while it runs) once per interval.
  void tick(int n = 1) {
    for (int i = 0; i < n; ++i) clock.advance(S.FadeInterval);
  }
};
