// Selecting channels with the mouse on the grid's cells: click, Ctrl and Shift clicks, dragging a run,
// the double click that locks, the right button that tells how a channel is patched or opens the
// fixtures window for its fixture; the wheel on the selected levels; "1 to 1 patch mode".

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTabWidget>
#include <QWheelEvent>

#include "console/editors/cue_list_editing.h"
#include "console/editors/fixtures_window.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"

namespace {

constexpr int kWheelNotch = 120;

// The main window's own pointer events: a press on its background, the pointer entering it, and
// the wheel turned anywhere in it that no control took.
class FormMouseFilter : public QObject {
 public:
  explicit FormMouseFilter(Tform1& form) : QObject(&form), form_(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &form_) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        // Only a press on the window's own background: one that a label or other control let
        // through is not.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        QWidget* under = form_.childAt(at);
        if (!under || under == form_.centralWidget()) form_.FormMouseDown();
        break;
      }
      case QEvent::Enter:
        form_.FormMouseEnter();
        break;
      case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        form_.wheelTurned(wheel->angleDelta().y());
        wheel->accept();
        return true;
      }
      default:
        break;
    }
    return false;
  }

 private:
  Tform1& form_;
};

}  // namespace

void Tform1::createMouseSelection() {
  connect(grid_, &ChannelGrid::mouse, this, &Tform1::cellMouse);
  connect(grid_, &ChannelGrid::wheel, this, &Tform1::wheelTurned);
  installEventFilter(new FormMouseFilter(*this));
  for (QAction* menu : menuBar()->actions()) {
    if (menu->text() != "&Options" || !menu->menu()) continue;
    Mpatch = new QAction("1 to 1 patch mode", this);
    Mpatch->setObjectName("Mpatch");
    Mpatch->setCheckable(true);
    Mpatch->setToolTip("Overrides Soft Patch to 1-1");
    Mpatch->setStatusTip("Overrides Soft Patch to 1-1");
    connect(Mpatch, &QAction::triggered, this, &Tform1::MpatchClick);
    menu->menu()->insertAction(menlock, Mpatch);
  }
}

void Tform1::cellMouse(const CellMouseEvent& e) {
  // A press or click on the cells may change the selection and the edit being typed into: a level
  // still being typed lands first, where and as it was typed.
  if (e.kind != CellMouseEvent::Move) commitTypedLevel();
  switch (e.kind) {
    case CellMouseEvent::Press:
      MouseCheck(e.cell, e.button, e.modifiers);
      break;
    case CellMouseEvent::Click:
      picklight(e.cell, e.onEdit);
      break;
    case CellMouseEvent::Release:
      MouseDone(e.cell, e.button);
      break;
    case CellMouseEvent::Move:
      MouseOver(e.cell, e.global, e.local.x());
      break;
    case CellMouseEvent::DoubleClick:
      locklight1(e.cell);
      break;
  }
}

void Tform1::MouseCheck(int tag, Qt::MouseButton button, Qt::KeyboardModifiers shift) {
  if (Mouse.SkipNextMouseDown) {
    Mouse.SkipNextMouseDown = false;
    return;
  }
  if (!S.CueChangesAllowed) return;
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  if (tag < 0 || tag >= count) return;
  Keys.CtrlDown = shift.testFlag(Qt::ControlModifier);
  Keys.ShiftDown = shift.testFlag(Qt::ShiftModifier);
  Keys.AltDown = shift.testFlag(Qt::AltModifier);
  Mouse.LeftButtonDown = button == Qt::LeftButton;
  if (Mouse.LeftButtonDown) {
    if (!Keys.CtrlDown && !Keys.ShiftDown) clearSelection();
    Mouse.ClickedChannel = tag;
    Mouse.DragFilled = false;
    if (Keys.ShiftDown) {
      int first = -1;
      for (int i = 0; i < count && first < 0; ++i)
        if (S.ChannelSelected[size_t(i)]) first = i;
      if (first < 0) return;
      for (int i = std::min(first, tag); i <= std::max(first, tag); ++i) selectChannel(i);
    } else {
      Mouse.DragSelecting = true;
    }
    return;
  }
  Mouse.ClickedChannel = tag;
  Mouse.DragFilled = false;
  if (Keys.CtrlDown) {
    clearSelection();
    return;
  }
  // A right press takes the channel out of the selection and goes to the nearest selected one below.
  deselectChannel(tag);
  for (int k = tag; k >= 0; --k) {
    if (!S.ChannelSelected[size_t(k)]) continue;
    ChannelEdits[size_t(k)]->setFocus();
    break;
  }
}

