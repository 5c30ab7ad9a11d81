#include "console/engine/key_dispatch.h"

#include <gtest/gtest.h>

namespace {

using K = KeyActionKind;

std::vector<K> kinds(const KeyOutcome& o) {
  std::vector<K> v;
  for (const KeyAction& a : o.actions) v.push_back(a.kind);
  return v;
}

const KeyAction* find(const KeyOutcome& o, K kind) {
  for (const KeyAction& a : o.actions)
    if (a.kind == kind) return &a;
  return nullptr;
}

}  // namespace

TEST(KeyDispatch, GoTable) {
  struct Case {
    const char* name;
    int key;
    KeyModifiers mods;
    KeyContext ctx;
    std::vector<K> expected;
    bool holds;
  };
  KeyContext plain;
  KeyContext unrecorded;
  unrecorded.unrecorded = true;
  KeyContext counting;
  counting.ctimeValue = 25;
  KeyContext pgdnOverList;
  pgdnOverList.addPgDn = true;
  pgdnOverList.mouseInCueList = true;
  KeyContext pgdnElsewhere;
  pgdnElsewhere.addPgDn = true;
  const Case cases[] = {
      {"plain space", vk::Space, {}, plain, {K::StartCueTimer, K::SetGoFlags, K::Go}, true},
      {"unrecorded", vk::Space, {}, unrecorded, {K::StartCueTimer, K::SaveDirty}, false},
      {"shift space",
       vk::Space,
       {false, false, true},
       plain,
       {K::StartCueTimer, K::SetGoFlags, K::Playscreen},
       true},
      {"ctrl space while counting",
       vk::Space,
       {true, false, false},
       counting,
       {K::StartCueTimer, K::SetGoFlags, K::Go},
       true},
      {"plain space while counting", vk::Space, {}, counting, {K::StartCueTimer, K::SetGoFlags}, true},
      {"pgdn over the cue list", vk::PgDn, {}, pgdnOverList, {K::StartCueTimer, K::SetGoFlags, K::Go}, true},
      {"pgdn elsewhere steps down", vk::PgDn, {}, pgdnElsewhere, {K::LevelStep}, false},
      {"pgdn without AddPgDn",
       vk::PgDn,
       {},
       [] {
         KeyContext c;
         c.mouseInCueList = true;
         return c;
       }(),
       {K::LevelStep},
       false},
  };
  for (const Case& c : cases) {
    KeyState st;
    const KeyOutcome o = FormKeyDown(st, c.key, c.mods, c.ctx);
    EXPECT_TRUE(o.consumed) << c.name;
    EXPECT_EQ(kinds(o), c.expected) << c.name;
    EXPECT_EQ(st.KeyHeld, c.holds) << c.name;
  }
}

TEST(KeyDispatch, GoCarriesCtrlAndShift) {
  KeyState st;
  const KeyOutcome o = FormKeyDown(st, vk::Space, {true, false, false}, {});
  const KeyAction* flags = find(o, K::SetGoFlags);
  ASSERT_NE(flags, nullptr);
  EXPECT_TRUE(flags->ctrl);
  EXPECT_FALSE(flags->shift);
}

TEST(KeyDispatch, HeldSpacePlaysOneGoUntilARealRelease) {
  KeyState st;
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Space, {}, {})).back(), K::Go);
  // X11 auto-repeat: release/press pairs, the releases marked as repeats.
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(FormKeyUp(st, vk::Space, {}, true).actions.empty());
    const KeyOutcome again = FormKeyDown(st, vk::Space, {}, {});
    EXPECT_TRUE(again.actions.empty());
    EXPECT_TRUE(again.consumed);
  }
  FormKeyUp(st, vk::Space, {}, false);
  EXPECT_FALSE(st.KeyHeld);
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Space, {}, {})).back(), K::Go);
}

TEST(KeyDispatch, GroupPrefix) {
  struct Case {
    int key;
    int group;  // -1: none
  } cases[] = {
      {'3', 3},  {'C', 12}, {vk::Pad0 + 5, 5}, {vk::Slash, 999},
      {'W', -1}, {'A', 10}, {'V', 31},         {vk::Pad0, 0},
  };
  for (const Case& c : cases) {
    KeyState st;
    const KeyOutcome g = FormKeyDown(st, 'G', {}, {});
    EXPECT_EQ(kinds(g), std::vector<K>{K::FocusGrid});
    EXPECT_TRUE(st.GroupKeyPending);
    const KeyOutcome o = FormKeyDown(st, c.key, {}, {});
    EXPECT_TRUE(o.consumed);
    EXPECT_FALSE(st.GroupKeyPending) << c.key;
    if (c.group < 0) {
      EXPECT_TRUE(o.actions.empty()) << c.key;
    } else {
      ASSERT_EQ(o.actions.size(), 1u) << c.key;
      EXPECT_EQ(o.actions[0], (KeyAction{K::SelectGroup, c.group})) << c.key;
    }
    // The key after the group key acts normally again.
    EXPECT_EQ(kinds(FormKeyDown(st, vk::PgUp, {}, {})), std::vector<K>{K::LevelStep});
  }
}

