#pragma once

// The MIDI input component: lists the MIDI input devices by product name, opens one, and keeps the
// short messages it receives in a queue that the main window empties from its MIDI event. The MIDI
// system behind it is a MidiPort: RtMidi on ALSA in the program, a fake in tests.
//
// Messages may arrive on the MIDI system's own thread; the event (the MidiInput signal) is always
// delivered on the thread that owns the component. Active sensing and system-exclusive messages are
// not queued.

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

struct MidiShortMessage {
  uint8_t status = 0;  // with its channel
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

// The MIDI system: its input devices and one open input.
class MidiPort {
 public:
  // Called with each received message, on any thread.
  using Sink = std::function<void(std::span<const uint8_t> message)>;
  virtual ~MidiPort() = default;
  // Product names by device index; empty when the machine has no MIDI system.
  virtual QStringList deviceNames() = 0;
  // Opens and starts device `index`. False when it cannot.
  virtual bool open(int index, Sink sink) = 0;
  // Stops and closes the open device; the sink is not called after this returns.
  virtual void close() = 0;
};

// The real MIDI system: RtMidi on ALSA. Without an ALSA sequencer it lists no devices.
std::unique_ptr<MidiPort> makeSystemMidiPort();

class TMidiInput : public QObject {
  Q_OBJECT
 public:
  explicit TMidiInput(std::unique_ptr<MidiPort> port, QObject* parent = nullptr);
  ~TMidiInput() override;

  // The devices, listed again at every call.
  QStringList deviceNames();
  // Opens and starts device `index`; the queue starts empty. False when it cannot be opened.
  bool OpenAndStart(int index);
  void StopAndClose();
  bool isOpen() const { return open_; }

  // The queue of received messages.
  int MessageCount() const;
  std::optional<MidiShortMessage> GetMidiEvent();
  void clearQueue();
  // Messages beyond this wait nowhere: they are dropped.
  static constexpr std::size_t kMaxQueued = 4096;

  // What a device delivers (any thread): queued, and the event posted when none is pending.
  void receive(std::span<const uint8_t> message);

 signals:
  // Messages are queued. Posted once per arrival while no earlier event is still pending.
  void MidiInput();

 private:
  std::unique_ptr<MidiPort> port_;
  bool open_ = false;
  mutable std::mutex mutex_;
  std::deque<MidiShortMessage> queue_;
  std::atomic<bool> eventPosted_{false};
};
