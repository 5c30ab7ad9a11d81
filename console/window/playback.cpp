// Cue playback on the main window: GO, the fade and display timers, the end of a cue, going back,
// replaying, finishing at once and auto advance. The per-tick arithmetic is in fade_engine.

#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QToolButton>

#include "console/editors/cue_list_editing.h"
#include "console/editors/submaster_window.h"
#include "console/engine/console_colours.h"
#include "console/engine/fade_engine.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/pumped_wait.h"
#include "platform/timer_list.h"

namespace {
fade::CueTiming timingOf(const CueTables& t, int row) {
  fade::CueTiming c;
  c.fadeUpTicks = t.CueTable[CueColumn::FadeUpTicks][row];
  c.fadeDownTicks = t.CueTable[CueColumn::FadeDownTicks][row];
  c.upDelayTicks = t.CueTable[CueColumn::UpDelayTicks][row];
  c.downDelayTicks = t.CueTable[CueColumn::DownDelayTicks][row];
  c.timingMode = t.CueTable[CueColumn::TimingMode][row];
  return c;
}
}  // namespace

bool Tform1::validRow(int row) const {
  return row >= 1 && row <= S.Cues.CueFileRecords && row <= S.Cues.CueCount;
}

int Tform1::cueColumn(int column, int row) const { return validRow(row) ? S.Cues.CueTable[column][row] : 0; }

void Tform1::setNumberCellColour(int row, int colour) {
  const CueMark mark = colour == kPlayedColour     ? CueMark::Played
                       : colour == kFadingColour   ? CueMark::Fading
                       : colour == kLoopStepColour ? CueMark::LoopStep
                                                   : CueMark::Plain;
  markRow(row, mark, colour);
}

void Tform1::markRow(int row, CueMark mark, int plainColour) {
  playback_->setMark(row, mark);
  const int colour = mark == CueMark::Played     ? kPlayedColour
                     : mark == CueMark::Fading   ? kFadingColour
                     : mark == CueMark::LoopStep ? kLoopStepColour
                                                 : plainColour;
  if (QTableWidgetItem* item = cuelist->item(row - 1, 0)) item->setBackground(bgr(colour));
}

int Tform1::numberCellColour(int row) const {
  QTableWidgetItem* item = cuelist->item(row - 1, 0);
  return item ? rgbToBgr(item->background().color()) : -1;
}

bool Tform1::autoAdvanceHint() const { return S.AutoAdvanceChosen; }

void Tform1::btnPlayClick() {
  const Playback::Go go = playback_->go();
  if (go == Playback::Go::Refused) return;
  if (go == Playback::Go::AskFirst) {
    SaveDirty();
    return;
  }
  if (S.LogLevel == -2) CueStartTime_ = clock_.nowMs();
  if (go == Playback::Go::SelectThenStart) {
    selectRow(S.Rows.CurrentCue);
    LoadCue();
  }
  SendCue();
}

void Tform1::SendCue() {
  const int r = S.Rows.CurrentCue;
  if (!validRow(r)) return;
  const CueTables& t = S.Cues;
  timecodeCueStarted();
  playback_->cueStarted(r);
  markRow(r, CueMark::Fading, 0);
  currentcue1->setText(cueNumberText(t.CueTable[CueColumn::Number][r]));
  currentcue2->setText(t.description(r));

  const int timingMode = t.CueTable[CueColumn::TimingMode][r];
  const int kind = t.CueTable[CueColumn::CueKind][r];
  S.MasterFadeActive = timingMode == 2;
  if (S.MasterFadeActive) {
    const int down = t.CueTable[CueColumn::FadeDownTicks][r];
    S.MasterFadeStep = down == 0 ? -1.0f : -1.0f / float(down);
    S.MasterFadeDelay = t.CueTable[CueColumn::DownDelayTicks][r];
    Fadetiming(2, down + S.MasterFadeDelay);
    return;
  }
  if (kind == kCueOscCommand) {
    if (oscCueSender_) oscCueSender_(r);
    Fadetiming(2, 2);
  } else if (kind == kCueCompanionMessage) {
    if (S.PeerConnected && peerSender_) peerSender_(t.messageText(r) + "\r\n");
    Fadetiming(2, 2);
  }
  if (loops_->sendLoopCue(r)) return;
  S.AutoAdvance = autoAdvanceHint();
  S.UpDelayText.clear();
  S.DownDelayText.clear();
  if (S.LogLevel > 0) toolLog("C " + QString::number(r) + "= " + QString::fromLatin1(HexDump(S.CueLevels)));
  const fade::FadeLength length = fade::startCue(S, timingOf(t, r), kind == kCueFollowspotAlert);
  for (int ch = 1; ch <= S.MaxChannels; ++ch)
    if (!S.ChannelLocked[ch - 1]) ChannelMarks[ch - 1]->hide();
  if (kind == kCueFollowspotAlert && followSpotSender_) followSpotSender_(r);
  Fadetiming(length.up, length.down);
  editing_->Scroll();
  // The advance delay moves on to the next cue only when there is one.
  if (S.AutoAdvance && t.CueTable[CueColumn::AdvanceAfter][r] == 1 && r < t.CueFileRecords)
    TimerList1->arm("advdelaytimer", t.CueTable[CueColumn::AdvanceDelay][r] * 100);
}

void Tform1::Fadetiming(int uptime, int downtime) {
  if (S.LogLevel > 0)
    toolLog("Fade- " + QString::number(uptime) + " " + QString::number(downtime) + " " +
            QString::number(S.Rows.CurrentCue));
  fade::armFade(S, uptime, downtime);
  FadeTimer->start(S.FadeInterval);
  displayTimer->start(S.DisplayInterval);
  currentcue3->setMaximum(qMax(1, roundEven(double(S.FadeTotalTicks) / S.StepsPerSecond)));
}

