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

DialogResult DialogOperator::ask(const MessageSpec& question) { return showMessage(question); }

bool DialogOperator::questionOpen() const { return openQuestionCount() > 0; }

void DialogOperator::whenNoQuestionOpen(QObject* context, std::function<void()> then) {
  callWhenNoQuestionOpen(context, std::move(then));
}
