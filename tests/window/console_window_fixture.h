#pragma once

// A whole main window in the test process: its own settings file and show in a temporary folder
// (side files follow the show), the USB Pro widget simulator on a pseudo-terminal as its interface,
// dialogs answered by a recorder. Ticks of the fade timer are driven by hand.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "console/engine/cue_record.h"
#include "console/window/main_window.h"
#include "tests/engine/cue_test_util.h"
#include "platform/file_dialog.h"
#include "tests/support/dialog_recorder.h"
#include "tools/usbpro_sim/widget_simulator.h"

struct ConsoleWindow {
  QTemporaryDir dir;
  cue_test::CurrentDirGuard cwd;
  WidgetSimulator widget;
  ConsoleState S;
  DialogRecorder dialogs;
  std::unique_ptr<Tform1> form;
  // The console's file choosers, answered by the test (unset: cancelled).
  std::function<QString(const FileDialogSpec&)> chooseFile;

  ConsoleWindow() {
    dialogs.answerDefaults = true;
    setFileDialogHandler([this](const FileDialogSpec& spec) { return chooseFile ? chooseFile(spec) : QString(); });
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

  // Starts the window as the program does: settings, grid, interface, show, first activation.
  void start(const QString& extraSettings = {}, int channels = 16) {
    QFile ini(path("vqlighting.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QString("[Settings]\nMaxChannels=%1\nDMXdevice=4\nComPort=%2\nFileSource=0\nFSPort="
                      "0\nOSCListen=0\n%3\n[CueFile]\nLast=%4\n")
                  .arg(channels)
                  .arg(widget.devicePath(), extraSettings, path("show.lcue"))
                  .toUtf8());
    ini.close();
    S.MainIniFile = path("vqlighting.ini");
    S.RemotePort = 0;  // the fixed remote port belongs to the whole-program tests
    form = std::make_unique<Tform1>(S, QStringList{"vqlighting"}, nullptr);
    form->StartupStage2();
    form->FormActivate();
  }

  // The last DMX frame the widget received (its slots after the start code).
  QByteArray lastLevels() {
    widget.waitForFrames(widget.frames().size() + 1, 200);
    for (auto it = widget.frames().rbegin(); it != widget.frames().rend(); ++it)
      if (it->label == 100 || it->label == 6) return it->payload.mid(1);
    return {};
  }
  // Lets the frames written so far arrive at the simulator.
  void settle() { widget.waitForFrames(widget.frames().size() + 1000, 100); }

  void tick(int n = 1) {
    for (int i = 0; i < n; ++i) form->fadeTimerTimer();
  }
};
