#include "console/editors/submaster_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "console/engine/cue_file.h"
#include "console/engine/level_math.h"
#include "console/engine/submaster_file.h"
#include "console/engine/tavro_utils.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"

namespace {
constexpr int kMarkerColour = 0x00FFFF;  // yellow text of a channel a strip drives

QString percentText(const ConsoleState& S, int ch, int dmx) {
  return QString::number(numberFromLevel(clampDmx(dmx), S.RawChannels[size_t(ch)]));
}
}  // namespace

TForm3::TForm3(SubmasterHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      host_(host),
      mixer_(host.state(), [this] {
        SubmasterMixer::Hooks h;
        h.send = [this] { host_.sendDMX(); };
        h.showLevel = [this](int ch, int dmx) {
          host_.showLevelText(ch, percentText(host_.state(), ch, dmx));
        };
        h.showMark = [this](int ch, bool v) { host_.setSubmasterMark(ch, v); };
        h.hideMark = [this](int ch) { host_.setSubmasterMark(ch, false); };
        h.loadLoopFile = [this](int strip, const QString& path) { host_.loadSubmasterLoop(strip, path); };
        h.startLoop = [this](int strip, double scale) { host_.startSubmasterLoop(strip, scale); };
        h.setLoopScale = [this](double scale) { host_.setSubmasterLoopScale(scale); };
        h.loopStopped = [this] { host_.submasterLoopStopped(); };
        return h;
      }()) {
  setWindowTitle("Subs");
  setObjectName("Form3");
  // The Record button is as wide and as high as its caption needs in the window's font (at least
  // its designed 42 x 18 pixels, at most as high as its panel allows); the panel, the fader and the
  // number beside it move right by what the button adds.
  const QFontMetrics metrics(font());
  const int recordWidth = std::max(DpiScale(42), metrics.horizontalAdvance("Record") + DpiScale(12));
  const int recordHeight = std::clamp(metrics.height() + DpiScale(6), DpiScale(18), DpiScale(23));
  const int extra = recordWidth - DpiScale(42);
  const int panelWidth = DpiScale(51) + extra;
  for (int i = 0; i < kSubmasterCount; ++i) {
    const int y = 4 + 80 * i;
    auto* t = new QLabel("Unused", this);
    t->setObjectName(QString("SubTitle%1").arg(i));
    t->setGeometry(DpiScale(4), DpiScale(y), DpiScale(90), DpiScale(17));
    t->installEventFilter(this);
    SubTitles[size_t(i)] = t;

    auto* s = new QSlider(Qt::Vertical, this);
    s->setObjectName(QString("SubSlider%1").arg(i));
    s->setRange(0, 100);
    s->setCursor(Qt::PointingHandCursor);
    s->setGeometry(DpiScale(36) + panelWidth + DpiScale(16), DpiScale(y), DpiScale(24), DpiScale(78));
    s->installEventFilter(this);
    connect(s, &QSlider::valueChanged, this, [this, i] { SubChange(i); });
    connect(s, &QSlider::sliderReleased, this, [this, i] { SubDone(i); });
    SubSliders[size_t(i)] = s;

    auto* p = new QFrame(this);
    p->setFrameShape(QFrame::Panel);
    p->setFrameShadow(QFrame::Raised);
    p->setGeometry(DpiScale(36), DpiScale(y + 20), panelWidth, DpiScale(50));
    p->installEventFilter(this);
    SubPanels[size_t(i)] = p;

    auto* e = new QLineEdit("0", p);
    e->setObjectName(QString("SubValue%1").arg(i));
    e->setGeometry(DpiScale(2), DpiScale(2), DpiScale(31), DpiScale(20));
    e->setMaxLength(3);
    e->setValidator(new QIntValidator(0, 999, e));  // digits only
    QFont bold = e->font();
    bold.setBold(true);
    e->setFont(bold);
    e->installEventFilter(this);
    connect(e, &QLineEdit::textChanged, this, [this, i] { Editval(i); });
    SubValueEdits[size_t(i)] = e;

    auto* m = new QLabel("◆", p);
    m->setGeometry(DpiScale(33), DpiScale(4), DpiScale(16), DpiScale(16));
    m->hide();
    SubMarkers[size_t(i)] = m;

    auto* b = new QPushButton("Record", p);
    b->setObjectName(QString("SubRecord%1").arg(i));
    b->setToolTip("Record current levels of selected channels");
    b->setGeometry(DpiScale(5), DpiScale(25), recordWidth, recordHeight);
    connect(b, &QPushButton::clicked, this, [this, i] { recordsub(i); });
    SubButtons[size_t(i)] = b;

    auto* n = new QLabel(this);
    n->setAlignment(Qt::AlignCenter);
    n->setGeometry(DpiScale(135) + extra, DpiScale(y + 35), DpiScale(28), DpiScale(17));
    SubNumberLabels[size_t(i)] = n;
  }
  userep = new QCheckBox("Use Rep Plot", this);
  userep->setObjectName("userep");
  userep->setToolTip("Left click to Load, Right to Save New");
  userep->setGeometry(DpiScale(8), DpiScale(4 + 80 * 8), DpiScale(120), DpiScale(20));
  userep->installEventFilter(this);
  connect(userep, &QCheckBox::clicked, this, [this] { userepClick(); });
  exitButton = new QPushButton("Exit", this);
  exitButton->setObjectName("exit");
  exitButton->setGeometry(DpiScale(8), DpiScale(4 + 80 * 8 + 28), DpiScale(75), DpiScale(25));
  connect(exitButton, &QPushButton::clicked, this, [this] { exitClick(); });
  setFixedSize(DpiScale(174) + extra, DpiScale(772));

  for (int i = 0; i < kSubmasterCount; ++i) refreshStrip(i);
  smedit_ = std::make_unique<Tsmedit>(*this, host_, this);
  runSetupDialog = [this] {
    smedit_->FormShow();
    return smedit_->exec() == QDialog::Accepted;
  };
}

TForm3::~TForm3() {
  if (host_.state().LogLevel == -1) WriteLog("begin Submaster Destroy");
}

QString TForm3::SubmasterFileName() const {
  const ConsoleState& S = host_.state();
  return submasterFileNameFor(S.CueFileName, S.UseRepPlot, host_.programFolder());
}

QString TForm3::title(int strip) const { return mixer_.strips[size_t(strip)].title; }
bool TForm3::markerVisible(int strip) const { return !SubMarkers[size_t(strip)]->isHidden(); }
int TForm3::fader(int n) const { return SubSliders[size_t(n)]->value(); }

void TForm3::refreshStrip(int i) {
  const SubmasterStrip& s = mixer_.strips[size_t(i)];
  SubTitles[size_t(i)]->setText(s.title);
  SubTitles[size_t(i)]->setToolTip(s.hint);
  SubButtons[size_t(i)]->setEnabled(!s.isLoopStrip());
  SubNumberLabels[size_t(i)]->setText(QString::number(host_.state().MaxChannels + i + 1));
}

void TForm3::setFader(int n, int value) {
  if (n < 0 || n >= kSubmasterCount) return;
  SubSliders[size_t(n)]->setValue(clampPercent(value));
}

void TForm3::syncFaders() {
  ConsoleState& S = host_.state();
  for (int i = 0; i < kSubmasterCount; ++i)
    if (SubSliders[size_t(i)]->value() != clampPercent(S.SubSliders[size_t(i)]))
      SubSliders[size_t(i)]->setValue(clampPercent(S.SubSliders[size_t(i)]));
}

void TForm3::setValueBox(int strip, int v) {
  const bool busy = SubBusy;
  SubBusy = true;  // the value box's own change handler leaves it alone
  SubValueEdits[size_t(strip)]->setText(QString::number(v));
  SubBusy = busy;
}

void TForm3::SubChange(int strip) {
  ConsoleState& S = host_.state();
  S.SubSliders[size_t(strip)] = SubSliders[size_t(strip)]->value();
  if (SubLoopLoaded || SubBusy) return;
  SubBusy = true;
  S.SubMoved = true;
  CurrentSub = strip;
  SlideSet(SubSliders[size_t(strip)]->value(), strip);
  SubBusy = false;
}

void TForm3::SlideSet(int v, int j) {
  if (SubRecording || SubActivating || mixer_.strips[size_t(j)].isFree()) return;
  const bool rest = mixer_.strips[size_t(j)].additive ? v == 0 : v == 100;
  SubMarkers[size_t(j)]->setVisible(!rest);
  setValueBox(j, v);
  mixer_.SlideSet(v, j);
}

void TForm3::SubDone(int strip) {
  ConsoleState& S = host_.state();
  SubBusy = false;
  SubChange(strip);
  setValueBox(strip, SubSliders[size_t(strip)]->value());
  if (mixer_.strips[size_t(strip)].additive && SubSliders[size_t(strip)]->value() == 0) {
    SubMarkers[size_t(strip)]->hide();
    mixer_.released(strip);
  }
  S.UpdatingEdits = false;
  SubBusy = false;
  host_.focusCueList();
}

void TForm3::recordsub(int strip) {
  ConsoleState& S = host_.state();
  SubRecording = true;
  CurrentSub = strip;
  if (S.UpdatingEdits) SubSliders[size_t(strip)]->setValue(100);
  SubRecordSetup = false;
  if (!mixer_.strips[size_t(strip)].isFree()) {
    SaveSub(strip);
    host_.focusCueList();
  } else {
    SubRecordSetup = true;
    picksub(strip);
  }
  SubRecording = false;
}

bool TForm3::SaveSub(int strip) {
  const QString text = mixer_.recordLevels(strip, [this](int ch) { return host_.levelEditText(ch); });
  QString error;
  if (!saveSubmasterLevels(SubmasterFileName(), strip, text, &error)) {
    host_.fileError(error);
    return false;
  }
  return true;
}

void TForm3::applySetup(const SubmasterFileSetup& setup) {
  ConsoleState& S = host_.state();
  mixer_.applySetup(setup, S.WarmUp);
  if (!setup.exists)
    for (int ch = 1; ch <= S.MaxChannels; ++ch) S.SubChannelLevels[size_t(ch)] = S.Fixtures.WarmUpLevels[ch];
  for (int i = 0; i < kSubmasterCount; ++i) {
    refreshStrip(i);
    SubSliders[size_t(i)]->setValue(S.SubSliders[size_t(i)]);
  }
}

bool TForm3::showNeedsWindow(const SubmasterFileSetup& setup) const {
  if (!setup.exists) return false;
  if (setup.anyLoopFile) return true;
  const ConsoleState& S = host_.state();
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    const AddressList& a = S.Patch.PatchTable.addresses(ch);
    if (!a.empty() && a[0] > S.MaxChannels) return true;
  }
  return false;
}