void Tform1::picklight(int i, bool fromEdit) {
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  if (i < 0 || i >= count) return;
  if (fromEdit) {
    if (levelEditor() && grid_->editorCell() == i) levelEditor()->selectAll();
    if (S.ChannelSelected[size_t(i)]) return;
  }
  ChannelEdits[size_t(i)]->setFocus();
  if (!S.CueChangesAllowed) return;
  if (S.ChannelSelected[size_t(i)] && Keys.CtrlDown) {
    deselectChannel(i);
    return;
  }
  if (!Keys.CtrlDown) clearSelection();
  selectChannel(i);
  if (Keys.ShiftDown)
    for (int k = std::min(Mouse.LastPicked, i); k <= std::max(Mouse.LastPicked, i); ++k) selectChannel(k);
  Mouse.LastPicked = i;
}

void Tform1::MouseOver(int tag, QPoint global, int x) {
  if (!Mouse.DragSelecting) return;
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  if (tag < 0 || tag >= count) return;
  selectChannel(tag);
  // The cells of the page on view, lowest first: the one under the pointer continues the run.
  for (int k : grid_->cellsOnPage(dimpages->currentIndex())) {
    if (k >= count || !IsMouseOverControl(k, global)) continue;
    selectChannel(k);
    if (k > Mouse.ClickedChannel + 1) {
      // The pointer skipped cells: the run fills the gap.
      for (int j = Mouse.ClickedChannel + 1; j <= k; ++j) selectChannel(j);
      Mouse.DragFilled = true;
    }
    if (Mouse.DragFilled && k < Mouse.ClickedChannel) {
      S.ChannelSelected[size_t(Mouse.ClickedChannel)] = false;
      ChannelMarks[size_t(Mouse.ClickedChannel)]->hide();
    }
    ChannelEdits[size_t(k)]->setFocus();
    Mouse.ClickedChannel = k;
  }
  if (S.LogLevel > 0) toolLog(QString::number(tag) + " " + QString::number(x));
}

bool Tform1::IsMouseOverControl(int index, QPoint global) const {
  const QRect cell = grid_->cellRect(index);
  const int page = pageOfChannel(index);
  if (cell.isEmpty() || page < 0 || page >= dimpages->count()) return false;
  const QPoint p = dimpages->widget(page)->mapFromGlobal(global) - cell.topLeft();
  return p.x() >= 0 && p.x() <= cell.width() && p.y() >= 0 && p.y() <= cell.height();
}

void Tform1::locklight1(int tag) {
  if (tag < 0 || tag >= int(ChannelMarks.size())) return;
  ChannelMarks[size_t(tag)]->setText(kLockMarkText);
  ChannelMarks[size_t(tag)]->show();
  S.ChannelLocked[size_t(tag)] = true;
  S.ChannelSelected[size_t(tag)] = true;
  Mouse.SkipNextMouseDown = true;
}

int Tform1::backstart(int start) const {
  const int count = std::min<int>(S.MaxChannels, kMaxChannelLimit);
  for (int b = 1; b <= count; ++b)
    if (S.Patch.ChannelFixture[size_t(b)] == start) return b;
  return 0;
}

