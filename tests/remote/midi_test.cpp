// MIDI input: the control map as a table, the input's queue and event, and the system's device list.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>
#include <cstdio>
#include <thread>

#include "console/engine/console_state.h"
#include "console/remote/midi_control.h"
#include "console/remote/midi_input.h"

namespace {

// The main window as the map sees it: cue rows with their numbers, and a record of what was done.
class FakeMidiHost : public MidiHost {
 public:
  explicit FakeMidiHost(ConsoleState& state) : S(state) {}
  int cueNumber(int row) const override {
    return row >= 1 && row <= int(numbers.size()) ? numbers[size_t(row - 1)] : 0;
  }
  void selectRow(int row) override {
    selected = row;
    calls << "select " + QString::number(row);
  }
  void CueListClicked(int play) override {
    if (failSelection) throw std::runtime_error("selection failed");
    S.Rows.CurrentCue = selected;
    calls << "clicked " + QString::number(play);
  }
  void btnPlayClick() override { calls << "GO"; }
  void btnBlackClick() override { calls << "black"; }
  void toolLog(const QString& line) override { tool << line; }
  void writeLog(const QString& line) override { log << line; }

  ConsoleState& S;
  std::vector<int> numbers;
  int selected = 0;
  bool failSelection = false;
  QStringList calls, tool, log;
};

class FakeSubmasters : public MidiSubmasters {
 public:
  QString stripTitle(int strip) const override { return titles[size_t(strip)]; }
  void Setsub(int strip) override { calls << "Setsub " + QString::number(strip); }
  int setFader(int strip, int value) override {
    faders[size_t(strip)] = std::clamp(value, 0, 100);
    calls << QString("fader %1 = %2").arg(strip).arg(value);
    return faders[size_t(strip)];
  }
  void setCurrentStrip(int strip) override { calls << "current " + QString::number(strip); }

  std::array<QString, 8> titles{"A", "B", "C", "D", "E", "F", "G", "H"};
  std::array<int, 8> faders{};
  QStringList calls;
};

// A MIDI system of the test: named devices, one of which may refuse to open.
class FakeMidiPort : public MidiPort {
 public:
  QStringList deviceNames() override { return names; }
  bool open(int index, Sink sink) override {
    if (index == refuse || index < 0 || index >= names.size()) return false;
    opened = index;
    sink_ = std::move(sink);
    return true;
  }
  void close() override {
    opened = -1;
    sink_ = nullptr;
  }
  void send(std::initializer_list<uint8_t> bytes) {
    const std::vector<uint8_t> m(bytes);
    if (sink_) sink_(m);
  }
  QStringList names{"Fader Box", "Pads & Knobs"};
  int refuse = -1;
  int opened = -1;