void TForm3::LoadSubs(const QString& path) {
  if (!QFileInfo::exists(path)) {
    CopySubs();
    return;
  }
  ConsoleState& S = host_.state();
  const SubmasterFileSetup setup = readSubmasterFileSetup(path, S.MaxChannels, S.WarmUp);
  if (!setup.error.isEmpty()) host_.fileError(setup.error);
  mixer_.applySetup(setup, S.WarmUp);
  for (int i = 0; i < kSubmasterCount; ++i) {
    refreshStrip(i);
    SubSliders[size_t(i)]->setValue(S.SubSliders[size_t(i)]);  // applied like any fader change
  }
}

void TForm3::CopySubs() {
  ConsoleState& S = host_.state();
  if (!S.UseRepPlot) return;
  const QString showSubs = changeFileExt(S.CueFileName, ".subs");
  const QString rep = QDir(host_.programFolder()).filePath("rep_plot.subs");
  if (QFileInfo::exists(showSubs)) {
    QString error;
    if (!copyFileAtomically(showSubs, rep, &error)) {
      host_.fileError(error);
      return;
    }
  }
  if (QFileInfo::exists(SubmasterFileName())) LoadSubs(SubmasterFileName());
}

void TForm3::Setupsub(int strip) {
  mixer_.setupsub(strip, [this](int ch, bool shown) {
    host_.setSubmasterMark(ch, shown);
    if (shown) host_.setLevelEditColour(ch, kMarkerColour);
  });
}

