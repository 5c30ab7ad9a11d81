#include "console/remote/midi_input.h"

#include <QMetaObject>

namespace {
constexpr uint8_t kSystemExclusive = 0xF0;
constexpr uint8_t kActiveSensing = 0xFE;
}  // namespace

TMidiInput::TMidiInput(std::unique_ptr<MidiPort> port, QObject* parent)
    : QObject(parent), port_(std::move(port)) {}

TMidiInput::~TMidiInput() { StopAndClose(); }

QStringList TMidiInput::deviceNames() { return port_ ? port_->deviceNames() : QStringList(); }

bool TMidiInput::OpenAndStart(int index) {
  StopAndClose();
  if (!port_) return false;
  clearQueue();
  open_ = port_->open(index, [this](std::span<const uint8_t> message) { receive(message); });
  return open_;
}

void TMidiInput::StopAndClose() {
  if (open_ && port_) port_->close();
  open_ = false;
}

int TMidiInput::MessageCount() const {
  std::lock_guard lock(mutex_);
  return int(queue_.size());
}

std::optional<MidiShortMessage> TMidiInput::GetMidiEvent() {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return std::nullopt;
  const MidiShortMessage m = queue_.front();
  queue_.pop_front();
  return m;
}

void TMidiInput::clearQueue() {
  std::lock_guard lock(mutex_);
  queue_.clear();
}

void TMidiInput::receive(std::span<const uint8_t> message) {
  if (message.empty() || message[0] == kActiveSensing || message[0] == kSystemExclusive) return;
  if (message[0] < 0x80) return;  // no status byte: not a message of its own
  MidiShortMessage m;
  m.status = message[0];
  m.data1 = message.size() > 1 ? message[1] : 0;
  m.data2 = message.size() > 2 ? message[2] : 0;
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kMaxQueued) return;
    queue_.push_back(m);
  }
  if (!eventPosted_.exchange(true))
    QMetaObject::invokeMethod(
        this,
        [this] {
          eventPosted_ = false;
          emit MidiInput();
        },
        Qt::QueuedConnection);
}
