#include "console/editors/cue_list_editing.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QWheelEvent>
#include <algorithm>
#include <array>

#include "console/editors/cue_editor.h"
#include "console/editors/cue_file_restructure.h"
#include "console/engine/console_colours.h"
#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "console/engine/tavro_utils.h"
#include "platform/message_dialog.h"
#include "platform/pumped_wait.h"

namespace {

DialogResult ask(QWidget* parent, const QString& title, const QString& text, DialogIcon icon,
                 DialogButtons buttons) {
  MessageSpec m;
  m.title = title;
  m.text = text;
  m.icon = icon;
  m.buttons = buttons;
  m.parent = parent;
  return showMessage(m);
}

uint8_t byteAt(const QByteArray& levels, int index) {
  return index >= 0 && index < levels.size() ? uint8_t(levels[index]) : 0;
}

}  // namespace

CueRecord buildScrollerCue(const CueRecord& previous, const QByteArray& previousLevels,
                           const QByteArray& recordedLevels, int32_t number, const ConsoleState& S) {
  CueRecord cue = previous;
  cue.cueNumber = number;
  cue.setDescriptionText("Scroller change");
  cue.textColour = kScrollerCueColour;
  cue.startMode = 1;
  cue.timingMode = 0;
  cue.fadeUpTime = S.FadeTime * 10;
  // A plain level cue: nothing of the previous cue's message, loop, advance or time code.
  cue.cueKind = kCueNormalDmx;
  cue.setMessageTextString(QString());
  cue.setHostString(QString());
  cue.port = 0;
  cue.loopTarget = 0;
  cue.loopCount = 0;
  cue.loopFileKey = 0;
  cue.advanceAfter = 0;
  cue.advanceDelay = 0;
  cue.timeCode = 0;
  if (cue.levels.size() < kCueLevelCount)
    cue.levels.append(QByteArray(kCueLevelCount - cue.levels.size(), '\0'));
  const int channels = std::clamp(S.MaxChannels, 0, kCueLevelCount);
  for (int ch = 1; ch <= channels; ++ch) {
    const AddressList& list = S.Patch.PatchTable.addresses(ch);
    const int address = list.empty() ? ch : list[0];
    const bool scroller = address >= 1 && address <= kCueLevelCount &&
                          S.Fixtures.FixtureStart[address] == kMoverScrollerChannel &&
                          !S.MoverChannels[address];
    cue.levels[ch - 1] = char(scroller ? byteAt(recordedLevels, ch - 1) : byteAt(previousLevels, ch - 1));
  }
  return cue;
}

CueListEditing::CueListEditing(CueListHost& host, TEditCue& editor, QObject* parent)
    : QObject(parent), host_(host), editor_(editor) {
  attachCueList();
}

void CueListEditing::attachCueList() {
  QTableWidget* list = host_.cueList();
  if (!list) return;
  list->installEventFilter(this);
  list->viewport()->installEventFilter(this);
}

int& CueListEditing::RecordedCue() { return editor_.RecordedCue; }
int& CueListEditing::InsertAfter() { return editor_.InsertAfter; }

int CueListEditing::listRow() const {
  QTableWidget* list = host_.cueList();
  return list ? list->currentRow() + 1 : 0;
}

int CueListEditing::cueNumberOfRow(int row) const {
  const CueTables& t = host_.state().Cues;
  return row >= 1 && row <= t.CueCount && row < int(t.CueTable[CueColumn::Number].size())
             ? t.CueTable[CueColumn::Number][size_t(row)]
             : 0;
}

void CueListEditing::loopCueMovedWarning() {
  if (!LoopCueMoved) return;
  ask(host_.window(), "Loop Cue Moved", "One or more Loop cues moved and will need reediting.",
      DialogIcon::Warning, DialogButtons::Cancel);
}

// ---- Recording -------------------------------------------------------------------------------------