void TForm3::Setsub(int n) {
  if (n < 0 || n >= kSubmasterCount) return;
  ConsoleState& S = host_.state();
  const SubmasterStrip& strip = mixer_.strips[size_t(n)];
  if (strip.values.empty()) return;
  mixer_.resize();
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (!mixer_.SubMembers[size_t(ch)][size_t(n)]) continue;
    const int a = strip.value(ch);
    if (a <= S.Fixtures.WarmUpLevels[ch]) continue;
    host_.setSubmasterMark(ch, true);
    S.ChannelSelected[size_t(ch - 1)] = true;
    mixer_.SubFactors[size_t(ch)] = float(a) / 100.0f;
    host_.setLevelEditColour(ch, kMarkerColour);
  }
}

void TForm3::hideAllMarkers() {
  for (QLabel* m : SubMarkers) m->hide();
}

void TForm3::picksub(int strip) {
  hideAllMarkers();
  CurrentSub = strip;
  smedit_->move(smedit_->x(), SubTitles[size_t(strip)]->mapToGlobal(QPoint(0, 0)).y() + DpiScale(70));
  if (runSetupDialog && runSetupDialog()) {
    if (SubRecordSetup) SaveSub(strip);
    LoadSubs(userep->isChecked() ? QDir(host_.programFolder()).filePath("rep_plot.subs")
                                 : SubmasterFileName());
  }
}

