#include "console/remote/input_dialogs.h"

#include "platform/operator.h"

bool InputDialogs::show(const QString& kind, const MessageSpec& spec, quint64 arrival) {
  const auto quiet = quietUntil_.find(kind);
  if (open_.count(kind) || (arrival > 0 && quiet != quietUntil_.end() && arrival <= quiet->second)) {
    QString text = spec.text;
    text.replace('\n', ' ').remove('\r');
    if (log_) log_(spec.title + ": " + text);
    return false;
  }
  open_.insert(kind);
  struct Close {
    InputDialogs& d;
    const QString& kind;
    ~Close() {
      d.open_.erase(kind);
      d.quietUntil_[kind] = d.arrivals_;
    }
  } close{*this, kind};
  op_->ask(spec);
  return true;
}
