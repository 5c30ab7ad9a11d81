#pragma once

// The byte link to a widget's virtual serial port. The link layer writes whole frames and is handed
// the bytes that arrive; the real port (SerialWidgetPort) and test doubles implement it.

#include <QString>
#include <cstdint>
#include <functional>
#include <span>

class WidgetPort {
 public:
  virtual ~WidgetPort() = default;

  // Opens the named port (a device path) at 256000 baud, 8N1, no flow control. False when it
  // cannot be opened.
  virtual bool open(const QString& name) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Writes all bytes. False when the port failed (the device went away, or the port is closed).
  virtual bool write(std::span<const uint8_t> bytes) = 0;

  // Runs, on the main thread, with every chunk of bytes that arrives.
  void setReceiver(std::function<void(std::span<const uint8_t>)> receiver) {
    receiver_ = std::move(receiver);
  }

 protected:
  void deliver(std::span<const uint8_t> bytes) {
    if (receiver_) receiver_(bytes);
  }

 private:
  std::function<void(std::span<const uint8_t>)> receiver_;
};