void TForm3::picksubval(int strip) {
  hideAllMarkers();
  CurrentSub = strip;
  Setupsub(strip);
  host_.state().UpdatingEdits = false;
  SubValueEdits[size_t(strip)]->setFocus();
  SubMarkers[size_t(strip)]->show();
  if (SubRightClick) {
    QSlider* s = SubSliders[size_t(strip)];
    if (s->value() == 100)
      s->setValue(0);
    else if (s->value() == 0)
      s->setValue(100);
  }
}

bool TForm3::midiRefused() {
  if (!host_.midiActive()) return false;
  showMessage("Midi device active",
              QString("Please use your attached Midi surface instead") + "\n\r" + "of the screen.",
              DialogIcon::Error, DialogButtons::Cancel);
  return true;
}

void TForm3::Editval(int strip) {
  if (SubBusy) return;
  if (midiRefused()) return;
  CurrentSub = strip;
  const int v = clampPercent(StrToIntSafe(SubValueEdits[size_t(strip)]->text()));
  SubSliders[size_t(strip)]->setValue(v);
  const bool additive = mixer_.strips[size_t(strip)].additive;
  if ((additive && v == 0) || (!additive && v == 100)) SubMarkers[size_t(strip)]->hide();
}

void TForm3::smKeyDown(int strip, int key) {
  int delta = 0;
  switch (key) {
    case Qt::Key_Up:
      delta = 1;
      break;
    case Qt::Key_Down:
      delta = -1;
      break;
    case Qt::Key_PageUp:
      delta = 10;
      break;
    case Qt::Key_PageDown:
      delta = -10;
      break;
    case Qt::Key_Home:
      delta = 100;
      break;
    case Qt::Key_End:
      delta = -100;
      break;
    default:
      return;
  }
  const int v = clampPercent(StrToIntSafe(SubValueEdits[size_t(strip)]->text()) + delta);
  setValueBox(strip, v);
  SubSliders[size_t(strip)]->setValue(v);
}

void TForm3::userepClick() {
  ConsoleState& S = host_.state();
  for (int i = 0; i < kSubmasterCount; ++i) {
    mixer_.freeStrip(i);
    refreshStrip(i);
  }
  for (int ch = 1; ch <= S.MaxChannels; ++ch) S.SubChannelLevels[size_t(ch)] = S.Fixtures.WarmUpLevels[ch];
  S.UseRepPlot = userep->isChecked();
  LoadSubs(SubmasterFileName());
  QString patch;
  if (S.UseRepPlot)
    patch = QDir(host_.programFolder()).filePath("rep_plot.spch");
  else if (S.FileSource)
    patch = QDir(host_.programFolder()).filePath(QFileInfo(programPath()).completeBaseName() + ".spch");
  else
    patch = changeFileExt(S.CueFileName, ".spch");
  host_.reloadPatch(patch);
}

