// The operator's keyboard on the main window: one application-wide key filter hands every key
// meant for the main window to the key dispatcher and carries out what it returns.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QTimer>

#include "console/editors/cue_list_editing.h"
#include "console/editors/keypad_entry.h"
#include "console/editors/tools_window.h"
#include "console/engine/key_dispatch.h"
#include "console/engine/key_repeat_filter.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"
#include "console/window/channel_cells.h"
#include "console/window/main_window.h"
#include "platform/timer_list.h"

int keyFromQt(const QKeyEvent& event) {
  const int k = event.key();
  const bool pad = event.modifiers() & Qt::KeypadModifier;
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return (pad ? vk::Pad0 : vk::Digit0) + (k - Qt::Key_0);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return vk::LetterA + (k - Qt::Key_A);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return vk::F1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace:
      return vk::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::Enter;
    case Qt::Key_Shift:
      return vk::Shift;
    case Qt::Key_Control:
      return vk::Ctrl;
    case Qt::Key_Alt:
      return vk::Alt;
    case Qt::Key_Pause:
      return vk::Pause;
    case Qt::Key_Escape:
      return vk::Esc;
    case Qt::Key_Space:
      return vk::Space;
    case Qt::Key_PageUp:
      return vk::PgUp;
    case Qt::Key_PageDown:
      return vk::PgDn;
    case Qt::Key_End:
      return vk::End;
    case Qt::Key_Home:
      return vk::Home;
    case Qt::Key_Left:
      return vk::Left;
    case Qt::Key_Up:
      return vk::Up;
    case Qt::Key_Right:
      return vk::Right;
    case Qt::Key_Down:
      return vk::Down;
    case Qt::Key_Insert:
      return vk::Insert;
    case Qt::Key_Delete:
      return vk::Delete;
    case Qt::Key_Minus:
      return pad ? vk::PadMinus : 189;
    case Qt::Key_Period:
      return pad ? vk::PadDecimal : 190;
    case Qt::Key_Slash:
      return pad ? 111 : vk::Slash;
    default:
      return 0;
  }
}

namespace {

KeyModifiers modifiersOf(const QKeyEvent& event) {
  const Qt::KeyboardModifiers m = event.modifiers();
  return {bool(m & Qt::ControlModifier), bool(m & Qt::AltModifier), bool(m & Qt::ShiftModifier)};
}

// The application-wide filter: keys whose target lies in the main window go to the dispatcher
// first, whichever control has the focus. The main window's shortcuts act only there: a key typed
// into another window (a tool window the toolkit would let them reach) goes to that window's control.
// A window that closes hands the keyboard back to the window it belongs to, so that the first key
// typed afterwards is not lost where no window manager does it.
class MainWindowKeyFilter : public QObject {
 public:
  explicit MainWindowKeyFilter(Tform1& form) : QObject(&form), form_(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::Hide) {
      windowHidden(qobject_cast<QWidget*>(watched));
      return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
      if (widget->window() == &form_ || !isMainWindowShortcut(*key)) return false;
      event->accept();
      return true;
    }
    if (widget->window() != &form_) {
      // The transport and bump keys work from the console's tool windows too: a function key that
      // the tool window's controls leave alone reaches the main window, once, from the tool window
      // itself (the last offer).
      if (!widget->isWindow() || !isOwnToolWindow(*widget) || !isConsoleFunctionKey(*key)) return false;
      return type == QEvent::KeyPress ? form_.FormKeyDown(*key) : form_.FormKeyUp(*key);
    }
    // Qt offers a key the focused control leaves alone to each of its parents in turn, and this
    // filter sees every offer. The press acts once, at the first offer; the parents' offers of the
    // same event get that offer's answer.
    if (isLaterOffer(event, *key, widget)) return offered_.consumed;
    const bool consumed = type == QEvent::KeyPress ? form_.FormKeyDown(*key, widget) : form_.FormKeyUp(*key);
    // The offers to the parents follow at once, before the event loop runs again; a key sent later
    // to a parent on its own (as tests do, with no timestamp) is a key of its own.
    offered_ = {event, type, key->key(), key->timestamp(), widget, consumed};
    const quint64 generation = ++offerGeneration_;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
          if (generation == offerGeneration_) offered_ = {};
        },
        Qt::QueuedConnection);
    return consumed;
  }

 private:
  bool isMainWindowShortcut(const QKeyEvent& key) const {
    const QKeySequence pressed(key.keyCombination());
    for (const QAction* action : form_.findChildren<QAction*>())
      if (action->shortcutContext() != Qt::ApplicationShortcut && action->shortcut() == pressed) return true;
    return false;
  }

  bool isOwnToolWindow(const QWidget& window) const {
    if (window.isModal() || QApplication::activeModalWidget()) return false;
    if (window.windowType() == Qt::Popup || window.windowType() == Qt::ToolTip) return false;
    return window.parentWidget() && window.parentWidget()->window() == &form_;
  }
  static bool isConsoleFunctionKey(const QKeyEvent& key) {
    return key.key() >= Qt::Key_F2 && key.key() <= Qt::Key_F12;
  }

  void windowHidden(QWidget* window) {
    if (!window || !window->isWindow() || window == &form_) return;
    if (window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip) return;
    if (QApplication::activeWindow() && QApplication::activeWindow() != window) return;
    QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : &form_;
    if (!owner->isVisible()) owner = &form_;
    if (owner->isVisible()) owner->activateWindow();
  }

  // The key event last handed to the main window and the control it was offered to first. A later
  // offer of the same event goes to a parent of that control; the event object alone does not tell,
  // since the next key may be built at the same address.
  struct Offer {
    const QEvent* event = nullptr;
    QEvent::Type type = QEvent::None;
    int key = 0;
    quint64 timestamp = 0;
    QPointer<QWidget> receiver;
    bool consumed = false;
  };
  bool isLaterOffer(const QEvent* event, const QKeyEvent& key, const QWidget* widget) const {
    return event == offered_.event && event->type() == offered_.type && key.key() == offered_.key &&
           key.timestamp() == offered_.timestamp && offered_.receiver && widget != offered_.receiver &&
           widget->isAncestorOf(offered_.receiver);
  }

  Tform1& form_;
  Offer offered_;
  quint64 offerGeneration_ = 0;
};

}  // namespace

