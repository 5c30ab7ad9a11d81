#pragma once

// An operator seen from one window: a question that stands relative to its window (or has no
// window named) is placed relative to this one, then put to the operator it was made over. Handed to
// the layers below the windows, which never know a widget.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/operator.h"

class PlacedOperator : public Operator {
 public:
  PlacedOperator(Operator& asks, QWidget* window) : asks_(asks), window_(window) {}
  // Over an operator it shares, kept as long as this one is.
  PlacedOperator(std::shared_ptr<Operator> asks, QWidget* window)
      : kept_(std::move(asks)), asks_(*kept_), window_(window) {}
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override {
    MessageSpec placed = question;
    if (!placed.parent) placed.parent = window_.data();
    return asks_.ask(placed);
  }
  bool questionOpen() const override { return asks_.questionOpen(); }
  void whenNoQuestionOpen(QObject* context, std::function<void()> then) override {
    asks_.whenNoQuestionOpen(context, std::move(then));
  }

 private:
  std::shared_ptr<Operator> kept_;
  Operator& asks_;
  QPointer<QWidget> window_;
};
