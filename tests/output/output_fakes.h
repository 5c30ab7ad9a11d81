#pragma once

// Test doubles of the output side: a main window that records what it is told, a serial port that
// records writes and can fail, a scripted D2XX driver and an Art-Net sink.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#include "console/engine/console_state.h"
#include "console/output/art_dmx_sink.h"
#include "console/output/d2xx_driver.h"
#include "console/output/output_host.h"
#include "console/output/widget_port.h"

inline QByteArray hexBytes(const char* hex) { return QByteArray::fromHex(hex); }
inline QByteArray toBytes(std::span<const uint8_t> s) {
  return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
}

class RecordingHost : public OutputHost {
 public:
  explicit RecordingHost(ConsoleState& state) : S(state) {}
  bool fadeTimerActive() const override { return fading; }
  void stopFadeTimer() override {
    fading = false;
    ++fadeStops;
  }
  void btnLiveclicked() override {
    S.LiveMode = !S.LiveMode;
    ++liveToggles;
  }
  void toolLog(const QString& line) override { tool << line; }
  void writeLog(const QString& line) override { log << line; }
  void addDevice(const QString& entry, bool select) override {
    devices << entry;
    if (select) selected = entry;
  }

  ConsoleState& S;
  bool fading = false;
  int fadeStops = 0;
  int liveToggles = 0;
  QStringList tool;
  QStringList log;
  QStringList devices;
  QString selected;
};

class FakePort : public WidgetPort {
 public:
  bool open(const QString& name) override {
    opened << name;
    if (!openable.isEmpty() && !openable.contains(name)) return false;
    isOpen_ = true;
    return true;
  }
  void close() override { isOpen_ = false; }
  bool isOpen() const override { return isOpen_; }
  bool write(std::span<const uint8_t> bytes) override {
    if (!isOpen_ || failWrites) return false;
    writes.push_back(toBytes(bytes));
    if (onWrite) onWrite(writes.back());
    return true;
  }
  // Bytes from the widget.
  void receive(const QByteArray& bytes) {
    deliver(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
  }

  QStringList openable;  // empty: every name opens
  QStringList opened;
  bool failWrites = false;
  std::vector<QByteArray> writes;
  std::function<void(const QByteArray&)> onWrite;

 private:
  bool isOpen_ = false;
};

class ScriptedD2xx : public D2xxDriver {
 public:
  struct Device {
    QByteArray serial;
    QByteArray description;
  };
  FT_STATUS listDeviceCount(uint32_t& count) override {
    count = uint32_t(devices.size());
    return countStatus;
  }
  FT_STATUS listDeviceByIndex(uint32_t index, char* buffer, uint32_t size, uint32_t flags) override {
    if (index >= devices.size()) return FtStatus::DeviceNotFound;
    const QByteArray& text =
        (flags & FtFlag::OpenBySerialNumber) ? devices[index].serial : devices[index].description;
    const auto n = std::min<size_t>(size_t(text.size()), size - 1);
    std::memcpy(buffer, text.constData(), n);
    buffer[n] = 0;
    return FtStatus::Ok;
  }
  FT_STATUS openEx(const char* serial, uint32_t, FT_HANDLE& handle) override {
    openedSerials << QByteArray(serial);
    for (const Device& d : devices)
      if (d.serial == serial) {
        handle = this;
        return FtStatus::Ok;
      }
    return FtStatus::DeviceNotFound;
  }
  FT_STATUS close(FT_HANDLE) override {
    ++closes;
    return FtStatus::Ok;
  }
  FT_STATUS read(FT_HANDLE, uint8_t* buffer, uint32_t count, uint32_t& got) override {
    got = 0;
    if (replies.empty()) return FtStatus::Ok;  // the read timeout passed with nothing
    const QByteArray reply = replies.front();
    replies.pop_front();
    got = std::min<uint32_t>(count, uint32_t(reply.size()));
    std::memcpy(buffer, reply.constData(), got);
    return FtStatus::Ok;
  }
  FT_STATUS write(FT_HANDLE, const uint8_t* buffer, uint32_t count, uint32_t& written) override {
    written = 0;
    ++writeAttempts;
    if (writeStatus != 0) return writeStatus;
    writes.push_back(QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(count)));
    written = count;
    return FtStatus::Ok;
  }
  FT_STATUS resetDevice(FT_HANDLE) override {
    ++resets;
    return FtStatus::Ok;
  }
  FT_STATUS setTimeouts(FT_HANDLE, uint32_t readMs, uint32_t writeMs) override {
    timeouts = {int(readMs), int(writeMs)};
    return FtStatus::Ok;
  }
  FT_STATUS getQueueStatus(FT_HANDLE, uint32_t& queued) override {
    queued = 0;
    return queueStatus;
  }

  std::vector<Device> devices;
  FT_STATUS countStatus = 0;
  FT_STATUS writeStatus = 0;
  FT_STATUS queueStatus = 0;
  std::deque<QByteArray> replies;
  std::vector<QByteArray> writes;
  QList<QByteArray> openedSerials;
  std::pair<int, int> timeouts{0, 0};
  int closes = 0;
  int resets = 0;
  int writeAttempts = 0;
};

class RecordingArtNet : public ArtDmxSink {
 public:
  struct Sent {
    QString destination;
    int subnet;
    int universe;
    QByteArray data;
  };
  bool SendArtDMX(const QString& destination, int subnet, int universe,
                  std::span<const uint8_t> data) override {
    attempted.push_back(universe);
    if (fail || unreachable.contains(destination)) return false;
    sent.push_back({destination, subnet, universe, toBytes(data)});
    return true;
  }
  bool fail = false;
  QStringList unreachable;     // destinations whose sends fail
  std::vector<int> attempted;  // the universe of every send, failed or not
  std::vector<Sent> sent;
};

// Lets events run until `done` holds or `timeoutMs` passed; true when it holds.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
  }
  return true;
}
