// The clock in the main window's header and the show timer sharing its place, with their menu.

#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTime>

#include "console/engine/key_dispatch.h"
#include "console/window/main_window.h"

namespace {

// The clock's tick repaints its label alone. A label that is not opaque is repainted with everything
// beneath it (here the page tabs of the grid, each second); one that declares itself opaque is
// repainted by itself, so it must then paint its whole background: the style sheet's (its colour,
// which the style sheet also puts in the palette) before the text. Qt skips that background for an
// opaque widget, and a style sheet switches a label's own background filling off. The labels'
// sizes are fixed where they are placed, so a new text asks for no new layout either.
class OpaqueBackground : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* w = static_cast<QWidget*>(watched);
      QPainter p(w);
      p.fillRect(w->rect(), w->palette().brush(w->backgroundRole()));
      QStyleOption option;
      option.initFrom(w);
      w->style()->drawPrimitive(QStyle::PE_Widget, &option, &p, w);
    }
    return false;
  }
};

}  // namespace

void Tform1::createShowClock() {
  auto* opaqueBackground = new OpaqueBackground(this);
  opaqueBackground->setObjectName("clockBackground");
  auto* mentimer = new QMenu(this);
  mentimer->setObjectName("mentimer");
  mentimer->addAction("Wall Clock", this, &Tform1::WallClock1Click);
  mentimer->addAction("Start Timer", this, &Tform1::Starttimer1Click);
  mentimer->addAction("Pause Timer", this, &Tform1::PauseTimer1Click);
  mentimer->addAction("Resume Timer", this, &Tform1::ResumeTimer1Click);
  mentimer->addAction("Show Timer", this, &Tform1::ShowTimer1Click);
  for (QLabel* l : {Clock1, pDisplay}) {
    l->setAttribute(Qt::WA_OpaquePaintEvent);
    l->installEventFilter(opaqueBackground);
    l->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(l, &QLabel::customContextMenuRequested, this,
            [mentimer, l](const QPoint& at) { mentimer->popup(l->mapToGlobal(at)); });
  }
  // Both stand in the header row beside the grid's page tabs, which are laid over the same row:
  // above them, the right mouse button reaches the labels and opens their menu.
  Clock1->raise();
  pDisplay->raise();
  pDisplay->hide();
  // Each tick is aimed just past the next wall-clock second, so the seconds shown change with the
  // seconds of the clock on the wall and never skip or repeat. A virtual clock has no wall to follow:
  // it ticks every second of its own time.
  clockTimer_ = new ClockTimer(clock_, this);
  clockTimer_->setObjectName("Clock1Timer");
  clockTimer_->setSingleShot(true);
  const auto nextSecond = [this] {
    return clock_.isVirtual() ? 1000 : 1000 - QTime::currentTime().msec() + 2;
  };
  connect(clockTimer_, &ClockTimer::timeout, this, [this, nextSecond] {
    Clock1SecondChange();
    clockTimer_->start(nextSecond());
  });
  Clock1->setText(QLocale::c().toString(QTime::currentTime(), "hh:mm:ss AP"));
  clockTimer_->start(nextSecond());
}

void Tform1::Clock1SecondChange() {
  Clock1->setText(QLocale::c().toString(QTime::currentTime(), "hh:mm:ss AP"));
  if (!ShowTimerRunning) return;
  ++ShowTimerSeconds;
  pDisplay->setText(showTimerText(ShowTimerSeconds));
}

void Tform1::WallClock1Click() {
  pDisplay->hide();
  Clock1->show();
}

void Tform1::Starttimer1Click() {
  ShowTimerSeconds = 0;
  Clock1->hide();
  pDisplay->show();
  ShowTimerRunning = true;
}

void Tform1::PauseTimer1Click() { ShowTimerRunning = false; }

void Tform1::ResumeTimer1Click() { ShowTimerRunning = true; }

void Tform1::ShowTimer1Click() {
  pDisplay->show();
  Clock1->hide();
}
