// The MIDI system of the program: RtMidi's ALSA sequencer input.

#include <RtMidi.h>

#include <QRegularExpression>
#include <vector>

#include "console/remote/midi_input.h"

namespace {

// ALSA names a port "client:port client-number:port-number"; the numbers change from one session to
// the next, so the name without them is the device's product name.
QString productName(const std::string& portName) {
  static const QRegularExpression numbers(QStringLiteral("\\s+\\d+:\\d+$"));
  return QString::fromStdString(portName).remove(numbers);
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
    try {
      in_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "vqlighting");
    } catch (const RtMidiError&) {
      in_.reset();  // no ALSA sequencer on this machine: no MIDI devices
    }
    return in_ != nullptr;
  }

  static void received(double, std::vector<unsigned char>* message, void* user) {
    auto* self = static_cast<RtMidiPort*>(user);
    if (message && self->sink_) self->sink_(std::span<const uint8_t>(message->data(), message->size()));
  }

  std::unique_ptr<RtMidiIn> in_;
  bool callbackSet_ = false;
  Sink sink_;
};

}  // namespace

std::unique_ptr<MidiPort> makeSystemMidiPort() { return std::make_unique<RtMidiPort>(); }