 private:
  Sink sink_;
};

struct MapRig {
  MapRig() : host(S), map(S, host) {
    S.MidiReady = true;
    S.Cues.CueCount = 4;
    host.numbers = {100, 500, 250, 300};  // out of order: cue 5 is row 2
    map.setSubmasters(&subs);
  }
  bool apply(int status, int data1, int data2) {
    return map.apply({uint8_t(status), uint8_t(data1), uint8_t(data2)});
  }
  ConsoleState S;
  FakeMidiHost host;
  FakeSubmasters subs;
  MidiControlMap map;
};

void processEvents() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

TEST(MidiFaderScale, BothFormulasExactly) {
  struct Case {
    int value, level, pickup;
  };
  // level = Trunc((value + 1) / 1.27), pickup = Round(value / 1.27).
  const Case cases[] = {{0, 0, 0},    {1, 1, 1},     {2, 2, 2},      {63, 50, 50},
                        {64, 51, 50}, {100, 79, 79}, {126, 100, 99}, {127, 100, 100}};
  for (const Case& c : cases) {
    EXPECT_EQ(MidiControlMap::levelFader(c.value), c.level) << c.value;
    EXPECT_EQ(MidiControlMap::pickupFader(c.value), c.pickup) << c.value;
  }
  for (int v = 0; v < 128; ++v) {
    EXPECT_EQ(MidiControlMap::levelFader(v), int((v + 1) * 100.0L / 127.0L + 1e-12L)) << v;
    EXPECT_EQ(MidiControlMap::pickupFader(v), int(std::nearbyint(v * 100.0 / 127.0))) << v;
  }
}

TEST(MidiControlMap, ControllersAsATable) {
  struct Case {
    const char* what;
    int status, data1, data2;
    int16_t controlBefore;  // MidiControls of the strip the controller names
    QStringList subCalls;
    QStringList hostCalls;
    int16_t controlAfter;
  };
  const Case cases[] = {
      {"CC 3, 127, channel 1", 0xB0, 3, 127, 0, {"Setsub 0", "fader 0 = 100"}, {}, 100},
      {"CC 3, 127, channel 16", 0xBF, 3, 127, 0, {"Setsub 0", "fader 0 = 100"}, {}, 100},
      {"CC 3, 0", 0xB0, 3, 0, 40, {"fader 0 = 0"}, {}, 0},
      {"CC 3, marked already", 0xB0, 3, 64, 20, {"fader 0 = 51"}, {}, 51},
      {"CC 10 is strip 8", 0xB5, 10, 126, 0, {"Setsub 7", "fader 7 = 100"}, {}, 100},
      {"CC 23, 64 under 70", 0xB0, 23, 64, 70, {"current 0", "fader 0 = 70"}, {}, 70},
      {"CC 23, 64, unmarked", 0xB0, 23, 64, 0, {"current 0", "Setsub 0", "fader 0 = 50"}, {}, 0},
      {"CC 30, 127 over 20", 0xB3, 30, 127, 20, {"current 7", "fader 7 = 100"}, {}, 20},
      {"CC 123", 0xB0, 123, 0, 0, {}, {"black"}, 0},
      {"CC 123, channel 10", 0xB9, 123, 127, 0, {}, {"black"}, 0},
      {"CC 2", 0xB0, 2, 127, 0, {}, {}, 0},
      {"CC 11", 0xB0, 11, 127, 0, {}, {}, 0},
      {"CC 22", 0xB0, 22, 127, 0, {}, {}, 0},
      {"CC 31", 0xB0, 31, 127, 0, {}, {}, 0},
      {"pitch bend", 0xE0, 3, 127, 0, {}, {}, 0},
      {"note off", 0x80, 6, 64, 0, {}, {}, 0},
  };
  for (const Case& c : cases) {
    MapRig rig;
    const int strip = c.data1 >= 23 ? c.data1 - 23 : c.data1 - 3;
    const bool strips = (c.data1 >= 3 && c.data1 <= 10) || (c.data1 >= 23 && c.data1 <= 30);
    if (strips) rig.S.MidiControls[size_t(strip)] = c.controlBefore;
    rig.S.Unrecorded = true;
    EXPECT_TRUE(rig.apply(c.status, c.data1, c.data2)) << c.what;
    EXPECT_EQ(rig.subs.calls, c.subCalls) << c.what;
    EXPECT_EQ(rig.host.calls, c.hostCalls) << c.what;
    if (strips) {
      EXPECT_EQ(rig.S.MidiControls[size_t(strip)], c.controlAfter) << c.what;
    }
    // Every control change clears the unrecorded flag; other messages leave it.
    EXPECT_EQ(rig.S.Unrecorded, (c.status & 0xF0) != 0xB0) << c.what;
  }
}

TEST(MidiControlMap, NotesAndProgramChangesAsATable) {
  struct Case {
    const char* what;
    int status, data1, data2;
    int currentRow;
    QStringList calls;
  };
  // Rows: 1 = cue 1, 2 = cue 5, 3 = cue 2.5, 4 = cue 3 (the last row).
  const Case cases[] = {
      {"note 6 selects cue 5 and plays it", 0x90, 6, 100, 1, {"select 2", "clicked 1", "GO"}},
      {"velocity 0 too, any channel", 0x9C, 6, 0, 1, {"select 2", "clicked 1", "GO"}},
      // The selected row's index is what a note is compared with, not that row's cue number.
      {"cue 5 selected in row 2: selected and played again",
       0x90,
       6,
       100,
       2,
       {"select 2", "clicked 1", "GO"}},
      {"row 3 selected, note 4 (3 = the row's index): nothing", 0x90, 4, 100, 3, {}},
      {"row 5 selected, note 6: nothing", 0x90, 6, 100, 5, {}},
      {"row 2 selected, cue 2 asked for: no cue 2", 0x90, 3, 100, 1, {}},
      {"row 2 selected, note 3 (2 = the row's index): nothing", 0x90, 3, 100, 2, {}},
      {"cue 3 is the last row: no GO", 0x90, 4, 100, 1, {"select 4", "clicked 1"}},
      {"no such cue", 0x90, 10, 100, 1, {}},
      {"note 0 is no cue", 0x90, 0, 100, 1, {}},
      {"program 2 selects cue 1 without GO", 0xC0, 2, 0, 3, {"select 1", "clicked 0"}},
      {"program 2 even when cue 1 is selected", 0xC4, 2, 0, 1, {"select 1", "clicked 0"}},
      {"program 4 selects the last row", 0xC0, 4, 0, 1, {"select 4", "clicked 0"}},
      {"program of no cue", 0xC0, 9, 0, 1, {}},
  };
  for (const Case& c : cases) {
    MapRig rig;
    rig.S.Rows.CurrentCue = c.currentRow;
    rig.S.Unrecorded = true;
    EXPECT_TRUE(rig.apply(c.status, c.data1, c.data2)) << c.what;
    EXPECT_EQ(rig.host.calls, c.calls) << c.what;
    EXPECT_TRUE(rig.S.Unrecorded) << c.what;
  }
}

TEST(MidiControlMap, AFailingSelectionIsLoggedAndTheFirstRowSelected) {
  MapRig rig;
  rig.S.LogLevel = 1;
  rig.host.failSelection = true;
  EXPECT_TRUE(rig.apply(0x90, 6, 1));
  EXPECT_EQ(rig.host.log, QStringList{"Midi error in row 5"});
  EXPECT_EQ(rig.host.calls, QStringList({"select 2", "select 1"}));
  EXPECT_EQ(rig.host.tool, QStringList{"MIDI: 144.6.1"});
  rig.S.LogLevel = 0;
  rig.host.log.clear();
  rig.apply(0xC0, 2, 0);
  EXPECT_TRUE(rig.host.log.isEmpty());
}

TEST(MidiControlMap, TraceLinesOnlyWithLogging) {
  MapRig rig;
  rig.apply(0xB3, 3, 127);
  EXPECT_TRUE(rig.host.tool.isEmpty());
  rig.S.LogLevel = 1;
  rig.apply(0xB3, 3, 127);
  rig.apply(0xF8, 0, 0);
  EXPECT_EQ(rig.host.tool, QStringList({"MIDI: 176.3.127", "MIDI: 240.0.0"}));
}

TEST(MidiControlMap, WithoutSubmastersFaderControllersMoveNothing) {
  MapRig rig;
  rig.map.setSubmasters(nullptr);
  rig.S.Unrecorded = true;
  EXPECT_TRUE(rig.apply(0xB0, 3, 127));
  EXPECT_TRUE(rig.apply(0xB0, 23, 127));
  EXPECT_EQ(rig.S.MidiControls[0], 0);
  EXPECT_FALSE(rig.S.Unrecorded);
}

TEST(MidiInputEvent, AnUnusedStripEndsTheEventAndTheRestWaits) {
  MapRig rig;
  rig.subs.titles[1] = "Unused";
  auto port = std::make_unique<FakeMidiPort>();
  FakeMidiPort* fake = port.get();
  TMidiInput input(std::move(port));
  ASSERT_TRUE(input.OpenAndStart(0));
  rig.S.Unrecorded = true;
  fake->send({0xB0, 3, 127});  // strip 1
  fake->send({0xB0, 4, 127});  // strip 2: "Unused"
  fake->send({0xB0, 5, 127});  // strip 3: waits
  fake->send({0xB0, 123, 0});  // black-out: waits
  rig.map.MidiInput1MidiInput(input);
  EXPECT_EQ(rig.subs.calls, QStringList({"Setsub 0", "fader 0 = 100"}));
  EXPECT_TRUE(rig.host.calls.isEmpty());
  EXPECT_EQ(input.MessageCount(), 2);
  EXPECT_FALSE(rig.S.Unrecorded) << "cleared by the first controller";
  rig.S.Unrecorded = true;
  rig.map.MidiInput1MidiInput(input);  // the next event
  EXPECT_EQ(rig.subs.calls.mid(2), QStringList({"Setsub 2", "fader 2 = 100"}));
  EXPECT_EQ(rig.host.calls, QStringList{"black"});
  EXPECT_EQ(input.MessageCount(), 0);
  EXPECT_FALSE(rig.S.Unrecorded);
}

TEST(MidiInputEvent, MessagesBeforeMidiReadyAreDroppedNotReplayed) {
  MapRig rig;
  rig.S.MidiReady = false;
  auto port = std::make_unique<FakeMidiPort>();
  FakeMidiPort* fake = port.get();
  TMidiInput input(std::move(port));
  ASSERT_TRUE(input.OpenAndStart(0));
  fake->send({0x90, 6, 100});
  fake->send({0xB0, 123, 0});
  rig.map.MidiInput1MidiInput(input);
  EXPECT_EQ(input.MessageCount(), 0);
  rig.S.MidiReady = true;
  rig.map.MidiInput1MidiInput(input);
  EXPECT_TRUE(rig.host.calls.isEmpty());
  fake->send({0xC0, 2, 0});
  rig.map.MidiInput1MidiInput(input);
  EXPECT_EQ(rig.host.calls, QStringList({"select 1", "clicked 0"}));
}

TEST(MidiInputQueue, MessagesFromAnotherThreadArriveAsOneEventOnThisThread) {
  auto port = std::make_unique<FakeMidiPort>();
  FakeMidiPort* fake = port.get();
  TMidiInput input(std::move(port));
  ASSERT_TRUE(input.OpenAndStart(1));
  EXPECT_EQ(fake->opened, 1);
  int events = 0;
  QObject::connect(&input, &TMidiInput::MidiInput, [&] {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    ++events;
  });
  std::thread sender([&] {
    fake->send({0xB0, 3, 1});
    fake->send({0xFE});                 // active sensing: not queued
    fake->send({0xF0, 1, 2, 3, 0xF7});  // system exclusive: not queued
    fake->send({0x40, 1});              // no status byte
    fake->send({0xC0, 7});              // two bytes
  });
  sender.join();
  EXPECT_EQ(input.MessageCount(), 2);
  processEvents();
  EXPECT_EQ(events, 1);
  const auto first = input.GetMidiEvent();
  const auto second = input.GetMidiEvent();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->status, 0xB0);
  EXPECT_EQ(first->data2, 1);
  EXPECT_EQ(second->status, 0xC0);
  EXPECT_EQ(second->data1, 7);
  EXPECT_EQ(second->data2, 0);
  EXPECT_FALSE(input.GetMidiEvent());
  // A new arrival posts a new event.
  fake->send({0x90, 1, 1});
  processEvents();
  EXPECT_EQ(events, 2);
}