void Tform1::fadeTimerTimer() {
  switch (fade::tick(S, [this] { sendDMX(); })) {
    case fade::Tick::MasterWait:
      if (S.MasterFadeDelay <= 0) domasterfade();
      return;
    case fade::Tick::Stepped:
      sendDMX();
      syncSubmasterFaders();
      loops_->subLoopTick();
      return;
    case fade::Tick::Ended:
      sendDMX();
      syncSubmasterFaders();
      loops_->subLoopTick();
      if (S.SubLoopActive) {
        // The submaster loop keeps the timer; later ticks only step until the next cue's fade.
        S.FadeTotalTicks = -1;
      } else {
        FadeTimer->stop();
      }
      if (loops_->fadeEnded()) return;
      if (S.LogLevel == -2)
        WriteLog(
            "CT " +
            QTime::fromMSecsSinceStartOfDay(int(clock_.nowMs() - CueStartTime_)).toString("hh:mm:ss.zzz"));
      CueDone();
      return;
  }
}

void Tform1::domasterfade() {
  const bool done = fade::masterFadeStep(S);
  sendDMX();
  if (!done) return;
  syncSubmasterFaders();
  if (Form3_) submasters().engine().masterzero();
  // The master fade ends through the same end-of-fade path as every fade.
  FadeTimer->stop();
  S.FadeIdle = true;
  S.GoWithCtrl = false;
  S.GoWithShift = false;
  displayTimer->stop();
  DisplayValues();
  loops_->StopLoop();
  CueDone();
}

void Tform1::CueDone() {
  const Playback::Done done = playback_->cueDone();
  if (done.unmarked) {
    QTableWidgetItem* description = cuelist->item(done.unmarked - 1, 1);
    if (description) markRow(done.unmarked, CueMark::Plain, rgbToBgr(description->background().color()));
  }
  if (done.played) markRow(done.played, CueMark::Played, 0);
  ctime->clear();
  btnPlay->setEnabled(true);
  if (done.next == Playback::Done::Next::SelectAndStart) {
    // The selection starts a follow cue by itself; it is not started a second time here.
    const bool startedBySelection = !S.CueListByMouse;
    selectRow(done.nextRow);
    LoadCue();
    if (!startedBySelection) SendCue();
  } else if (done.next == Playback::Done::Next::Select) {
    selectRow(done.nextRow);
    LoadCue();
  }
  if (replySender_) replySender_("done");
}

void Tform1::keyend() {
  if (loops_->keyEnd()) return;
  if (FadeTimer->isActive()) fade::finishNow(S);
}

void Tform1::GoBack() {
  if (!validRow(S.Rows.CurrentCue)) return;
  if (S.Unrecorded) SaveDirty();
  S.SubLoopActive = false;
  S.CueChanging = true;
  waitPumped(2 * S.FadeInterval);
  FadeTimer->stop();
  S.FadeIdle = true;
  if (S.Rows.CurrentCue > 1) --S.Rows.CurrentCue;
  selectRow(S.Rows.CurrentCue);
  LoadCue();
  S.AutoAdvance = false;
  SendCue();
  S.AutoAdvance = autoAdvanceHint();
}

void Tform1::mreset() {
  if (!validRow(S.Rows.LastSelectedRow) || !validRow(S.Rows.CurrentCue)) return;
  S.Unrecorded = false;
  selectRow(S.Rows.LastSelectedRow);
  LoadCue();
  waitPumped(25);
  playback_->replayStarting(S.Rows.CurrentCue);
  S.GoWithCtrl = true;
  S.ScrollerChanged = false;
  SendCue();
  S.GoWithCtrl = false;
}

void Tform1::btnadvanceClick() {
  S.AutoAdvance = !S.AutoAdvance;
  S.AutoAdvanceChosen = S.AutoAdvance;
  btnAdvance->setToolTip(S.AutoAdvanceChosen ? "Auto Advance is ON - F3" : "Auto Advance is OFF - F3");
  btnAdvance->setText(S.AutoAdvanceChosen ? "Auto" : "Manual");
  btnAdvance->repaint();
  playscreen();
}

void Tform1::Timerlist1Events6Timer() {
  const int row = playback_->advanceDelayRow();
  if (row == 0) return;
  S.Rows.CurrentCue = row;
  selectRow(row);
  CueListClicked(1);
}

void Tform1::displayTimerTimer() {
  if (S.FadeIdle) {
    displayTimer->stop();
    DisplayValues();
  }
  DisplayValues();
}

void Tform1::DisplayValues() {
  const int s = fade::remainingSeconds(S);
  if (s != S.ShownSeconds) {
    currentcue3->setValue(qMin(s, currentcue3->maximum()));
    ctime->setText(QString::number(s));
    const QString delays = S.UpDelayText + " : " + S.DownDelayText;
    currentcue4->setText(delays.trimmed() == ":" ? QString() : delays);
    S.ShownSeconds = s;
  }
  if (!S.ShowProgress) return;
  S.UpdatingEdits = true;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    const int level = roundEven(S.CurrentLevels[ch]);
    ChannelEdits[ch - 1]->setText(QString::number(S.RawChannels[ch] ? level : dmxToPercent(level)));
    if (S.Patch.ChannelFixture[ch] > 0) {
      const int intensity = S.Patch.IntensityChannel[ch];
      if (intensity >= 0 && intensity < int(ChannelEdits.size()))
        ChannelEdits[ch - 1]->setText(ChannelEdits[intensity]->text());
    }
  }
  S.UpdatingEdits = false;
}
