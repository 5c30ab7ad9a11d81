// The MIDI system of the program: RtMidi's ALSA sequencer input.
//
// Without an ALSA sequencer (no /dev/snd/seq, as on most servers and containers) MIDI input is off,
// which is said in one line on stderr. ALSA's and RtMidi's own error texts are kept off stderr:
// ALSA's through its error handler, RtMidi's through its error callback, and RtMidi is not started
// at all when the sequencer cannot be opened.

#include <RtMidi.h>
#include <alsa/asoundlib.h>

#include <QRegularExpression>
#include <cstdio>
#include <vector>

#include "console/remote/midi_input.h"

namespace {

// ALSA names a port "client:port client-number:port-number"; the numbers change from one session to
// the next, so the name without them is the device's product name.
QString productName(const std::string& portName) {
  static const QRegularExpression numbers(QStringLiteral("\\s+\\d+:\\d+$"));
  return QString::fromStdString(portName).remove(numbers);
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// Opens and closes the sequencer the way RtMidi does, with ALSA's error texts silenced.
bool sequencerPresent() {
  snd_lib_error_set_handler(&quietAlsa);
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return false;
  snd_seq_close(seq);
  return true;
}

class RtMidiPort : public MidiPort {
 public:
  QStringList deviceNames() override {
    QStringList names;
    if (!ensureInput()) return names;
    try {
      const unsigned count = in_->getPortCount();
      for (unsigned i = 0; i < count; ++i) names.append(productName(in_->getPortName(i)));
    } catch (const RtMidiError&) {
      names.clear();
    }
    return names;
  }

  bool open(int index, Sink sink) override {
    close();
    if (index < 0 || !ensureInput()) return false;
    sink_ = std::move(sink);
    try {
      in_->ignoreTypes(true, false, true);  // system exclusive and active sensing are not wanted
      in_->setCallback(&RtMidiPort::received, this);
      callbackSet_ = true;
      in_->openPort(unsigned(index), "vqlighting input");
      return in_->isPortOpen();
    } catch (const RtMidiError&) {
      close();
      return false;
    }
  }

  void close() override {
    if (!in_) return;
    try {
      if (in_->isPortOpen()) in_->closePort();
      if (callbackSet_) in_->cancelCallback();
    } catch (const RtMidiError&) {
      // Closing a device that has gone away has nothing left to undo.
    }
    callbackSet_ = false;
    sink_ = nullptr;
  }

  ~RtMidiPort() override { close(); }

 private:
  bool ensureInput() {
    if (in_) return true;
    if (sequencerPresent()) {
      try {
        in_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "vqlighting");
        // Errors after this are seen in the results (no port names, a port that did not open).
        in_->setErrorCallback(&RtMidiPort::libraryError, this);
      } catch (const RtMidiError&) {
        in_.reset();
      }
    }
    if (!in_ && !reported_) {
      reported_ = true;
      std::fputs("MIDI input is off: no ALSA sequencer on this machine\n", stderr);
    }
    return in_ != nullptr;
  }

  static void libraryError(RtMidiError::Type, const std::string&, void*) {}

  static void received(double, std::vector<unsigned char>* message, void* user) {
    auto* self = static_cast<RtMidiPort*>(user);
    if (message && self->sink_) self->sink_(std::span<const uint8_t>(message->data(), message->size()));
  }

  std::unique_ptr<RtMidiIn> in_;
  bool reported_ = false;  // the line about a missing sequencer has been written
  bool callbackSet_ = false;
  Sink sink_;
};

}  // namespace

std::unique_ptr<MidiPort> makeSystemMidiPort() { return std::make_unique<RtMidiPort>(); }
