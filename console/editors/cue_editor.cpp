#include "console/editors/cue_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "console/editors/cue_file_restructure.h"
#include "console/editors/loop_file_list.h"
#include "console/engine/console_colours.h"
#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "console/engine/tavro_utils.h"
#include "platform/message_dialog.h"
#include "platform/pumped_wait.h"

namespace {

constexpr int kSceneRecordSize = 1110;
const QString kDecimalKeys = QStringLiteral("0123456789.");
const QString kDigitKeys = QStringLiteral("0123456789");
const QString kTimeCodeKeys = QStringLiteral("0123456789:");

// The busy cursor for as long as it lives.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { release(); }
  void release() {
    if (active_) QApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

void warn(QWidget* parent, const QString& title, const QString& text) {
  MessageSpec m;
  m.title = title;
  m.text = text;
  m.icon = DialogIcon::Warning;
  m.buttons = DialogButtons::Retry;
  m.parent = parent;
  showMessage(m);
}

QString rowSeconds(int ticks, int stepsPerSecond) {
  return secondsText(double(ticks) / double(std::max(stepsPerSecond, 1)));
}

}  // namespace

void CueEditorHost::processMessages() { pumpEvents(); }

TEditCue::TEditCue(CueEditorHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      host_(host) {
  setObjectName("EditCue");
  setWindowTitle("Edit Light Cue");
  setModal(false);
  buildControls();

  chooseLoopFile = [this](const QString& initial) {
    QFileDialog dialog(this, "Select Cue file", QFileInfo(initial).absolutePath(), "Cue files (*.lcue)");
    dialog.setDefaultSuffix("lcue");
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!initial.isEmpty()) dialog.selectFile(initial);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().first()
               : QString();
  };
  chooseColour = [this](int current) -> std::optional<int> {
    const QColor c = QColorDialog::getColor(bgr(current), this);
    if (!c.isValid()) return std::nullopt;
    return rgbToBgr(c);
  };
  chooseSceneFile = [this]() {
    QFileDialog dialog(this, "Select the Scene file to load", QString(), "Scene Files (*.scne *.SCNE)");
    dialog.setDefaultSuffix("scne");
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().first()
               : QString();
  };
}

TEditCue::~TEditCue() {
  if (host_.state().LogLevel == -1) WriteLog("begin Edit Destroy");
}

void TEditCue::buildControls() {
  auto edit = [this](const char* name, int maxLength, const QString& hint = QString()) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    e->setToolTip(hint);
    return e;
  };
  cuenum = edit("cuenum", 6);
  cuedesc = edit("cuedesc", 48);
  CueColor = new QPushButton("Cue Color", this);
  CueColor->setObjectName("CueColor");
  CueType = new QComboBox(this);
  CueType->setObjectName("CueType");
  CueType->addItems({"Normal DMX", "Cue is a File", "Followspot alert", "OSC command", "Vq Divuvaz"});
  playpick = new QRadioButton("Play Key / Button", this);
  playpick->setObjectName("playpick");
  playpick->setChecked(true);
  autoplay = new QRadioButton("Auto Play / Follow", this);
  autoplay->setObjectName("autoplay");
  Timepick = new QRadioButton("Time Code:", this);
  Timepick->setObjectName("Timepick");
  Timetime = edit("Timetime", 11, "hh:mm:ss:ff");
  Timetime->setText("  :  :  :  ");
  Timetime->setEnabled(false);
  endwait = new QCheckBox("Adv after:", this);
  endwait->setObjectName("endwait");
  advdelay = edit("advdelay", 4, "Auto advance after start");
  loopcue = edit("loopcue", 4, "Non zero creates loop - no dimming");
  loopcue->setText("0");
  loopcnt = edit("loopcnt", 2, "Zero never stops");
  loopcnt->setText("0");
  singlefade = new QCheckBox("Single Fade", this);
  singlefade->setObjectName("singlefade");
  singlefade->setChecked(true);
  waittime = edit("waittime", 4);
  cuetime = edit("cuetime", 5);
  splitfade = new QCheckBox("Split Fade", this);
  splitfade->setObjectName("splitfade");
  sbwaittime = edit("sbwaittime", 4);
  sbfadetime = edit("sbfadetime", 5);
  sdwaittime = edit("sdwaittime", 4);
  sdfadetime = edit("sdfadetime", 5);
  masterfade = new QCheckBox("Master Fade", this);
  masterfade->setObjectName("masterfade");
  mfadewait = edit("mfadewait", 4);
  mfadetime = edit("mfadetime", 5);
  oscsettings = new QGroupBox("OSC Command", this);
  oscsettings->setObjectName("oscsettings");
  osccmd = edit("osccmd", 48, "/OSC address and /command");
  oscaddr = edit("oscaddr", 48, "Address to Send to");
  oscportnum = edit("oscportnum", 48, "Port # to Send to");
  auto* upDown = new QWidget(this);
  upDown->setObjectName("UpDown1");
  upDown->setToolTip("Move the cue Up or Down");
  UpDown1Up = new QToolButton(upDown);
  UpDown1Up->setObjectName("UpDown1Up");
  UpDown1Up->setArrowType(Qt::UpArrow);
  UpDown1Down = new QToolButton(upDown);
  UpDown1Down->setObjectName("UpDown1Down");
  UpDown1Down->setArrowType(Qt::DownArrow);
  auto* upDownLayout = new QVBoxLayout(upDown);
  upDownLayout->setContentsMargins(0, 0, 0, 0);
  upDownLayout->addWidget(UpDown1Up);
  upDownLayout->addWidget(UpDown1Down);
  savescene = new QPushButton("Save &as Scene", this);
  savescene->setObjectName("savescene");
  loadscene = new QPushButton("&Load a Scene", this);
  loadscene->setObjectName("loadscene");
  editsave = new QPushButton("&Save", this);
  editsave->setObjectName("editsave");
  editexit = new QPushButton("&Exit", this);
  editexit->setObjectName("editexit");
  for (QPushButton* b : {CueColor, savescene, loadscene, editsave, editexit}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  auto* grid = new QGridLayout(this);
  int row = 0;
  auto label = [this](const QString& text) { return new QLabel(text, this); };
  grid->addWidget(label("Cue Call:"), row, 0);
  grid->addWidget(cuenum, row, 1);
  grid->addWidget(CueColor, row, 2);
  grid->addWidget(label("Up / Down"), row, 3);
  grid->addWidget(upDown, row++, 4, 2, 1);
  grid->addWidget(label("Description:"), row, 0);
  grid->addWidget(cuedesc, row++, 1, 1, 3);
  grid->addWidget(label("Cue Type:"), row, 0);
  grid->addWidget(CueType, row++, 1, 1, 2);
  grid->addWidget(playpick, row, 0, 1, 2);
  grid->addWidget(endwait, row, 2);
  grid->addWidget(advdelay, row++, 3);
  grid->addWidget(autoplay, row++, 0, 1, 2);
  grid->addWidget(Timepick, row, 0);
  grid->addWidget(Timetime, row++, 1);
  grid->addWidget(label("Loop back to Cue #:"), row, 0);
  grid->addWidget(loopcue, row, 1);
  grid->addWidget(label("Loop Count:"), row, 2);
  grid->addWidget(loopcnt, row++, 3);
  grid->addWidget(singlefade, row, 0);
  grid->addWidget(label("Wait time:"), row, 1);
  grid->addWidget(waittime, row, 2);
  grid->addWidget(label("Fade time:"), row, 3);
  grid->addWidget(cuetime, row++, 4);
  grid->addWidget(splitfade, row, 0);
  auto* brighter = new QGroupBox("Brighter", this);
  auto* brighterLayout = new QHBoxLayout(brighter);
  brighterLayout->addWidget(sbwaittime);
  brighterLayout->addWidget(sbfadetime);
  auto* dimmer = new QGroupBox("Dimmer", this);
  auto* dimmerLayout = new QHBoxLayout(dimmer);
  dimmerLayout->addWidget(sdwaittime);
  dimmerLayout->addWidget(sdfadetime);
  grid->addWidget(brighter, row, 1, 1, 2);
  grid->addWidget(dimmer, row++, 3, 1, 2);
  grid->addWidget(masterfade, row, 0);
  auto* masterWaitLabel = label("Wait time:");
  masterWaitLabel->setToolTip("File cue or Loop cue");
  grid->addWidget(masterWaitLabel, row, 1);
  grid->addWidget(mfadewait, row, 2);
  grid->addWidget(label("Fade time:"), row, 3);
  grid->addWidget(mfadetime, row++, 4);
  auto* osc = new QGridLayout(oscsettings);
  osc->addWidget(new QLabel("Command:", oscsettings), 0, 0);
  osc->addWidget(osccmd, 0, 1);
  oscaddrLabel = new QLabel("IP Address:", oscsettings);
  osc->addWidget(oscaddrLabel, 1, 0);
  osc->addWidget(oscaddr, 1, 1);
  oscportLabel = new QLabel("Port #:", oscsettings);
  osc->addWidget(oscportLabel, 2, 0);
  osc->addWidget(oscportnum, 2, 1);
  grid->addWidget(oscsettings, row++, 0, 1, 5);
  grid->addWidget(savescene, row, 0);
  grid->addWidget(loadscene, row, 1);
  grid->addWidget(editsave, row, 3);
  grid->addWidget(editexit, row++, 4);
  // Numbers are short: their edits stay narrow so every caption fits beside them.
  for (QLineEdit* e : {cuenum, advdelay, loopcue, loopcnt, waittime, cuetime, sbwaittime, sbfadetime,
                       sdwaittime, sdfadetime, mfadewait, mfadetime})
    e->setFixedWidth(DpiScale(60));
  Timetime->setFixedWidth(DpiScale(90));

  oscsettings->hide();
  fitToContents();

  connect(editsave, &QPushButton::clicked, this, [this] { editsaveClick(); });
  connect(editexit, &QPushButton::clicked, this, &TEditCue::editexitClick);
  connect(CueColor, &QPushButton::clicked, this, &TEditCue::CueColorClick);
  connect(CueType, &QComboBox::activated, this, &TEditCue::CueTypeCloseUp);
  connect(UpDown1Up, &QToolButton::clicked, this, &TEditCue::CueUpDownUpButtonClick);
  connect(UpDown1Down, &QToolButton::clicked, this, &TEditCue::CueUpDownDownButtonClick);
  connect(savescene, &QPushButton::clicked, this, &TEditCue::savesceneClick);
  connect(loadscene, &QPushButton::clicked, this, &TEditCue::loadsceneClick);
  connect(singlefade, &QCheckBox::clicked, this, [this] { setFadeKind(0); });
  connect(splitfade, &QCheckBox::clicked, this, [this] { setFadeKind(1); });
  connect(masterfade, &QCheckBox::clicked, this, [this] { setFadeKind(2); });
  for (QRadioButton* r : {playpick, autoplay, Timepick})
    connect(r, &QRadioButton::toggled, this, [this] { Timetime->setEnabled(Timepick->isChecked()); });
  for (QLineEdit* e : {cuedesc, cuetime, waittime, Timetime, sbfadetime, sbwaittime, sdfadetime, sdwaittime,
                       mfadetime, mfadewait})
    connect(e, &QLineEdit::textChanged, this, [this] { CueEdited = true; });
  connect(loopcue, &QLineEdit::textChanged, this, [this](const QString& text) {
    // A loop cue does not dim.
    if (!text.isEmpty() && text != "0") cuetime->setText("0");
  });

  // The dialog sees every key first: Enter in any control saves, and the number edits take only
  // their own characters.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

bool TEditCue::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    editsaveClick();
    return true;
  }
  static const std::map<QString, const QString*> allowed = {
      {"cuenum", &kDecimalKeys},     {"Timetime", &kTimeCodeKeys},  {"advdelay", &kDecimalKeys},
      {"loopcue", &kDecimalKeys},    {"loopcnt", &kDigitKeys},      {"waittime", &kDecimalKeys},
      {"cuetime", &kDecimalKeys},    {"sbwaittime", &kDecimalKeys}, {"sbfadetime", &kDecimalKeys},
      {"sdwaittime", &kDecimalKeys}, {"sdfadetime", &kDecimalKeys}, {"mfadewait", &kDecimalKeys},
      {"mfadetime", &kDecimalKeys}};
  const auto it = allowed.find(watched->objectName());
  if (it != allowed.end() && !key->text().isEmpty()) {
    for (QChar c : key->text())
      if (c.unicode() >= 32 && !it->second->contains(c)) return true;  // dropped; Backspace passes
  }
  return QDialog::eventFilter(watched, event);
}

