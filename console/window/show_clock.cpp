// The clock in the main window's header and the show timer sharing its place, with their menu.

#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QTime>

#include "console/engine/key_dispatch.h"
#include "console/window/main_window.h"

void Tform1::createShowClock() {
  auto* mentimer = new QMenu(this);
  mentimer->setObjectName("mentimer");
  mentimer->addAction("Wall Clock", this, &Tform1::WallClock1Click);
  mentimer->addAction("Start Timer", this, &Tform1::Starttimer1Click);
  mentimer->addAction("Pause Timer", this, &Tform1::PauseTimer1Click);
  mentimer->addAction("Resume Timer", this, &Tform1::ResumeTimer1Click);
  mentimer->addAction("Show Timer", this, &Tform1::ShowTimer1Click);
  for (QLabel* l : {Clock1, pDisplay}) {
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
