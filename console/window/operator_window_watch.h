#pragma once

// The windows the operator works in that commands from outside must not change things under: every
// modal dialog (questions, file choosers, the editors shown modally) and the few windows that are
// not modal but edit something taken when they opened (the cue editor). The watch sees every window
// of the application open and close, and reports when the first of these opens and when the last
// one closes; the console holds its remote commands in between.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <vector>

class QWidget;

class OperatorWindowWatch : public QObject {
 public:
  // `changed(true)` when the first such window opens, `changed(false)` when the last one closes.
  explicit OperatorWindowWatch(std::function<void(bool open)> changed, QObject* parent = nullptr);
  ~OperatorWindowWatch() override;

  // A window that is not modal but counts as long as it is shown.
  void watchWhileShown(QWidget* window);
  bool anyOpen() const { return !open_.empty(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool counts(const QWidget* window) const;
  void opened(QWidget* window);
  void closed(QObject* window);

  std::function<void(bool)> changed_;
  std::map<QObject*, QMetaObject::Connection> open_;  // keys are never dereferenced
  std::vector<QPointer<QWidget>> shownWindows_;
};
