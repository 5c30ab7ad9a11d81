#include "console/window/main_window.h"

#include <unistd.h>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostInfo>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cmath>
#include <stdexcept>

#include "console/editors/fixtures_host.h"
#include "console/editors/fixtures_window.h"
#include "console/editors/keypad_entry.h"
#include "console/editors/window_placement.h"
#include "console/engine/tavro_utils.h"
#include "console/output/art_net_link.h"
#include "console/output/dmx_interface.h"
#include "console/output/interface_selection.h"
#include "console/output/widget_port.h"
#include "console/remote/midi_control.h"
#include "console/remote/midi_input.h"
#include "console/remote/remote_companion_link.h"
#include "console/remote/remote_control.h"
#include "console/remote/web_remote_launcher.h"
#include "console/window/operator_window_watch.h"
#include "console/window/splash_window.h"
#include "console/window/styles.h"
#include "platform/atomic_file.h"
#include "platform/file_limits.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"
#include "platform/program_folder.h"
#include "platform/timer_list.h"

Tform1::Tform1(ConsoleState& state, const QStringList& arguments, TForm6* splash, QWidget* parent,
               Clock* clock)
    : QMainWindow(parent),
      S(state),
      clock_(clock ? *clock : systemClock()),
      playback_(std::make_unique<Playback>(state, operator_)),
      selection_(std::make_unique<Selection>(state)),
      arguments_(arguments),
      Form6(splash),
      TimerList1(std::make_unique<TimerList>(clock_)) {
  setObjectName("form1");
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    setScreenDensity(qRound(screen->logicalDotsPerInch()));
  setLogOperator(&operator_);
  buildMenus();
  buildWindow();
  // First: selecting a cue (also while the show opens) asks the loops.
  createLoops();
  createOutput();
  createMidi();
  createOsc();
  FormCreate();
  createSubmastersAndScenes();
  createRemote();
  createCueEditing();
  holdRemoteWhileOperatorWindowsOpen();
  createKeyboard();
  createShowClock();
  createGroupsAndKeypad();
  createSoftPatch();
  createShowFiles();
  createPreferences();
  createCompanionItems();
  createFixturesTool();
  createMagicSheet();
  createInspectionTool();
  createMouseSelection();
  createDimmerCheck();
  arrangeMenusAndToolBar();
}

Tform1::~Tform1() {
  if (S.LogLevel == -1) WriteLog("begin Unit1 Destroy");
  // QWidget's destructor deletes the child windows only after this window's engine objects and
  // output are gone, and a window that hides then commits the cell still open in its editor (a
  // soft patch edit sends the buffer). Hide them while everything they reach is alive.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->isWindow()) w->hide();
}

QString Tform1::MainIniPath() { return sideFilePath(QFileInfo(programPath()).completeBaseName() + ".ini"); }

QString Tform1::ResolveCueFileName(const QString& name) {
  // An absolute path is used as it stands, and so is a name of three characters or fewer; anything
  // else is a name in the program folder.
  if (name.startsWith('/') || name.size() <= 3) return name;
  return findFileNoCase(programFolder(), name);
}

