// Selecting a cue: its levels become the next fade target, every level edit shows where its channel
// will go, LED fixtures coming on get their colours before the fade, and a follow cue starts by
// itself under auto advance.

#include <QApplication>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "console/engine/console_colours.h"
#include "console/engine/level_math.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"

void Tform1::selectRow(int row) {
  if (row >= 1 && row <= cuelist->rowCount())
    cuelist->setCurrentCell(row - 1, 0, QItemSelectionModel::NoUpdate);
}

int Tform1::currentRow() const { return cuelist->currentRow() + 1; }

void Tform1::paintRow(int row, int background, int text, bool numberCell) {
  if (numberCell) playback_->setMark(row, CueMark::Plain);
  for (int c = numberCell ? 0 : 1; c < 4; ++c)
    if (QTableWidgetItem* item = cuelist->item(row - 1, c)) item->setBackground(bgr(background));
  for (int c = 0; c < 3; ++c)
    if (QTableWidgetItem* item = cuelist->item(row - 1, c)) item->setForeground(bgr(text));
}

void Tform1::splitOscCueText(const QString& text, QString& address, QString& argument) {
  // "/cue/7/go" is the address "/cue" with the argument "7/go"; "/go" has no argument.
  const int first = text.indexOf('/');
  const int second = first < 0 ? -1 : text.indexOf('/', first + 1);
  if (second < 0) {
    address = "/" + text.mid(first + 1);
    argument.clear();
  } else {
    address = "/" + text.mid(first + 1, second - first - 1);
    argument = text.mid(second + 1);
  }
}

void Tform1::LoadCue() { CueListClicked(1); }

void Tform1::CueListClicked(int play) {
  const CueTables& t = S.Cues;
  if (t.CueCount == 0 || !cuelist->item(0, 0) || cuelist->item(0, 0)->text().isEmpty()) return;
  if (S.Unrecorded) {
    SaveDirty();
    if (RecordPending) return;
  }
  const int row = currentRow();
  if (!validRow(row)) return;
  S.Rows.CurrentCue = row;
  timecodeCueSelected(row);
  const int last = validRow(S.Rows.LastSelectedRow) ? S.Rows.LastSelectedRow : 0;
  if (last && playback_->mark(last) == CueMark::LoopStep) {
    FadeTimer->stop();
    S.FadeIdle = true;
    S.CueChanging = true;
  }
  // Restore the colours of the rows that lose the highlight.
  if (CueRangeMarked && !ShiftDown) {
    for (int r = RangeFirst; r <= RangeLast; ++r)
      if (validRow(r)) paintRow(r, CueListBackground, CueTextColour, true);
    CueRangeMarked = false;
  } else if (last) {
    paintRow(last, CueListBackground, CueTextColour, !playback_->played(last));
  }
  const QByteArray previous = last ? t.CueTexts[CueTextColumn::Levels][last] : QByteArray();
  S.Rows.LastSelectedRow = S.Rows.CurrentCue;
  if (QTableWidgetItem* cell = cuelist->item(row - 1, 1)) {
    CueListBackground = rgbToBgr(cell->background().color());
    CueTextColour = rgbToBgr(cell->foreground().color());
  }
  // Highlight the selected row.
  const int highlight = S.DarkColor == 2 ? 0x808080 : 0xF0FBFF;
  for (int c = 1; c < 4; ++c)
    if (QTableWidgetItem* item = cuelist->item(row - 1, c)) item->setBackground(bgr(highlight));
  if (S.DarkColor != 2)
    for (int c = 0; c < 3; ++c)
      if (QTableWidgetItem* item = cuelist->item(row - 1, c)) item->setForeground(Qt::black);
  markRow(row, row == S.Rows.RunningCue ? CueMark::Played : CueMark::Plain, highlight);
  if (ShiftDown) {
    for (int r = RangeFirst; r <= RangeLast; ++r)
      if (validRow(r))
        paintRow(r, kRangeColour, rgbToBgr(cuelist->item(r - 1, 0)->foreground().color()), true);
    ShiftDown = false;
    CueRangeMarked = true;
  }

  S.MasterFadeFactor = 1;
  if (loops_->cueSelected(row)) return;
  const int kind = t.CueTable[CueColumn::CueKind][row];
  FollowSpotCue = kind == kCueFollowspotAlert;
  S.CueLevels = t.CueTexts[CueTextColumn::Levels][row];
  if (S.CueLevels.size() < kMaxChannelLimit)
    S.CueLevels.append(QByteArray(kMaxChannelLimit - S.CueLevels.size(), '\0'));
  if (kind == kCueOscCommand) {
    splitOscCueText(t.messageText(row), OSCCueAddress, OSCCueArgument);
    if (oscCuePreparer_ && !oscCuePreparer_(t.host(row), quint16(t.CueTable[CueColumn::Port][row])))
      showMessage("Missing/Improper Command", "Please check the OSC command and settings.",
                  DialogIcon::Warning, DialogButtons::Retry);
  }

  S.UpdatingEdits = true;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    LevelEdit* edit = ChannelEdits[ch - 1];
    const Selection::Shown shown = selection_->levelShown(ch, previous);
    if (shown.atWarmUp) {
      edit->setText("0");
      S.ChannelColors[ch - 1] = edit->fontColor();
    } else {
      edit->setFontColor(shown.colour);
      S.ChannelColors[ch - 1] = shown.colour;
      edit->setText(QString::number(shown.number));
    }
    if (play != 1) continue;
    const Selection::Preset preset = selection_->fixturePreset(ch, previous);
    if (preset.wrote) sendDMX();
    ch = preset.last;
  }
  loops_->loopCueSelected(row);
  S.UpdatingEdits = false;
  if (playback_->startsWhenSelected(row)) {
    if (FollowSpotCue) {
      if (followSpotSender_) followSpotSender_(row);
      Fadetiming(2, 2);
    } else {
      SendCue();
    }
  }
}
