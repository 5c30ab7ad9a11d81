#include "platform/operator.h"

#include <QTimer>

#include "platform/message_dialog.h"

DialogResult Operator::ask(const QString& title, const QString& text, DialogIcon icon,
                           DialogButtons buttons) {
  return ask(messageSpec(title, text, icon, buttons));
}

void Operator::whenNoQuestionOpen(QObject* context, std::function<void()> then) {
  QTimer::singleShot(0, context, std::move(then));
}

namespace {
class DialogOperator : public Operator {
 public:
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override { return showMessage(question); }
  bool questionOpen() const override { return openQuestionCount() > 0; }
  void whenNoQuestionOpen(QObject* context, std::function<void()> then) override {
    callWhenNoQuestionOpen(context, std::move(then));
  }
};
}  // namespace

Operator& dialogOperator() {
  static DialogOperator op;
  return op;
}
