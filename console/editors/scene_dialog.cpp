#include "console/editors/scene_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>

#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "console/engine/scene_file.h"
#include "console/engine/tavro_utils.h"
#include "platform/atomic_file.h"
#include "platform/message_dialog.h"

namespace {
const QString kNameHeader = QString(50, ' ') + "Name";
constexpr int kUnchanged = 0xFF00FF, kRising = 0xFFFF00, kFalling = 0x00FFFF;
}  // namespace

TForm7::TForm7(SceneHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), host_(host) {
  setWindowTitle("Scenes");
  setObjectName("Form7");
  auto* grid = new QGridLayout(this);
  scenelist = new QTableWidget(0, 2, this);
  scenelist->setObjectName("scenelist");
  scenelist->setHorizontalHeaderLabels({kNameHeader, QString()});
  scenelist->setColumnHidden(1, true);
  scenelist->horizontalHeader()->setStretchLastSection(false);
  scenelist->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  scenelist->verticalHeader()->hide();
  scenelist->setSelectionBehavior(QAbstractItemView::SelectRows);
  scenelist->setSelectionMode(QAbstractItemView::SingleSelection);
  scenelist->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(scenelist, &QTableWidget::cellClicked, this, [this](int r, int) { scenelistClick(r + 1); });
  grid->addWidget(scenelist, 0, 0, 1, 4);
  textbox = new QLabel("Add:", this);
  textbox->setObjectName("textbox");
  grid->addWidget(textbox, 1, 0);
  sceneadd = new QLineEdit(this);
  sceneadd->setObjectName("sceneadd");
  sceneadd->setMaxLength(kSceneNameLength);
  sceneadd->setToolTip("Scene name to add or blank out to delete");
  connect(sceneadd, &QLineEdit::textChanged, this, [this] { sceneaddChange(); });
  grid->addWidget(sceneadd, 1, 1, 1, 3);
  bumpFkey = new QComboBox(this);
  bumpFkey->setObjectName("bumpFkey");
  bumpFkey->addItems({"", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"});
  bumpFkey->setToolTip("F key to trigger Bump");
  connect(bumpFkey, QOverload<int>::of(&QComboBox::activated), this, [this] { bumpFkeyCloseUp(); });
  grid->addWidget(bumpFkey, 2, 0);
  userep = new QCheckBox("Use Rep", this);
  userep->setObjectName("userep");
  userep->setToolTip("List from Cue File or Stagora");
  connect(userep, &QCheckBox::clicked, this, [this] { userepClick(); });
  grid->addWidget(userep, 2, 1);
  loadsave = new QPushButton("Load", this);
  loadsave->setObjectName("loadsave");
  loadsave->installEventFilter(this);
  connect(loadsave, &QPushButton::clicked, this, [this] { loadsaveClick(); });
  grid->addWidget(loadsave, 3, 0);
  loadadd = new QPushButton("Add", this);
  loadadd->setObjectName("loadadd");
  loadadd->setToolTip("Adds scene values to current");
  connect(loadadd, &QPushButton::clicked, this, [this] { loadaddClick(); });
  grid->addWidget(loadadd, 3, 1);
  exit = new QPushButton("Exit", this);
  exit->setObjectName("exit");
  connect(exit, &QPushButton::clicked, this, [this] { exitClick(); });
  grid->addWidget(exit, 3, 3);
  resize(DpiScale(380), DpiScale(420));
  chooseSceneFile = [this] {
    QFileDialog d(this, "Open a different Scene file", QString(), "Scene files (*.scne)");
    d.setFileMode(QFileDialog::ExistingFile);
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                         : QString();
  };
  FormCreate();
}

TForm7::~TForm7() {
  if (host_.state().LogLevel == -1) WriteLog("begin Scenes Destroy");
}

QString TForm7::sceneFile() const { return host_.state().SceneFile; }

void TForm7::FormCreate() {
  const ConsoleState& S = host_.state();
  if (!S.SceneFile.isEmpty() && !QFileInfo::exists(S.SceneFile) && QFileInfo::exists(S.CueFileName)) {
    QString error;
    if (!writeSceneFile(S.SceneFile, {}, &error)) host_.fileError(error);
  }
}

void TForm7::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SelectedScene = 0;
  FormActivate();
}

void TForm7::FormActivate() {
  const bool saveMode = textbox->text() == "Name:";
  loadadd->setEnabled(!saveMode);
  if (saveMode)
    sceneadd->setFocus();
  else
    scenelist->setFocus();
  SavedButtonCaption = loadsave->text();
  userep->setVisible(!host_.state().FileSource);
}

void TForm7::clearList() {
  scenelist->clearContents();
  scenelist->setRowCount(0);
  SceneCount = 0;
}

void TForm7::Readlist() {
  ConsoleState& S = host_.state();
  BumpKeyChanged = false;
  clearList();
  if (sceneFile().isEmpty() || !QFileInfo::exists(sceneFile())) return;
  scenelist->setHorizontalHeaderLabels({kNameHeader, QString()});
  setWindowTitle("Scenes from " + QFileInfo(sceneFile()).fileName());
  QString error;
  const auto scenes = readSceneFile(sceneFile(), &error);
  if (!scenes) {
    host_.fileError(error);
    return;
  }
  scenelist->setRowCount(int(scenes->size()));
  for (int r = 0; r < int(scenes->size()); ++r) {
    scenelist->setItem(r, 0, new QTableWidgetItem((*scenes)[size_t(r)].name()));
    scenelist->setItem(r, 1, new QTableWidgetItem(QString::number((*scenes)[size_t(r)].bumpKey())));
  }
  fillBumpSceneTable(*scenes, S.BumpSceneTable);
  SceneCount = int(scenes->size());
}

int TForm7::rowKey(int row) const {
  const QTableWidgetItem* item = row >= 1 ? scenelist->item(row - 1, 1) : nullptr;
  return item ? StrToIntSafe(item->text()) : -1;
}

void TForm7::scenelistClick(int row) {
  if (row < 1 || row > scenelist->rowCount()) return;
  loadsave->setText("Overwrite");
  loadsave->setToolTip("Overwrite the current channel settings with this scene");
  SelectedScene = row;
  const int key = rowKey(row);
  bumpFkey->setCurrentIndex(key >= 0 && key < kBumpKeys ? key + 1 : 0);
  if (textbox->text() == "Load:") {
    const QTableWidgetItem* item = scenelist->item(row - 1, 0);
    sceneadd->setText(item ? item->text() : QString());
    loadadd->setEnabled(true);
  }
  BumpKeyChanged = false;
}

void TForm7::sceneaddChange() {
  if (!isVisible()) return;
  if (sceneadd->text().isEmpty() && textbox->text() == "Load:") {
    loadadd->setEnabled(false);
    loadsave->setText("Delete");
    loadsave->setToolTip("Remove the scene from the list");
  }
}

void TForm7::loadsaveClick() {
  SceneAddMode = false;
  btnclick();
}

void TForm7::loadaddClick() {
  if (textbox->text() == "Name:") return;
  SceneAddMode = true;
  btnclick();
}

void TForm7::btnclick() {
  ConsoleState& S = host_.state();
  const QString n = sceneadd->text();
  QString error;
  if (!n.isEmpty() && textbox->text() == "Name:") {
    std::vector<uint8_t> levels(size_t(std::max(S.MaxChannels, 0)));
    for (int c = 1; c <= S.MaxChannels; ++c)
      levels[size_t(c - 1)] = uint8_t(StrToIntSafe(host_.levelEditText(c)) & 0xFF);
    if (!appendScene(sceneFile(), makeScene(n, levels, int16_t(bumpFkey->currentIndex() - 1)), &error)) {
      host_.fileError(error);
      return;
    }
    Readlist();
    accept();
    return;
  }
  if (!n.isEmpty()) {
    const int row = scenelist->currentRow() + 1;
    const auto scene = readScene(sceneFile(), row - 1, &error);
    if (!scene) {
      host_.fileError(error);
      return;
    }
    S.UpdatingEdits = true;
    for (int c = 1; c <= S.MaxChannels; ++c) {
      const int s = scene->level(c);
      const int v = c - 1 < S.CueLevels.size() ? uint8_t(S.CueLevels[c - 1]) : 0;
      if (s == 0 && v == 0) {
        host_.setLevelEditText(c, "0");
        continue;
      }
      host_.setLevelEditColour(c, s == v ? kUnchanged : v < s ? kRising : kFalling);
      if (!SceneAddMode || v == 0) host_.setLevelEditText(c, QString::number(s));
    }
    S.UpdatingEdits = false;
    S.Unrecorded = true;
    accept();
    return;
  }
  if (loadsave->text() != "Delete" || SelectedScene <= 0) return;
  const QTableWidgetItem* item = scenelist->item(SelectedScene - 1, 0);
  MessageSpec m;
  m.title = "Delete Scene";
  m.text = "Delete Scene \"" + (item ? item->text() : QString()) + "\"?";
  m.icon = DialogIcon::Confirmation;
  m.buttons = DialogButtons::YesNo;
  m.place = MessageSpec::Place::OffsetFromParent;
  m.position = QPoint(80, 100);
  m.parent = this;
  if (showMessage(m) != DialogResult::Yes) return;
  for (int16_t& e : S.BumpSceneTable)
    if (e == SelectedScene - 1) e = 0;
  bumpFkey->setCurrentIndex(0);
  if (!deleteScene(sceneFile(), SelectedScene - 1, &error)) host_.fileError(error);
  SelectedScene = 0;
  Readlist();
  loadsave->setText(SavedButtonCaption);
  loadadd->setEnabled(true);
}

void TForm7::bumpFkeyCloseUp() {
  const ConsoleState& S = host_.state();
  const int item = bumpFkey->currentIndex();
  BumpKeyChanged = item != rowKey(SelectedScene) + 1;
  if (item < 1) return;
  const int key = item - 1;
  const int holder = S.BumpSceneTable[size_t(key)];
  if (holder > 0 && holder != SelectedScene - 1) {
    showMessage(
        "F key conflict",
        "Key F" + QString::number(item + 4) + " is already in use for scene " + QString::number(holder) + ".",
        DialogIcon::Error);
    bumpFkey->setCurrentIndex(0);
    BumpKeyChanged = 0 != rowKey(SelectedScene) + 1;
    return;
  }
  // A channel tagged for the key (any bump kind) keeps it.
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    for (int16_t d : S.Patch.PatchTable.addresses(ch)) {
      if (d < 1 || d > kMaxChannelLimit) continue;
      if (S.BumpMembers[size_t(key)][size_t(d)] || S.BumpMembers[size_t(8 + key)][size_t(d)] ||
          S.BumpMembers[size_t(16 + key)][size_t(d)] || S.BumpMembers[size_t(24 + key)][size_t(d)]) {
        showMessage("F key conflict",
                    "Key F" + QString::number(item + 4) + " is already in use for channel " +
                        QString::number(ch) + ".",
                    DialogIcon::Error);
        bumpFkey->setCurrentIndex(0);
        BumpKeyChanged = 0 != rowKey(SelectedScene) + 1;
        return;
      }
    }
  }
}