void TEditCue::reject() {
  // The dialog closes through Exit only.
}

void TEditCue::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) host_.state().CueListByMouse = false;
  QDialog::changeEvent(event);
}

void TEditCue::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

CueEditorFields TEditCue::fields() const {
  CueEditorFields f;
  f.number = cuenum->text();
  f.description = cuedesc->text();
  f.kind = std::max(CueType->currentIndex(), 0);
  f.startMode = autoplay->isChecked() ? 1 : Timepick->isChecked() ? 2 : 0;
  f.timeCode = Timetime->text();
  f.advanceAfter = endwait->isChecked();
  f.advanceDelay = advdelay->text();
  f.loopTarget = loopcue->text();
  f.loopCount = loopcnt->text();
  f.timingMode = splitfade->isChecked() ? 1 : masterfade->isChecked() ? 2 : 0;
  f.wait = waittime->text();
  f.fade = cuetime->text();
  f.brighterWait = sbwaittime->text();
  f.brighterFade = sbfadetime->text();
  f.dimmerWait = sdwaittime->text();
  f.dimmerFade = sdfadetime->text();
  f.masterWait = mfadewait->text();
  f.masterFade = mfadetime->text();
  f.command = osccmd->text();
  f.address = oscaddr->text();
  f.port = oscportnum->text();
  f.loopFileKey = EditLoopKey;
  f.textColour = CueColour;
  f.followSpotColour = FollowSpotColor;
  return f;
}

