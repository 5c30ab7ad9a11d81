#include "console/engine/key_repeat_filter.h"

KeyRepeatFilter::KeyRepeatFilter(Clock& clock, std::function<void(const Release&)> released)
    : clock_(clock), released_(std::move(released)), timer_(std::make_unique<ClockTimer>(clock)) {
  timer_->setSingleShot(true);
  timer_->setInterval(kHoldBackMs);
  QObject::connect(timer_.get(), &ClockTimer::timeout, [this] { flush(); });
}

KeyRepeatFilter::~KeyRepeatFilter() = default;

bool KeyRepeatFilter::press(int key, quint64 timestamp) {
  if (pending_ && pending_->key == key) {
    const quint64 a = pending_->timestamp;
    const quint64 gap = timestamp > a ? timestamp - a : a - timestamp;
    if (gap <= quint64(kPairStampMs)) {
      timer_->stop();
      pending_.reset();
      return true;
    }
  }
  flush();
  return false;
}

void KeyRepeatFilter::release(const Release& release) {
  flush();
  if (release.timestamp == 0) {
    if (released_) released_(release);
    return;
  }
  pending_ = release;
  timer_->start();
}

void KeyRepeatFilter::flush() {
  timer_->stop();
  if (!pending_) return;
  const Release r = *pending_;
  pending_.reset();
  if (released_) released_(r);
}
