#pragma once

// A USB Pro widget on a pseudo-terminal. The console opens devicePath() as its serial port; the
// simulator answers the serial-number (label 10) and parameters (label 3) requests, records every
// frame it receives and can send DMX input (label 5). Closing it (unplug() or destruction) is
// pulling the widget's plug: the console's port then fails.
//
// Event-driven on the thread that created it, so it runs inside a test next to the console's own
// port, or in the usbpro_sim program.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

class WidgetSimulator {
 public:
  struct Frame {
    uint8_t label = 0;
    QByteArray payload;
    QByteArray raw;  // the whole frame, 0x7E to 0xE7
  };

  WidgetSimulator();
  ~WidgetSimulator();
  WidgetSimulator(const WidgetSimulator&) = delete;
  WidgetSimulator& operator=(const WidgetSimulator&) = delete;

  bool isOpen() const { return master_ >= 0; }
  // The device the console opens, e.g. /dev/pts/3.
  QString devicePath() const { return path_; }
  void unplug();

  // The serial number the widget reports (sent least significant byte first).
  void setSerialNumber(uint32_t serial) { serial_ = serial; }
  void setFirmware(uint8_t low, uint8_t high) {
    firmwareLow_ = low;
    firmwareHigh_ = high;
  }
  // A silent widget answers nothing (a port with some other device on it).
  void setAnswering(bool answering) { answering_ = answering; }

  // Sends a label-5 frame: receive status 0, start code 0, then the levels.
  void sendDmxInput(const QByteArray& levels);
  // A widget whose DMX input carries a signal: every reply is followed, in the same write, by a
  // label-5 frame of these levels. An empty array turns it off.
  void setLiveInput(const QByteArray& levels) { liveInput_ = levels; }
  // Sends bytes as they are.
  void sendRaw(const QByteArray& bytes);

  const std::vector<Frame>& frames() const { return frames_; }
  // Bytes read from the console since the simulator was made.
  qint64 bytesRead() const { return bytesRead_; }
  void clearFrames() { frames_.clear(); }
  // Runs for every frame received.
  void setFrameHandler(std::function<void(const Frame&)> handler) { onFrame_ = std::move(handler); }
  // Lets events run until `count` frames have been received in all, or `timeoutMs` passed.
  bool waitForFrames(size_t count, int timeoutMs);

  // Frames as the usbpro_sim program records them: the bytes in upper-case hex, separated by blanks.
  static QString frameText(const QByteArray& raw);

 private:
  void onReadable();
  void parse();
  void answer(const Frame& frame);

  int master_ = -1;
  int slave_ = -1;  // held open so the pty does not hang up while the console's port is closed
  QString path_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QByteArray input_;
  qint64 bytesRead_ = 0;
  std::vector<Frame> frames_;
  std::function<void(const Frame&)> onFrame_;
  std::function<void()> progress_;
  uint32_t serial_ = 0x12345678;
  uint8_t firmwareLow_ = 44;
  uint8_t firmwareHigh_ = 1;
  bool answering_ = true;
  QByteArray liveInput_;
};