void TForm7::exitClick() {
  ConsoleState& S = host_.state();
  if (BumpKeyChanged && SelectedScene > 0) {
    QString error;
    auto scene = readScene(sceneFile(), SelectedScene - 1, &error);
    const int item = bumpFkey->currentIndex();
    const int former = rowKey(SelectedScene);
    if (scene) {
      scene->setBumpKey(int16_t(item - 1));
      if (!replaceScene(sceneFile(), SelectedScene - 1, *scene, &error)) scene.reset();
    }
    if (!scene) {
      host_.fileError(error);
    } else {
      if (QTableWidgetItem* cell = scenelist->item(SelectedScene - 1, 1))
        cell->setText(QString::number(item - 1));
      // The former key no longer plays this scene.
      if (former >= 0 && former < kBumpKeys && S.BumpSceneTable[size_t(former)] == SelectedScene - 1)
        S.BumpSceneTable[size_t(former)] = 0;
      if (item >= 1) S.BumpSceneTable[size_t(item - 1)] = int16_t(SelectedScene - 1);
    }
    BumpKeyChanged = false;
  }
  accept();
}

void TForm7::ChangeScene() {
  const QString chosen = chooseSceneFile ? chooseSceneFile() : QString();
  if (chosen.isEmpty()) return;
  QString error;
  if (!copyFileAtomically(chosen, sceneFile(), &error)) {
    host_.fileError(error);
    return;
  }
  Readlist();
}

void TForm7::userepClick() {
  ConsoleState& S = host_.state();
  S.SceneFile = userep->isChecked() ? changeFileExt(host_.programPath(), ".scne")
                                    : changeFileExt(S.CueFileName, ".scne");
  Readlist();
}

bool TForm7::eventFilter(QObject* watched, QEvent* event) {
  if (watched == loadsave && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    ChangeScene();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