void CueListEditing::btnRecordClick() {
  ConsoleState& S = host_.state();
  if (host_.fadeRunning() && !S.SubLoopActive) {
    ask(host_.window(), "Cue running!", "Cannot record while a cue is running, sorry.", DialogIcon::Error,
        DialogButtons::Cancel);
    return;
  }
  while (host_.typedLevelPending() && !applicationTerminating()) host_.waitPumped(10);
  const int row = S.Rows.CurrentCue;
  if (row < 1 || row > S.Cues.CueCount) return;

  const bool subs = host_.submasterWindowVisible();
  std::array<int, kSubmasterCount> faders{};
  if (subs) {
    for (int k = 0; k < kSubmasterCount; ++k) {
      faders[size_t(k)] = host_.subFader(k);
      host_.setSubFader(k, 0);
    }
    host_.waitPumped(25);
  }
  const bool recorded = host_.recordInto(row, true);
  // What was typed is now in the cue: nothing is left to offer at the next GO or at Exit.
  if (recorded) S.Unrecorded = false;
  if (recorded && S.ScrollerChanged && S.Scrollprompt) {
    noteRecorded(row);
    SaveScroller();
  }
  if (subs) {
    const int wait = host_.submasterLoopLoaded() ? 30 : 10;
    for (int k = 0; k < kSubmasterCount; ++k) {
      host_.setSubFader(k, faders[size_t(k)]);
      host_.waitPumped(wait);
    }
  }
  host_.refreshProcessMemory();
}

void CueListEditing::AddNew() {
  MessageSpec m;
  m.title = "Cue Record/Save request";
  m.text =
      "<b>Record</b> new levels to the existing cue,\n\r<b>Save</b> as a new cue,\n\ror <b>Cancel</b> and do "
      "nothing?";
  m.richText = true;
  m.icon = DialogIcon::Confirmation;
  m.buttons = DialogButtons::Custom;
  m.customButtons = {
      {"Record", DialogResult::Yes}, {"Save New", DialogResult::Ok}, {"Cancel", DialogResult::Cancel}};
  m.parent = host_.window();
  const DialogResult answer = showMessage(m);
  ConsoleState& S = host_.state();
  if (answer == DialogResult::Ok) {
    S.Unrecorded = false;
    btnAddClick();
  } else if (answer == DialogResult::Yes) {
    btnRecordClick();
    S.Unrecorded = false;
  } else {
    S.Unrecorded = false;
  }
}

void CueListEditing::noteRecorded(int row) {
  RecordedCue() = row;
  scrollerRecordPending_ = true;
}

void CueListEditing::SaveScroller() {
  // The scroller cue belongs to the record just made; without one there is nothing to put it before.
  if (!scrollerRecordPending_) return;
  scrollerRecordPending_ = false;
  ConsoleState& S = host_.state();
  const int c = RecordedCue();
  const DialogResult answer =
      ask(host_.window(), "Scroller Changes",
          "There are scroller changes too. Do you want\n\rto insert a cue here to change them beforehand?",
          DialogIcon::Confirmation, DialogButtons::YesNo);
  if (answer == DialogResult::Yes) {
    if (c <= 1) {
      ask(host_.window(), "Scroller Changes", "Sorry, you can't do that at the first cue.", DialogIcon::Error,
          DialogButtons::Cancel);
      return;
    }
    CueFile& file = host_.cueFile();
    const CueTables& t = S.Cues;
    if (c > t.CueCount || c > file.count()) return;
    const int32_t before = t.CueTable[CueColumn::Number][size_t(c - 1)];
    const int32_t after = t.CueTable[CueColumn::Number][size_t(c)];
    const int32_t number = before + (after - before) / 2;
    if (number <= before || number >= after) return;  // no cue number fits between the two
    const QByteArray previousLevels = t.CueTexts[CueTextColumn::Levels][size_t(c - 1)];
    const QByteArray recordedLevels = t.CueTexts[CueTextColumn::Levels][size_t(c)];
    S.Unrecorded = false;
    const CueRecord previous = file.readRecord(c - 2);
    insertCueRecords(file, c - 1, {buildScrollerCue(previous, previousLevels, recordedLevels, number, S)});
    if (c - 1 < S.Rows.RunningCue) ++S.Rows.RunningCue;
    host_.waitPumped(50);
    host_.ReadCues();
    keepRowsInTables(S.Rows, S.Cues.CueCount);
  }
  if (QTableWidget* list = host_.cueList(); list && c - 1 >= 1 && c - 1 <= list->rowCount()) {
    list->doItemsLayout();
    list->scrollTo(list->model()->index(c - 2, 0), QAbstractItemView::PositionAtCenter);
  }
  S.ScrollerChanged = false;
}

