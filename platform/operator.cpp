#include "platform/operator.h"

#include "platform/message_dialog.h"

DialogResult Operator::ask(const QString& title, const QString& text, DialogIcon icon, DialogButtons buttons) {
  MessageSpec spec;
  spec.title = title;
  spec.text = text;
  spec.icon = icon;
  spec.buttons = buttons;
  return ask(spec);
}

namespace {
class DialogOperator : public Operator {
 public:
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override { return showMessage(question); }
};
}  // namespace

Operator& dialogOperator() {
  static DialogOperator op;
  return op;
}