void Tform1::buildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("E&xit", this, &Tform1::Exit1Click);

  QMenu* options = menuBar()->addMenu("&Options");
  SelectDMXinterface1 = options->addMenu("Select DMX interface");
  InterfaceItems = new QActionGroup(this);
  for (int i = 0; i < int(DmxInterfaceTable.size()); ++i) {
    const DmxInterfaceItem& item = DmxInterfaceTable[i];
    QAction* a = SelectDMXinterface1->addAction(item.caption);
    a->setCheckable(true);
    a->setVisible(item.shown);
    a->setData(item.type);
    InterfaceItems->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] { interfaceItemClicked(i); });
  }
  SelectConnectiontype1 = options->addMenu("Select Connection type");
  ConnectionItems = new QActionGroup(this);
  for (int i = 0; i < int(DmxConnectionTable.size()); ++i) {
    const DmxConnectionItem& item = DmxConnectionTable[i];
    QAction* a = SelectConnectiontype1->addAction(item.caption);
    a->setCheckable(true);
    a->setVisible(item.shown);
    ConnectionItems->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] { connectionItemClicked(i); });
  }
  QMenu* width = options->addMenu("Set Cue list width");
  auto* widths = new QActionGroup(this);
  Small1 = width->addAction("Small", this, &Tform1::Small1Click);
  Medium1 = width->addAction("Medium", this, &Tform1::Medium1Click);
  Large1 = width->addAction("Large", this, &Tform1::Large1Click);
  for (QAction* a : {Small1, Medium1, Large1}) {
    a->setCheckable(true);
    widths->addAction(a);
  }
  options->addAction("Setup fixtures", this, &Tform1::SetupFixtures1Click);
  buildMidiMenu(options);
  menWeb = options->addAction("Start Web Remote");
  menWeb->setCheckable(true);
  connect(menWeb, &QAction::triggered, this, &Tform1::menWebClick);
  menlock = options->addAction("Lock out Cue changes", this, &Tform1::menlockClick);
  menlock->setCheckable(true);
  Restore1 = options->addAction("Restore System sounds at Close");
  Restore1->setCheckable(true);
  connect(Restore1, &QAction::triggered, this, &Tform1::Restore1Click);

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("Help Topics", this, &Tform1::HelpTopics1Click);
  help->addAction("Check for Update", this, &Tform1::CheckforUpdate1Click);
  help->addAction("About", this, &Tform1::menAboutClick);

  QToolBar* bar = addToolBar("Main");
  bar->setObjectName("ToolBar1");
  // The bar's second row, filled when the buttons are put in order.
  addToolBarBreak();
  addToolBar("Tools")->setObjectName("ToolBar2");
  auto* styles = new QComboBox(bar);
  styles->setObjectName("scComboBox1");
  bar->addWidget(styles);
  auto button = [this](const char* name, const QString& text, const QString& hint) {
    return addToolButton(name, text, hint);
  };
  btnPlay = button("btnPlay", "GO", "Play the current cue");
  btnBlack = button("btnBlack", "Black", "Black out");
  btnLive = button("btnLive", "Live", "Live mode - F4");
  btnAdvance = button("btnAdvance", "Auto", "Auto Advance is ON - F3");
  connect(btnPlay, &QToolButton::clicked, this, &Tform1::btnPlayClick);
  connect(btnAdvance, &QToolButton::clicked, this, &Tform1::btnadvanceClick);
  connect(btnBlack, &QToolButton::clicked, this, &Tform1::btnBlackClick);
  connect(btnLive, &QToolButton::clicked, this, &Tform1::btnLiveclicked);
  btnStopLoop = button("btnStopLoop", "Stop", "Stop the current loop or fade");
  connect(btnStopLoop, &QToolButton::clicked, this, &Tform1::btnstoploopClick);
  struct EditButton {
    const char* name;
    const char* text;
    const char* hint;
    void (CueListEditing::*handler)();
  };
  const EditButton editButtons[] = {
      {"btnRecord", "Record", "Record/Save the current levels", &CueListEditing::btnRecordClick},
      {"btnAdd", "Add", "Add a new cue", &CueListEditing::btnAddClick},
      {"btnInsertB", "Ins Before", "Insert a cue before the current cue", &CueListEditing::btnInsertBClick},
      {"btnInsertA", "Ins After", "Insert a cue after the current cue", &CueListEditing::btnInsertAClick},
      {"btnSaveAs", "Save As", "Save the current cue as a new numbered cue", &CueListEditing::btnSaveAsClick},
      {"btnDelete", "Delete", "Delete the current cue", &CueListEditing::btnDeleteClick},
      {"btnCut", "Cut", "Cut from the current cue list", &CueListEditing::btnCutClick},
      {"btnCopy", "Copy", "Copy from the current cue list", &CueListEditing::btnCopyClick},
      {"btnPaste", "Paste", "Paste the Copy into the current cue list", &CueListEditing::btnPasteClick},
  };
  for (const EditButton& e : editButtons) {
    QToolButton* b = button(e.name, e.text, e.hint);
    connect(b, &QToolButton::clicked, this, [this, handler = e.handler] { (editing_.get()->*handler)(); });
  }
  focusOK = button("focusOK", "●", "has Focus");
  focusOK->setVisible(false);
}