// ---- Opening the cue editor -----------------------------------------------------------------------

void CueListEditing::btnAddClick() {
  ConsoleState& S = host_.state();
  if (S.CueFileName.isEmpty() || !QFileInfo::exists(S.CueFileName)) {
    ask(host_.window(), "Open Cue File error",
        "No Cue file is open. Please use the menu option to locate your file.", DialogIcon::Warning,
        DialogButtons::Ok);
    return;
  }
  if (S.Unrecorded) host_.SaveDirty();
  SavedTopRow = topRow();
  S.Unrecorded = false;
  const int count = S.Cues.CueCount;
  const int whole = count == 0 ? S.Increment : cueNumberOfRow(count) / 100 + S.Increment;
  editor_.openAs(CueEditorMode::Add, QString::number(whole));
}

void CueListEditing::btnInsertAClick() {
  ConsoleState& S = host_.state();
  if (S.Rows.CurrentCue == 0) {
    ask(host_.window(), "Insert error", "No Cue cue line has been selected. Please selct one.",
        DialogIcon::Warning, DialogButtons::Ok);
    return;
  }
  InsertAfter() = 0;
  if (S.Rows.CurrentCue >= S.Cues.CueCount) {
    btnAddClick();
    return;
  }
  CueInsert();
}

void CueListEditing::btnInsertBClick() {
  if (host_.state().Rows.CurrentCue == 0) {
    ask(host_.window(), "Insert error", "No Cue cue line has been selected. Please selct one.",
        DialogIcon::Warning, DialogButtons::Ok);
    return;
  }
  InsertAfter() = 1;
  CueInsert();
}

void CueListEditing::CueInsert() {
  ConsoleState& S = host_.state();
  if (S.Unrecorded) host_.SaveDirty();
  SavedTopRow = topRow();
  // Halfway between the cues around the insertion point; before the first cue, half of its number.
  const int row = S.Rows.CurrentCue - InsertAfter();
  const int a = cueNumberOfRow(row);
  const int b = row + 1 <= S.Cues.CueCount ? cueNumberOfRow(row + 1) : a;
  const float half = float(b - a) / 2.0f;
  editor_.openAs(CueEditorMode::Insert, QString::number((double(a) + double(half)) / 100.0, 'g', 12));
}

void CueListEditing::btnSaveAsClick() {
  ConsoleState& S = host_.state();
  SavedTopRow = topRow();
  S.Unrecorded = false;
  editor_.openAs(CueEditorMode::SaveAs, cueNumberText(cueNumberOfRow(S.Cues.CueCount) + S.Increment * 100));
}

// ---- Delete, cut, copy, paste ---------------------------------------------------------------------