void Tform1::createKeyboard() {
  qApp->installEventFilter(new MainWindowKeyFilter(*this));
  // X marks a held key's repeats unreliably; elsewhere the toolkit marks them itself.
  if (QGuiApplication::platformName() == "xcb")
    keyRepeats_ = std::make_unique<KeyRepeatFilter>(
        clock_, [this](const KeyRepeatFilter::Release& r) { keyReleased(r.key, r.mods, r.timestamp); });
}

KeyContext Tform1::keyContext(QWidget* target) const {
  KeyContext c;
  // The level edits are painted; the one real editor stands on the cell being typed into.
  QWidget* focused = target ? target : QApplication::focusWidget();
  c.focusIsLevelEdit = focused && grid_ && focused == grid_->editor() && grid_->editorCell() >= 0;
  c.focusedTag = c.focusIsLevelEdit ? grid_->editorCell() : 0;
  c.userLetter = S.UserLetter.isEmpty() ? 0 : S.UserLetter.at(0).toUpper().unicode();
  c.dimCheckManual = DimCheckManual;
  c.unrecorded = S.Unrecorded;
  c.addPgDn = S.AddPgDn;
  c.mouseInCueList = editing_ && editing_->MouseInCueList;
  c.ctimeValue = StrToIntSafe(ctime->text());
  c.keytimerArmed = TimerList1->isArmed("Keytimer");
  c.fadeRunning = FadeTimer->isActive();
  c.subLoopActive = S.SubLoopActive;
  c.loopCueActive = loops_->state().LoopCueActive;
  c.newPrompt = S.Newprompt;
  c.currentCue = S.Rows.CurrentCue;
  c.cueCount = S.Cues.CueFileRecords;
  c.cueChangesAllowed = S.CueChangesAllowed;
  c.keypadVisible = KeyEntry && KeyEntry->isVisible();
  c.keypadFocused = KeyEntry && KeyEntry->KeyEdit1->hasFocus();
  for (int k = 0; k < 8; ++k) c.bumpScenes[size_t(k)] = S.BumpSceneTable[size_t(k)];
  return c;
}

bool Tform1::FormKeyDown(const QKeyEvent& event, QWidget* target) {
  const int key = keyFromQt(event);
  const bool repeat = (keyRepeats_ && keyRepeats_->press(key, event.timestamp())) || event.isAutoRepeat();
  if (event.timestamp() != 0 && event.timestamp() <= keyQueueEmptiedAt_) return true;
  const KeyContext ctx = keyContext(target);
  if (tools && key != 0) tools->showKey(key);
  if (!Keys.KeyHeld && key != 0) {
    // A key on another control than the one being typed into starts afresh: the level typed there
    // lands first, on its own channel, and its digits never prefix a new level.
    if (ctx.focusedTag != S.TypedEdit || !ctx.focusIsLevelEdit) commitTypedLevel();
    if (ctx.focusIsLevelEdit && ctx.focusedTag != S.TypedEdit) S.TypedText.clear();
    S.TypedEdit = ctx.focusedTag;
    S.TypingLevel = ctx.focusIsLevelEdit;
  }
  const KeyOutcome outcome = ::FormKeyDown(Keys, key, modifiersOf(event), ctx);
  if (repeat && key >= vk::F5 && key <= vk::F12) return true;  // a held bump stays on
  for (const KeyAction& a : outcome.actions) runKeyAction(a);
  return outcome.consumed;
}

bool Tform1::FormKeyUp(const QKeyEvent& event) {
  const int key = keyFromQt(event);
  if (event.isAutoRepeat()) return ::FormKeyUp(Keys, key, modifiersOf(event), true).consumed;
  if (!keyRepeats_) return keyReleased(key, modifiersOf(event), event.timestamp());
  // Held back until it is clear that no repeat press follows.
  keyRepeats_->release({key, modifiersOf(event), event.timestamp()});
  return key != 0 && key != vk::Tab;
}