void Tform1::buildWindow() {
  auto* area = new QWidget(this);
  setCentralWidget(area);
  auto label = [area](const char* name) {
    auto* l = new QLabel(area);
    l->setObjectName(name);
    return l;
  };
  currentcue1 = label("currentcue1");
  currentcue2 = label("currentcue2");
  currentcue3 = new QProgressBar(area);
  currentcue3->setObjectName("currentcue3");
  currentcue3->setTextVisible(false);
  currentcue3->setRange(0, 1);
  currentcue3->setValue(0);
  ctime = new QLabel(currentcue3);
  ctime->setObjectName("ctime");
  ctime->setAlignment(Qt::AlignCenter);
  currentcue4 = label("currentcue4");
  Clock1 = label("Clock1");
  Clock1->setText("00:00:00");
  pDisplay = label("pDisplay");
  pDisplay->setText("00:00");
  bumpkey = label("bumpkey");
  netconn = label("netconn");
  recordok = label("recordok");
  recordok->setText("Recorded");
  recordok->setStyleSheet("color: #00c000; font-weight: bold;");
  recordok->hide();
  vqlremote = label("vqlremote");
  fsconn = label("fsconn");
  const int rowHeight = DpiScale(24);
  for (QWidget* w : std::initializer_list<QWidget*>{currentcue1, currentcue2, currentcue3, currentcue4}) {
    w->setFixedHeight(rowHeight);
    w->move(4, 4);
  }
  cuelist = new QTableWidget(area);
  cuelist->setObjectName("cuelist");
  cuelist->setColumnCount(4);
  cuelist->setHorizontalHeaderLabels({"Call", "Description", "Time", ""});
  cuelist->verticalHeader()->hide();
  cuelist->setSelectionBehavior(QAbstractItemView::SelectRows);
  cuelist->setSelectionMode(QAbstractItemView::SingleSelection);
  cuelist->setEditTriggers(QAbstractItemView::NoEditTriggers);
  cuelist->horizontalHeader()->setStretchLastSection(false);
  cuelist->horizontalHeader()->setStyleSheet(
      "QHeaderView::section { color: black; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
      "stop:0 #c0c0c0, stop:1 #fffbf0); }");
  cuelist->move(4, 4 + rowHeight + 4);
  dimpages = new QTabWidget(area);
  dimpages->setObjectName("dimpages");
  dimpages->setFont(QFont("Arial"));
  dimpages->move(cuelist->x() + 490 + 4, 4);
  grid_ = new ChannelGrid(dimpages, dimpages);
  connect(grid_, &ChannelGrid::textChanged, this, &Tform1::ChangeDmx);
  connect(grid_, &ChannelGrid::entered, this, &Tform1::SaveColor);
  connect(grid_, &ChannelGrid::left, this, &Tform1::Restorecolor);

  FadeTimer = new ClockTimer(clock_, this);
  FadeTimer->setInterval(S.FadeInterval);
  FadeTimer->setObjectName("FadeTimer");
  displayTimer = new ClockTimer(clock_, this);
  displayTimer->setObjectName("displayTimer");
  connect(FadeTimer, &ClockTimer::timeout, this, &Tform1::fadeTimerTimer);
  connect(displayTimer, &ClockTimer::timeout, this, &Tform1::displayTimerTimer);
  TimerList1->addEvent("Keytimer", 1500, [this] { Timerlist1Events1Timer(); });
  TimerList1->addEvent("advdelaytimer", 0, [this] { Timerlist1Events6Timer(); });
  TimerList1->addEvent("showok", 1500, [this] { recordok->hide(); });
  TimerList1->addEvent("colorpicker", 15, [this] { Timerlist1Events3Timer(); });
  TimerList1->addEvent("cuefileplay", 20, [] {});
  TimerList1->addEvent("redrawtimer", 250, [] {});

  // The end of a resize by the user rebuilds the grid for the new size.
  sizeMoveTimer_ = new ClockTimer(clock_, this);
  sizeMoveTimer_->setObjectName("sizeMoveTimer");
  sizeMoveTimer_->setSingleShot(true);
  sizeMoveTimer_->setInterval(300);
  connect(sizeMoveTimer_, &ClockTimer::timeout, this, [this] {
    // While the interface and the show are being opened (the first activation lays the grid out
    // itself), the rebuild waits until they are done.
    if (inStage2_) {
      sizeMoveTimer_->start();
      return;
    }
    if (!S.StartingUp) Redraw();
  });
}

