#include "console/editors/window_placement.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

QMargins marginsOf(const QWidget& w) {
  const QRect frame = w.frameGeometry(), client = w.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

bool framed(const QWidget& w) { return w.isVisible() && marginsOf(w) != QMargins(); }

// `r` moved inside `area`; when it is larger, its top left corner stays inside.
QRect clampedInto(QRect r, const QRect& area) {
  r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() - r.width() + 1)));
  r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() - r.height() + 1)));
  return r;
}

QRect availableAt(const QRect& r) {
  QScreen* screen = QGuiApplication::screenAt(r.center());
  if (!screen) screen = QGuiApplication::screenAt(r.topLeft());
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

bool resizable(const QWidget& w) { return w.minimumSize() != w.maximumSize(); }

// Fits the window again once the window manager has framed it: the frame is known only then, some
// time after the window is shown, and the manager may first put a new window where it was asked to
// be before the fitted place reached it. Looked at a few times a second for a short while.
class RefitOnceFramed : public QObject {
 public:
  RefitOnceFramed(QWidget& w, QRect client, const QWidget* mainWindow)
      : QObject(&w), w_(w), client_(client), main_(mainWindow) {
    setObjectName("refitOnceFramed");
    connect(&timer_, &QTimer::timeout, this, [this] { look(); });
    timer_.start(50);
  }

 private:
  void look() {
    if (!w_.isVisible() || ++looks_ > 40) {
      timer_.stop();
      deleteLater();
      return;
    }
    // The window's own frame; after a while without one, the main window's.
    const QMargins frame = framed(w_) ? marginsOf(w_) : looks_ > 20 ? windowFrame(w_, main_) : QMargins();
    if (frame.isNull()) return;
    const QRect fitted = fitClientRect(client_, frame, availableAt(client_.marginsAdded(frame)),
                                       menusOnScreen(main_), resizable(w_));
    if (fitted != w_.geometry() && refits_ < 3) {
      ++refits_;
      w_.setGeometry(fitted);
    }
  }

  QWidget& w_;
  QRect client_;
  QPointer<const QWidget> main_;
  QTimer timer_;
  int looks_ = 0;
  int refits_ = 0;
};

}  // namespace

QRect fitClientRect(QRect client, QMargins frame, QRect available, QRect keepClear, bool resizable) {
  if (available.isEmpty()) return client;
  QRect f = client.marginsAdded(frame);
  if (resizable) {
    f.setWidth(std::min(f.width(), available.width()));
    f.setHeight(std::min(f.height(), available.height()));
  }
  f = clampedInto(f, available);
  if (!keepClear.isEmpty() && f.intersects(keepClear)) {
    // The nearest place beside the menus that is still inside the area: below, right, left or above.
    std::array<QRect, 4> beside{f, f, f, f};
    beside[0].moveTop(keepClear.bottom() + 1);
    beside[1].moveLeft(keepClear.right() + 1);
    beside[2].moveRight(keepClear.left() - 1);
    beside[3].moveBottom(keepClear.top() - 1);
    const QRect* best = nullptr;
    int bestDistance = 0;
    for (const QRect& r : beside) {
      if (!available.contains(r)) continue;
      const int distance = std::abs(r.left() - f.left()) + std::abs(r.top() - f.top());
      if (!best || distance < bestDistance) {
        best = &r;
        bestDistance = distance;
      }
    }
    if (best) {
      f = *best;
    } else if (resizable && keepClear.bottom() + 1 < available.bottom()) {
      // Below the menus and shortened to the bottom of the area.
      f.setTop(keepClear.bottom() + 1);
      f.setBottom(std::min(f.bottom(), available.bottom()));
      f = clampedInto(f, available);
    }
  }
  return f.marginsRemoved(frame);
}

QMargins windowFrame(const QWidget& w, const QWidget* other) {
  if (framed(w)) return marginsOf(w);
  if (other && framed(*other->window())) return marginsOf(*other->window());
  return {};
}

QRect menusOnScreen(const QWidget* mainWindow) {
  if (!mainWindow || !mainWindow->isVisible()) return {};
  const QMenuBar* bar = mainWindow->findChild<QMenuBar*>();
  if (!bar || !bar->isVisible()) return {};
  QRect menus;
  for (QAction* a : bar->actions())
    if (a->isVisible()) menus |= bar->actionGeometry(a);
  if (menus.isEmpty()) return {};
  return QRect(bar->mapToGlobal(menus.topLeft()), menus.size());
}

void placeWindow(QWidget& w, QRect client, const QWidget* mainWindow) {
  const QMargins frame = windowFrame(w, mainWindow);
  const QRect fitted = fitClientRect(client, frame, availableAt(client.marginsAdded(frame)),
                                     menusOnScreen(mainWindow), resizable(w));
  w.setGeometry(fitted);
  delete w.findChild<QObject*>("refitOnceFramed", Qt::FindDirectChildrenOnly);
  if (!framed(w)) new RefitOnceFramed(w, client, mainWindow);
}

QRect clientRect(const QWidget& w) { return w.geometry(); }