bool Tform1::keyReleased(int key, KeyModifiers mods, quint64 timestamp) {
  if (S.LogLevel > 0) WriteLog("Key up = " + QString::number(key));
  const KeyOutcome outcome = ::FormKeyUp(Keys, key, mods, false);
  for (const KeyAction& a : outcome.actions) {
    if (a.kind == KeyActionKind::EmptyKeyQueue)
      keyQueueEmptiedAt_ = std::max(keyQueueEmptiedAt_, timestamp);
    else
      runKeyAction(a);
  }
  return outcome.consumed;
}

void Tform1::runKeyAction(const KeyAction& a) {
  using K = KeyActionKind;
  switch (a.kind) {
    case K::AppendTypedText:
      S.TypedText += QChar(a.value);
      // Every typed key restarts the pause, also one that leaves the edit's text as it was (a 0 on
      // a channel at 0, the letter of a colour code): what was typed is always committed, once.
      if (S.TypingLevel) {
        S.ChangedEdit = S.TypedEdit;
        TimerList1->cancel("Keytimer");
        TimerList1->arm("Keytimer");
      }
      break;
    case K::StartCueTimer:
      if (S.LogLevel == -2) CueStartTime_ = clock_.nowMs();
      break;
    case K::SaveDirty:
      SaveDirty();
      break;
    case K::SetGoFlags:
      S.GoWithCtrl = a.ctrl;
      S.GoWithShift = a.shift;
      break;
    case K::SetGoCtrl:
      S.GoWithCtrl = a.ctrl;
      break;
    case K::Playscreen:
      playscreen();
      break;
    case K::Go:
      btnPlayClick();
      break;
    case K::GoBack:
      GoBack();
      break;
    case K::AddCue:
      S.Unrecorded = false;
      editing_->btnAddClick();
      break;
    case K::Record:
      btnRecordClick();
      break;
    case K::AddNew:
      editing_->AddNew();
      break;
    case K::StopLoop:
      btnstoploopClick();
      break;
    case K::KeyEnd:
      keyend();
      break;
    case K::BlackOut:
      btnBlackClick();
      break;
    case K::EndFadeAtNextTick:
      S.FadeTick = S.FadeTotalTicks + 1;
      break;
    case K::ClearSelection:
      clearSelection();
      break;
    case K::SelectCue:
      S.Rows.CurrentCue = a.value;
      selectRow(a.value);
      CueListClicked(0);
      break;
    case K::LevelStep:
      levelStep(a.value);
      break;
    case K::FocusGrid:
      dimpages->setFocus();
      break;
    case K::ToggleAdvance:
      btnadvanceClick();
      break;
    case K::ToggleLive:
      btnLiveclicked();
      break;
    case K::SendBump:
      if (bumpPressed_) bumpPressed_(a.value);
      break;
    case K::LoadBumpScene:
      if (bumpScenePressed_) bumpScenePressed_(a.value);
      break;
    case K::ClearBump:
      if (bumpReleased_) bumpReleased_(a.value);
      break;
    case K::SelectGroup:
      if (groupSelected_) groupSelected_(a.value);
      break;
    case K::ShowMagicSheet:
      if (showMagicSheet_) showMagicSheet_();
      break;
    case K::ShowKeypad:
      if (showKeypad_) showKeypad_();
      break;
    case K::FocusKeypad:
      if (focusKeypad_) focusKeypad_();
      break;
    case K::DimCheckStep:
      dimCheckStep();
      break;
    case K::DimCheckStop:
      dimCheckStop();
      break;
    case K::EmptyKeyQueue:
      break;
  }
}

void Tform1::levelStep(int delta) {
  TimerList1->cancel("Keytimer");
  S.TypingLevel = false;
  S.TypedText.clear();
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  for (int i = 0; i < count; ++i) {
    if (!S.ChannelSelected[size_t(i)]) continue;
    const bool raw = S.RawChannels[size_t(i + 1)];
    const QString old = ChannelEdits[size_t(i)]->text();
    const int v = std::clamp(old.isEmpty() ? delta : StrToIntSafe(old) + delta, 0, raw ? 255 : 100);
    const QString text = QString::number(v);
    setEditTextQuietly(i, text);
    S.Unrecorded = true;
    int t = i;
    if (S.Patch.ChannelFixture[size_t(i + 1)] > 0) {
      t = S.Patch.IntensityChannel[size_t(i + 1)];
      if (t < 0 || t >= int(ChannelEdits.size())) continue;
      ChannelEdits[size_t(t)]->setText(text);
    }
    const int owner = S.Patch.IntensityOwner[size_t(i)];
    if (owner > 0 && owner - 1 < int(ChannelEdits.size())) setEditTextQuietly(owner - 1, text);
    SetDmx(t);
    S.CurrentLevels[size_t(t + 1)] = raw ? float(v) : float(v * 2.55);
  }
  sendDMX();
}