void TForm3::userepRightClick() {
  const QString text =
      QString("Do you want to save the current") + "\n\r" + "settings as the new Rep plot for submasters?";
  if (showMessage("Save Rep plot settings", text, DialogIcon::Warning, DialogButtons::YesNo) ==
      DialogResult::Yes)
    CopySubs();
}

void TForm3::masterzero() {
  ConsoleState& S = host_.state();
  for (QSlider* s : SubSliders) s->setValue(0);
  for (int ch = 1; ch <= S.MaxChannels; ++ch) S.SubFlags[size_t(ch)] = false;
}

void TForm3::exitClick() {
  if (userep->isChecked()) {
    userep->setChecked(false);
    userepClick();
  }
  close();
  host_.focusCueList();
}

void TForm3::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  move(host_.savedLeft(), host_.savedTop());
  if (userep->isChecked()) {
    userep->setChecked(false);
    userepClick();
  }
  host_.state().SubMoved = false;
  SubActivating = true;
  for (int i = 0; i < kSubmasterCount; ++i) setValueBox(i, SubSliders[size_t(i)]->value());
  SubActivating = false;
}

void TForm3::closeEvent(QCloseEvent* event) {
  ConsoleState& S = host_.state();
  host_.saveWindowSettings(y(), x(), userep->isChecked());
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    host_.setSubmasterMark(ch, false);
    S.ChannelSelected[size_t(ch - 1)] = false;
  }
  hideAllMarkers();
  QWidget::closeEvent(event);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < kSubmasterCount; ++i) {
    if (watched == SubTitles[size_t(i)] && event->type() == QEvent::MouseButtonRelease) {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() == Qt::LeftButton) {
        picksub(i);
      } else if (m->button() == Qt::RightButton) {
        if (m->modifiers() & Qt::ControlModifier) {
          for (int k = 0; k < kSubmasterCount; ++k)
            if (markerVisible(k)) {
              SubMarkers[size_t(k)]->hide();
              setValueBox(k, 0);
            }
        } else {
          SubMarkers[size_t(i)]->hide();
          setValueBox(i, 0);
          SubValueEdits[size_t(i)]->setFocus();
          if (runSetupDialog) runSetupDialog();
        }
      }
      return true;
    }
    if (watched == SubSliders[size_t(i)] && event->type() == QEvent::MouseButtonPress) {
      if (midiRefused()) return true;
      auto* m = static_cast<QMouseEvent*>(event);
      SubRightClick = m->button() == Qt::RightButton;
      if (SubRightClick) {
        picksubval(CurrentSub);
        return true;
      }
      CurrentSub = i;
      Setupsub(i);
      return false;
    }
    if ((watched == SubPanels[size_t(i)] || watched == SubValueEdits[size_t(i)]) &&
        event->type() == QEvent::MouseButtonRelease) {
      picksubval(i);
      return false;
    }
    if ((watched == SubSliders[size_t(i)] || watched == SubValueEdits[size_t(i)]) &&
        event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
          key == Qt::Key_Home || key == Qt::Key_End) {
        smKeyDown(i, key);
        return true;
      }
    }
    if (watched == SubSliders[size_t(i)] && event->type() == QEvent::Wheel) {
      if (i != CurrentSub) return false;
      const int step = std::max(1, host_.state().Wheel);
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y() > 0 ? step : -step;
      SubSliders[size_t(i)]->setValue(clampPercent(SubSliders[size_t(i)]->value() + delta));
      return true;
    }
  }
  if (watched == userep && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    userepRightClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// The setup dialog.

Tsmedit::Tsmedit(TForm3& subs, SubmasterHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      subs_(subs),
      host_(host) {
  setWindowTitle("Edit");
  setObjectName("smedit");
  // Labels take the width their captions need, the fields the rest of the designed width.
  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(DpiScale(8));
  auto field = [this, fields](const QString& caption, QLineEdit* edit) {
    const int row = fields->rowCount();
    fields->addWidget(new QLabel(caption, this), row, 0);
    fields->addWidget(edit, row, 1);
  };
  subcue = new QLineEdit(this);
  subcue->setObjectName("subcue");
  field("Hint:", subcue);
  subdesc = new QLineEdit(this);
  subdesc->setObjectName("subdesc");
  subdesc->setToolTip("Title or blank to remove");
  field("Description:", subdesc);
  subadd = new QRadioButton("Additive", this);
  subadd->setToolTip("Higher takes Precedence");
  subsub = new QRadioButton("Inhibitive", this);
  subsub->setToolTip("Lower takes Precedence");
  subadd->hide();
  subsub->hide();
  Subfile = new QLineEdit(this);
  Subfile->setObjectName("Subfile");
  Subfile->setToolTip("Select Loop cue file");
  Subfile->installEventFilter(this);
  field("Loop File:", Subfile);
  btnSave = new QPushButton("Save", this);
  btnSave->setObjectName("btnSave");
  exit = new QPushButton("Exit", this);
  exit->setObjectName("exit");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSave);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addLayout(buttons);
  connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
  connect(exit, &QPushButton::clicked, this, [this] { exitClick(); });
  const QSize need = layout->totalMinimumSize();
  setFixedSize(std::max(DpiScale(199), need.width()), std::max(DpiScale(187), need.height()));
  chooseLoopFile = [this](const QString& folder) {
    return QFileDialog::getOpenFileName(this, "Open file", folder, "Cue files (*.lcue);;All files (*.*)");
  };
}

Tsmedit::~Tsmedit() {
  if (host_.state().LogLevel == -1) WriteLog("begin Smedit Destroy");
}

bool Tsmedit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Subfile && event->type() == QEvent::MouseButtonRelease) SubfileClick();
  return QDialog::eventFilter(watched, event);
}

