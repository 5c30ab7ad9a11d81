#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "console/editors/cue_editor.h"
#include "console/editors/cue_list_editing.h"
#include "console/editors/scene_dialog.h"
#include "console/editors/submaster_window.h"
#include "console/engine/bump_engine.h"
#include "console/engine/console_state.h"
#include "console/engine/cue_backup.h"
#include "console/engine/cue_file.h"
#include "console/engine/cue_selection.h"
#include "console/engine/fixture_intensity.h"
#include "console/engine/key_dispatch.h"
#include "console/engine/key_repeat_filter.h"
#include "console/engine/loops.h"
#include "console/engine/playback.h"
#include "console/engine/show_files.h"
#include "console/output/dmx_interface.h"
#include "console/output/output_host.h"
#include "console/patch/fixture_type_record.h"
#include "console/patch/patch_context.h"
#include "console/patch/soft_patch_file.h"
#include "console/remote/osc_host.h"
#include "console/remote/osc_input.h"
#include "console/remote/osc_input_socket.h"
#include "console/remote/osc_output.h"
#include "console/remote/remote_control.h"
#include "console/remote/remote_host.h"
#include "console/window/channel_cells.h"
#include "platform/clock.h"
#include "platform/operator.h"

class MidiControlMap;
class MidiHost;
class MidiPort;
class MidiSubmasters;
class OperatorWindowWatch;
class QAction;
class QActionGroup;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QProgressBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class QToolButton;
class TForm4;
class TMagical;
class Taddchannel;
class TSpreadsheet;
class TPatch;
class Ttools;
class TPreferences;
class TForm6;
class Tfixtures;
class FixturesHost;
class TMArtnetDecoder;
class TMidiInput;
class TKeyEntry;
class KeypadHost;
struct InterfaceChange;
class TimerList;
class WebRemoteLauncher;

// The console's main window: owner of the engine state's life from start-up to shut-down.
class Tform1 : public QMainWindow {
  Q_OBJECT
 public:
  // `arguments` are the program's command-line arguments (the first, when present, names the show).
  // Every wait of the window and its parts runs on `clock` (the system clock when none is given).
  Tform1(ConsoleState& state, const QStringList& arguments, TForm6* splash, QWidget* parent = nullptr,
         Clock* clock = nullptr);
  ~Tform1() override;

  ConsoleState& state() { return S; }
  Clock& clock() { return clock_; }
  TimerList& timers() { return *TimerList1; }
  TForm6* splash() const { return Form6; }

  // Start-up stages.
  void FormCreate();
  void FormShow();
  void StartupStage2();
  void FormActivate();

  // Application-wide error handling: every error that escapes an event handler comes here.
  void MyExceptionHandler(const QString& message);
  void SetCaption();
  static quint64 CurrentProcessMemory();

  // Keyboard: every key meant for this window comes here first (false: the control gets it).
  bool FormKeyDown(const QKeyEvent& event, QWidget* target = nullptr);
  bool FormKeyUp(const QKeyEvent& event);
  KeyState Keys;
  // A level step on every selected channel (PgUp, Home, arrows ...).
  void levelStep(int delta);
  void clearSelection();
  // What the keys reach in the windows that own bumps, groups, the magic sheet and the keypad.
  std::function<void(int key)> bumpPressed_;
  std::function<void(int key)> bumpReleased_;
  std::function<void(int scene)> bumpScenePressed_;
  std::function<void(int group)> groupSelected_;
  std::function<void()> showMagicSheet_;
  std::function<void()> showKeypad_;
  std::function<void()> focusKeypad_;
  std::function<void()> closeKeypad_;

  // Selecting channels with the mouse, the wheel on the selected levels, "1 to 1 patch mode".
  void FormMouseDown();
  void FormMouseEnter();
  void wheelTurned(int angle);
  struct MouseSelection {
    bool LeftButtonDown = false;
    bool DragSelecting = false;
    bool DragFilled = false;
    int ClickedChannel = 0;
    int LastPicked = 0;
    bool SkipNextMouseDown = false;
    int WheelDelta = 0;  // wheel turns not yet adding up to a notch
  } Mouse;
  QAction* Mpatch = nullptr;