void TEditCue::setFadeKind(int kind) {
  for (QCheckBox* b : {singlefade, splitfade, masterfade}) b->blockSignals(true);
  singlefade->setChecked(kind == 0);
  splitfade->setChecked(kind == 1);
  masterfade->setChecked(kind == 2);
  for (QCheckBox* b : {singlefade, splitfade, masterfade}) b->blockSignals(false);
}

void TEditCue::setTextColours(int colour) {
  for (QLineEdit* e : {cuenum, cuedesc, cuetime}) {
    // Colour 0 is a cue without a colour of its own: its texts take the style's text colour, which
    // the style keeps readable on its own background.
    QPalette p = e->palette();
    p.setColor(QPalette::Text, colour == 0 ? palette().color(QPalette::Text) : bgr(colour));
    e->setPalette(p);
  }
}

void TEditCue::openAs(CueEditorMode mode, const QString& cueNumber) {
  host_.state().EditorMode = mode;
  switch (mode) {
    case CueEditorMode::Add:
      setWindowTitle("Add a New Cue");
      loopcue->setText("0");
      loopcnt->setText("0");
      playpick->setChecked(true);
      endwait->setChecked(false);
      setFadeKind(0);
      savescene->setEnabled(false);
      EditCueMode = NewCue;
      cuenum->setText(cueNumber);
      showOrFillAgain();
      break;
    case CueEditorMode::Insert:
      setWindowTitle("Inserting a New Cue");
      for (QLineEdit* e :
           {cuedesc, cuetime, waittime, advdelay, sbwaittime, sbfadetime, sdwaittime, sdfadetime})
        e->clear();
      loopcue->setText("0");
      loopcnt->setText("0");
      playpick->setChecked(true);
      endwait->setChecked(false);
      setFadeKind(0);
      EditCueMode = NewCue;
      cuenum->setText(cueNumber);
      showOrFillAgain();
      break;
    case CueEditorMode::SaveAs:
      setWindowTitle("Save Cue as ...");
      EditCueMode = SaveSelectedAs;
      showOrFillAgain();  // the selected cue's fields, then the new number over its own
      cuenum->setText(cueNumber);
      cuenum->selectAll();
      break;
    case CueEditorMode::EditSelected:
      setWindowTitle("Edit existing Cue");
      cuenum->setText(cueNumber);
      savescene->setEnabled(true);
      EditCueMode = EditSelected;
      showOrFillAgain();
      break;
  }
}

