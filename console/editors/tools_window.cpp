#include "console/editors/tools_window.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "console/editors/window_placement.h"
#include "console/engine/console_state.h"
#include "console/engine/tavro_utils.h"
#include "console/patch/fixture_map.h"
#include "platform/clock.h"
#include "platform/message_dialog.h"

namespace {

constexpr auto kReading = "Reading...";
constexpr auto kReadDmxIn = "Read DMX In";
// How long a poll waits for the first reply, and the step of its wait.
constexpr int kPollWaitMs = 5000;
constexpr int kPollStepMs = 10;

QLineEdit* numberEdit(QWidget* parent, const QString& hint, const QString& pattern) {
  auto* e = new QLineEdit(parent);
  e->setMaxLength(4);
  e->setToolTip(hint);
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), e));
  e->setMaximumWidth(60);
  return e;
}

}  // namespace

Ttools::Ttools(ConsoleState& state, InspectionHost host, Clock& clock, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      S(state),
      host_(std::move(host)) {
  setObjectName("tools");
  setWindowTitle("Inspection Tool");
  dmxTimer = new ClockTimer(clock, this);
  build();
}

Ttools::~Ttools() {
  if (S.LogLevel == -1) WriteLog("begin Tool Destroy");
}

void Ttools::build() {
  auto* top = new QVBoxLayout(this);
  Memo1 = new QTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setAcceptRichText(false);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The trace lines never stop while logging is on: the oldest lines go.
  Memo1->document()->setMaximumBlockCount(kMaxLogLines);
  top->addWidget(Memo1, 1);

  auto* row1 = new QHBoxLayout;
  devList = new QComboBox(this);
  devList->setObjectName("devList");
  row1->addWidget(devList, 1);
  row1->addWidget(new QLabel("Key Pressed: ", this));
  keyp = new QLabel(this);
  keyp->setObjectName("keyp");
  row1->addWidget(keyp);
  row1->addWidget(new QLabel("Memory:", this));
  mem = new QLabel(this);
  mem->setObjectName("mem");
  row1->addWidget(mem);
  top->addLayout(row1);

  auto* row2 = new QHBoxLayout;
  Mesg = new QLineEdit(this);
  Mesg->setObjectName("Mesg");
  Mesg->setMaxLength(255);
  IPconnect = new QPushButton("Send", this);
  Button1 = new QPushButton("Clear", this);
  row2->addWidget(Mesg, 1);
  row2->addWidget(IPconnect);
  row2->addWidget(Button1);
  top->addLayout(row2);

  auto* buttons = new QGridLayout;
  Button2 = new QPushButton("Read Fmap", this);
  Button3 = new QPushButton("New Fmap", this);
  Button4 = new QPushButton("Read Fixtures", this);
  Button5 = new QPushButton("Reset Warmup", this);
  Button5->setToolTip("Set Warmup for non-LED");
  Button6 = new QPushButton("Rebuild Hints", this);
  btnRebuild = new QPushButton("Rebuild Fmap", this);
  Button7 = new QPushButton(kReadDmxIn, this);
  Button7->setToolTip("Enable Read timer");
  QPushButton* grid[] = {Button2, Button3, Button4, Button5, Button6, btnRebuild, Button7};
  for (int i = 0; i < 7; ++i) buttons->addWidget(grid[i], i / 4, i % 4);
  top->addLayout(buttons);

  // The map fields in two rows, so that the window keeps its designed width.
  auto* fields = new QGridLayout;
  fmrec = numberEdit(this, "Address to be changed", "[0-9]{0,4}");
  fmaddr = numberEdit(this, "Starting address of fixture", "[0-9]{0,4}");
  // The minimum may be negative (-1 marks a fixture channel without a floor).
  fmmin = numberEdit(this, "Lowest value of Dim", "[0-9-]{0,4}");
  fmvalue = numberEdit(this, "Fixture #", "[0-9]{0,4}");
  fmcolor = numberEdit(this, "Color #", "[0-9]{0,4}");
  const std::pair<const char*, QLineEdit*> labelled[] = {
      {"DMX addr:", fmrec}, {"Start:", fmaddr}, {"Dim:", fmmin}, {"Fixture:", fmvalue}, {"Color:", fmcolor}};
  int at = 0;
  for (const auto& [caption, edit] : labelled) {
    fields->addWidget(new QLabel(caption, this), at / 3, 2 * (at % 3));
    fields->addWidget(edit, at / 3, 2 * (at % 3) + 1);
    ++at;
  }
  BitBtn1 = new QPushButton("Write", this);
  BitBtn2 = new QPushButton("Read", this);
  auto* readWrite = new QHBoxLayout;
  readWrite->addWidget(BitBtn1);
  readWrite->addWidget(BitBtn2);
  fields->addLayout(readWrite, 1, 4, 1, 2);
  top->addLayout(fields);

  auto* art = new QGroupBox("Art-Net", this);
  auto* artRow = new QHBoxLayout(art);
  BitBtn3 = new QPushButton("Poll", art);
  NetList = new QComboBox(art);
  NetList->setObjectName("NetList");
  NetList->setEditable(true);
  BitBtn4 = new QPushButton("Pick 1", art);
  BitBtn4->setToolTip("Controller for Universe 1");
  BitBtn5 = new QPushButton("Pick 2", art);
  BitBtn5->setToolTip("Controller for Universe 2");
  artRow->addWidget(BitBtn3);
  artRow->addWidget(NetList, 1);
  artRow->addWidget(BitBtn4);
  artRow->addWidget(BitBtn5);
  top->addWidget(art);

  dmxTimer->setInterval(50);

  connect(IPconnect, &QPushButton::clicked, this, &Ttools::IPconnectClick);
  connect(Button1, &QPushButton::clicked, this, &Ttools::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &Ttools::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &Ttools::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &Ttools::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &Ttools::Button5Click);
  connect(Button6, &QPushButton::clicked, this, &Ttools::Button6Click);
  connect(Button7, &QPushButton::clicked, this, &Ttools::Button7Click);
  connect(btnRebuild, &QPushButton::clicked, this, &Ttools::btnRebuildClick);
  connect(BitBtn1, &QPushButton::clicked, this, &Ttools::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &Ttools::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &Ttools::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &Ttools::BitBtn4Click);
  connect(BitBtn5, &QPushButton::clicked, this, &Ttools::BitBtn5Click);
  connect(dmxTimer, &ClockTimer::timeout, this, &Ttools::dmxTimerTimer);
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
}

void Ttools::Display(const QString& text) {
  QTextCursor c(Memo1->document());
  c.movePosition(QTextCursor::End);
  if (!Memo1->document()->isEmpty()) c.insertBlock();
  // Plain lines take the log's own text colour, which every window style keeps readable on the
  // log's background.
  c.insertText(text, QTextCharFormat());
}

void Ttools::appendPieces(const fixture_tools::DumpLine& line) {
  QTextCursor c(Memo1->document());
  c.movePosition(QTextCursor::End);
  if (!Memo1->document()->isEmpty()) c.insertBlock();
  for (const fixture_tools::DumpPiece& p : line) {
    QTextCharFormat f;
    if (p.red) f.setForeground(Qt::red);
    c.insertText(p.text, f);
  }
}

QStringList Ttools::logLines() const {
  QStringList lines;
  if (Memo1->document()->isEmpty()) return lines;
  for (QTextBlock b = Memo1->document()->begin(); b.isValid(); b = b.next()) lines << b.text();
  return lines;
}

void Ttools::clearLog() {
  Memo1->clear();
  if (host_.clearLog) host_.clearLog();
}

void Ttools::showKey(int key) { keyp->setText(QString::number(key)); }

void Ttools::refreshDevices() {
  devList->clear();
  if (host_.deviceList) devList->addItems(host_.deviceList());
  if (host_.selectedDevice) devList->setCurrentIndex(host_.selectedDevice());
}

void Ttools::nodeAdded(const QString& address) {
  if (NetList->findText(address) < 0) NetList->addItem(address);
}

void Ttools::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void Ttools::FormShow() {
  closing_ = false;
  placeWindow(*this, QRect(S.toolsLeft, S.toolsTop, S.toolsWidth, S.toolsHeight), parentWidget());
  S.LogLevel = 1;
  refreshDevices();
  if (S.DmxConnection == 2) NetList->setEditText(S.ArtNode1);
  if (host_.processMemory) mem->setText(QString::number(host_.processMemory()));
}

void Ttools::closeEvent(QCloseEvent* event) {
  QDialog::closeEvent(event);
  FormClose();
}

void Ttools::done(int result) {
  FormClose();
  QDialog::done(result);
}

void Ttools::FormClose() {
  if (closing_) return;
  closing_ = true;
  dmxTimer->stop();
  // A read still running is ended, so the link does not keep taking replies for the tool.
  if (Button7->text() == kReading) Button7Click();
  S.LogLevel = 0;
  storeGeometry();
}

void Ttools::storeGeometry() {
  const QRect r = clientRect(*this);
  S.toolsTop = r.y();
  S.toolsLeft = r.x();
  S.toolsWidth = r.width();
  S.toolsHeight = r.height();
}

void Ttools::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) FormDeactivate();
}