  // Hints of the cells from the soft patch and the fixtures, bump tags, colour codes, dimmer check.
  void Loadhints();
  void loadcolors(int chnl, const QString& gcolor);
  void men1secClick();
  void menManClick();
  bool FixhintWarning = true;
  bool DimCheckManual = false;
  int DimAdvanceSeconds = 1;
  int DimCheckChannel = 1;
  bool DimCheckLoopActive = false;  // the timed loop is inside its pumped waits

  // Selection, channel groups and the keypad.
  void selectChannel(int index);
  void deselectChannel(int index);
  void groupset(int GP);
  void LoadGroups(const QString& path);
  void showKeypad();
  void btngroupsClick();
  TKeyEntry* KeyEntry = nullptr;
  // Show files: new, load, recent shows, backup of the show set.
  void btnNewClick();
  void btnLoadClick();
  void btnSaveClick();
  void MostRecentFiles1MenuClick(const QString& path);
  QMenu* RecentMenu = nullptr;

  // The preferences window (with the sound-to-light window).
  void btnPrefsClick();
  TPreferences* Preferences = nullptr;

  // The soft patch window.
  void btnpatchClick();
  TPatch* Patch = nullptr;
  TForm4* Form4 = nullptr;
  // The magic sheet, the bulk channel change dialog and the spreadsheet window.
  void MsheetClick();
  void showSpreadsheet(bool patchView);
  TMagical* Magical = nullptr;
  Taddchannel* addchannel = nullptr;
  TSpreadsheet* Spreadsheet = nullptr;
  std::function<void()> showBulkChange_;

  // The show lock, About, and the clock with its show timer.
  void WallClock1Click();
  void Starttimer1Click();
  void PauseTimer1Click();
  void ResumeTimer1Click();
  void ShowTimer1Click();
  QAction* menlock = nullptr;
  bool ShowTimerRunning = false;
  int ShowTimerSeconds = 0;

  // Menu handlers.
  void HelpTopics1Click();

  // Shut-down.
  bool FormCloseQuery();
  void FormClose();
  // The magic sheet's save-and-confirm answer (the magic sheet installs it): false keeps the console open.
  std::function<bool()> magicSheetVeto_;

  // Channel grid.
  void LoadLights();
  // Lays the grid out again; `withHints` false when the caller loads the hints itself right after.
  void Redraw(bool withHints = true);
  void SetColor();
  int GetTextWidth(const QString& text) const;
  // Page of the grid showing channel index i (0-based), and the captions of the pages in use.
  int pageOfChannel(int index) const;
  QStringList pageCaptions() const;
  // The one line edit that moves onto the level edit being typed into.
  QLineEdit* levelEditor() const;

  // Level path.
  void DoLevel(int Keydimmer);
  void ChangedDmx();
  void SetDmx(int I);
  int ledintens(int which);
  void playscreen();
  void btnBlackClick();
  // btnLive and F4: toggles live and blind.
  void btnLiveclicked();
  // Writes text into edit i with UpdatingEdits set: shown, not committed.
  void setEditTextQuietly(int i, const QString& text);

  // Trace lines: the inspection tool's log list (LogLevel above 0) and, for level traces above 1,
  // the log file.
  void toolLog(const QString& line);
  QStringList ToolLogLines;
  qsizetype ToolLogChars = 0;  // characters held in ToolLogLines

  // Output: every change of DmxOutBuffer is sent through the DMX interface.
  void sendDMX();
  DmxInterface* dmx() { return dmx_.get(); }
  // The Art-Net link: created at start-up (or by the inspection tool's poll when there is none) on
  // the port S.ArtNetPort, freed at shut-down. createArtNetDecoder throws std::runtime_error when
  // the socket cannot be set up.
  TMArtnetDecoder* artNet() { return ArtNetDecoder.get(); }
  TMArtnetDecoder& createArtNetDecoder();
  // The inspection tool's device list, filled by discovery.
  QStringList DeviceList;
  int SelectedDevice = -1;
  std::function<void()> showInspectionTool_;
  // The inspection tool: the sink of the trace lines, made at start-up.
  Ttools* tools = nullptr;
  void showInspectionTool();
  // Reads the fixture map file into the map held in memory.
  void reloadFixtureMap();