void TEditCue::showOrFillAgain() {
  if (isVisible()) {
    FormShow();
    raise();
  } else {
    show();
  }
}

void TEditCue::FormShow() {
  if (EditCueMode == KeepFields) return;
  // Filling takes the cue the dialog now shows; Save writes to it.
  target_ = captureCueEditTarget(host_.state(), host_.state().EditorMode, host_.cueListRow());
  if (EditCueMode == NewCue) {
    fillNew();
  } else if ((EditCueMode == EditSelected || EditCueMode == SaveSelectedAs) && target_.row >= 1) {
    fillFromRow(target_.row);
  }
}

void TEditCue::fillNew() {
  ConsoleState& S = host_.state();
  for (QLineEdit* e : {cuedesc, waittime, sbwaittime, sbfadetime, sdwaittime, sdfadetime, mfadewait,
                       mfadetime, advdelay, osccmd})
    e->clear();
  cuetime->setText(QString::number(S.FadeTime));
  EditLoopKey = 0;
  editsave->setEnabled(true);
  CueColour = 0;
  FollowSpotColor = 0x00FF00;
  host_.FollowSpotCue() = false;
  CueType->setCurrentIndex(kCueNormalDmx);
  CueType->setToolTip(QString());
  SetSize();
  oscaddr->setText(S.OSCHost);
  oscportnum->setText(S.OSCSend);
  playpick->setChecked(true);
  cuenum->setFocus();
  CueEdited = false;
}