void Tform1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!cuelist) return;
  QWidget* area = centralWidget();
  cuelist->resize(cuelist->width(), qMax(100, area->height() - cuelist->y() - 4));
  Cuesize();
  // Only a resize that comes from outside (the user dragging the frame, the window system) waits
  // to rebuild the grid; the window's own sizing at start-up and a programmatic resize do not.
  if (sizeMoveTimer_ && event->spontaneous()) sizeMoveTimer_->start();
}

void Tform1::FormCreate() {
  // Fill the style selector with every built-in style and select the active one.
  if (auto* styles = findChild<QComboBox*>("scComboBox1")) {
    styles->addItems(builtInStyleNames());
    styles->setCurrentText(activeStyleName());
    connect(styles, &QComboBox::textActivated, this, &Tform1::scComboBox1Change);
  }
  S.StartingUp = true;
  S.ShutdownDone = false;
  S.WarnLostInterface = true;
  S.DialogStyle = 15;
  helpFile_ = findFileNoCase(programFolder(), "vqlightinghelp.html");

  if (S.MainIniFile.isEmpty()) S.MainIniFile = MainIniPath();
  removeStaleTempFile(S.MainIniFile);  // left by a save the console was killed in
  IniFile ini(S.MainIniFile);
  if (ini.refusedSize() > 0) {
    // Every setting takes its default and the file is never written; the operator is told once the
    // window runs, where SIGTERM still ends the console while the message is open.
    const QString text = ini.errorString();
    QMetaObject::invokeMethod(
        this, [text] { showMessage(fileTooLargeTitle(), text, DialogIcon::Warning); }, Qt::QueuedConnection);
  }
  // The cue list's own font stands for what the settings' font leaves out.
  S.CueListFont = TFont();
  S.CueListFont.Name = cuelist->font().family();
  S.CueListFont.Size = qMax(1, cuelist->font().pointSize());
  readSettings(ini, S);

  // The channel count indexes every per-channel table: it is kept within what they hold.
  S.MaxChannels = qBound(1, S.SettingsMaxChannels, kMaxChannelLimit);
  S.MaxChannelIndex = S.MaxChannels - 1;
  placeWindow(*this, QRect(S.mainLeft, S.mainTop, S.mainWidth, S.mainHeight), nullptr);
  QString cueFile = S.CueFileName;
  if (arguments_.size() > 1) cueFile = arguments_[1];
  S.CueFileName = ResolveCueFileName(cueFile);

  cuelist->setFixedWidth(qMax(50, S.CLwidth));
  Small1->setChecked(S.CLwidth == 350);
  Medium1->setChecked(S.CLwidth == 420);
  Large1->setChecked(S.CLwidth == 490);

  S.InterfacePort = S.ComPort;
  const QList<QAction*> interfaceActions = InterfaceItems->actions();
  if (S.DmxDeviceIndex >= 0 && S.DmxDeviceIndex < interfaceActions.size()) {
    interfaceActions[S.DmxDeviceIndex]->setChecked(true);
    S.InterfaceType = interfaceActions[S.DmxDeviceIndex]->data().toInt();
  } else {
    // An index beyond the menu chooses no output rather than an arbitrary device.
    S.InterfaceType = kInterfaceNone;
  }
  const QList<QAction*> connectionActions = ConnectionItems->actions();
  if (S.DmxConnection >= 0 && S.DmxConnection < connectionActions.size())
    connectionActions[S.DmxConnection]->setChecked(true);
  createArtNetAtStartup();

  S.UseRepPlot = false;
  // The interval divides a second into fade steps: kept within 1..1000 ms.
  S.FadeInterval = qBound(1, S.SettingsInterval, 1000);
  S.BumpFadeSeconds = float(S.BumpFade / 10.0);
  S.MasterFadeFactor = 1.0f;

  if (S.InterfaceType == kInterfaceVelleman) S.FadeInterval = 50;
  // Single-universe interfaces carry at most 512 channels.
  S.MaxChannels = qMin(S.MaxChannels, startupChannelCap(S.InterfaceType));
  S.MaxChannelIndex = S.MaxChannels - 1;
  S.StepsPerSecond = int(std::nearbyint(1000.0 / S.FadeInterval));
  if (!connectionActions.isEmpty()) connectionActions[0]->setEnabled(S.InterfaceType != kInterfaceEurolite);

  cuelist->setFont(S.CueListFont.toQFont());
  currentcue1->setFont(cuelist->font());
  currentcue2->setFont(cuelist->font());
  QFont smaller = cuelist->font();
  smaller.setPointSize(qMax(1, smaller.pointSize() - 2));
  ctime->setFont(smaller);

  applyStyle(S.Style);
  if (auto* styles = findChild<QComboBox*>("scComboBox1")) styles->setCurrentText(activeStyleName());
  Restore1->setChecked(S.RestoreSounds);
  openOscListener();

  if (S.LogLevel > 0) {
    MessageSpec spec;
    spec.title = "Logging is Enabled";
    spec.text = "Activity logging is enabled and will appear in the Tool window.";
    spec.icon = DialogIcon::Warning;
    spec.place = MessageSpec::Place::Screen;
    spec.position = QPoint(200, 200);
    showMessage(spec);
  }

  S.InterfaceOpen = false;
  S.FirstActivation = true;
  S.CueChangesAllowed = true;
  S.CueChanging = false;

  // The grid and the cue list's columns.
  LoadLights();
  cuelist->horizontalHeader()->setFont(
      QFont(cuelist->font().family(), qMax(1, cuelist->font().pointSize() - 1)));
  cuelist->verticalHeader()->setDefaultSectionSize(
      qMax(24, int(std::nearbyint(QFontMetrics(cuelist->font()).height() * 1.6))));
  cuelist->setColumnWidth(0, GetTextWidth("8888888"));
  cuelist->setColumnWidth(2, GetTextWidth("8888888"));
  cuelist->setColumnWidth(3, DpiScale(30));
  currentcue3->setFixedWidth(cuelist->columnWidth(2));
  ctime->setGeometry(0, 0, currentcue3->width(), currentcue3->height());
  currentcue4->setFixedWidth(cuelist->columnWidth(3));
  currentcue1->setFixedWidth(cuelist->columnWidth(0));
  Cuesize();

  S.LiveMode = true;
  S.Unrecorded = false;
  S.UpdatingEdits = true;
  S.ScrollerChanged = false;
  S.CueListByMouse = false;
  S.ForcedBackup = false;
  S.PeerConnected = false;
  SetColor();

  // Side files follow the program, or the show when FileSource is off.
  deriveSideFiles();
  Loadcurve();
  GetMidi();
  S.MidiReady = false;
}