  // The show: opening it, reading its cues, the cue list on screen.
  void OpenCueFile();
  bool ReadCues();
  PatchContext patchContext();
  CueFile& cueFile() { return cueFile_; }
  PatchGrid& patchGrid() { return PatchGrid_; }

  // Cue selection.
  void CueListClicked(int play);
  void LoadCue();
  // Makes `row` (1-based) the cue list's current row without selecting the cue.
  void selectRow(int row);
  int currentRow() const;
  static void splitOscCueText(const QString& text, QString& address, QString& argument);

  // Playback: the window carries out what the playback object decides.
  Playback& playback() { return *playback_; }
  void btnPlayClick();
  void SendCue();
  void Fadetiming(int uptime, int downtime);
  void fadeTimerTimer();
  void CueDone();
  void keyend();
  void GoBack();
  void mreset();
  void btnadvanceClick();
  // The unrecorded-changes prompt and recording live levels into a cue row.
  void SaveDirty();
  void btnRecordClick();
  // Cue list editing and the cue editor dialog.
  CueListEditing& cueListEditing() { return *editing_; }
  TEditCue& cueEditor() { return *EditCue_; }
  // The timed cue-file backup (a copy on every fifth request).
  void timedBackup();
  CueBackupState Backup;
  // The remote text commands, their servers and links.
  RemoteControl* remote() { return remote_.get(); }
  // "Start Web Remote" (menWeb): the pipe server and the web remote program follow its check.
  WebRemoteLauncher& webRemote() { return *webRemote_; }
  QAction* menWeb = nullptr;
  QString ToolSendCaption;
  OscInput* osc() { return osc_.get(); }
  bool recordInto(int row, bool setLock);
  bool RemoteEdited = false;
  std::function<bool()> remoteSaveRequest_;
  std::function<void()> addCue_;
  QLabel* recordok = nullptr;

  // Submasters, scenes and bumps.
  TForm3& submasters();
  TForm7& scenes();
  BumpEngine& bumps();
  // Bump key F5..F12 (key 0..7) pressed or released; `keyHeld`: a key is down and not yet
  // released (this key's auto-repeat or another key still held).
  void bumpKeyDown(int key, bool keyHeld);
  void bumpKeyUp(int key);
  // The submaster file read with the cues; shows "Submasters needed" when the show needs the window.
  void submastersRead(const SubmasterFileSetup& setup);
  void showSceneDialog(const SceneDialogRequest& request);
  // The fixtures window ("Setup fixtures"), made when first needed.
  Tfixtures& fixturesWindow();

  // A row of the cue tables that exists (1..CueFileRecords of the rows read).
  bool validRow(int row) const;
  int numberCellColour(int row) const;
  // Marks a row's number cell and paints it: played, fading and loop steps in their colours, a plain
  // cell in `plainColour`.
  void markRow(int row, CueMark mark, int plainColour);

  // What the other subsystems hook into playback: the OSC cue socket and sender, the companion
  // program's connection, the follow-spot cue sender, the replies to remote clients and the loops.
  std::function<bool(const QString& host, quint16 port)> oscCuePreparer_;
  std::function<void(int row)> oscCueSender_;
  std::function<void(const QString& text)> peerSender_;
  std::function<void(int row)> followSpotSender_;
  std::function<void(const QString& reply)> replySender_;

  // MIDI input: the "MIDI Input" menu, the device by name, the control map.
  void MidiInput1MidiInput();
  TMidiInput& midiInput() { return *MidiInput1; }
  // Puts another MIDI system in place (tests: a fake one) and lists its devices again.
  void setMidiPort(std::unique_ptr<MidiPort> port);
  // The submaster window connects its faders here; without it, fader controllers move nothing.
  void setMidiSubmasters(MidiSubmasters* submasters);
  QMenu* MIDIInput1 = nullptr;
  QAction* NoMidi1 = nullptr;
  QList<QAction*> MidiDeviceItems;