void Tform1::MouseDone(int tag, Qt::MouseButton button) {
  Mouse.DragSelecting = false;
  if (tag < 0) return;  // a release on a page, outside the cells
  if (Mouse.LeftButtonDown) {
    Mouse.LeftButtonDown = false;
    return;
  }
  if (!S.CueChangesAllowed) {
    // The press of a locked show left no channel of its own: the release is judged by its own
    // button and cell, and a left one is no question about the patch.
    if (button == Qt::LeftButton) return;
    Mouse.ClickedChannel = tag;
  }
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  const int n = Mouse.ClickedChannel + 1;
  if (n < 1 || n > count) return;
  const int fixture = S.Patch.ChannelFixture[size_t(n)];
  const bool fromChannel = fixture > 0;
  int start = 0;
  if (!fromChannel) {
    const AddressList& addresses = S.Patch.PatchTable.addresses(n);
    const int a = addresses.empty() ? -1 : addresses[0] - 1;
    if (a < 0) {
      const QString needle = "|" + QString::number(n) + "|";
      int k = 0;
      for (int c = 1; c <= count && k == 0; ++c)
        if (S.Patch.PatchTable.text(c).contains(needle)) k = c;
      if (k == 0)
        showMessage("Channel is unpatched", QString::number(n) + " is an unpatched channel.",
                    DialogIcon::Information);
      else
        showMessage("Channel is softpatched",
                    QString::number(n) + " is softpatched to " + QString::number(k) + ".\n\r" +
                        "Please click there instead.",
                    DialogIcon::Information);
      return;
    }
    if (a + 1 <= kMaxChannelLimit) start = S.Fixtures.FixtureStart[size_t(a + 1)];
    if (start == kMoverScrollerChannel) start = 0;
  } else {
    start = fixture;
  }
  if (start < 1 || start > kMaxChannelLimit) {
    Mouse.LeftButtonDown = false;
    return;
  }

  Tfixtures& window = fixturesWindow();
  window.FixtureFromChannel = fromChannel;
  const int type = S.Fixtures.FixtureTypes[size_t(start)];
  const int row = window.rowOfType(type);
  if (row >= 0) window.pickfixture->setCurrentIndex(row);
  window.SelectedFixtureType = type;
  if (row >= 0) window.populatefixture(row);
  window.fixgroup->clear();
  QString hint = window.fixgroup->toolTip();
  auto addEntry = [&](const QString& text, bool checked) {
    auto* item = new QListWidgetItem(text, window.fixgroup);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  };
  addEntry(QString::number(start), true);
  hint += "," + QString::number(start);
  for (int j = 0; j < count; ++j) {
    const int s = S.Patch.ChannelFixture[size_t(j + 1)];
    if (S.ChannelSelected[size_t(j)] && s > 0 && S.Fixtures.FixtureTypes[size_t(s)] == type &&
        !hint.contains("," + QString::number(s))) {
      addEntry(QString::number(s), true);
      hint += "," + QString::number(s);
    }
    if (j >= 1 && j <= kMaxChannelLimit && S.Fixtures.FixtureTypes[size_t(j)] == window.SelectedFixtureType &&
        S.Fixtures.FixtureStart[size_t(j)] == j) {
      if (const int b = backstart(j); b > 0)
        addEntry(QString::number(b) + " (" + QString::number(j) + ")", false);
    }
  }
  window.fixgroup->setToolTip(hint);
  window.FixturesFirstShow = false;
  window.showcolors(start);
  if (window.execDialog) window.execDialog(window);
  if (tag < int(ChannelEdits.size())) ChannelEdits[size_t(tag)]->setFocus();
  Mouse.LeftButtonDown = false;
}

void Tform1::wheelTurned(int angle) {
  // Small turns (touch pads) add up to whole notches.
  Mouse.WheelDelta += angle;
  while (Mouse.WheelDelta >= kWheelNotch) {
    Mouse.WheelDelta -= kWheelNotch;
    FormMouseWheel(true);
  }
  while (Mouse.WheelDelta <= -kWheelNotch) {
    Mouse.WheelDelta += kWheelNotch;
    FormMouseWheel(false);
  }
}

void Tform1::FormMouseDown() { clearSelection(); }

void Tform1::FormMouseEnter() {
  if (editing_) editing_->MouseInCueList = false;
}

void Tform1::FormMouseWheel(bool up) {
  if (editing_ && editing_->MouseInCueList) return;
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  const int step = S.Wheel;
  for (int i = 0; i < count; ++i) {
    if (!S.ChannelSelected[size_t(i)]) continue;
    const int ch = i + 1;
    const int fixture = S.Patch.ChannelFixture[size_t(ch)];
    if (S.Patch.PatchTable.text(ch) == QLatin1String("||") && fixture == 0) continue;
    const bool raw = S.RawChannels[size_t(ch)];
    LevelEdit* edit = ChannelEdits[size_t(i)];
    const QString old = edit->text();
    int v = StrToIntSafe(old);
    if (up)
      v = old.isEmpty() ? 1 : std::min(v + step, raw ? 255 : 100);
    else
      v = old.isEmpty() ? 0 : std::max(v - step, 0);
    const QString text = QString::number(v);
    const float level = raw ? float(v) : float(v) * 2.55f;
    if (!up) edit->setText(text);
    S.Unrecorded = true;
    S.CurrentLevels[size_t(ch)] = level;
    if (up) edit->setText(text);
    if (fixture > 0) {
      const int intensity = S.Patch.IntensityChannel[size_t(ch)];
      if (intensity >= 0 && intensity < int(ChannelEdits.size())) {
        ChannelEdits[size_t(intensity)]->setText(text);
        S.CurrentLevels[size_t(intensity + 1)] = S.CurrentLevels[size_t(ch)];
      }
    } else {
      SetDmx(i);
    }
  }
  sendDMX();
}

void Tform1::MpatchClick() { S.OneToOnePatch = Mpatch->isChecked(); }