void TEditCue::fillFromRow(int row) {
  const ConsoleState& S = host_.state();
  const CueTables& t = S.Cues;
  auto col = [&t, row](int c) { return t.CueTable[c][row]; };
  cuedesc->setText(t.description(row));
  cuenum->setText(cueNumberText(col(CueColumn::Number)));
  CueColour = col(CueColumn::RowColour);
  const int sps = S.StepsPerSecond;
  QLineEdit* single[] = {waittime, cuetime};
  QLineEdit* split[] = {sbwaittime, sbfadetime, sdwaittime, sdfadetime};
  QLineEdit* master[] = {mfadewait, mfadetime};
  const int mode = col(CueColumn::TimingMode);
  setFadeKind(mode == 1 || mode == 2 ? mode : 0);
  for (QLineEdit* e : single) e->clear();
  for (QLineEdit* e : split) e->clear();
  for (QLineEdit* e : master) e->clear();
  if (mode == 1) {
    sbfadetime->setText(rowSeconds(col(CueColumn::FadeUpTicks), sps));
    sbwaittime->setText(rowSeconds(col(CueColumn::UpDelayTicks), sps));
    sdfadetime->setText(rowSeconds(col(CueColumn::FadeDownTicks), sps));
    sdwaittime->setText(rowSeconds(col(CueColumn::DownDelayTicks), sps));
  } else if (mode == 2) {
    mfadetime->setText(rowSeconds(col(CueColumn::FadeDownTicks), sps));
    mfadewait->setText(rowSeconds(col(CueColumn::DownDelayTicks), sps));
  } else {
    cuetime->setText(rowSeconds(col(CueColumn::FadeUpTicks), sps));
    waittime->setText(rowSeconds(col(CueColumn::UpDelayTicks), sps));
  }
  advdelay->setText(secondsText(col(CueColumn::AdvanceDelay) / 10.0));
  switch (col(CueColumn::StartMode)) {
    case 1:
      autoplay->setChecked(true);
      break;
    case 2:
      Timepick->setChecked(true);
      break;
    default:
      playpick->setChecked(true);
      break;
  }
  Timetime->setText(col(CueColumn::StartMode) == 2 ? TCtoStr(col(CueColumn::TimeCode)) : QString());
  endwait->setChecked(col(CueColumn::AdvanceAfter) == 1);
  loopcue->setText(cueNumberText(col(CueColumn::LoopTarget)));
  loopcnt->setText(QString::number(col(CueColumn::LoopCount)));
  const int kind = col(CueColumn::CueKind);
  CueType->setCurrentIndex(kind >= 0 && kind < CueType->count() ? kind : -1);
  if (kind == kCueOscCommand) {
    osccmd->setText(t.messageText(row));
    oscaddr->setText(t.host(row));
    oscportnum->setText(QString::number(col(CueColumn::Port)));
  } else if (kind == kCueCompanionMessage) {
    osccmd->setText(t.messageText(row));
  }
  FollowSpotColor = col(CueColumn::RowColour);
  if (kind == kCueIsAFile) {
    EditLoopKey = col(CueColumn::LoopFileKey);
    CueType->setToolTip(LoopFileName);
  } else {
    EditLoopKey = 0;
    CueType->setToolTip(QString());
  }
  SetSize();
  editsave->setEnabled(true);
  cuenum->setFocus();
  CueEdited = false;
}

void TEditCue::SetSize() {
  const int kind = CueType->currentIndex();
  if (kind < 0) return;
  if (kind <= kCueFollowspotAlert) {
    oscsettings->hide();
    fitToContents();
    return;
  }
  oscsettings->show();
  const bool osc = kind == kCueOscCommand;
  oscsettings->setTitle(osc ? "OSC Command" : "Vq Divuvaz Command");
  for (QWidget* w : std::initializer_list<QWidget*>{oscaddr, oscportnum, oscaddrLabel, oscportLabel})
    w->setVisible(osc);
  fitToContents();
}

void TEditCue::fitToContents() {
  // The dialog is as large as what it shows (at least its design width): no caption is cut and no
  // empty band is left, whatever the fonts; the command group adds its own height.
  layout()->invalidate();
  layout()->activate();
  const QSize hint = layout()->totalSizeHint();
  setFixedSize(std::max(DpiScale(422), hint.width()), hint.height());
}