void CueListEditing::btnDeleteClick() {
  if (host_.CueRangeMarked()) {
    Deletegroup();
    return;
  }
  ConsoleState& S = host_.state();
  const int r = listRow();
  if (r < 1 || r > S.Cues.CueCount) return;
  LoopCueMoved = false;
  MessageSpec m;
  m.title = "Delete Cue";
  m.text = "Delete Cue Call " + cueNumberText(cueNumberOfRow(r)) + "?";
  m.icon = DialogIcon::Confirmation;
  m.buttons = DialogButtons::YesNo;
  m.place = MessageSpec::Place::OffsetFromParent;
  m.position = QPoint(200, 100);
  m.parent = host_.window();
  if (showMessage(m) != DialogResult::Yes) return;

  const int top = topRow();
  const int n = S.Cues.CueCount;
  LoopCueMoved = deleteCueRecords(host_.cueFile(), r - 1, 1).loopCueMoved;
  if (QTableWidget* list = host_.cueList()) list->setRowCount(0);
  if (r < S.Rows.RunningCue) --S.Rows.RunningCue;
  host_.waitPumped(10);
  host_.ReadCues();
  keepRowsInTables(S.Rows, S.Cues.CueCount);
  if (S.Cues.CueCount > 0) {
    host_.selectRow(std::min(r == n ? r - 1 : r, S.Cues.CueCount));
    host_.CueListClicked(0);
  }
  setTopRow(top);
  loopCueMovedWarning();
}

void CueListEditing::Deletegroup() {
  ConsoleState& S = host_.state();
  const int r = listRow();
  const int first = std::max(host_.RangeFirst(), 1);
  const int last = std::min(host_.RangeLast(), S.Cues.CueCount);
  if (first > last) return;
  LoopCueMoved = false;
  if (ask(host_.window(), "Deleting Multiple Cues",
          "Delete Cue Calls " + cueNumberText(cueNumberOfRow(first)) + " thru " +
              cueNumberText(cueNumberOfRow(last)) + "?",
          DialogIcon::Confirmation, DialogButtons::YesNo) != DialogResult::Yes)
    return;

  const int top = topRow();
  LoopCueMoved = deleteCueRecords(host_.cueFile(), first - 1, last - first + 1).loopCueMoved;
  for (int k = last; k >= first; --k)
    if (k < S.Rows.RunningCue) --S.Rows.RunningCue;
  host_.waitPumped(10);
  host_.ReadCues();
  keepRowsInTables(S.Rows, S.Cues.CueCount);
  if (S.Cues.CueCount > 0) {
    host_.selectRow(std::clamp(r, 1, S.Cues.CueCount));
    host_.CueListClicked(0);
  }
  setTopRow(top);
  host_.CueRangeMarked() = false;
  loopCueMovedWarning();
}

void CueListEditing::btnCopyClick() {
  ConsoleState& S = host_.state();
  const int current = S.Rows.CurrentCue;
  if (current < 1 || current > S.Cues.CueCount) return;
  CueFile& file = host_.cueFile();
  if (!host_.CueRangeMarked()) {
    RangeCopied = false;
    CueClipboard = file.readRecord(current - 1);
    clipboardFilled_ = true;
    return;
  }
  const int first = std::max(host_.RangeFirst(), 1);
  const int last = std::min({host_.RangeLast(), S.Cues.CueCount, first + kRangeLimit - 1});
  if (first > last) return;
  std::vector<CueRecord> records;
  for (int row = first; row <= last; ++row) records.push_back(file.readRecord(row - 1));
  CueRangeClipboard = std::move(records);
  RangeCopied = true;
}

void CueListEditing::btnCutClick() {
  ConsoleState& S = host_.state();
  const int current = S.Rows.CurrentCue;
  if (current < 1 || current > S.Cues.CueCount) return;
  if (host_.CueRangeMarked()) {
    // Cutting a marked range cuts the range.
    btnCopyClick();
  } else {
    CueClipboard = host_.cueFile().readRecord(current - 1);
    clipboardFilled_ = true;
    RangeCopied = false;
  }
  btnDeleteClick();
}