void Ttools::FormDeactivate() { storeGeometry(); }

void Ttools::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  FormHide();
}

void Ttools::FormHide() {
  if (host_.focusCueList) host_.focusCueList();
}

void Ttools::IPconnectClick() {
  if (host_.sendFollowSpot) host_.sendFollowSpot(Mesg->text().toLatin1() + "\r\n");
}

void Ttools::Button1Click() { clearLog(); }

void Ttools::Button7Click() {
  if (Button7->text() != kReading) {
    Button7->setText(kReading);
    if (host_.setReadingDmxIn) host_.setReadingDmxIn(true);
    if (host_.sendWidgetCommand) host_.sendWidgetCommand(QByteArray("\x08\x01\x00\x00", 4));
    dmxTimer->start();
    return;
  }
  dmxTimer->stop();
  Button7->setText(kReadDmxIn);
  // Only a D2XX device has anything to reset.
  if (host_.hasD2xxDevice && host_.hasD2xxDevice() && host_.resetD2xx) host_.resetD2xx();
  if (host_.sendWidgetCommand) host_.sendWidgetCommand(QByteArray("\x06\x01\x00\x00", 4));
  if (host_.setReadingDmxIn) host_.setReadingDmxIn(false);
}

void Ttools::dmxTimerTimer() {
  dmxTimer->stop();
  if (Button7->text() == kReading) Button7Click();
}

