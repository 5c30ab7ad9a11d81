#pragma once

// The person at the console, as the layers below the window know them: a question or warning is
// put to the operator and the answer comes back. Those layers never open a window and never decide
// when one may open; they are handed an Operator, and the window implements it (tests hand in one
// that answers from a script).

#include "platform/question.h"

class Operator {
 public:
  virtual ~Operator() = default;
  virtual DialogResult ask(const MessageSpec& question) = 0;

  DialogResult ask(const QString& title, const QString& text, DialogIcon icon,
                   DialogButtons buttons = DialogButtons::Ok);
};

// The operator of the message dialogs (platform/message_dialog.h): what the programs hand in.
Operator& dialogOperator();