  // Playback state of the main window.
  QString OSCCueAddress;
  QString OSCCueArgument;
  bool RecordPending = false;
  bool FollowSpotCue = false;
  // The loops: loop cues, the loop cue files of "Cue is a File" cues and a submaster's loop file.
  Loops& loops() { return *loops_; }
  void btnstoploopClick();
  QToolButton* btnStopLoop = nullptr;
  bool CueRangeMarked = false;
  bool ShiftDown = false;
  int RangeFirst = 0;
  int RangeLast = 0;

  // Widgets other parts of the console reach.
  QTabWidget* dimpages = nullptr;
  QTableWidget* cuelist = nullptr;
  std::vector<ChannelPanel*> ChannelPanels;
  std::vector<ChannelLabel*> ChannelLabels;
  std::vector<LevelEdit*> ChannelEdits;
  std::vector<ChannelMark*> ChannelMarks;
  QLabel* currentcue1 = nullptr;
  QLabel* currentcue2 = nullptr;
  QProgressBar* currentcue3 = nullptr;
  QLabel* ctime = nullptr;
  QLabel* currentcue4 = nullptr;
  QLabel* Clock1 = nullptr;
  QLabel* pDisplay = nullptr;
  QLabel* bumpkey = nullptr;
  QLabel* netconn = nullptr;
  QLabel* vqlremote = nullptr;
  QLabel* fsconn = nullptr;
  QToolButton* btnPlay = nullptr;
  QToolButton* btnBlack = nullptr;
  QToolButton* btnLive = nullptr;
  QToolButton* btnAdvance = nullptr;
  QToolButton* focusOK = nullptr;
  ClockTimer* FadeTimer = nullptr;
  ClockTimer* displayTimer = nullptr;

  QAction* Restore1 = nullptr;

 signals:
  // The window has closed for good: the program ends.
  void shutDown();

 public:
  QAction* Small1 = nullptr;
  QAction* Medium1 = nullptr;
  QAction* Large1 = nullptr;
  QMenu* SelectDMXinterface1 = nullptr;
  QMenu* SelectConnectiontype1 = nullptr;
  QActionGroup* InterfaceItems = nullptr;
  QActionGroup* ConnectionItems = nullptr;

