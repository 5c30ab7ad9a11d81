#pragma once

// What the whole-window benchmarks share: a USB Pro widget simulator that runs on a thread of its
// own (so the pseudo-terminal is drained while the console's thread writes, as real hardware
// drains it), shows written with the console's record writer, and a main window started in the
// benchmark's process with its own settings file and show in a temporary folder.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "console/engine/cue_record.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/record_file.h"
#include "tools/usbpro_sim/widget_simulator.h"

namespace bench {

inline int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A widget simulator on its own thread. Frames are counted (and dropped, so a long run does not
// keep them); `onFrame` runs on the simulator's thread for every frame received.
class ThreadedWidget {
 public:
  using FrameHook = std::function<void(const WidgetSimulator::Frame&, int64_t ns)>;

  explicit ThreadedWidget(FrameHook onFrame = {}) : hook_(std::move(onFrame)) {
    thread_.reset(QThread::create([this] { run(); }));
    thread_->start();
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
  }
  ~ThreadedWidget() {
    if (loop_)
      QMetaObject::invokeMethod(
          loop_, [this] { loop_->quit(); }, Qt::QueuedConnection);
    thread_->wait();
  }
  ThreadedWidget(const ThreadedWidget&) = delete;
  ThreadedWidget& operator=(const ThreadedWidget&) = delete;

  QString devicePath() const { return path_; }
  // DMX frames (labels 6, 100, 101, 102) and their bytes, 0x7E to 0xE7.
  uint64_t dmxFrames() const { return dmxFrames_.load(std::memory_order_acquire); }
  uint64_t dmxBytes() const { return dmxBytes_.load(std::memory_order_acquire); }
  uint64_t allFrames() const { return allFrames_.load(std::memory_order_acquire); }

  // Lets the calling thread's events run (the console's port writes what it still holds) until the
  // simulator has received `count` DMX frames in all. False on time-out.
  bool waitForDmxFrames(uint64_t count, int timeoutMs = 5000) const {
    const int64_t deadline = nowNs() + int64_t(timeoutMs) * 1000000;
    while (dmxFrames() < count) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (nowNs() > deadline) return false;
    }
    return true;
  }

  static bool isDmxLabel(uint8_t label) { return label == 6 || label == 100 || label == 101 || label == 102; }

 private:
  void run() {
    WidgetSimulator widget;
    QEventLoop loop;
    widget.setFrameHandler([this, &widget](const WidgetSimulator::Frame& frame) {
      const int64_t t = nowNs();
      if (isDmxLabel(frame.label)) {
        dmxBytes_.fetch_add(uint64_t(frame.raw.size()), std::memory_order_release);
        dmxFrames_.fetch_add(1, std::memory_order_release);
      }
      allFrames_.fetch_add(1, std::memory_order_release);
      if (hook_) hook_(frame, t);
      widget.clearFrames();
    });
    {
      std::lock_guard lock(mutex_);
      path_ = widget.devicePath();
      loop_ = &loop;
      started_ = true;
    }
    ready_.notify_all();
    loop.exec();
    loop_ = nullptr;
  }

  FrameHook hook_;
  std::unique_ptr<QThread> thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  QEventLoop* loop_ = nullptr;
  QString path_;
  std::atomic<uint64_t> dmxFrames_{0};
  std::atomic<uint64_t> dmxBytes_{0};
  std::atomic<uint64_t> allFrames_{0};
};

// Every dialog is answered with its default button and counted; each different one is printed once
// (to stderr), so a benchmark that ran into an unexpected question says so.
class QuietDialogs {
 public:
  QuietDialogs() {
    setDialogHandler([this](const MessageSpec& spec) {
      ++shown;
      const QString line = spec.title + " / " + QString(spec.text).replace('\n', ' ').replace('\r', ' ');
      if (!seen().contains(line)) {
        seen().append(line);
        std::fprintf(stderr, "dialog: %s\n", qPrintable(line));
      }
      return defaultAnswer(spec);
    });
  }
  ~QuietDialogs() { setDialogHandler({}); }
  int shown = 0;

