#include "tools/usbpro_sim/widget_simulator.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>

namespace {
constexpr uint8_t kStart = 0x7E;
constexpr uint8_t kEnd = 0xE7;
constexpr int kMaxPayload = 600;

QByteArray frameOf(uint8_t label, const QByteArray& payload) {
  QByteArray frame;
  frame.append(char(kStart)).append(char(label));
  frame.append(char(payload.size() & 0xFF)).append(char((payload.size() >> 8) & 0xFF));
  frame.append(payload).append(char(kEnd));
  return frame;
}
}  // namespace

WidgetSimulator::WidgetSimulator() {
  // Close-on-exec: a program started from this process must not hold the plug in.
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return;
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
    unplug();
    return;
  }
  // Raw bytes both ways: no echo, no line editing, no character translation.
  termios tio{};
  if (tcgetattr(master_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
  }
  path_ = QString::fromLocal8Bit(ptsname(master_));
  slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
}

WidgetSimulator::~WidgetSimulator() { unplug(); }

void WidgetSimulator::unplug() {
  if (notifier_) {
    // May run inside the notifier's own signal (a frame handler pulling the plug).
    notifier_->setEnabled(false);
    notifier_.release()->deleteLater();
  }
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = -1;
  slave_ = -1;
}

void WidgetSimulator::onReadable() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      input_.append(buffer, qsizetype(n));
      bytesRead_ += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  parse();
}

void WidgetSimulator::parse() {
  for (;;) {
    const qsizetype start = input_.indexOf(char(kStart));
    if (start < 0) {
      input_.clear();
      return;
    }
    input_.remove(0, start);
    if (input_.size() < 4) return;
    const int length = uint8_t(input_[2]) | (uint8_t(input_[3]) << 8);
    if (length > kMaxPayload) {
      input_.remove(0, 1);
      continue;
    }
    if (input_.size() < 5 + length) return;
    if (uint8_t(input_[4 + length]) != kEnd) {
      input_.remove(0, 1);
      continue;
    }
    Frame frame;
    frame.raw = input_.left(5 + length);
    frame.label = uint8_t(input_[1]);
    frame.payload = input_.mid(4, length);
    input_.remove(0, 5 + length);
    frames_.push_back(frame);
    if (onFrame_) onFrame_(frame);
    if (answering_) answer(frame);
    if (progress_) progress_();
  }
}

void WidgetSimulator::answer(const Frame& frame) {
  QByteArray reply;
  if (frame.label == 10) {
    QByteArray serial;
    for (int i = 0; i < 4; ++i) serial.append(char((serial_ >> (8 * i)) & 0xFF));
    reply = frameOf(10, serial);
  } else if (frame.label == 3) {
    // Firmware LSB and MSB, break time, mark-after-break time, output rate.
    QByteArray params;
    params.append(char(firmwareLow_))
        .append(char(firmwareHigh_))
        .append(char(9))
        .append(char(1))
        .append(char(40));
    reply = frameOf(3, params);
  }
  if (reply.isEmpty()) return;
  if (!liveInput_.isEmpty()) reply += frameOf(5, QByteArray(2, '\0') + liveInput_);
  sendRaw(reply);
}

void WidgetSimulator::sendDmxInput(const QByteArray& levels) {
  sendRaw(frameOf(5, QByteArray(2, '\0') + levels));
}

void WidgetSimulator::sendRaw(const QByteArray& bytes) {
  qsizetype done = 0;
  while (master_ >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) {
      done += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;  // gone, or nobody reads: the rest is dropped
    }
  }
}

bool WidgetSimulator::waitForFrames(size_t count, int timeoutMs) {
  if (frames_.size() >= count) return true;
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  progress_ = [&] {
    if (frames_.size() >= count) loop.quit();
  };
  deadline.start(timeoutMs);
  loop.exec();
  progress_ = nullptr;
  return frames_.size() >= count;
}

QString WidgetSimulator::frameText(const QByteArray& raw) {
  return QString::fromLatin1(raw.toHex(' ').toUpper());
}