  // Colours of the cue list look.
  int SkinColour = 0x3A3330;
  int CueListBackground = 0xF0F0F0;
  int CueTextColour = 0;
  int SavedEditColor = 0;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The window's own handlers and steps, reached only from its parts.
  void cellMouse(const CellMouseEvent& event);
  void MouseCheck(int tag, Qt::MouseButton button, Qt::KeyboardModifiers shift);
  void picklight(int tag, bool fromEdit);
  void MouseDone(int tag, Qt::MouseButton button);
  void MouseOver(int tag, QPoint global, int x);
  void locklight1(int tag);
  void FormMouseWheel(bool up);
  void MpatchClick();
  // The pointer (at `global`) is on the panel of channel index i, both edges included.
  bool IsMouseOverControl(int index, QPoint global) const;
  int backstart(int start) const;
  void fixhint(int Which);
  void fixhint(int Which, const std::vector<FixtureTypeRecord>& library);
  void men5secClick();
  void DimChecked();
  void dimcheckup();
  void dimcheckdown();
  // Space and Esc in a manual dimmer check.
  void dimCheckStep();
  void dimCheckStop();
  // The scene each bump key F5..F12 plays (0: none), as the soft patch's bump-tag check needs it.
  std::array<int, 8> bumpSceneKeys() const;
  void menlockClick();
  void menAboutClick();
  void Clock1SecondChange();
  void Exit1Click();
  void Restore1Click();
  void CheckforUpdate1Click();
  void WebUpdate1Status(const QString& statusText, int statusCode);
  void ApplicationEvents1Activate();
  void ApplicationEvents1Deactivate();
  void stopEngineTimers();
  void writeSettingsBack();
  // The settings file's path (the program's path with ".ini").
  static QString MainIniPath();
  // The show named by [CueFile] Last or the command line, as a full path.
  static QString ResolveCueFileName(const QString& name);
  void FreeDimmers();
  void Cuesize();
  void Blackbackground();
  void paintClock(int background);
  void SaveColor(LevelEdit* edit);
  void Restorecolor(LevelEdit* edit);
  void Small1Click();
  void Medium1Click();
  void Large1Click();
  void ChangeDmx(LevelEdit* sender);
  void Timerlist1Events1Timer();
  // A typed level still waiting for its pause is committed now, to the edit it was typed into and
  // the channels selected while it was typed: the operator has moved on to another channel.
  void commitTypedLevel();
  void setled(int startaddr, const QString& towhat);
  void Loadcurve();
  // The LED channels, from the fixture map file: an installed fixture's channel whose warm-up entry
  // is not negative (its intensity channel) follows the LED curve when the setting is on; a channel
  // whose entry is negative keeps its flag. Run again by Loadhints, whenever the map has been read.
  void loadLedChannels();
  // Every patched address of a channel that is not raw goes to its warm-up level.
  void applyWarmUpLevels(bool showInEdits);
  // The live/blind button shows S.LiveChosen.
  void showLiveMode();
  void traceLevel(const QString& line);
  // Puts another DMX interface in place (tests: a fake port or driver).
  void openInterfaceAtStartup();
  // The interface, connection and port menu items: store the choice and restart.
  void interfaceItemClicked(int index);
  void connectionItemClicked(int index);
  void PortClick(const QString& port);
  void freeArtNetDecoder();
  void fillCueList();
  static QString cueIconText(int icon);
  void deriveSideFiles();
  void domasterfade();
  void Timerlist1Events6Timer();
  void displayTimerTimer();
  void DisplayValues();
  void menWebClick();
  // OSC: the listener on OSCListen and the commands and levels it carries.
  void openOscListener();
  bool closeOscListener();  // false when the listener is still receiving afterwards
  // Starts the follow-spot prompter of the program folder unless its window exists; none there:
  // nothing happens.
  void startPrompter();
  // The style box: the chosen style restyles every window and is kept in the settings.
  void scComboBox1Change(const QString& name);
  QByteArray recordLiveLevels(const QByteArray& recorded);
  // The submaster faders follow S.SubSliders after a writer other than the window set it.
  void syncSubmasterFaders();
  // A show was opened: the bump keys forget the previous show and the scene list is read again.
  void showOpenedScenes();
  void SetupFixtures1Click();
  // The one-shot event "colorpicker": the fixtures window opened for a channel shows its picker.
  void Timerlist1Events3Timer();
  int cueColumn(int column, int row) const;
  // The operator's auto-advance choice, which btnAdvance's hint shows ("ON").
  bool autoAdvanceHint() const;
  void GetMidi();
  void MidiClick(int index, const QString& name);
  void NoMidiClick();
  void OpenDevs();
  void closeMidi();

