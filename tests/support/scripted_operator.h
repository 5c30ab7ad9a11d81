#pragma once

// An operator for engine tests: it records every question it is asked and answers from a queue,
// then with each question's default answer (or `otherwise`, where a test sets one).

#include <deque>
#include <optional>
#include <vector>

#include "platform/operator.h"

class ScriptedOperator : public Operator {
 public:
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override {
    asked.push_back(question);
    if (!answers.empty()) {
      const DialogResult a = answers.front();
      answers.pop_front();
      return a;
    }
    return otherwise ? *otherwise : defaultAnswer(question);
  }
  std::vector<MessageSpec> asked;
  std::deque<DialogResult> answers;
  std::optional<DialogResult> otherwise;
};