TEST(KeyDispatch, GThenSpacePlaysAndEndsThePrefix) {
  KeyState st;
  FormKeyDown(st, 'G', {}, {});
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Space, {}, {})).back(), K::Go);
  EXPECT_FALSE(st.GroupKeyPending);
}

TEST(KeyDispatch, LevelStepKeys) {
  struct Case {
    int key;
    int delta;
  } cases[] = {{vk::PgUp, 10}, {vk::PgDn, -10}, {vk::Home, 255},
               {vk::Up, 1},    {vk::Down, -1},  {vk::End, -255}};
  for (const Case& c : cases) {
    KeyState st;
    const KeyOutcome o = FormKeyDown(st, c.key, {}, {});
    EXPECT_TRUE(o.consumed);
    ASSERT_EQ(o.actions.size(), 1u) << c.key;
    EXPECT_EQ(o.actions[0], (KeyAction{K::LevelStep, c.delta})) << c.key;
  }
}

TEST(KeyDispatch, EndStopsALoopOrAFadeFirst) {
  KeyContext fading;
  fading.fadeRunning = true;
  fading.loopCueActive = true;
  KeyState st;
  EXPECT_EQ(kinds(FormKeyDown(st, vk::End, {}, fading)),
            (std::vector<K>{K::StopLoop, K::KeyEnd, K::LevelStep}));
  fading.subLoopActive = true;
  EXPECT_EQ(kinds(FormKeyDown(st, vk::End, {}, fading)), std::vector<K>{K::LevelStep});
}

TEST(KeyDispatch, UpAndDownOverTheCueListAtBothEnds) {
  struct Case {
    int key;
    int current;
    int count;
    int selects;  // 0: nothing
  } cases[] = {
      {vk::Up, 1, 3, 0}, {vk::Up, 2, 3, 1}, {vk::Up, 0, 0, 0}, {vk::Down, 3, 3, 0}, {vk::Down, 1, 3, 2},
  };
  for (const Case& c : cases) {
    KeyContext ctx;
    ctx.mouseInCueList = true;
    ctx.currentCue = c.current;
    ctx.cueCount = c.count;
    KeyState st;
    const KeyOutcome o = FormKeyDown(st, c.key, {}, ctx);
    EXPECT_TRUE(o.consumed);
    if (c.selects == 0)
      EXPECT_TRUE(o.actions.empty()) << c.key << " at " << c.current;
    else
      EXPECT_EQ(o.actions, std::vector<KeyAction>{(KeyAction{K::SelectCue, c.selects})});
  }
}

TEST(KeyDispatch, BackKeys) {
  KeyContext over;
  over.mouseInCueList = true;
  KeyState st;
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Backspace, {}, over)), (std::vector<K>{K::SetGoFlags, K::GoBack}));
  EXPECT_TRUE(st.KeyHeld);
  KeyState b;
  EXPECT_EQ(kinds(FormKeyDown(b, 'B', {}, over)).back(), K::GoBack);
  KeyState shiftB;
  EXPECT_TRUE(FormKeyDown(shiftB, 'B', {false, false, true}, over).actions.empty());
  KeyContext fading = over;
  fading.fadeRunning = true;
  KeyState f;
  const KeyOutcome o = FormKeyDown(f, vk::Backspace, {}, fading);
  EXPECT_TRUE(o.actions.empty());
  EXPECT_TRUE(o.consumed);
  KeyState away;
  EXPECT_TRUE(FormKeyDown(away, vk::Backspace, {}, {}).actions.empty());
}