  // The window's pumped waits, on its clock.
  void waitPumped(int ms) { clock_.waitPumped(ms); }
  void delayPumped(int ms) { clock_.delayPumped(ms); }
  void buildMenus();
  void buildWindow();
  void createKeyboard();
  void createShowClock();
  void createGroupsAndKeypad();
  void createSoftPatch();
  void createShowFiles();
  void createPreferences();
  void createCompanionItems();
  void rebuildRecentMenu();
  void addRecentShow(const QString& path);
  void createFixturesTool();
  void createMagicSheet();
  void createLoops();
  void createMouseSelection();
  void createDimmerCheck();
  void createInspectionTool();
  void arrangeMenusAndToolBar();
  // What each part of the console adds to the main window where it is wired; the menus and the bar
  // are put in order once everything is there.
  QToolButton* addToolButton(const char* name, const QString& text, const QString& hint);
  QMenu* mainMenu(const QString& title) const;
  QAction* addMenuItem(const QString& title, const QString& caption);
  class KeypadHostAdapter;
  std::unique_ptr<KeypadHost> keypadHost_;
  KeyContext keyContext(QWidget* target) const;
  void runKeyAction(const KeyAction& action);
  quint64 keyQueueEmptiedAt_ = 0;
  // A key let go for real (not one of a held key's repeats).
  bool keyReleased(int key, KeyModifiers mods, quint64 timestamp);
  std::unique_ptr<KeyRepeatFilter> keyRepeats_;
  ClockTimer* clockTimer_ = nullptr;
  void layoutCells(bool onScreen);
  class ShowHost;
  class OutputHostAdapter;
  class RemoteHostAdapter;
  class OscHostAdapter;
  class CueHostAdapter;
  class BackupHostAdapter;
  class SubmasterHostAdapter;
  void createSubmastersAndScenes();
  class FixturesHostAdapter;
  void createCueEditing();
  void closeLog(const QString& line);
  void closeOutsideWindow(const QString& caption, const QString& warning);
  void createOsc();
  void timecodeCueSelected(int row);
  void timecodeCueStarted();
  void createRemote();
  void holdRemoteWhileOperatorWindowsOpen();
  void createOutput();
  void createArtNetAtStartup();
  class MidiHostAdapter;
  void createMidi();
  void buildMidiMenu(QMenu* options);
  void applyMenuChange(const InterfaceChange& change);
  void firstActivationWork();
  void setSplashStatus(int count);
  void placeHeaderControls();
  void setNumberCellColour(int row, int colour);
  void paintRow(int row, int background, int text, bool numberCell);

  ConsoleState& S;
  Clock& clock_;
  // Whom the parts below the window put their questions to: the message dialogs.
  DialogOperator operator_;
  std::unique_ptr<Playback> playback_;
  std::unique_ptr<Loops> loops_;
  std::unique_ptr<Selection> selection_;
  FixtureIntensity fixtureIntensity_;
  QStringList arguments_;
  TForm6* Form6;
  std::unique_ptr<TimerList> TimerList1;
  QString helpFile_;
  bool shownOnce_ = false;
  ChannelGrid* grid_ = nullptr;
  std::unique_ptr<OutputHost> outputHost_;
  std::unique_ptr<TMArtnetDecoder> ArtNetDecoder;  // outlives dmx_, which sends through it
  std::unique_ptr<DmxInterface> dmx_;
  std::unique_ptr<TMidiInput> MidiInput1;
  std::unique_ptr<MidiHost> midiHost_;
  std::unique_ptr<MidiControlMap> midiMap_;
  QActionGroup* MidiItems = nullptr;
  std::unique_ptr<RemoteHost> remoteHost_;
  std::unique_ptr<RemoteControl> remote_;
  std::unique_ptr<WebRemoteLauncher> webRemote_;
  std::unique_ptr<OscHost> oscHost_;
  std::unique_ptr<OscInput> osc_;
  std::unique_ptr<OscListener> oscListener_;
  std::unique_ptr<OscCueOutput> oscOut_;
  std::unique_ptr<CueEditorHost> cueHost_;
  std::unique_ptr<TEditCue> EditCue_;
  std::unique_ptr<CueListEditing> editing_;
  std::unique_ptr<OperatorWindowWatch> operatorWindows_;
  std::unique_ptr<SubmasterHost> subHost_;  // also the scene dialog's SceneHost
  std::unique_ptr<MidiSubmasters> midiStrips_;
  std::unique_ptr<TForm3> Form3_;
  std::unique_ptr<TForm7> Form7_;
  std::unique_ptr<BumpEngine> bumps_;
  ClockTimer* sizeMoveTimer_ = nullptr;
  qint64 CueStartTime_ = 0;  // on the window's clock
  bool inStage2_ = false;
  bool closePending_ = false;
  CueFile cueFile_;
  PatchGrid PatchGrid_;
  FixtureMapFile mapFile_;
  std::unique_ptr<FixturesHost> fixturesHost_;
  std::unique_ptr<Tfixtures> fixtures_;
};
