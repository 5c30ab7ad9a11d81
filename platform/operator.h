#pragma once

// The person at the console, as the layers below the window know them: a question or warning is
// put to the operator and the answer comes back. Those layers never open a window and never decide
// when one may open; they are handed an Operator, and the window implements it (tests hand in one
// that answers from a script).

#include <functional>

#include "platform/question.h"

class QObject;

class Operator {
 public:
  virtual ~Operator() = default;
  virtual DialogResult ask(const MessageSpec& question) = 0;

  DialogResult ask(const QString& title, const QString& text, DialogIcon icon,
                   DialogButtons buttons = DialogButtons::Ok);

  // True while a question is on screen waiting for its answer (its window lets events run meanwhile):
  // input from outside that could ask another one waits until it is answered.
  virtual bool questionOpen() const { return false; }
  // Calls `then` from the event loop once no question is open (soon, when none is open now). Nothing
  // is called once `context` has gone.
  virtual void whenNoQuestionOpen(QObject* context, std::function<void()> then);
};

// The operator of the message dialogs (platform/message_dialog.h): what the programs hand in. The
// window that owns one hands it to the parts below it; nothing reaches for it from a global.
class DialogOperator : public Operator {
 public:
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override;
  bool questionOpen() const override;
  void whenNoQuestionOpen(QObject* context, std::function<void()> then) override;
};