void Tform1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    FormShow();
  }
}

void Tform1::FormShow() {
  // The second stage runs as the first message after the window is on screen.
  QMetaObject::invokeMethod(
      this, [this] { StartupStage2(); }, Qt::QueuedConnection);
  // The place read at start-up, kept in 16 bits.
  placeWindow(*this, QRect(QPoint(int16_t(S.mainLeft), int16_t(S.mainTop)), size()), nullptr);
  // The keys go to the console from the start, also where no window manager hands out the focus.
  activateWindow();
}

void Tform1::StartupStage2() {
  // Opening the interface and the show wait for devices while letting events run; a request to
  // close that arrives meanwhile is carried out once they are done.
  inStage2_ = true;
  toolLog(" I am \"" + QHostInfo::localHostName() + "\"");
  toolLog(" IP: " + machineOwnAddress() + " - " + QString::number(remote_->followSpotPort()));
  remote_->startServers();
  openInterfaceAtStartup();
  OpenCueFile();
  inStage2_ = false;
  if (closePending_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void Tform1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow()) {
      ApplicationEvents1Activate();
      FormActivate();
    } else {
      ApplicationEvents1Deactivate();
    }
  }
}

void Tform1::FormActivate() {
  if (!S.CueFileName.isEmpty() && S.Cues.CuesLoaded && S.FirstActivation) {
    S.FirstActivation = false;
    S.AutoAdvance = true;
    Redraw(false);  // the first activation's own work loads the hints once the side files exist
    CueListBackground = S.DarkColor == 2   ? 0
                        : S.DarkColor == 1 ? styleSkinColour(activeStyleName())
                                           : 0xF0F0F0;
    firstActivationWork();
  }
  S.StartingUp = false;
  S.UpdatingEdits = false;
  cuelist->setFocus();
}