TEST(MidiInputQueue, TheQueueIsBounded) {
  auto port = std::make_unique<FakeMidiPort>();
  FakeMidiPort* fake = port.get();
  TMidiInput input(std::move(port));
  ASSERT_TRUE(input.OpenAndStart(0));
  for (size_t i = 0; i < TMidiInput::kMaxQueued + 100; ++i) fake->send({0xB0, 3, uint8_t(i & 0x7F)});
  EXPECT_EQ(input.MessageCount(), int(TMidiInput::kMaxQueued));
  input.StopAndClose();
  EXPECT_EQ(fake->opened, -1);
  EXPECT_FALSE(input.isOpen());
}

TEST(MidiSystem, WithoutAnAlsaSequencerThereAreNoDevicesAndNothingFails) {
  std::unique_ptr<MidiPort> system = makeSystemMidiPort();
  QStringList names;
  EXPECT_NO_THROW(names = system->deviceNames());
  if (!QFileInfo::exists("/dev/snd/seq")) {
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(system->open(0, [](std::span<const uint8_t>) {}));
  }
  EXPECT_NO_THROW(system->close());
}

namespace {
// What is written to the process's stderr (descriptor 2) while `run` runs.
QByteArray stderrOf(const std::function<void()>& run) {
  QTemporaryFile file;
  if (!file.open()) return "cannot capture stderr";
  std::fflush(stderr);
  const int saved = ::dup(2);
  ::dup2(file.handle(), 2);
  run();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  file.seek(0);
  return file.readAll();
}
}  // namespace

TEST(MidiSystem, WithoutAnAlsaSequencerOneClearLineAndNoLibraryNoise) {
  if (QFileInfo::exists("/dev/snd/seq")) GTEST_SKIP() << "this machine has an ALSA sequencer";
  const QByteArray written = stderrOf([] {
    std::unique_ptr<MidiPort> system = makeSystemMidiPort();
    system->deviceNames();
    system->deviceNames();  // the devices listed again (the "None" item): no second line
    system->open(0, [](std::span<const uint8_t>) {});
    system->close();
  });
  EXPECT_EQ(written, "MIDI input is off: no ALSA sequencer on this machine\n");
}
