#pragma once

// The magic sheet (`TMagical`, "Magic Sheet"): the rig laid out as named group boxes holding square
// channel buttons. A quick click selects the button's channel in the channel grid; holding a button
// 250 ms lights its lamp until the release (a lamp hunt); Shift with a held press drags a button or
// a group, which snaps to the grid on release. Context menus create, rename, resize and delete.
// The layout lives in the group and button files and is saved when the window or the console closes.
// The hold is timed on the console's clock.

#include <QWidget>
#include <functional>
#include <vector>

#include "console/editors/lamp_hunt.h"
#include "console/editors/magic_layout.h"

class QActionGroup;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class Clock;
class ClockTimer;
struct ConsoleState;

// What the magic sheet needs of the console.
struct MagicSheetHost {
  std::function<ConsoleState&()> state;
  std::function<QString()> settingsFile;         // the settings file ([Magic] keys)
  std::function<QString()> groupFile;            // MagicGroupFile
  std::function<QString()> channelFile;          // MagicChannelFile
  std::function<int(const QString&)> textWidth;  // GetTextWidth in the cue list's font
  // The hint of channel n's grid cell (empty when it has none or n is no channel).
  std::function<QString(int n)> channelHint;
  // The Ctrl and Shift keys at the last press, as the grid's own presses record them.
  std::function<void(bool ctrl, bool shift)> setPressKeys;
  // Clears the grid's whole selection (marks, selected and locked flags).
  std::function<void()> clearSelection;
  // Brings the grid page of channel n (1-based) to the front, marks and selects the channel and
  // focuses its level edit. False when no page holds it.
  std::function<bool(int n)> showChannel;
  std::function<void()> sendDMX;
  // `ledintens`: the 0-based level-edit index of the intensity channel of the fixture at an address
  // (-1 when none); a release on a fixture's button turns that channel off.
  std::function<int(int address)> ledintens;
};

class TMagical : public QWidget {
  Q_OBJECT
 public:
  TMagical(MagicSheetHost host, Clock& clock, QWidget* parent = nullptr);
  ~TMagical() override;

  // Writes the layout and the [Magic] keys; false means closing is to stop.
  bool SaveMagic();
  // A new group at 10, 50 captioned "New Group"; it becomes the current group.
  QGroupBox* MakeGroup(int width, int height);
  // A new button captioned "0" at 10, 1 in the current group; it becomes the current button.
  QPushButton* MakeChannel();

  // The layout as it stands on the sheet.
  MagicLayout layout() const;
  QGroupBox* group(int index) const;
  QPushButton* button(int group, int index) const;
  int groupCount() const { return int(groups_.size()); }

  // Handlers of the menus (also reachable by tests).
  void NewSmallGroup1Click();
  void NewMediumGroup1Click();
  void NewLargeGroup1Click();
  void setGrid(int grid);
  void AddChannel1Click(QGroupBox* box);
  void EditGroupName1Click(QGroupBox* box);
  void resizeGroup(QGroupBox* box, int dw, int dh);
  void Delete1Click(QGroupBox* box);
  void MenuItem1Click(QPushButton* b);  // "Edit Channel Number"
  void MenuItem2Click(QPushButton* b);  // "Delete Channel"
  // Selecting the button's channel (its click).
  void ChnlPick(QPushButton* b);

  QFrame* Panel1 = nullptr;
  QMenu* PMenu0 = nullptr;
  QMenu* PMenu1 = nullptr;
  QMenu* PMenu2 = nullptr;
  ClockTimer* DragTimer = nullptr;  // the 250 ms hold
  QActionGroup* GridItems = nullptr;

  // Window state.
  int FDownX = 0;
  int FDownY = 0;
  bool FDragging = false;
  bool LampHunt = false;
  bool Rbutton = false;
  bool CtrlDown = false;
  bool ShiftDown = false;
  int MagicGrid = 10;  // unscaled
  int MagicPickedChannel = 0;
  int MagicTop = 10;
  int MagicLeft = 10;
  QGroupBox* CurrentMagicGroup = nullptr;
  QPushButton* CurrentMagicButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct GroupUi {
    QGroupBox* box;
    QLineEdit* nameEdit;
    std::vector<QPushButton*> buttons;
  };
  void FormCreate();
  void buildMenus();
  GroupUi* uiOf(QGroupBox* box);
  GroupUi* uiOfButton(QPushButton* b, int* index = nullptr);
  QLineEdit* numberEdit(QPushButton* b) const;
  void GroupMouseDown(QWidget* control, QMouseEvent* event);
  void GroupMouseMove(QWidget* control, QMouseEvent* event);
  void GroupMouseUp(QWidget* control, QMouseEvent* event);
  void GroupMouseenter(QPushButton* b);
  // The hold: Shift starts a drag, otherwise the picked channel's lamp is lit.
  void DragTimerTimer();
  void EditKeyDown(QGroupBox* box);
  void ChnlKeyDown(QPushButton* b);
  // The release of a button that was not dragged: the picked channel (a fixture's intensity
  // channel) goes to its warm-up level; a fixture the hold lit is put back as it was.
  void lampOff();

  MagicSheetHost host_;
  HuntedFixture hunted_;  // the fixture the current hold lit
  std::vector<GroupUi> groups_;
  QWidget* pressed_ = nullptr;
  QGroupBox* menuGroup_ = nullptr;
  QPushButton* menuButton_ = nullptr;
};