void TEditCue::CueTypeCloseUp(int kind) {
  host_.FollowSpotCue() = kind == kCueFollowspotAlert;
  if (kind == kCueFollowspotAlert) FSCue();
  SetSize();
  if (kind == kCueIsAFile) cueisafile();
  if (kind == kCueNormalDmx) {
    // A former file cue stops being one: in the table now, and in the record the next Save writes.
    ConsoleState& S = host_.state();
    const int row = target_.row;
    auto& keys = S.Cues.CueTable[CueColumn::LoopFileKey];
    if (row >= 1 && row < int(keys.size())) keys[size_t(row)] = 0;
    EditLoopKey = 0;
  }
}

void TEditCue::FSCue() {
  CueEdited = true;
  if (host_.FollowSpotCue()) {
    setTextColours(FollowSpotColor);
    host_.startPrompter();
  } else {
    setTextColours(CueColour);
  }
}

void TEditCue::CueColorClick() {
  const std::optional<int> chosen = chooseColour ? chooseColour(CueColour) : std::nullopt;
  if (!chosen) return;
  if (*chosen == rgbToBgr(cuedesc->palette().color(QPalette::Base))) {
    warn(this, "Invisible Setting", "Text color selected is the same as the Background.");
    return;
  }
  CueColour = *chosen;
  CueEdited = true;
  setTextColours(CueColour);
  if (host_.FollowSpotCue()) FollowSpotColor = CueColour;
}

int TEditCue::FindLoopindex() {
  LoopFileList list(host_.state().CueFileName);
  EditLoopKey = list.findFreeKey();
  return EditLoopKey;
}

void TEditCue::cueisafile() {
  LoopFileList list(host_.state().CueFileName);
  const QString initial = EditLoopKey > 0 ? list.fileOf(EditLoopKey) : QString();
  const QString chosen = chooseLoopFile ? chooseLoopFile(initial) : QString();
  if (chosen.isEmpty()) {
    QApplication::beep();
    return;
  }
  const int slash = chosen.lastIndexOf('/');
  const int dot = chosen.lastIndexOf('.');
  const QString extension = dot > slash ? chosen.mid(dot).trimmed() : QString();
  if (extension == ".lcue") {
    if (EditLoopKey == 0 && FindLoopindex() == 0) {
      // Every key holds a file: the cue cannot become a file cue.
      CueType->setCurrentIndex(kCueNormalDmx);
      SetSize();
      MessageSpec m;
      m.title = "Too many Cue Files";
      m.text = "A cue list can use at most 20 Cue Files. Remove one from a cue first.";
      m.icon = DialogIcon::Information;
      m.buttons = DialogButtons::Ok;
      m.parent = this;
      showMessage(m);
      return;
    }
    LoopFileName = chosen;
    list.setFile(EditLoopKey, chosen);
    CueType->setToolTip(LoopFileName);
  } else {
    LoopFileName = chosen;
    list.setFile(EditLoopKey, QString());
    EditLoopKey = 0;
    MessageSpec m;
    m.title = "Cue File removed";
    m.text = "Cue is no longer a File.";
    m.icon = DialogIcon::Information;
    m.buttons = DialogButtons::Ok;
    m.parent = this;
    showMessage(m);
    CueType->setCurrentIndex(kCueNormalDmx);
    SetSize();
  }
  CueEdited = true;
}

void TEditCue::restoreShowProgress() {
  if (!ShowProgressBeforeEdit) return;
  host_.state().ShowProgress = *ShowProgressBeforeEdit;
  ShowProgressBeforeEdit.reset();
}