void Ttools::report(const PatchFileResult& r) {
  if (!r.ok() && r.status != PatchFileResult::Status::Refused && host_.exceptionHandler)
    host_.exceptionHandler(r.error);
}

void Ttools::mapChanged() {
  if (host_.reloadFixtureMap) host_.reloadFixtureMap();
  if (host_.refreshChannelHints) host_.refreshChannelHints();
}

namespace {
void closeAndWait(const InspectionHost& host, int ms) {
  if (host.closeMapFile) host.closeMapFile();
  if (host.waitPumped) host.waitPumped(ms);
}
}  // namespace

void Ttools::Button2Click() {
  closeAndWait(host_, 250);
  fixture_tools::MapRecords records;
  const PatchFileResult r = fixture_tools::readMapRecords(S.FixtureMapFile, records);
  if (!r.ok()) return report(r);
  clearLog();
  for (int i = 0; i < kFixtureMapRecords; ++i)
    for (const auto& line :
         fixture_tools::dumpRecord("FMap[" + QString::number(i) + "] ", records[size_t(i)], S.MaxChannels))
      appendPieces(line);
}

void Ttools::BitBtn1Click() {
  // Every field is checked before the map is touched; a refused Write changes nothing.
  const auto entry = fixture_tools::parseAddressEntry(fmrec->text(), fmaddr->text(), fmmin->text(),
                                                      fmvalue->text(), fmcolor->text(), S.MaxChannels);
  if (!entry) return;
  closeAndWait(host_, 250);
  const PatchFileResult r = fixture_tools::writeAddress(S.FixtureMapFile, *entry);
  if (!r.ok()) return report(r);
  fmaddr->clear();
  fmvalue->clear();
  mapChanged();
}

void Ttools::BitBtn2Click() {
  const auto address = fixture_tools::parseAddress(fmrec->text());
  if (!address) return;
  closeAndWait(host_, 250);
  std::array<int16_t, kFixtureMapRecords> values{};
  const PatchFileResult r = fixture_tools::readAddress(S.FixtureMapFile, *address, values);
  if (!r.ok()) return report(r);
  fmaddr->setText(QString::number(values[0]));
  fmmin->setText(QString::number(values[1]));
  fmvalue->setText(QString::number(values[2]));
  fmcolor->setText(QString::number(values[3]));
}

