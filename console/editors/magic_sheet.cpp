#include "console/editors/magic_sheet.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "console/editors/window_placement.h"
#include "console/engine/console_state.h"
#include "console/engine/tavro_utils.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

namespace {
constexpr int kButtonSize = 31;
constexpr int kNameLength = 64;   // a group's caption
constexpr int kNumberLength = 5;  // a button's channel number
}  // namespace

TMagical::TMagical(MagicSheetHost host, Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      host_(std::move(host)) {
  setObjectName("Magical");
  setWindowTitle("Magic Sheet");
  setFont(QFont("Tahoma"));
  resize(DpiScale(923), DpiScale(691));
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::NoFrame);
  auto* fill = new QVBoxLayout(this);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(Panel1);
  Panel1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Panel1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PMenu0->popup(Panel1->mapToGlobal(p)); });
  DragTimer = new ClockTimer(clock, this);
  DragTimer->setObjectName("DragTimer");
  DragTimer->setSingleShot(true);
  DragTimer->setInterval(250);
  connect(DragTimer, &ClockTimer::timeout, this, &TMagical::DragTimerTimer);
  buildMenus();
  FormCreate();
}

TMagical::~TMagical() = default;

void TMagical::buildMenus() {
  PMenu0 = new QMenu(this);
  PMenu0->setObjectName("PMenu0");
  PMenu0->addAction("New Small Group", this, &TMagical::NewSmallGroup1Click);
  PMenu0->addAction("New Medium Group", this, &TMagical::NewMediumGroup1Click);
  PMenu0->addAction("New Large Group", this, &TMagical::NewLargeGroup1Click);
  QMenu* grid = PMenu0->addMenu("Set Grid Size");
  GridItems = new QActionGroup(this);
  for (int g : {4, 6, 8, 10, 12}) {
    QAction* a = grid->addAction(QString::number(g));
    a->setCheckable(true);
    a->setData(g);
    GridItems->addAction(a);
    connect(a, &QAction::triggered, this, [this, g] { setGrid(g); });
  }

  PMenu1 = new QMenu(this);
  PMenu1->setObjectName("PMenu1");
  PMenu1->addAction("Add Channel", this, [this] { AddChannel1Click(menuGroup_); });
  PMenu1->addAction("Edit Group Name", this, [this] { EditGroupName1Click(menuGroup_); });
  PMenu1->addAction("Wider", this, [this] { resizeGroup(menuGroup_, 40, 0); });
  PMenu1->addAction("Narrower", this, [this] { resizeGroup(menuGroup_, -40, 0); });
  PMenu1->addAction("Taller", this, [this] { resizeGroup(menuGroup_, 0, 40); });
  PMenu1->addAction("Shorter", this, [this] { resizeGroup(menuGroup_, 0, -40); });
  PMenu1->addAction("Delete Group", this, [this] { Delete1Click(menuGroup_); });

  PMenu2 = new QMenu(this);
  PMenu2->setObjectName("PMenu2");
  PMenu2->addAction("Edit Channel Number", this, [this] { MenuItem1Click(menuButton_); });
  PMenu2->addAction("Delete Channel", this, [this] { MenuItem2Click(menuButton_); });
}

void TMagical::FormCreate() {
  const IniFile ini(host_.settingsFile());
  MagicTop = ini.readInteger("Magic", "Top", 10);
  MagicLeft = ini.readInteger("Magic", "Left", 10);
  resize(ini.readInteger("Magic", "Width", 900), ini.readInteger("Magic", "Height", 730));
  MagicGrid = ini.readInteger("Magic", "Grid", 10);
  // A grid below one pixel would not snap at all; such a value is taken as the default.
  if (MagicGrid < 1 || MagicGrid > 100) MagicGrid = 10;
  move(MagicLeft, MagicTop);

  QString error;
  const MagicLayout stored = readMagicLayout(host_.groupFile(), host_.channelFile(), &error);
  if (!error.isEmpty()) showMessage("Magic Sheet", error, DialogIcon::Warning);
  for (const MagicGroup& g : stored.groups) {
    QGroupBox* box = MakeGroup(100, 100);
    box->setGeometry(g.x, g.y, g.w, g.h);
    box->setTitle(g.caption);
    for (const MagicButton& b : g.buttons) {
      QPushButton* button = MakeChannel();
      button->move(b.x, b.y);
      button->setText(b.caption);
    }
  }
  for (QAction* a : GridItems->actions()) a->setChecked(a->data().toInt() == MagicGrid);
}