 private:
  static QStringList& seen() {
    static QStringList lines;
    return lines;
  }
};

// A cue of `channels` levels that differ from cue to cue, with the given fade (tenths of a second).
inline CueRecord benchCue(int index, int channels, int fadeTenths, int channelCountField) {
  CueRecord c;
  c.cueNumber = (index + 1) * 100;
  c.setDescriptionText("Cue " + QString::number(index + 1) + " - scene of the benchmark show");
  c.fadeUpTime = fadeTenths;
  c.fadeDownTime = fadeTenths;
  c.timingMode = index % 4 == 3 ? 1 : 0;
  c.startMode = 0;
  c.channelCountField = int16_t(channelCountField);
  for (int ch = 0; ch < channels; ++ch) c.levels[ch] = char((ch * 7 + index * 13) % 256);
  return c;
}

// Writes a cue file with the console's record writer. False when the file cannot be written.
inline bool writeShow(const QString& path, const std::vector<CueRecord>& cues) {
  RecordFile file(kCueRecordSize);
  if (!file.create(path)) return false;
  for (size_t i = 0; i < cues.size(); ++i)
    if (!file.write(qint64(i), cues[i].encode())) return false;
  return file.flush();
}

// `count` cues for `channels` channels, written for the side files following the show
// (FileSource off), `fadeTenths` for every cue.
inline std::vector<CueRecord> benchShow(int count, int channels, int fadeTenths = 30) {
  std::vector<CueRecord> cues;
  cues.reserve(size_t(count));
  for (int i = 0; i < count; ++i) cues.push_back(benchCue(i, channels, fadeTenths, channels * 10 + 1));
  return cues;
}

// A main window in this process: settings (FileSource off, DMXking USBultra Pro on the simulator's
// pty, so up to 1024 channels are kept) and the show in a temporary folder. The show's folder becomes
// the current directory while it is read; the destructor puts the old one back.
class InProcessConsole {
 public:
  InProcessConsole(const QString& devicePath, int channels, const std::vector<CueRecord>& cues,
                   const QString& extraSettings = {})
      : savedDir_(QDir::currentPath()), state_(std::make_unique<ConsoleState>()) {
    ok_ = writeShow(dir_.filePath("show.lcue"), cues);
    QFile ini(dir_.filePath("vqlighting.ini"));
    ok_ = ok_ && ini.open(QIODevice::WriteOnly);
    ini.write(QString("[Settings]\nMaxChannels=%1\nDMXdevice=4\nComPort=%2\nFileSource=0\nFSPort=0\n%3\n"
                      "[CueFile]\nLast=%4\n")
                  .arg(channels)
                  .arg(devicePath, extraSettings, dir_.filePath("show.lcue"))
                  .toUtf8());
    ini.close();
    state_->MainIniFile = dir_.filePath("vqlighting.ini");
    state_->RemotePort = 0;  // no fixed port: a console of another run may hold it
    state_->ArtNetPort = 0;
  }
  ~InProcessConsole() {
    if (form_ && form_->dmx()) form_->dmx()->CloseDMXInterface();
    form_.reset();
    QDir::setCurrent(savedDir_);
  }

  bool ok() const { return ok_; }
  ConsoleState& S() { return *state_; }
  Tform1& form() { return *form_; }
  QString path(const QString& name) const { return dir_.filePath(name); }

  // Only the window's construction (the grid is built here).
  void construct() { form_ = std::make_unique<Tform1>(*state_, QStringList{"vqlighting"}, nullptr); }
  void destroy() {
    if (form_ && form_->dmx()) form_->dmx()->CloseDMXInterface();
    form_.reset();
  }

  // Starts as the program does. Unshown: the second stage and the first activation are called
  // directly (as the window tests do). Shown: the window is shown and its queued second stage runs
  // from the event loop, as in the program.
  bool start(bool shown = false) {
    construct();
    if (!shown) {
      form_->StartupStage2();
      form_->FormActivate();
    } else {
      form_->show();
      const int64_t deadline = nowNs() + 20'000'000'000;
      while (!(state_->Cues.CuesLoaded && !state_->FirstActivation) && nowNs() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      if (state_->FirstActivation) form_->FormActivate();
    }
    return state_->Cues.CuesLoaded && state_->InterfaceOpen;
  }

 private:
  QString savedDir_;
  QTemporaryDir dir_;
  std::unique_ptr<ConsoleState> state_;
  std::unique_ptr<Tform1> form_;
  bool ok_ = false;
};

// Patches every channel to two addresses: one in the first half of the addresses at full level and
// its twin in the second half at 50 % (channels ch and ch + n/2 share a pair).
inline void patchTwoAddresses(ConsoleState& S) {
  const int n = S.MaxChannels, half = n / 2;
  for (int ch = 1; ch <= n; ++ch) {
    const int full = (ch - 1) % half + 1, proportional = full + half;
    S.Patch.PatchTable.set(ch, "|" + QString::number(full) + "|" + QString::number(proportional) + "|", n);
    S.Patch.PatchPercent[full] = 100;
    S.Patch.PatchPercent[proportional] = 50;
  }
}

// Arms every channel to fade slowly upwards for a long time: nothing lands during a benchmark.
inline void armSlowFadeOfAllChannels(ConsoleState& S) {
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    S.CurrentLevels[ch] = 0;
    S.TargetLevels[ch] = 255;
    S.LevelSteps[ch] = 1e-4f;
    S.UpDelayTicks[ch] = -1;
    S.DownDelayTicks[ch] = -1;
    S.ChannelLocked[ch - 1] = false;
  }
  S.MasterFadeActive = false;
  S.FadeTick = 0;
  S.FadeTotalTicks = 1 << 30;
  S.FadeIdle = false;
}

}  // namespace bench