void Tsmedit::FormShow() {
  SetupStrip = subs_.CurrentSub;
  const SubmasterStrip& s = subs_.mixer().strips[size_t(SetupStrip)];
  move(subs_.x(), y());
  subdesc->setText(s.isFree() ? QString() : s.title);
  subcue->setText(s.hint);
  subadd->setChecked(s.additive);
  subsub->setChecked(!s.additive);
  const QString path = submasterLoopFile(subs_.SubmasterFileName(), SetupStrip);
  Subfile->setText(path);
  Subfile->setToolTip(path.isEmpty() ? QString("Select Loop cue file") : path);
}

void Tsmedit::SubfileClick() {
  const QString current = Subfile->text();
  const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
  const QString chosen = chooseLoopFile ? chooseLoopFile(folder) : QString();
  if (!chosen.isEmpty()) Subfile->setText(chosen);
}

bool Tsmedit::btnSaveClick() {
  ConsoleState& S = host_.state();
  const QString desc = subdesc->text();
  const bool freed = desc.isEmpty() || desc.compare("unused", Qt::CaseInsensitive) == 0;
  const QString path = subs_.userep->isChecked() ? QDir(host_.programFolder()).filePath("rep_plot.subs")
                                                 : changeFileExt(S.CueFileName, ".subs");
  SubmasterStripFields f;
  f.title = desc;
  f.hint = subcue->text();
  f.additive = subadd->isChecked() || !subsub->isChecked();
  f.loopFile = Subfile->text();
  QString error;
  if (!saveSubmasterStrip(path, SetupStrip, f, freed, &error)) {
    host_.fileError(error);
    return false;
  }
  SubmasterMixer& m = subs_.mixer();
  if (freed) {
    m.freeStrip(SetupStrip);
  } else {
    SubmasterStrip& s = m.strips[size_t(SetupStrip)];
    s.title = desc;
    s.hint = f.hint.trimmed();
    s.additive = f.additive;
    s.loopFile = f.loopFile.trimmed();
    S.SubAdditive[size_t(SetupStrip)] = s.additive;
  }
  subs_.SubTitles[size_t(SetupStrip)]->setText(m.strips[size_t(SetupStrip)].title);
  subs_.SubTitles[size_t(SetupStrip)]->setToolTip(m.strips[size_t(SetupStrip)].hint);
  accept();
  return true;
}

void Tsmedit::exitClick() { reject(); }