bool TEditCue::editsaveClick() {
  if (cuenum->text().trimmed().isEmpty() || cuedesc->text().isEmpty()) {
    warn(this, "Could not Save", "You need both a Cue Call and a Description.");
    cuedesc->setFocus();
    return false;
  }
  // Every conversion and check happens before the file is touched; a refused save keeps the
  // dialog open with what was typed.
  const CueEditorFields f = fields();
  const CueEditorConversion converted = convertCueEditorFields(f);
  if (!converted.ok) {
    warn(this, "Could not Save", "\"" + converted.badText + "\" is not a number.");
    if (auto* field = findChild<QLineEdit*>(converted.badField)) field->setFocus();
    return false;
  }
  ConsoleState& S = host_.state();
  if (f.kind == kCueOscCommand) {
    S.OSCHost = oscaddr->text();
    S.OSCSend = oscportnum->text();
    if (!f.command.startsWith('/')) {
      warn(this, "Check Command syntax", "OSC commands must start with a \"/\".");
      osccmd->setFocus();
      return false;
    }
  } else if (f.kind == kCueCompanionMessage && !f.command.startsWith("play")) {
    warn(this, "Check Command syntax", "The only command is \"play #\".");
    osccmd->setFocus();
    return false;
  }

  // The commands that waited while the dialog was open run once the cue is written and selected.
  struct HeldWhileSaving {
    CueEditorHost& host;
    explicit HeldWhileSaving(CueEditorHost& h) : host(h) { host.holdRemoteCommands(true); }
    ~HeldWhileSaving() { host.holdRemoteCommands(false); }
  } held(host_);
  hide();
  BusyCursor busy;
  CueFile& file = host_.cueFile();
  const qint64 n = file.count();
  const CueEditorValues& v = converted.values;
  const CueEditorMode mode = target_.mode;
  // Another show opened while the dialog was open: its cues are not the ones this dialog was on.
  if (target_.cueFile != S.CueFileName) return false;
  qint64 target = -1;
  bool insert = false;
  if (mode == CueEditorMode::EditSelected) {
    target = editedCueIndex(target_, S, n);
    if (target < 0) return false;  // no cue was selected, or it has gone
  } else if (mode == CueEditorMode::Add) {
    target = n;
  } else if (mode == CueEditorMode::SaveAs) {
    const CueTables& t = S.Cues;
    const int rows = std::min<int>(t.CueCount, int(n));
    target = n;
    if (rows > 0 && v.number <= t.CueTable[CueColumn::Number][rows]) {
      int k = 1;
      while (k <= rows && t.CueTable[CueColumn::Number][k] < v.number) ++k;
      target = k - 1;
      if (k <= rows && t.CueTable[CueColumn::Number][k] == v.number) {
        MessageSpec m;
        m.title = "Same Cue Call number";
        m.text = "Cue Call number " + cuenum->text() + " already exists.\n\rDo you want to overwrite it?";
        m.icon = DialogIcon::Confirmation;
        m.buttons = DialogButtons::YesNo;
        m.parent = parentWidget();
        if (showMessage(m) != DialogResult::Yes) return false;
      } else {
        insert = true;
      }
    }
  } else if (mode == CueEditorMode::Insert) {
    const int recorded = RecordedCue;
    if (S.ScrollerChanged && recorded >= 1 && recorded <= n) {
      target = recorded - 1;
    } else {
      const int row = target_.listRow;
      target = InsertAfter == 1 ? row - 1 : row;
    }
    target = std::clamp<qint64>(target, 0, n);
    insert = true;
    S.ScrollerChanged = false;
  } else {
    return false;
  }

  const CueRecord base = target < n ? file.readRecord(target) : CueRecord{};
  const QByteArray levels = cueEditorLevels(S, [this](int ch) { return host_.levelEditText(ch); });
  const CueRecord record = buildEditedCueRecord(base, f, v, levels, S.MaxChannels, S.FileSource);
  if (insert) {
    insertCueRecords(file, target, {record});
    if (target < S.Rows.RunningCue) ++S.Rows.RunningCue;
  } else {
    file.writeRecord(target, record);
  }
  if (mode != CueEditorMode::EditSelected) {
    // A second Save overwrites the cue just written.
    S.EditorMode = CueEditorMode::EditSelected;
    setWindowTitle("Edit an existing Cue");
  }
  target_.mode = CueEditorMode::EditSelected;
  target_.row = int(target) + 1;
  target_.number = record.cueNumber;
  if (f.startMode == 2) host_.setTimecodeGo(v.timeCode);

  host_.readCues();
  keepRowsInTables(S.Rows, S.Cues.CueCount);
  CueEdited = false;
  host_.restoreEngineFlags();
  restoreShowProgress();
  const int row = int(target) + 1;
  if (row <= S.Cues.CueCount) {
    host_.selectCue(row);
    if (target > 0) host_.scrollCueListTo(std::min(row + 4, S.Cues.CueCount));
  }
  host_.processMessages();
  busy.release();
  host_.timedBackup();
  host_.RecordPending() = false;
  return true;
}

void TEditCue::CueUpDownUpButtonClick() { Movecueup(); }
void TEditCue::CueUpDownDownButtonClick() { Movecuedown(); }
void TEditCue::Movecueup() { moveCue(-1); }
void TEditCue::Movecuedown() { moveCue(+1); }

