#include "console/editors/submaster_window.h"

#include <QCheckBox>
#include <QCloseEvent>
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
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "console/editors/window_placement.h"
#include "console/engine/tavro_utils.h"

TForm3::TForm3(SubmasterHost& host, QWidget* parent, Operator& op)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), host_(host) {
  engine_ = std::make_unique<Submasters>(host.state(), op, hooks());
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
    connect(s, &QSlider::valueChanged, this, [this, i](int v) { engine_->faderChanged(i, v); });
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
  connect(userep, &QCheckBox::clicked, this, [this](bool ticked) { engine_->userepClick(ticked); });
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

Submasters::Hooks TForm3::hooks() {
  Submasters::Hooks h;
  h.send = [this] { host_.sendDMX(); };
  h.levelEditText = [this](int ch) { return host_.levelEditText(ch); };
  h.showLevelText = [this](int ch, const QString& text) { host_.showLevelText(ch, text); };
  h.channelMarked = [this](int ch, bool visible) { host_.setSubmasterMark(ch, visible); };
  h.levelEditColour = [this](int ch, int bgr) { host_.setLevelEditColour(ch, bgr); };
  h.focusCueList = [this] { host_.focusCueList(); };
  h.programFolder = [this] { return host_.programFolder(); };
  h.midiActive = [this] { return host_.midiActive(); };
  h.reloadPatch = [this](const QString& patch) { host_.reloadPatch(patch); };
  h.fileError = [this](const QString& message) { host_.fileError(message); };
  h.loadLoopFile = [this](int strip, const QString& path) { host_.loadSubmasterLoop(strip, path); };
  h.startLoop = [this](int strip, double scale) { host_.startSubmasterLoop(strip, scale); };
  h.setLoopScale = [this](double scale) { host_.setSubmasterLoopScale(scale); };
  h.loopStopped = [this] { host_.submasterLoopStopped(); };
  // The engine applies each move itself: the widgets change without their change handlers.
  h.faderMoved = [this](int strip, int value) {
    const QSignalBlocker quiet(SubSliders[size_t(strip)]);
    SubSliders[size_t(strip)]->setValue(value);
  };
  h.markerShown = [this](int strip, bool visible) { SubMarkers[size_t(strip)]->setVisible(visible); };
  h.valueShown = [this](int strip, const QString& text) {
    const QSignalBlocker quiet(SubValueEdits[size_t(strip)]);
    SubValueEdits[size_t(strip)]->setText(text);
  };
  h.focusValue = [this](int strip) { SubValueEdits[size_t(strip)]->setFocus(); };
  h.stripChanged = [this](int strip) { refreshStrip(strip); };
  h.titleChanged = [this](int strip) {
    SubTitles[size_t(strip)]->setText(engine_->strip(strip).title);
    SubTitles[size_t(strip)]->setToolTip(engine_->strip(strip).hint);
  };
  h.useRepShown = [this](bool ticked) { userep->setChecked(ticked); };
  h.setupStrip = [this](int strip, bool besideTitle) {
    if (besideTitle)
      smedit_->move(smedit_->x(), SubTitles[size_t(strip)]->mapToGlobal(QPoint(0, 0)).y() + DpiScale(70));
    return runSetupDialog && runSetupDialog();
  };
  return h;
}

void TForm3::refreshStrip(int i) {
  const SubmasterStrip& s = engine_->strip(i);
  SubTitles[size_t(i)]->setText(s.title);
  SubTitles[size_t(i)]->setToolTip(s.hint);
  SubButtons[size_t(i)]->setEnabled(!s.isLoopStrip());
  SubNumberLabels[size_t(i)]->setText(QString::number(host_.state().MaxChannels + i + 1));
}

void TForm3::Editval(int strip) { engine_->Editval(strip, SubValueEdits[size_t(strip)]->text()); }

void TForm3::userepClick() { engine_->userepClick(userep->isChecked()); }

void TForm3::exitClick() {
  engine_->leaving();
  close();
  host_.focusCueList();
}

void TForm3::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  placeWindow(*this, QRect(QPoint(host_.savedLeft(), host_.savedTop()), size()), parentWidget());
  engine_->shown();
}

void TForm3::closeEvent(QCloseEvent* event) {
  const QRect r = clientRect(*this);
  host_.saveWindowSettings(r.y(), r.x(), engine_->state().UseRep);
  engine_->closed();
  QWidget::closeEvent(event);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < kSubmasterCount; ++i) {
    if (watched == SubTitles[size_t(i)] && event->type() == QEvent::MouseButtonRelease) {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() == Qt::LeftButton)
        picksub(i);
      else if (m->button() == Qt::RightButton)
        engine_->titleRightClick(i, m->modifiers() & Qt::ControlModifier);
      return true;
    }
    if (watched == SubSliders[size_t(i)] && event->type() == QEvent::MouseButtonPress)
      return engine_->faderPressed(i, static_cast<QMouseEvent*>(event)->button() == Qt::RightButton);
    if ((watched == SubPanels[size_t(i)] || watched == SubValueEdits[size_t(i)]) &&
        event->type() == QEvent::MouseButtonRelease) {
      picksubval(i);
      return false;
    }
    if ((watched == SubSliders[size_t(i)] || watched == SubValueEdits[size_t(i)]) &&
        event->type() == QEvent::KeyPress && engine_->smKeyDown(i, static_cast<QKeyEvent*>(event)->key()))
      return true;
    if (watched == SubSliders[size_t(i)] && event->type() == QEvent::Wheel)
      return engine_->wheel(i, static_cast<QWheelEvent*>(event)->angleDelta().y() > 0);
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
  SetupStrip = subs_.engine().state().CurrentSub;
  const SubmasterStripFields f = subs_.engine().stripSetup(SetupStrip);
  move(subs_.x(), y());
  subdesc->setText(f.title);
  subcue->setText(f.hint);
  subadd->setChecked(f.additive);
  subsub->setChecked(!f.additive);
  Subfile->setText(f.loopFile);
  Subfile->setToolTip(f.loopFile.isEmpty() ? QString("Select Loop cue file") : f.loopFile);
}

void Tsmedit::SubfileClick() {
  const QString current = Subfile->text();
  const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
  const QString chosen = chooseLoopFile ? chooseLoopFile(folder) : QString();
  if (!chosen.isEmpty()) Subfile->setText(chosen);
}

bool Tsmedit::btnSaveClick() {
  SubmasterStripFields f;
  f.title = subdesc->text();
  f.hint = subcue->text();
  f.additive = subadd->isChecked() || !subsub->isChecked();
  f.loopFile = Subfile->text();
  if (!subs_.engine().saveStripSetup(SetupStrip, f)) return false;
  accept();
  return true;
}

void Tsmedit::exitClick() { reject(); }