TEST(KeyDispatch, EnterRecordsOrAdds) {
  struct Case {
    KeyModifiers mods;
    bool newPrompt;
    bool keytimer;
    K action;  // SetGoCtrl: nothing after it
    bool consumed;
  } cases[] = {
      {{}, false, false, K::Record, true},
      {{}, true, false, K::AddNew, true},
      {{true, false, false}, false, false, K::AddNew, true},
      {{true, false, false}, true, false, K::Record, true},
      {{false, false, true}, false, false, K::AddCue, false},
      {{}, false, true, K::SetGoCtrl, true},
  };
  for (const Case& c : cases) {
    KeyContext ctx;
    ctx.newPrompt = c.newPrompt;
    ctx.keytimerArmed = c.keytimer;
    KeyState st;
    const KeyOutcome o = FormKeyDown(st, vk::Enter, c.mods, ctx);
    EXPECT_EQ(o.consumed, c.consumed);
    if (c.keytimer)
      EXPECT_TRUE(o.actions.empty());
    else
      EXPECT_EQ(kinds(o).back(), c.action);
  }
}

TEST(KeyDispatch, DigitsReachALevelEditAndAreCollectedOnlyThere) {
  KeyContext edit;
  edit.focusIsLevelEdit = true;
  KeyState st;
  KeyOutcome o = FormKeyDown(st, '7', {}, edit);
  EXPECT_FALSE(o.consumed);
  EXPECT_EQ(o.actions, std::vector<KeyAction>{(KeyAction{K::AppendTypedText, '7'})});
  o = FormKeyDown(st, vk::Pad0 + 4, {}, edit);
  EXPECT_EQ(o.actions, std::vector<KeyAction>{(KeyAction{K::AppendTypedText, '4'})});
  o = FormKeyDown(st, '7', {}, {});
  EXPECT_FALSE(o.consumed);
  EXPECT_TRUE(o.actions.empty());
  // The colour letters start a colour code in a level edit and never reach it as text.
  edit.userLetter = 'A';
  o = FormKeyDown(st, 'A', {}, edit);
  EXPECT_TRUE(o.consumed);
  EXPECT_EQ(o.actions, std::vector<KeyAction>{(KeyAction{K::AppendTypedText, 'A'})});
  EXPECT_EQ(kinds(FormKeyDown(st, 'R', {}, edit)), std::vector<K>{K::AppendTypedText});
  // Other letters are swallowed.
  o = FormKeyDown(st, 'Q', {}, edit);
  EXPECT_TRUE(o.consumed);
  EXPECT_TRUE(o.actions.empty());
}

TEST(KeyDispatch, FunctionKeysAndOthers) {
  KeyState st;
  KeyContext ctx;
  ctx.bumpScenes[1] = 4;
  EXPECT_EQ(FormKeyDown(st, vk::F5, {}, ctx).actions, std::vector<KeyAction>{(KeyAction{K::SendBump, 0})});
  EXPECT_EQ(FormKeyDown(st, vk::F5 + 1, {}, ctx).actions,
            std::vector<KeyAction>{(KeyAction{K::LoadBumpScene, 4})});
  const KeyOutcome up = FormKeyUp(st, vk::F5 + 2, {}, false);
  EXPECT_EQ(kinds(up), (std::vector<K>{K::ClearBump, K::EmptyKeyQueue}));
  EXPECT_EQ(up.actions[0].value, 2);
  EXPECT_TRUE(FormKeyUp(st, vk::F5, {}, true).actions.empty());

  const KeyOutcome f3 = FormKeyDown(st, vk::F1 + 2, {}, ctx);
  EXPECT_FALSE(f3.consumed);
  EXPECT_EQ(kinds(f3), std::vector<K>{K::ToggleAdvance});
  EXPECT_EQ(kinds(FormKeyDown(st, vk::F1 + 3, {}, ctx)), std::vector<K>{K::ToggleLive});
  ctx.cueChangesAllowed = false;
  EXPECT_TRUE(FormKeyDown(st, vk::F1 + 1, {}, ctx).actions.empty());
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Esc, {}, ctx)), std::vector<K>{K::BlackOut});
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Insert, {}, ctx)), std::vector<K>{K::Playscreen});
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Delete, {}, ctx)), std::vector<K>{K::ClearSelection});
  ctx.fadeRunning = true;
  EXPECT_EQ(kinds(FormKeyDown(st, vk::PadDecimal, {}, ctx)), std::vector<K>{K::EndFadeAtNextTick});
  EXPECT_EQ(kinds(FormKeyDown(st, vk::Pause, {}, ctx)), std::vector<K>{K::StopLoop});
  // Tab still moves the focus.
  EXPECT_FALSE(FormKeyDown(st, vk::Tab, {}, ctx).consumed);
}

TEST(ShowTimer, Text) {
  EXPECT_EQ(showTimerText(3725), "01:02:05");
  EXPECT_EQ(showTimerText(0), "00:00:00");
  EXPECT_EQ(showTimerText(59), "00:00:59");
  EXPECT_EQ(showTimerText(360000), "100:00:00");
}
