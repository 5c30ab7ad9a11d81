// Channel selection as groups and the keypad apply it, the groups window and the keypad window.

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "console/editors/group_window.h"
#include "console/editors/keypad_entry.h"
#include "console/engine/console_settings.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"

class Tform1::KeypadHostAdapter : public KeypadHost {
 public:
  explicit KeypadHostAdapter(Tform1& f) : f(f) {}
  int maxChannels() const override { return std::min<int>(f.S.MaxChannels, int(f.ChannelEdits.size())); }
  void clearSelection() override { f.clearSelection(); }
  void selectChannel(int i) override { f.selectChannel(i); }
  void deselectChannel(int i) override { f.deselectChannel(i); }
  bool isSelected(int i) const override { return f.S.ChannelSelected[size_t(i)]; }
  bool isDirect(int i) const override { return f.S.DirectChannels[size_t(i)]; }
  QString levelText(int i) const override { return f.ChannelEdits[size_t(i)]->text(); }
  void setLevelText(int i, const QString& text) override { f.ChannelEdits[size_t(i)]->setText(text); }
  void setLevelDirect(int i, const QString& text) override {
    f.Keys.AltDown = true;
    f.setEditTextQuietly(i, text);
    f.SetDmx(i);
  }
  void groupset(int group) override { f.groupset(group); }
  void sendDMX() override { f.sendDMX(); }
  void focusCueList() override { f.cuelist->setFocus(); }
  QWidget* mainWindow() override { return &f; }
  void saveKeypadOffsets(int top, int left) override {
    f.S.KeyEntryTop = top;
    f.S.KeyEntryLeft = left;
    IniFile ini(f.S.MainIniFile);
    writeKeypadOffsets(ini, f.S);
    ini.save();
  }
  QPoint keypadOffsets() const override { return {f.S.KeyEntryLeft, f.S.KeyEntryTop}; }

 private:
  Tform1& f;
};

void Tform1::selectChannel(int i) {
  if (i < 0 || i >= int(ChannelMarks.size())) return;
  S.ChannelSelected[size_t(i)] = true;
  ChannelMarks[size_t(i)]->setText(kSelectionMarkText);
  ChannelMarks[size_t(i)]->show();
}

void Tform1::deselectChannel(int i) {
  if (i < 0 || i >= int(ChannelMarks.size())) return;
  S.ChannelSelected[size_t(i)] = false;
  S.ChannelLocked[size_t(i)] = false;
  ChannelMarks[size_t(i)]->hide();
}

void Tform1::clearSelection() {
  const int count = std::min<int>(S.MaxChannels, int(ChannelMarks.size()));
  for (int i = 0; i < count; ++i) deselectChannel(i);
}

void Tform1::LoadGroups(const QString& path) {
  QString error;
  S.ChannelGroups = ::LoadGroups(path, &error);
  if (!error.isEmpty()) showMessage("Channel Groups", error, DialogIcon::Warning);
}

void Tform1::groupset(int GP) {
  // A locked show keeps its selection: the lock is tested before anything is cleared.
  if (!S.CueChangesAllowed) return;
  if (!Keys.CtrlDown) clearSelection();
  const int count = std::min<int>(S.MaxChannels, int(ChannelEdits.size()));
  if (GP == 999) {
    for (int c = 1; c <= count; ++c) {
      const int level = StrToIntSafe(ChannelEdits[size_t(c - 1)]->text());
      const bool raw = S.RawChannels[size_t(c)];
      if (raw ? level > 0 : level > S.Fixtures.WarmUpLevels[size_t(c)]) selectChannel(c - 1);
    }
    return;
  }
  if (GP < 0 || GP >= kGroupCount) return;
  const QString text = S.ChannelGroups[size_t(GP)];
  if (text.isEmpty()) {
    showMessage("No Channels entered", "No Channels have been entered for that group.",
                DialogIcon::Information, DialogButtons::Retry);
    return;
  }
  QString last;
  int lastIndex = -1;
  for (const QString& element : text.split(',')) {
    const int channel = StrToIntSafe(element);
    // A list entry that names no channel ends the group there, reported as a channel not at hand.
    if (channel < 1 || channel > count) {
      showMessage("Channel not Available", "Channel number " + element + " in that group is on another page.",
                  DialogIcon::Warning);
      return;
    }
    selectChannel(channel - 1);
    last = element;
    lastIndex = channel - 1;
  }
  if (lastIndex < 0) return;
  if (pageOfChannel(lastIndex) != dimpages->currentIndex()) {
    showMessage("Channel not Available", "Channel number " + last + " in that group is on another page.",
                DialogIcon::Warning);
    return;
  }
  ChannelEdits[size_t(lastIndex)]->setFocus();
}

void Tform1::createGroupsAndKeypad() {
  keypadHost_ = std::make_unique<KeypadHostAdapter>(*this);
  KeyEntry = new TKeyEntry(*keypadHost_, this);
  GroupWindowHost host;
  host.groups = [this]() -> ChannelGroupTexts& { return S.ChannelGroups; };
  host.groupFileName = [this] { return S.GroupFile; };
  host.cueFileName = [this] { return S.CueFileName; };
  host.programGroupFile = [] { return changeFileExt(programPath(), ".lgrp"); };
  host.focusCueList = [this] { cuelist->setFocus(); };
  Form4 = new TForm4(std::move(host), this);

  groupSelected_ = [this](int group) { groupset(group); };
  showKeypad_ = [this] { showKeypad(); };
  focusKeypad_ = [this] {
    KeyEntry->activateWindow();
    KeyEntry->KeyEdit1->setFocus();
  };
  closeKeypad_ = [this] { KeyEntry->close(); };

  QAction* keypad = addMenuItem("&Options", "Show Keypad Entry");
  keypad->setShortcut(Qt::Key_F2);
  keypad->setShortcutContext(Qt::WindowShortcut);
  connect(keypad, &QAction::triggered, this, &Tform1::showKeypad);
  connect(addToolButton("btngroups", "Groups", "Display the Groups tool"), &QToolButton::clicked, this,
          &Tform1::btngroupsClick);
}

void Tform1::showKeypad() {
  if (!S.CueChangesAllowed) return;
  KeyEntry->show();
  KeyEntry->raise();
}

void Tform1::btngroupsClick() {
  Form4->show();
  Form4->raise();
  Form4->move(geometry().center() - Form4->rect().center());
  Form4->FormActivate();
}
