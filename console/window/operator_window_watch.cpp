#include "console/window/operator_window_watch.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>

OperatorWindowWatch::OperatorWindowWatch(std::function<void(bool open)> changed, QObject* parent)
    : QObject(parent), changed_(std::move(changed)) {
  qApp->installEventFilter(this);
}

OperatorWindowWatch::~OperatorWindowWatch() {
  for (auto& [window, connection] : open_) disconnect(connection);
}

void OperatorWindowWatch::watchWhileShown(QWidget* window) {
  shownWindows_.emplace_back(window);
  if (window->isVisible()) opened(window);
}

bool OperatorWindowWatch::counts(const QWidget* window) const {
  return window->isModal() ||
         std::any_of(shownWindows_.begin(), shownWindows_.end(),
                     [window](const QPointer<QWidget>& w) { return w.data() == window; });
}

bool OperatorWindowWatch::eventFilter(QObject* watched, QEvent* event) {
  // Only the application's own showing and hiding count: a window minimised and restored by the
  // window system stays open for the operator.
  const QEvent::Type type = event->type();
  if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow()) {
      if (type == QEvent::Hide)
        closed(widget);
      else if (counts(widget))
        opened(widget);
    }
  }
  return QObject::eventFilter(watched, event);
}

void OperatorWindowWatch::opened(QWidget* window) {
  if (open_.count(window)) return;
  // A window deleted while it is shown closes too.
  open_[window] = connect(window, &QObject::destroyed, this, [this, window] { closed(window); });
  if (open_.size() == 1 && changed_) changed_(true);
}

void OperatorWindowWatch::closed(QObject* window) {
  const auto it = open_.find(window);
  if (it == open_.end()) return;
  disconnect(it->second);
  open_.erase(it);
  if (open_.empty() && changed_) changed_(false);
}
