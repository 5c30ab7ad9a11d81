// Recording live levels into cues and the unrecorded-changes prompt.

#include <QLabel>
#include <QTableWidget>

#include "console/editors/cue_list_editing.h"
#include "console/editors/submaster_window.h"
#include "console/engine/cue_record.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "platform/operator.h"
#include "platform/timer_list.h"

QByteArray Tform1::recordLiveLevels(const QByteArray& recorded) {
  // Only the channels of this show are recorded: the bytes above the channel count keep what the
  // cue held, so a show opened with fewer channels does not lose the levels of the others.
  QByteArray levels = recorded.left(kCueLevelCount);
  if (levels.size() < kCueLevelCount) levels.append(QByteArray(kCueLevelCount - levels.size(), '\0'));
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    LevelEdit* edit = ChannelEdits[ch - 1];
    if (S.Patch.PatchTable[ch] == QLatin1String("||") && S.Patch.ChannelFixture[ch] <= 0)
      setEditTextQuietly(ch - 1, "0");
    ChannelMarks[ch - 1]->hide();
    S.ChannelSelected[ch - 1] = false;
    S.ChannelLocked[ch - 1] = false;
    const QString text = edit->text().isEmpty() ? QStringLiteral("0") : edit->text();
    const int v = clampDmx(
        std::max<int>(levelFromNumber(StrToIntSafe(text), S.RawChannels[ch]), S.Fixtures.WarmUpLevels[ch]));
    levels[ch - 1] = char(v);
    if (ch - 1 < S.CueLevels.size()) S.CueLevels[ch - 1] = char(v);
    // CurrentLevels stays what the output carries: the edits may show a cue that is selected but
    // not played, and the next GO must fade from the levels on stage, not from the recorded ones.
  }
  return levels;
}

bool Tform1::recordInto(int row, bool setLock) {
  if (!validRow(row) || !cueFile_.isOpen()) return false;
  CueRecord record = cueFile_.readRecord(row - 1);
  const QByteArray levels = recordLiveLevels(record.levels);
  record.levels = levels;
  if (setLock) record.lock = S.CueChangesAllowed ? 0 : 1;
  cueFile_.writeRecord(row - 1, record);
  S.Cues.CueTexts[CueTextColumn::Levels][row] = levels;
  if (recordok) recordok->show();
  TimerList1->arm("showok");
  if (S.LogLevel > 0)
    toolLog("Save[" + QString::number(row - 1) + "] " +
            QString::fromLatin1(HexDump(levels.left(S.MaxChannels))));
  return true;
}

void Tform1::SaveDirty() {
  if (S.Cues.CueCount == 0 || S.Rows.CurrentCue == 0) {
    S.Unrecorded = false;
    return;
  }
  DialogResult answer;
  if (RemoteEdited && remoteSaveRequest_ && remoteSaveRequest_()) {
    // A remote client that made the changes is asked instead, over its own connection.
    RemoteEdited = false;
    answer = DialogResult::Cancel;
  } else {
    MessageSpec md = Playback::unrecordedChangesQuestion();
    md.parent = this;
    answer = operator_.ask(md);
  }
  if (answer == DialogResult::Yes) {
    // The submasters' levels are no part of the cue: their faders go down for good.
    if (Form3_ && Form3_->isVisible())
      for (int k = 0; k < kSubmasterCount; ++k) Form3_->setFader(k, 0);
    recordInto(S.Rows.LastSelectedRow, false);
    if (S.ScrollerChanged) editing_->noteRecorded(S.Rows.LastSelectedRow);
  } else if (answer == DialogResult::No) {
    mreset();
  } else if (answer == DialogResult::Ok) {
    RecordPending = true;
  }
  S.Unrecorded = false;
  if (RecordPending && addCue_) addCue_();
  if (S.ScrollerChanged && S.Scrollprompt) editing_->SaveScroller();
}