void Ttools::Button3Click() {
  MessageSpec ask;
  ask.title = "Warning";
  ask.text = "Just a reminder - this will create an all new file. Your current fixtures will be gone.";
  ask.icon = DialogIcon::Warning;
  ask.buttons = DialogButtons::OkCancel;
  ask.parent = this;
  if (showMessage(ask) != DialogResult::Ok) return;
  closeAndWait(host_, 100);
  QFile::remove(S.FixtureMapFile);
  if (host_.waitPumped) host_.waitPumped(100);
  if (!host_.patchContext) return;
  PatchContext ctx = host_.patchContext();
  report(Newmapfile(ctx));
  mapChanged();
}

void Ttools::Button4Click() {
  if (!QFileInfo::exists(S.FixtureLibraryFile)) return;
  QStringList lines;
  const PatchFileResult r = fixture_tools::listLibrary(S.FixtureLibraryFile, lines);
  if (!r.ok()) return report(r);
  clearLog();
  for (const QString& line : lines) Display(line);
}

void Ttools::Button5Click() {
  closeAndWait(host_, 250);
  const int warmUp = host_.patchContext ? host_.patchContext().WarmUpLevel : S.WarmUp;
  const PatchFileResult r = fixture_tools::resetWarmUp(S.FixtureMapFile, S.MaxChannels, warmUp);
  if (!r.ok()) return report(r);
  mapChanged();
}

void Ttools::Button6Click() {
  MessageSpec ask;
  ask.title = "Warning";
  ask.text = "Clicking OK will rebuild the channel hints based on all the fixture addresses.";
  ask.icon = DialogIcon::Warning;
  ask.buttons = DialogButtons::OkCancel;
  ask.parent = this;
  if (showMessage(ask) != DialogResult::Ok) return;
  if (host_.closeMapFile) host_.closeMapFile();
  if (!host_.grid) return;
  const PatchFileResult r = fixture_tools::rebuildHints(
      S.FixtureMapFile, S.FixtureLibraryFile, host_.programFolder ? host_.programFolder() : QString(),
      S.MaxChannels, host_.grid());
  if (!r.ok()) return report(r);
  if (host_.savePatch) {
    const PatchFileResult saved = host_.savePatch();
    if (!saved.ok()) return report(saved);
  }
  if (host_.refreshChannelHints) host_.refreshChannelHints();
}

void Ttools::btnRebuildClick() {
  MessageSpec ask;
  ask.title = "Rebuild fixture map";
  ask.text =
      "This will rebuild the fixture map based on the\n\rcurrent list of fixtures and addresses as "
      "per\n\rthe "
      "\"In Use\" button on the Fixtures screen.\n\rHave you checked it and agree?";
  ask.icon = DialogIcon::Warning;
  ask.buttons = DialogButtons::YesNo;
  ask.place = MessageSpec::Place::OffsetFromParent;
  ask.position = QPoint(200, 100);
  ask.parent = this;
  if (showMessage(ask) == DialogResult::No) return;
  if (host_.closeMapFile) host_.closeMapFile();
  const fixture_tools::RebuildResult r = fixture_tools::rebuildMap(
      S.FixtureMapFile, S.FixtureLibraryFile, host_.programFolder ? host_.programFolder() : QString());
  if (r.problem) {
    MessageSpec problem = *r.problem;
    problem.parent = this;
    showMessage(problem);
    return;
  }
  if (!r.file.ok()) return report(r.file);
  mapChanged();
}

void Ttools::BitBtn3Click() {
  clearLog();
  NetList->clear();
  if (host_.clearArtNodes) host_.clearArtNodes();
  if (host_.setArtPollReplied) host_.setArtPollReplied(false);
  if (!host_.ensureArtNet || !host_.ensureArtNet()) return;
  if (host_.artPoll) host_.artPoll();
  QElapsedTimer waited;
  waited.start();
  while (!(host_.artPollReplied && host_.artPollReplied()) && waited.elapsed() < kPollWaitMs) {
    if (host_.waitPumped) host_.waitPumped(kPollStepMs);
  }
  if (host_.setArtPollReplied) host_.setArtPollReplied(true);
  if (host_.artNodes)
    for (const QString& node : host_.artNodes()) nodeAdded(node);
  if (NetList->count() > 0) NetList->setCurrentIndex(0);
}

// A pick with nothing in the node list (a poll nobody answered) keeps the destination it had: an
// empty one would send the universe nowhere.
void Ttools::BitBtn4Click() {
  if (!NetList->currentText().trimmed().isEmpty()) S.ArtNode1 = NetList->currentText();
}

void Ttools::BitBtn5Click() {
  if (!NetList->currentText().trimmed().isEmpty()) S.ArtNode2 = NetList->currentText();
}
