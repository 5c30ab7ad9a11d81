#include "console/engine/key_dispatch.h"

namespace {

using K = KeyActionKind;

bool isDigitKey(int key) {
  return (key >= vk::Digit0 && key <= vk::Digit0 + 9) || (key >= vk::Pad0 && key <= vk::Pad0 + 9);
}

int digitOf(int key) { return key >= vk::Pad0 ? key - vk::Pad0 : key - vk::Digit0; }

void step(KeyOutcome& out, int delta) {
  out.actions.push_back({K::LevelStep, delta});
  out.consumed = true;
}

}  // namespace

QString typedLevelText(const QString& editText, const QString& typedText) {
  for (const QChar c : typedText)
    if (c < u'0' || c > u'9') return typedText;
  return editText;
}

int groupForKey(int key) {
  if (key >= vk::Digit0 && key <= vk::Digit0 + 9) return key - vk::Digit0;
  if (key >= vk::LetterA && key <= vk::LetterA + 21) return 10 + key - vk::LetterA;  // A..V
  if (key >= vk::Pad0 && key <= vk::Pad0 + 9) return key - vk::Pad0;
  if (key == vk::Slash) return 999;
  return -1;
}

QString showTimerText(int seconds) {
  if (seconds < 0) seconds = 0;
  const auto two = [](int v) { return QString::number(v).rightJustified(2, '0'); };
  return two(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

KeyOutcome FormKeyDown(KeyState& st, int key, KeyModifiers mods, const KeyContext& ctx) {
  KeyOutcome out;
  // A held GO or back key: nothing acts until a key is released, and the repeats never reach the
  // focused control as text.
  if (st.KeyHeld) {
    out.consumed = true;
    return out;
  }
  st.CtrlDown = mods.ctrl;
  st.AltDown = mods.alt;
  st.ShiftDown = mods.shift;
  // Keys the console has no use for (Tab moving the focus, a bare modifier) go their usual way.
  if (key == 0 || key == vk::Tab || key == vk::Shift || key == vk::Alt) return out;

  // The start of a colour code typed into a level edit.
  if (ctx.focusIsLevelEdit && ((ctx.userLetter != 0 && key == ctx.userLetter) || key == 'R')) {
    out.actions.push_back({K::AppendTypedText, key});
    out.consumed = true;
    return out;
  }

  const bool go = key == vk::Space || (key == vk::PgDn && ctx.addPgDn && ctx.mouseInCueList);
  if (go) {
    out.consumed = true;
    // GO also ends a pending group prefix, so the key after it acts normally again.
    st.GroupKeyPending = false;
    out.actions.push_back({K::StartCueTimer});
    if (ctx.dimCheckManual) {
      out.actions.push_back({K::DimCheckStep});
    } else if (ctx.unrecorded) {
      out.actions.push_back({K::SaveDirty});
    } else {
      out.actions.push_back({K::SetGoFlags, 0, mods.ctrl, mods.shift});
      st.KeyHeld = true;
      if (mods.shift)
        out.actions.push_back({K::Playscreen});
      else if (mods.ctrl || ctx.ctimeValue == 0)
        out.actions.push_back({K::Go});
    }
    return out;
  }
  if (key == vk::Ctrl) {
    out.consumed = true;
    return out;
  }
  if (st.GroupKeyPending) {
    const int group = groupForKey(key);
    if (group >= 0) out.actions.push_back({K::SelectGroup, group});
    st.GroupKeyPending = false;
    out.consumed = true;
    return out;
  }

  out.consumed = true;  // a key the table does not name is swallowed
  switch (key) {
    case vk::Backspace:
    case 'B':
      if (key == 'B' && mods.shift) break;
      if (ctx.mouseInCueList && (!ctx.fadeRunning || ctx.subLoopActive)) {
        out.actions.push_back({K::SetGoFlags, 0, mods.ctrl, mods.shift});
        st.KeyHeld = true;
        out.actions.push_back({K::GoBack});
      }
      break;
    case vk::Enter:
      if (ctx.keytimerArmed) break;
      out.actions.push_back({K::SetGoCtrl, 0, mods.ctrl});
      if (mods.shift) {
        out.actions.push_back({K::AddCue});
        out.consumed = false;
      } else if (mods.ctrl) {
        out.actions.push_back({ctx.newPrompt ? K::Record : K::AddNew});
      } else {
        out.actions.push_back({ctx.newPrompt ? K::AddNew : K::Record});
      }
      break;
    case vk::Pause:
      out.actions.push_back({K::StopLoop});
      break;
    case vk::Esc:
      if (ctx.dimCheckManual) out.actions.push_back({K::DimCheckStop});
      out.actions.push_back({K::BlackOut});
      break;
    case vk::PgUp:
      step(out, 10);
      break;
    case vk::PgDn:
      step(out, -10);
      break;
    case vk::Home:
      step(out, 255);
      break;
    case vk::End:
      if (ctx.loopCueActive && !ctx.subLoopActive) out.actions.push_back({K::StopLoop});
      if (ctx.fadeRunning && !ctx.subLoopActive) out.actions.push_back({K::KeyEnd});
      step(out, -255);
      break;
    case vk::Up:
      // Over the cue list the arrows walk the cues; at either end they do nothing rather than
      // reach past the list or change live levels.
      if (ctx.mouseInCueList) {
        if (ctx.currentCue > 1) out.actions.push_back({K::SelectCue, ctx.currentCue - 1});
      } else {
        step(out, 1);
      }
      break;
    case vk::Down:
      if (ctx.mouseInCueList) {
        if (ctx.currentCue < ctx.cueCount) out.actions.push_back({K::SelectCue, ctx.currentCue + 1});
      } else {
        step(out, -1);
      }
      break;
    case vk::Insert:
      out.actions.push_back({K::Playscreen});
      break;
    case vk::Delete:
    case vk::PadDecimal:
      out.actions.push_back({ctx.fadeRunning ? K::EndFadeAtNextTick : K::ClearSelection});
      break;
    case 'G':
      st.GroupKeyPending = true;
      out.actions.push_back({K::FocusGrid});
      break;
    case 'M':
      out.actions.push_back({K::ShowMagicSheet});
      break;
    case vk::PadMinus:
      if (ctx.keypadVisible && !ctx.keypadFocused) out.actions.push_back({K::FocusKeypad});
      break;
    case vk::F1 + 1:  // F2
      if (ctx.cueChangesAllowed) out.actions.push_back({K::ShowKeypad});
      out.consumed = false;
      break;
    case vk::F1 + 2:  // F3
      out.actions.push_back({K::ToggleAdvance});
      out.consumed = false;
      break;
    case vk::F1 + 3:  // F4
      out.actions.push_back({K::ToggleLive});
      out.consumed = false;
      break;
    default:
      if (key >= vk::F5 && key <= vk::F12) {
        const int k = key - vk::F5;
        if (ctx.bumpScenes[size_t(k)] > 0)
          out.actions.push_back({K::LoadBumpScene, ctx.bumpScenes[size_t(k)]});
        else
          out.actions.push_back({K::SendBump, k});
      } else if (isDigitKey(key)) {
        // Digits are collected for a typed level and still reach the focused level edit.
        if (ctx.focusIsLevelEdit) out.actions.push_back({K::AppendTypedText, '0' + digitOf(key)});
        out.consumed = false;
      }
      break;
  }
  return out;
}

KeyOutcome FormKeyUp(KeyState& st, int key, KeyModifiers mods, bool autoRepeat) {
  KeyOutcome out;
  // A held key on X11 sends release/press pairs: those releases do not end the hold.
  if (autoRepeat) {
    out.consumed = true;
    return out;
  }
  st.KeyHeld = false;
  st.CtrlDown = mods.ctrl;
  st.AltDown = mods.alt;
  st.ShiftDown = mods.shift;
  if (key >= vk::F5 && key <= vk::F12) out.actions.push_back({KeyActionKind::ClearBump, key - vk::F5});
  out.actions.push_back({KeyActionKind::EmptyKeyQueue});
  out.consumed = key != 0 && key != vk::Tab;
  return out;
}