void TMagical::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  placeWindow(*this, QRect(QPoint(MagicLeft, MagicTop), size()), parentWidget());
}

void TMagical::closeEvent(QCloseEvent* event) {
  if (SaveMagic()) {
    // A button held while the window closes gets no release: its lamp goes off here.
    if (!FDragging && qobject_cast<QPushButton*>(pressed_)) lampOff();
    pressed_ = nullptr;
    event->accept();
  } else {
    event->ignore();
  }
}

// ---- Making and finding groups and buttons ---------------------------------------------------------

QGroupBox* TMagical::MakeGroup(int width, int height) {
  auto* box = new QGroupBox("New Group", Panel1);
  box->setGeometry(10, 50, width, height);
  box->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& p) {
    menuGroup_ = box;
    PMenu1->popup(box->mapToGlobal(p));
  });
  box->installEventFilter(this);
  auto* edit = new QLineEdit(box);
  edit->setGeometry(0, DpiScale(25), DpiScale(174), edit->sizeHint().height());
  edit->setAlignment(Qt::AlignCenter);
  edit->setMaxLength(kNameLength);
  edit->hide();
  edit->installEventFilter(this);
  box->show();
  groups_.push_back({box, edit, {}});
  CurrentMagicGroup = box;
  return box;
}

QPushButton* TMagical::MakeChannel() {
  GroupUi* ui = uiOf(CurrentMagicGroup);
  if (!ui) return nullptr;
  if (int(ui->buttons.size()) >= kMagicButtonLimit) return nullptr;
  auto* b = new QPushButton("0", ui->box);
  b->setGeometry(10, 1, DpiScale(kButtonSize), DpiScale(kButtonSize));
  b->setContextMenuPolicy(Qt::CustomContextMenu);
  b->setFocusPolicy(Qt::NoFocus);
  connect(b, &QWidget::customContextMenuRequested, this, [this, b](const QPoint& p) {
    menuButton_ = b;
    PMenu2->popup(b->mapToGlobal(p));
  });
  b->installEventFilter(this);
  auto* edit = new QLineEdit(b);
  edit->setObjectName("number");
  const int w = host_.textWidth ? host_.textWidth("99999") : DpiScale(40);
  edit->setGeometry(0, DpiScale(6), w, edit->sizeHint().height());
  edit->setAlignment(Qt::AlignCenter);
  edit->setMaxLength(kNumberLength);
  edit->hide();
  edit->installEventFilter(this);
  b->show();
  ui->buttons.push_back(b);
  CurrentMagicButton = b;
  return b;
}

TMagical::GroupUi* TMagical::uiOf(QGroupBox* box) {
  for (GroupUi& g : groups_)
    if (g.box == box) return &g;
  return nullptr;
}

TMagical::GroupUi* TMagical::uiOfButton(QPushButton* b, int* index) {
  for (GroupUi& g : groups_)
    for (int i = 0; i < int(g.buttons.size()); ++i)
      if (g.buttons[size_t(i)] == b) {
        if (index) *index = i;
        return &g;
      }
  return nullptr;
}

QLineEdit* TMagical::numberEdit(QPushButton* b) const {
  return b ? b->findChild<QLineEdit*>("number") : nullptr;
}

QGroupBox* TMagical::group(int index) const {
  return index >= 0 && index < int(groups_.size()) ? groups_[size_t(index)].box : nullptr;
}

QPushButton* TMagical::button(int g, int index) const {
  if (g < 0 || g >= int(groups_.size())) return nullptr;
  const auto& buttons = groups_[size_t(g)].buttons;
  return index >= 0 && index < int(buttons.size()) ? buttons[size_t(index)] : nullptr;
}

MagicLayout TMagical::layout() const {
  MagicLayout l;
  for (const GroupUi& g : groups_) {
    MagicGroup mg;
    mg.caption = g.box->title();
    mg.x = g.box->x();
    mg.y = g.box->y();
    mg.w = g.box->width();
    mg.h = g.box->height();
    for (QPushButton* b : g.buttons) mg.buttons.push_back({b->text(), b->x(), b->y()});
    l.groups.push_back(std::move(mg));
  }
  return l;
}

// ---- Menus ----------------------------------------------------------------------------------------

void TMagical::NewSmallGroup1Click() { MakeGroup(175, 175); }
void TMagical::NewMediumGroup1Click() { MakeGroup(350, 300); }
void TMagical::NewLargeGroup1Click() { MakeGroup(Panel1->width() - 14, 400); }

