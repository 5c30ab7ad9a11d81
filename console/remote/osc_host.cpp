#include "console/remote/osc_host.h"

bool OscDialogGate::show(const MessageSpec& spec) {
  if (open_.count(spec.title)) {
    QString text = spec.text;
    text.replace('\n', ' ').remove('\r');
    host_.writeLog(spec.title + ": " + text);
    return false;
  }
  open_.insert(spec.title);
  struct Close {
    std::set<QString>& open;
    const QString& title;
    ~Close() { open.erase(title); }
  } close{open_, spec.title};
  showMessage(spec);
  return true;
}