void TEditCue::moveCue(int direction) {
  ConsoleState& S = host_.state();
  auto movable = [&S, direction](int row) {
    return row >= 1 && row <= S.Cues.CueCount && row + direction >= 1 && row + direction <= S.Cues.CueCount;
  };
  if (movable(S.Rows.CurrentCue)) {
    BusyCursor busy;
    if (CueEdited) {
      editsaveClick();
      host_.waitPumped(25);
    }
    // A click taken during a wait moves the cue selected then, so the selection follows the cue
    // before each wait and the row is read after it: two quick clicks move the cue two places.
    const int row = S.Rows.CurrentCue;
    if (movable(row)) {
      swapCueRecords(host_.cueFile(), row - 1, row + direction - 1);
      // The cue the dialog is on moves with its record.
      if (target_.row == row)
        target_.row = row + direction;
      else if (target_.row == row + direction)
        target_.row = row;
      S.Rows.CurrentCue = row + direction;
      host_.clearCueList();
      host_.waitPumped(25);
      host_.readCues();
      keepRowsInTables(S.Rows, S.Cues.CueCount);
      if (S.Rows.CurrentCue >= 1) host_.selectCue(S.Rows.CurrentCue);
      show();
    }
  }
  editsave->setEnabled(false);
}

void TEditCue::savesceneClick() {
  EditCueMode = KeepFields;
  SceneDialogRequest r;
  r.buttonCaption = "Save";
  r.buttonHint = "Save this scene to the list as Name:";
  r.promptLabel = "Name:";
  r.name = cuedesc->text();
  r.clearBumpKey = true;
  host_.showSceneDialog(r);
}

void TEditCue::loadsceneClick() {
  const QString sceneFile = host_.state().SceneFile;
  if (!sceneFile.isEmpty() && QFileInfo(sceneFile).isFile() &&
      QFileInfo(sceneFile).size() / kSceneRecordSize == 0) {
    MessageSpec m;
    m.title = "Scene file is Empty";
    m.text = "Would you like to load a scene file from another cue list?";
    m.icon = DialogIcon::Confirmation;
    m.buttons = DialogButtons::YesNo;
    m.parent = this;
    if (showMessage(m) == DialogResult::Yes) {
      const QString other = chooseSceneFile ? chooseSceneFile() : QString();
      if (!other.isEmpty() && QFileInfo(other).isFile()) {
        CopyFileStream(other, sceneFile);
        host_.readSceneList();
      }
    }
  }
  EditCueMode = KeepFields;
  SceneDialogRequest r;
  r.promptLabel = "Load:";
  r.buttonCaption = "Load";
  r.dialogHint = "Load this scene into the list";
  if (host_.state().EditorMode == CueEditorMode::EditSelected) {
    r.buttonCaption = "Overwrite";
    r.buttonHint = "Overwrite the current channel settings with this scene";
  }
  host_.showSceneDialog(r);
  host_.focusCueList();
}

void TEditCue::editexitClick() {
  ConsoleState& S = host_.state();
  CueFile& file = host_.cueFile();
  if ((file.isOpen() ? file.count() : S.Cues.CueFileRecords) == 0) {
    MessageSpec m;
    m.title = "Empty Cue list";
    m.text = "Without at least one cue, the file will not be created or saved. Add a cue?";
    m.icon = DialogIcon::Confirmation;
    m.buttons = DialogButtons::YesNo;
    m.parent = this;
    if (showMessage(m) == DialogResult::Yes) {
      host_.restoreStayOnTop();
      return;
    }
    const QString path = file.path().isEmpty() ? S.CueFileName : file.path();
    file.close();
    // Only a file with nothing in it goes: one holding part of a cue is damaged, not empty.
    if (QFileInfo(path).size() == 0) QFile::remove(path);
  }
  if (CueEdited) {
    MessageSpec m;
    m.title = "Cue content change";
    m.text = "Save the cue changes?";
    m.icon = DialogIcon::Confirmation;
    m.buttons = DialogButtons::YesNo;
    m.place = MessageSpec::Place::OffsetFromParent;
    m.position = QPoint(40, 200);
    m.parent = this;
    if (showMessage(m) == DialogResult::Yes && !editsaveClick() && isVisible())
      return;  // refused: keep the typing
  }
  CueEdited = false;
  S.CueListByMouse = false;
  host_.restoreEngineFlags();
  restoreShowProgress();
  hide();
  host_.focusCueList();
  host_.RecordPending() = false;
}
