#pragma once

// Dialogs raised by input from outside (a remote client's error report, an unrecognised OSC
// command, a socket error). One fault must not bury the operator in dialogs: at most one dialog of
// a kind is open at a time, and input that arrived while one of its kind was open is written to the
// log instead of opening another once it is closed. The dialogs are asked through the operator.

#include <QString>
#include <functional>
#include <map>
#include <set>

#include "platform/question.h"

class Operator;

class InputDialogs {
 public:
  using Log = std::function<void(const QString& line)>;
  InputDialogs(Operator& op, Log log) : op_(&op), log_(std::move(log)) {}

  // An input arrived: its number, for show().
  quint64 arrived() { return ++arrivals_; }
  // Shows `spec` as a dialog of `kind` raised by input number `arrival` (0: not tied to one), or
  // logs it (title and text on one line) when one of its kind is open or was open when that input
  // arrived. True when it was shown.
  bool show(const QString& kind, const MessageSpec& spec, quint64 arrival = 0);
  bool isOpen(const QString& kind) const { return open_.count(kind) > 0; }

  Operator& op() const { return *op_; }
  void setOperator(Operator& op) { op_ = &op; }

 private:
  Operator* op_;
  Log log_;
  std::set<QString> open_;
  std::map<QString, quint64> quietUntil_;  // inputs up to this number arrived while one was open
  quint64 arrivals_ = 0;
};