void TMagical::setGrid(int grid) {
  MagicGrid = grid;
  for (QAction* a : GridItems->actions()) a->setChecked(a->data().toInt() == grid);
}

void TMagical::AddChannel1Click(QGroupBox* box) {
  if (!uiOf(box)) return;
  CurrentMagicGroup = box;
  MakeChannel();
}

void TMagical::EditGroupName1Click(QGroupBox* box) {
  GroupUi* ui = uiOf(box);
  if (!ui) return;
  ui->nameEdit->setFixedWidth(std::max(1, box->width() - 1));
  ui->nameEdit->setText(box->title());
  ui->nameEdit->show();
  ui->nameEdit->raise();
  ui->nameEdit->setFocus();
}

void TMagical::resizeGroup(QGroupBox* box, int dw, int dh) {
  if (!uiOf(box)) return;
  box->resize(std::max(1, box->width() + dw), std::max(1, box->height() + dh));
}

void TMagical::Delete1Click(QGroupBox* box) {
  for (auto it = groups_.begin(); it != groups_.end(); ++it) {
    if (it->box != box) continue;
    if (pressed_ && (pressed_ == box || pressed_->parentWidget() == box)) pressed_ = nullptr;
    if (CurrentMagicGroup == box) CurrentMagicGroup = nullptr;
    for (QPushButton* b : it->buttons)
      if (CurrentMagicButton == b) CurrentMagicButton = nullptr;
    groups_.erase(it);
    box->deleteLater();
    box->hide();
    return;
  }
}

void TMagical::MenuItem1Click(QPushButton* b) {
  QLineEdit* edit = numberEdit(b);
  if (!edit) return;
  edit->setText(b->text());
  edit->show();
  edit->setFocus();
  edit->selectAll();
}

void TMagical::MenuItem2Click(QPushButton* b) {
  int index = 0;
  GroupUi* ui = uiOfButton(b, &index);
  if (!ui) return;
  ui->buttons.erase(ui->buttons.begin() + index);
  if (pressed_ == b) pressed_ = nullptr;
  if (CurrentMagicButton == b) CurrentMagicButton = nullptr;
  b->hide();
  b->deleteLater();
}

void TMagical::EditKeyDown(QGroupBox* box) {
  GroupUi* ui = uiOf(box);
  if (!ui) return;
  box->setTitle(ui->nameEdit->text());
  ui->nameEdit->hide();
}

void TMagical::ChnlKeyDown(QPushButton* b) {
  QLineEdit* edit = numberEdit(b);
  if (!edit) return;
  b->setText(edit->text());
  b->setToolTip(host_.channelHint ? host_.channelHint(StrToIntSafe(edit->text().trimmed())) : QString());
  edit->hide();
}

void TMagical::GroupMouseenter(QPushButton* b) {
  if (b->text() == "0" || !host_.channelHint) return;
  b->setToolTip(host_.channelHint(StrToIntSafe(b->text().trimmed())));
}

// ---- Press, hold, drag, release, click -------------------------------------------------------------

bool TMagical::eventFilter(QObject* watched, QEvent* event) {
  if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (auto* box = qobject_cast<QGroupBox*>(edit->parentWidget()))
          EditKeyDown(box);
        else if (auto* b = qobject_cast<QPushButton*>(edit->parentWidget()))
          ChnlKeyDown(b);
        return true;
      }
    }
    return false;
  }
  auto* control = qobject_cast<QWidget*>(watched);
  auto* b = qobject_cast<QPushButton*>(watched);
  if (!control || (!b && !qobject_cast<QGroupBox*>(watched))) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        GroupMouseDown(control, static_cast<QMouseEvent*>(event));
      else
        Rbutton = static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
      break;
    case QEvent::MouseMove:
      GroupMouseMove(control, static_cast<QMouseEvent*>(event));
      break;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && pressed_ == control) {
        // The button's click comes before its release, as the platform's buttons report it.
        if (b && b->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) ChnlPick(b);
        GroupMouseUp(control, static_cast<QMouseEvent*>(event));
      }
      break;
    case QEvent::Enter:
      if (b) GroupMouseenter(b);
      break;
    default:
      break;
  }
  return false;
}

void TMagical::GroupMouseDown(QWidget* control, QMouseEvent* event) {
  pressed_ = control;
  FDragging = false;
  FDownX = int(event->position().x());
  FDownY = int(event->position().y());
  Rbutton = false;
  ShiftDown = event->modifiers() & Qt::ShiftModifier;
  CtrlDown = event->modifiers() & Qt::ControlModifier;
  if (host_.setPressKeys) host_.setPressKeys(CtrlDown, ShiftDown);
  LampHunt = false;
  hunted_ = HuntedFixture();
  // A press on a group names no channel: holding it lights nothing.
  auto* b = qobject_cast<QPushButton*>(control);
  MagicPickedChannel = b ? StrToIntSafe(b->text()) : 0;
  DragTimer->stop();
  DragTimer->start();
}