void CueListEditing::btnPasteClick() {
  ConsoleState& S = host_.state();
  CueFile& file = host_.cueFile();
  const int a = listRow();
  if (a < 1 || file.count() < a) return;
  if (RangeCopied ? CueRangeClipboard.empty() : !clipboardFilled_) return;
  LoopCueMoved = false;
  const bool autoAdvance = S.AutoAdvance;
  S.AutoAdvance = false;
  if (RangeCopied) {
    // The range lands after row a in its original order, with its original numbers.
    LoopCueMoved = insertCueRecords(file, a, CueRangeClipboard).loopCueMoved;
    if (a < S.Rows.RunningCue) S.Rows.RunningCue += int(CueRangeClipboard.size());
    RangeCopied = false;
    host_.ReadCues();
    keepRowsInTables(S.Rows, S.Cues.CueCount);
    loopCueMovedWarning();
  } else {
    CueRecord pasted = CueClipboard;
    pasted.cueNumber = file.readRecord(a - 1).cueNumber + 100;
    LoopCueMoved = insertCueRecords(file, a, {pasted}).loopCueMoved;
    if (a < S.Rows.RunningCue) ++S.Rows.RunningCue;
    host_.waitPumped(50);
    host_.ReadCues();
    keepRowsInTables(S.Rows, S.Cues.CueCount);
    if (a <= S.Cues.CueCount) {
      host_.selectRow(a);
      host_.CueListClicked(0);
    }
  }
  S.AutoAdvance = autoAdvance;
}

void CueListEditing::btnChannelClick() {
  const CueTables& t = host_.state().Cues;
  if (t.CueOrderProblem) {
    ask(host_.window(), "Cue sequence warning",
        "A cue or cues are out of ascending order.\n\rIt's before cue \"" +
            QString::number(t.CueOrderNumber) + " " + t.CueOrderText + "\", at line " +
            QString::number(t.CueOrderRow) + ".\n\rThat can affect this task.",
        DialogIcon::Warning, DialogButtons::Ok);
  }
  host_.showBulkChange();
}

// ---- The cue list's mouse, wheel and keys ---------------------------------------------------------

void CueListEditing::cuelistClickCell(int row) {
  if (row < 1) return;
  ConsoleState& S = host_.state();
  if (host_.ShiftDown()) {
    const int from = std::max(S.Rows.LastSelectedRow, 1);
    host_.RangeFirst() = std::min(from, row);
    host_.RangeLast() = std::max(from, row);
    if (host_.RangeLast() - host_.RangeFirst() + 1 > kRangeLimit) {
      ask(host_.window(), "Selected Cue Limit",
          "There is a 24 cue limit on selected cues. Please select fewer.", DialogIcon::Error,
          DialogButtons::Ok);
      host_.ShiftDown() = false;
    }
  }
  host_.selectRow(row);
  host_.CueListClicked(0);
}

void CueListEditing::cuelistDblClickCell(int row) {
  if (row < 1) return;
  ConsoleState& S = host_.state();
  // Playing again the cue that just finished does not advance after it.
  if (host_.cuePlayed(row)) S.AutoAdvance = false;
  if (host_.loopRunning()) {
    S.FadeTick = S.FadeTotalTicks + 1;
    while (host_.fadeRunning() && !applicationTerminating()) host_.waitPumped(10);
  }
  host_.SendCue();
}

void CueListEditing::cuelistMouseDown(Qt::KeyboardModifiers modifiers) {
  host_.ShiftDown() = host_.ShiftDown() || modifiers.testFlag(Qt::ShiftModifier);
}

void CueListEditing::cuelistMouseUp(Qt::MouseButton button, int row, Qt::KeyboardModifiers modifiers) {
  ConsoleState& S = host_.state();
  if (button == Qt::RightButton && S.CueChangesAllowed) {
    if (host_.fadeRunning() && !S.SubLoopActive) {
      if (ask(host_.window(), "Cannot Edit while running.",
              "A cue is running! Should it be stopped so you can Edit?", DialogIcon::Warning,
              DialogButtons::YesNo) == DialogResult::Yes)
        S.FadeTick = S.FadeTotalTicks;
      return;
    }
    if (row >= 1 && row <= S.Cues.CueCount) {
      S.CueListByMouse = true;
      host_.selectRow(row);
      if (row == S.Rows.CurrentCue) {
        host_.stopFadeTimer();
        S.FadeIdle = true;
        S.LevelSteps.fill(0.0f);
        S.FadeTotalTicks = 0;
        S.FadeTick = 0;
        S.ShownSeconds = 0;
      }
      if (!editor_.ShowProgressBeforeEdit) editor_.ShowProgressBeforeEdit = S.ShowProgress;
      S.ShowProgress = false;
      S.LiveMode = false;  // editing is blind
      host_.CueListClicked(0);
      editor_.openAs(CueEditorMode::EditSelected, cueNumberText(cueNumberOfRow(S.Rows.CurrentCue)));
    }
  }
  S.GoWithCtrl = modifiers.testFlag(Qt::ControlModifier);
  S.GoWithShift = modifiers.testFlag(Qt::ShiftModifier);
}

