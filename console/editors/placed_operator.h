#pragma once

// The operator of the message dialogs, seen from one window: a question that stands relative to its
// window (or has no window named) is placed relative to this one. Handed to the layers below the
// windows, which never know a widget.

#include <QPointer>
#include <QWidget>

#include "platform/operator.h"

class PlacedOperator : public Operator {
 public:
  explicit PlacedOperator(QWidget* window) : window_(window) {}
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override {
    MessageSpec placed = question;
    if (!placed.parent) placed.parent = window_.data();
    return dialogOperator().ask(placed);
  }

 private:
  QPointer<QWidget> window_;
};