void TMagical::DragTimerTimer() {
  DragTimer->stop();
  if (ShiftDown) FDragging = true;
  if (MagicPickedChannel == 0 || FDragging) return;
  ConsoleState& S = host_.state();
  int red = 0, intensity = 0;
  const std::vector<LampLevel> levels = lampHuntLevels(S, MagicPickedChannel, &red, &intensity);
  // A fixture's hunt (its levels are full) is logged with its red and intensity addresses.
  const bool fixture = !levels.empty() && levels.front().level == 255;
  if (fixture)
    hunted_ = lightFixture(S, levels, intensity);
  else
    lightLamp(S, levels);
  if (S.LogLevel > 0 && fixture) WriteLog("M " + QString::number(red) + " " + QString::number(intensity));
  if (host_.sendDMX) host_.sendDMX();
  LampHunt = true;
}

void TMagical::GroupMouseMove(QWidget* control, QMouseEvent* event) {
  if (!FDragging || control != pressed_) return;
  control->move(control->x() + int(event->position().x()) - FDownX,
                control->y() + int(event->position().y()) - FDownY);
}

void TMagical::GroupMouseUp(QWidget* control, QMouseEvent*) {
  DragTimer->stop();
  pressed_ = nullptr;
  if (FDragging) {
    FDragging = false;
    const int g = DpiScale(MagicGrid);
    control->move(snapToGrid(control->x(), g), snapToGrid(control->y(), g));
    return;
  }
  if (qobject_cast<QPushButton*>(control)) lampOff();
}

void TMagical::lampOff() {
  ConsoleState& S = host_.state();
  if (hunted_.lit) {
    // The button may name the fixture from another channel: the fixture itself is put back.
    releaseFixture(S, std::exchange(hunted_, HuntedFixture()));
    if (host_.sendDMX) host_.sendDMX();
    return;
  }
  const int c = lampOffChannel(S, MagicPickedChannel, host_.ledintens);
  if (c == 0) return;
  SetLevel(S, c, 0);
  if (host_.sendDMX) host_.sendDMX();
}

void TMagical::ChnlPick(QPushButton* b) {
  if (FDragging || LampHunt) return;
  if (!CtrlDown && host_.clearSelection) host_.clearSelection();
  const int n = StrToIntSafe(b->text());
  const ConsoleState& S = host_.state();
  if (n <= 0 || n > S.MaxChannels) {
    showMessage("Channel out of range",
                "The channel number " + b->text() + " does not fit the number of channels.",
                DialogIcon::Warning, DialogButtons::Cancel);
    return;
  }
  if (host_.showChannel) host_.showChannel(n);
}

// ---- Saving ---------------------------------------------------------------------------------------

bool TMagical::SaveMagic() {
  if (!isVisible()) return true;
  IniFile ini(host_.settingsFile());
  if (height() > 28) {
    const QRect r = clientRect(*this);
    ini.writeInteger("Magic", "Top", r.y());
    ini.writeInteger("Magic", "Left", r.x());
    ini.writeInteger("Magic", "Width", r.width());
    ini.writeInteger("Magic", "Height", r.height());
    MagicTop = r.y();
    MagicLeft = r.x();
  }
  ini.writeInteger("Magic", "Grid", MagicGrid);
  if (!ini.save())
    showMessage("Magic Sheet",
                "The settings file " + host_.settingsFile() + " could not be written.\n" + ini.errorString(),
                DialogIcon::Error);

  const MagicLayout l = layout();
  for (const MagicDuplicate& d : findDuplicateChannels(l)) {
    const DialogResult answer =
        showMessage("Magic Sheet duplicate Channel",
                    "The channel number " + d.channel + " is used twice in group " +
                        l.groups[size_t(d.group)].caption + ". \n\rShould Closing continue?",
                    DialogIcon::Warning, DialogButtons::YesNo);
    if (answer != DialogResult::Yes) return false;
  }
  QApplication::processEvents();
  QString error;
  if (!writeMagicLayout(l, host_.groupFile(), host_.channelFile(), &error))
    showMessage("Magic Sheet", "The magic sheet could not be saved.\n" + error, DialogIcon::Error);
  return true;
}