void CueListEditing::cuelistMouseEnter() {
  MouseInCueList = true;
  if (QTableWidget* list = host_.cueList()) list->setFocus();
}

void CueListEditing::cuelistMouseLeave() { MouseInCueList = false; }

int CueListEditing::topRow() const {
  QTableWidget* list = host_.cueList();
  if (!list || list->rowCount() == 0) return 0;
  const int r = list->rowAt(0);
  return r < 0 ? 1 : r + 1;
}

void CueListEditing::setTopRow(int row) {
  QTableWidget* list = host_.cueList();
  if (!list || row < 1 || row > list->rowCount()) return;
  list->doItemsLayout();  // the scroll range of rows just read
  list->scrollTo(list->model()->index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

void CueListEditing::cuelistMouseWheelDown() {
  const int top = topRow();
  if (top < host_.state().Cues.CueCount) setTopRow(top + 1);
}

void CueListEditing::cuelistMouseWheelUp() {
  const int top = topRow();
  if (top > 1) setTopRow(top - 1);
}

bool CueListEditing::cuelistKeyDown(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      return true;  // the main window's keys move the selection
    case Qt::Key_End:
      host_.keyend();
      return true;
  }
  return false;
}

void CueListEditing::Scroll() {
  QTableWidget* list = host_.cueList();
  if (!list) return;
  const int top = topRow();
  const int selected = list->currentRow() + 1;
  const bool overflow =
      list->height() - DpiScale(8) < list->rowCount() * list->verticalHeader()->defaultSectionSize();
  if (selected - top > 10 && overflow) {
    setTopRow(top + 1);
    SavedTopRow = topRow();
  }
}

bool CueListEditing::eventFilter(QObject* watched, QEvent* event) {
  QTableWidget* list = host_.cueList();
  if (!list) return false;
  if (watched == list) {
    switch (event->type()) {
      case QEvent::Enter:
        cuelistMouseEnter();
        break;
      case QEvent::Leave:
        cuelistMouseLeave();
        break;
      case QEvent::KeyPress:
        return cuelistKeyDown(static_cast<QKeyEvent*>(event)->key());
      default:
        break;
    }
    return false;
  }
  if (watched != list->viewport()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      cuelistMouseDown(mouse->modifiers());
      pressedRow_ = list->rowAt(mouse->position().toPoint().y()) + 1;
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const int row = list->rowAt(mouse->position().toPoint().y()) + 1;
      if (mouse->button() == Qt::LeftButton && row >= 1 && row == pressedRow_) cuelistClickCell(row);
      pressedRow_ = 0;
      cuelistMouseUp(mouse->button(), row, mouse->modifiers());
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      pressedRow_ = 0;
      if (mouse->button() == Qt::LeftButton)
        cuelistDblClickCell(list->rowAt(mouse->position().toPoint().y()) + 1);
      return true;
    }
    case QEvent::Wheel: {
      if (!MouseInCueList) return false;
      const int dy = static_cast<QWheelEvent*>(event)->angleDelta().y();
      if (dy < 0)
        cuelistMouseWheelDown();
      else if (dy > 0)
        cuelistMouseWheelUp();
      return true;
    }
    default:
      return false;
  }
}
