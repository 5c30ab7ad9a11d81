#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "platform/message_dialog.h"
#include "platform/operator.h"

// The operator the programs hand in, over the message dialogs: its questions reach the recorder
// while one is installed.
inline Operator& testOperator() {
  static DialogOperator op;
  return op;
}

// Installs itself as the dialog handler for its lifetime: records every dialog shown and answers
// from a queue. A dialog with no queued answer fails the test (and gets its default answer) instead
// of blocking on a real window.
class DialogRecorder {
 public:
  DialogRecorder() {
    setDialogHandler([this](const MessageSpec& spec) {
      shown.push_back(spec);
      if (answers.empty()) {
        if (!answerDefaults)
          ADD_FAILURE() << "unexpected dialog: " << spec.title.toStdString() << " / "
                        << spec.text.toStdString();
        return defaultAnswer(spec);
      }
      const DialogResult r = answers.front();
      answers.pop_front();
      return r;
    });
  }
  ~DialogRecorder() { setDialogHandler({}); }
  DialogRecorder(const DialogRecorder&) = delete;
  DialogRecorder& operator=(const DialogRecorder&) = delete;

  void answer(DialogResult r) { answers.push_back(r); }
  int count(const QString& title) const {
    int n = 0;
    for (const auto& s : shown) n += s.title == title;
    return n;
  }

  std::vector<MessageSpec> shown;
  std::deque<DialogResult> answers;
  bool answerDefaults = false;  // set when a test does not care which dialogs appear
};