void Tform1::MyExceptionHandler(const QString& message) {
  try {
    timedBackup();
  } catch (...) {
    // A backup that fails here must not hide the error being handled.
  }
  if (message.contains("PurgeComm")) return;
  if (message.contains("File not")) {
    showMessage("Loading Patch File error",
                "Could not find a Soft Patch file. A default 1 to 1 file will be created.",
                DialogIcon::Warning);
    return;
  }
  if (message.contains("Error: 2") || message.contains("FT_Write")) return;
  if (S.LogLevel > 0) WriteLog(message);
  showMessage(QApplication::applicationName(), message, DialogIcon::Error);
}

void Tform1::SetCaption() {
  setWindowTitle("Stagora Lighting - using " + QFileInfo(S.CueFileName).fileName());
}

quint64 Tform1::CurrentProcessMemory() {
  QFile statm("/proc/self/statm");
  if (!statm.open(QIODevice::ReadOnly)) throw std::runtime_error("Cannot read the process memory figure");
  const QList<QByteArray> fields = statm.readAll().split(' ');
  if (fields.size() < 2) throw std::runtime_error("Cannot read the process memory figure");
  return quint64(fields[1].toULongLong()) * quint64(sysconf(_SC_PAGESIZE));
}

void Tform1::HelpTopics1Click() {
  if (QFileInfo::exists(helpFile_) && QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile_))) return;
  // Without a browser to show it (or without the file), the operator is told where the help is.
  const QString where = QDir::toNativeSeparators(QFileInfo(helpFile_).absoluteFilePath());
  showMessage("Help",
              QFileInfo::exists(helpFile_)
                  ? "No web browser could be started to show the help.\n\rThe help file is " + where
                  : "The help file " + where + " was not found.",
              DialogIcon::Information, DialogButtons::Ok);
}

void Tform1::Exit1Click() {
  if (S.LogLevel == -1) WriteLog("Menu Exit");
  close();
}

void Tform1::Restore1Click() { S.RestoreSounds = Restore1->isChecked(); }

void Tform1::CheckforUpdate1Click() {
  // No update server is reachable from this console: the check ends as "file not found".
  WebUpdate1Status("The update information could not be retrieved.", 2);
}

void Tform1::WebUpdate1Status(const QString& statusText, int statusCode) {
  if (statusCode != 2) return;
  showMessage("Vq Lighting Update", statusText + "\rUpdate file not found!", DialogIcon::Information);
}

void Tform1::ApplicationEvents1Activate() { focusOK->setVisible(true); }

void Tform1::ApplicationEvents1Deactivate() { focusOK->setVisible(false); }
