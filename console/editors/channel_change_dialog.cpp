#include "console/editors/channel_change_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "console/editors/bulk_channel_change.h"
#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "console/engine/tavro_utils.h"
#include "platform/message_dialog.h"

namespace {
constexpr int kCueListLength = 255;

QLineEdit* field(QWidget* parent, const char* name, int maxLength, const char* allowed, const QString& hint) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(maxLength);
  // Only the allowed characters reach the field; every other typed character is dropped.
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(QString("[%1]*").arg(allowed)), e));
  e->setToolTip(hint);
  return e;
}
}  // namespace

Taddchannel::Taddchannel(ChannelChangeHost host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), host_(std::move(host)) {
  setObjectName("addchannel");
  setWindowTitle("Change Channels in Cues");
  setModal(true);
  mchannel = field(this, "mchannel", 3, "0-9", QString());
  addlevel = field(this, "addlevel", 3, "0-9", "Level to add or change to");
  nowlevel = field(this, "nowlevel", 3, "0-9", "Level to change from");
  addcues = field(this, "addcues", kCueListLength, "0-9,\\-.", "Comma between #s, #-# for a range");
  CChannel = field(this, "CChannel", 3, "0-9", QString());
  rbAddto = new QRadioButton("Add to", this);
  rbAddto->setToolTip("Add Cue Calls below to Channel above (Level 0 to Remove)");
  rbChange = new QRadioButton("Move to Channel:", this);
  rbChange->setToolTip("Change Channel from above to this");
  rbtweak = new QRadioButton("Change", this);
  auto* universes = new QGroupBox(this);
  upick1 = new QRadioButton("Universe #1", universes);
  upick2 = new QRadioButton("Universe #2", universes);
  auto* ul = new QHBoxLayout(universes);
  ul->addWidget(upick1);
  ul->addWidget(upick2);
  spSkinButton1 = new QPushButton("Change", this);
  spSkinButton1->setObjectName("spSkinButton1");
  btnExit = new QPushButton("Exit", this);
  btnExit->setObjectName("btnExit");

  auto* g = new QGridLayout(this);
  g->addWidget(new QLabel("Channel:", this), 0, 0);
  g->addWidget(mchannel, 0, 1);
  g->addWidget(universes, 0, 2, 1, 2);
  g->addWidget(rbAddto, 1, 0);
  g->addWidget(rbChange, 1, 1);
  g->addWidget(CChannel, 1, 2);
  g->addWidget(rbtweak, 1, 3);
  g->addWidget(new QLabel("New Level:", this), 2, 0);
  g->addWidget(addlevel, 2, 1);
  g->addWidget(new QLabel("From Level:", this), 2, 2);
  g->addWidget(nowlevel, 2, 3);
  g->addWidget(new QLabel("Cue Numbers to make Change to:", this), 3, 0, 1, 2);
  g->addWidget(addcues, 3, 2, 1, 2);
  g->addWidget(spSkinButton1, 4, 2);
  g->addWidget(btnExit, 4, 3);
  connect(spSkinButton1, &QPushButton::clicked, this, &Taddchannel::spSkinButton1Click);
  connect(btnExit, &QPushButton::clicked, this, &Taddchannel::btnExitClick);
}

Taddchannel::~Taddchannel() {
  if (host_.state && host_.state().LogLevel == -1) WriteLog("begin AddChannel Destroy");
}

void Taddchannel::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void Taddchannel::FormActivate() {
  const ConsoleState& S = host_.state();
  mchannel->clear();
  addlevel->clear();
  addcues->clear();
  CChannel->clear();
  // Radio buttons of one group can only be cleared together with exclusivity off.
  upick1->setAutoExclusive(false);
  upick2->setAutoExclusive(false);
  upick1->setChecked(S.InterfaceType < 2 || S.InterfaceType == 7);
  upick2->setChecked(false);
  upick1->setAutoExclusive(true);
  upick2->setAutoExclusive(true);
  upick1->setVisible(S.InterfaceType > 1);
  upick2->setVisible(S.InterfaceType >= 2 && S.InterfaceType <= 6);
  if (S.MaxChannels <= 512) upick1->setChecked(true);
  rbAddto->setChecked(true);
  mchannel->setFocus();
}

void Taddchannel::spSkinButton1Click() {
  if (host_.keyend) host_.keyend();
  if (!upick1->isChecked() && !upick2->isChecked()) {
    showMessage("Unknown Universe", "Please select a Universe this will apply to.", DialogIcon::Error);
    upick1->setVisible(true);
    upick2->setVisible(true);
    return;
  }
  BulkChangeRequest q;
  q.mode = rbChange->isChecked() ? BulkMode::Move : rbtweak->isChecked() ? BulkMode::Change : BulkMode::AddTo;
  q.channel = mchannel->text();
  q.target = CChannel->text();
  q.newLevel = addlevel->text();
  q.oldLevel = nowlevel->text();
  q.cues = addcues->text();
  q.universe2 = upick2->isChecked();
  BulkOutcome out;
  try {
    out = applyBulkChange(host_.cueFile(), host_.state(), q);
  } catch (const CueFileError& e) {
    // Records written before the failure stay written: the tables are read again either way.
    if (host_.readCues) host_.readCues();
    if (host_.exceptionHandler) host_.exceptionHandler(QString::fromStdString(e.what()));
    return;
  }
  switch (out.status) {
    case BulkStatus::NothingToDo:
      return;
    case BulkStatus::IntensityChannel:
      showMessage("Intensity Channel", "This channel goes from 0 to 100 only.", DialogIcon::Error);
      return;
    case BulkStatus::ChannelOutOfRange:
      showMessage(
          "Channel out of range",
          "The channel number " + QString::number(out.badChannel) + " does not fit the number of channels.",
          DialogIcon::Warning);
      return;
    case BulkStatus::Done:
      break;
  }
  if (host_.showRecorded) host_.showRecorded();
  if (host_.readCues) host_.readCues();
  host_.state().Unrecorded = false;
}

void Taddchannel::btnExitClick() {
  accept();
  if (host_.focusCueList) host_.focusCueList();
}
