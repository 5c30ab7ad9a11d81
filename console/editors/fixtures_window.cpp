#include "console/editors/fixtures_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "console/editors/fixture_preview_output.h"
#include "console/editors/fixture_type_editor.h"
#include "console/editors/fixtures_host.h"
#include "console/editors/placed_operator.h"
#include "console/editors/used_fixtures.h"
#include "console/engine/console_state.h"
#include "console/patch/gel_palettes.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

namespace {

bool isDigitKey(const QString& text) { return !text.isEmpty() && text[0] >= u'0' && text[0] <= u'9'; }

// A typed character that is printable (control keys pass through the key filters).
bool isPrintable(const QString& text) { return !text.isEmpty() && text[0].isPrint(); }

std::optional<FieldStep> stepOfKey(int key) {
  switch (key) {
    case Qt::Key_Home:
      return FieldStep::Home;
    case Qt::Key_End:
      return FieldStep::End;
    case Qt::Key_PageUp:
      return FieldStep::PageUp;
    case Qt::Key_PageDown:
      return FieldStep::PageDown;
    case Qt::Key_Up:
      return FieldStep::Up;
    case Qt::Key_Down:
      return FieldStep::Down;
  }
  return std::nullopt;
}

DialogResult askAt(QWidget* window, const QString& title, const QString& text, DialogIcon icon,
                   DialogButtons buttons, int dx, int dy) {
  return showMessage(messageSpecBeside(window, QPoint(dx, dy), title, text, icon, buttons));
}

}  // namespace

Tfixtures::Tfixtures(FixturesHost& host, Clock& clock, QWidget* parent) : QDialog(parent), host_(host) {
  setWindowTitle("Fixtures");
  dottime = new ClockTimer(clock, this);
  setModal(true);
  execDialog = [](QDialog& d) { return d.exec(); };
  buildWindow();
  Addlight_ = std::make_unique<TAddlight>(host, *this, this);
  UsedF_ =
      std::make_unique<TUsedF>([this](int level, const QString& line) { host_.trace(level, line); }, this);
  host_.trace(1, "Fixtures");
  ReadLights();
  FixturesFirstShow = true;
}

Tfixtures::~Tfixtures() { host_.trace(-1, "begin Fixtures Destroy"); }

void Tfixtures::buildWindow() {
  auto* outer = new QHBoxLayout(this);

  // Install side.
  auto* install = new QVBoxLayout;
  auto* form = new QFormLayout;
  pickfixture = new QComboBox(this);
  pickfixture->addItem("Add");
  pickfixture->setCurrentIndex(-1);
  btnedit = new QPushButton("Edit", this);
  btnedit->setEnabled(false);
  auto* pickRow = new QHBoxLayout;
  pickRow->addWidget(pickfixture, 1);
  pickRow->addWidget(btnedit);
  form->addRow("Fixture:", pickRow);
  fixlist = new QComboBox(this);
  fixlist->setEditable(true);
  fixlist->setInsertPolicy(QComboBox::NoInsert);
  fixlist->lineEdit()->setMaxLength(4);
  form->addRow("Starting DMX address:", fixlist);
  Fnote = new QLineEdit(this);
  form->addRow("Note:", Fnote);
  install->addLayout(form);
  fixgroup = new QListWidget(this);
  fixgroup->setMaximumHeight(90);
  install->addWidget(fixgroup);
  auto* buttons = new QHBoxLayout;
  btnSave = new QPushButton("Save", this);
  btnSave->setToolTip("Save to Cue or Palette");
  btnSave->setEnabled(false);
  btndelete = new QPushButton("Remove", this);
  btndelete->setEnabled(false);
  btnchannels = new QPushButton("In Use", this);
  btnchannels->setToolTip("Assigned Channels");
  btnexit = new QPushButton("Exit", this);
  for (QPushButton* b : {btnSave, btndelete, btnchannels, btnexit}) buttons->addWidget(b);
  install->addLayout(buttons);
  Vqsoft = new QCheckBox("Include Group", this);
  Vqsoft->setToolTip("Levels go to all selected");
  shownow = new QCheckBox("Show Now", this);
  auto* checks = new QHBoxLayout;
  checks->addWidget(Vqsoft);
  checks->addWidget(shownow);
  install->addLayout(checks);
  listLabel = new QLabel("Color Scroller Channels:", this);
  install->addWidget(listLabel);
  scrollers = new QPlainTextEdit(this);
  scrollers->setToolTip("Will not get a Warmup value");
  scrollers->setMaximumHeight(64);
  install->addWidget(scrollers);
  MovePosition = new QFrame(this);
  MovePosition->setFrameShape(QFrame::Box);
  MovePosition->setFixedHeight(120);
  Light = new QLabel("◉", MovePosition);
  Light->setToolTip("Moving Light");
  Light->setGeometry(20, 50, 20, 20);
  Spot = new QLabel("○", MovePosition);
  Spot->setToolTip("Lit area");
  Spot->setGeometry(20, 90, 20, 20);
  panangle = new QLabel("0", MovePosition);
  panangle->setGeometry(180, 5, 35, 16);
  MovePosition->hide();
  install->addWidget(MovePosition);
  install->addStretch();

  // Colour side.
  auto* colour = new QGridLayout;
  value = new QLineEdit(this);
  fred = new QLineEdit(this);
  fgreen = new QLineEdit(this);
  fblue = new QLineEdit(this);
  fAmber = new QLineEdit(this);
  fWhite = new QLineEdit(this);
  whiteLabel = new QLabel("White", this);
  const std::pair<QLabel*, QLineEdit*> rows[] = {
      {new QLabel("Intensity", this), value}, {new QLabel("Red", this), fred},
      {new QLabel("Green", this), fgreen},    {new QLabel("Blue", this), fblue},
      {new QLabel("Amber", this), fAmber},    {whiteLabel, fWhite}};
  int r = 0;
  for (const auto& [label, edit] : rows) {
    edit->setMaxLength(3);
    edit->setMaximumWidth(60);
    edit->installEventFilter(this);
    colour->addWidget(label, r, 0);
    colour->addWidget(edit, r, 1);
    ++r;
  }
  gelcolor = new QFrame(this);
  gelcolor->setFixedSize(36, 36);
  gelcolor->setFrameShape(QFrame::Box);
  colour->addWidget(gelcolor, r++, 1);
  filternum = new QLineEdit(this);
  filternum->setMaxLength(5);
  filternum->setToolTip("Roscoe (Rxxx) or Lee (Lxxx) ");
  filternum->installEventFilter(this);
  colour->addWidget(new QLabel("Gel:", this), r, 0);
  colour->addWidget(filternum, r++, 1);
  threecolor = new QRadioButton("3 Color", this);
  fourcolor = new QRadioButton("4 Color", this);
  fivecolor = new QRadioButton("5 Color", this);
  colour->addWidget(threecolor, r++, 0, 1, 2);
  colour->addWidget(fourcolor, r++, 0, 1, 2);
  colour->addWidget(fivecolor, r++, 0, 1, 2);
  btncolor = new QPushButton("Color Picker", this);
  colour->addWidget(btncolor, r++, 0, 1, 2);
  Image1 = new QLabel("✔", this);
  Image1->setFixedSize(16, 16);
  Image1->hide();
  colour->addWidget(Image1, r++, 0);
  colour->setRowStretch(r, 1);

  outer->addLayout(install, 1);
  outer->addLayout(colour);

  dottime->setSingleShot(true);
  dottime->setInterval(750);
  connect(dottime, &ClockTimer::timeout, this, [this] {
    dottime->stop();
    Image1->hide();
  });

  scrollers->installEventFilter(this);
  Light->installEventFilter(this);
  Spot->installEventFilter(this);
  fixlist->lineEdit()->installEventFilter(this);

  connect(pickfixture, &QComboBox::activated, this, &Tfixtures::populatefixture);
  connect(btnedit, &QPushButton::clicked, this, &Tfixtures::btneditClick);
  connect(fixlist, &QComboBox::activated, this, [this](int i) { fixlistCloseUp(fixlist->itemText(i)); });
  connect(fixlist->lineEdit(), &QLineEdit::textEdited, this, [this] { btnSave->setEnabled(true); });
  connect(btnSave, &QPushButton::clicked, this, &Tfixtures::btnSaveClick);
  connect(btndelete, &QPushButton::clicked, this, &Tfixtures::btndeleteClick);
  connect(btnchannels, &QPushButton::clicked, this, &Tfixtures::btnchannelsClick);
  connect(btnexit, &QPushButton::clicked, this, &Tfixtures::btnexitClick);
  connect(btncolor, &QPushButton::clicked, this, &Tfixtures::btncolorClick);
  connect(fixgroup, &QListWidget::itemChanged, this, [this] {
    btnSave->setEnabled(true);
    fixgroup->setToolTip(FixGroupText());
  });
  connect(scrollers, &QPlainTextEdit::textChanged, this, [this] {
    if (loading_) return;
    FormDirty = true;
    btnSave->setEnabled(true);
  });
  for (int n = 1; n <= 5; ++n)
    connect(colourField(n), &QLineEdit::textChanged, this, [this, n] { colourFieldChanged(n); });
  connect(value, &QLineEdit::textChanged, this, &Tfixtures::valueChanged);
  connect(filternum, &QLineEdit::textChanged, this, &Tfixtures::filternumChanged);
  connect(threecolor, &QRadioButton::clicked, this, [this] {
    if (fAmber->isEnabled()) fAmber->setText("0");
    if (fWhite->isEnabled()) fWhite->setText("0");
  });
  // Enter acts on the field it is typed into (an address typed into the list selects that
  // instance); it never clicks a button of the window.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  resize(560, 527);
}

QString Tfixtures::settingsPath() const { return host_.state().MainIniFile; }

// ---------------------------------------------------------------------------------------------
// Install side

void Tfixtures::reloadLibrary() {
  library_.clear();
  readFixtureLibrary(host_.state().FixtureLibraryFile, library_);
}

void Tfixtures::ReadLights() {
  btnSave->setEnabled(false);
  const QString path = host_.state().FixtureLibraryFile;
  if (!QFileInfo::exists(path)) {
    const PatchFileResult made = createFixtureLibraryIfMissing(path);
    if (!made.ok()) host_.reportError(made.error);
    FixtureTypeIds.assign(1, 0);
    library_.clear();
    return;
  }
  reloadLibrary();
  if (library_.empty()) return;
  FixtureTypeIds.clear();
  pickfixture->clear();
  pickfixture->addItem("Add");
  for (const FixtureTypeRecord& r : library_) {
    pickfixture->addItem(QString::number(r.id) + " - " + r.name);
    FixtureTypeIds.push_back(r.id);
  }
  pickfixture->setCurrentIndex(rowOfType(SelectedFixtureType));
}

int Tfixtures::rowOfType(int id) const {
  if (id == -1) return -1;
  for (size_t k = 0; k < FixtureTypeIds.size() && int(k) + 1 < pickfixture->count(); ++k)
    if (FixtureTypeIds[k] == id) return int(k) + 1;
  return -1;
}

QStringList Tfixtures::instanceStarts() const {
  QStringList starts;
  for (int i = 0; i < fixlist->count(); ++i) starts << fixlist->itemText(i);
  return starts;
}

QString Tfixtures::selectedTypeIdText() const {
  const QString text = pickfixture->currentText();
  const qsizetype dash = text.indexOf(" -");
  return dash < 0 ? QString() : text.left(dash);
}

void Tfixtures::populatefixture(int row) {
  btnedit->setEnabled(row > 0);
  if (row == 0) {
    Addlight_->prepareAdd();
    fixlist->clear();
    fixgroup->clear();
    execDialog(*Addlight_);
    return;
  }
  if (row < 0 || row - 1 >= int(FixtureTypeIds.size())) return;
  SelectedFixtureType = FixtureTypeIds[size_t(row - 1)];
  fixlist->setCurrentIndex(-1);
  Addlight_->setTable(FixtureChannelTable::blank());
  reloadLibrary();
  const QString item = pickfixture->itemText(row);
  const QString itemName = item.mid(item.indexOf("- ") + 2);
  const FixtureTypeRecord* type = findFixtureType(library_, SelectedFixtureType);
  if (!type) {
    showMessage("Fixture file problem", "There is no record of fixture \n\r" + item, DialogIcon::Error);
    Addlight_->name->setText(itemName);
    return;
  }
  const QString tablePath = channelTablePath(host_.programFolder(), type->name);
  FixtureChannelTable table;
  if (!QFileInfo::exists(tablePath) || !readChannelTable(tablePath, table)) {
    showMessage("Fixture file problem", "The fixture file is missing.\n\r" + tablePath, DialogIcon::Error);
    Addlight_->name->setText(itemName);
    return;
  }
  Addlight_->setTable(table);

  layout = layoutOfType(*type, table);
  whiteLabel->setText(layout.lime ? "Lime" : "White");
  fAmber->setEnabled(layout.AmberOffset != 0);
  fWhite->setEnabled(layout.WhiteOffset != 0);
  const int count = layout.colourCount();
  threecolor->setChecked(count == 3);
  fourcolor->setChecked(count == 4);
  fivecolor->setChecked(count == 5);

  SelectedTypeId = type->id;
  Addlight_->loadType(*type, layout.WhiteOffset, layout.lime);
  pickfixture->setToolTip(type->description);

  ConsoleState& S = host_.state();
  fixlist->clear();
  fixgroup->clear();
  bool mover = false;
  // The map file is read for the types: the main window's tables may not hold them yet.
  FixtureMap records;
  const FixtureMap& map = readFixtureMapRecords(S.FixtureMapFile, records) ? records : S.Fixtures;
  for (int a : installedInstances(S.Patch, map, S.MaxChannels, SelectedFixtureType)) {
    fixlist->addItem(QString::number(a));
    auto* entry = new QListWidgetItem(QString::number(a), fixgroup);
    entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
    mover = mover || S.MoverChannels[size_t(a)];
  }
  fixlist->setCurrentIndex(-1);
  setScrollerLayout(mover);
}

void Tfixtures::setScrollerLayout(bool mover) {
  listLabel->setText(mover ? "Show Pan value:" : "Color Scroller Channels:");
  scrollers->setVisible(!mover);
  MovePosition->setVisible(mover);
  resize(width(), mover ? 620 : 527);
}

void Tfixtures::refresh() {
  loading_ = true;
  scrollers->setPlainText(IniFile(settingsPath()).readString("Scrollers", "Last", ""));
  pickfixture->setCurrentIndex(rowOfType(SelectedFixtureType));
  fixlist->clear();
  fixlist->clearEditText();
  for (QLineEdit* e : {value, fred, fgreen, fblue, fAmber, fWhite, filternum}) e->clear();
  fixgroup->clear();
  loading_ = false;
  btnSave->setEnabled(false);
  FormDirty = false;
  SaveGelPending = CueColourChanged = GelTyped = false;
  setSwatch(0xFFFFFF);
  if (SelectedFixtureType != -1 && pickfixture->currentIndex() > 0)
    populatefixture(pickfixture->currentIndex());
  setScrollerLayout(false);
}

QString Tfixtures::FixGroupText() const {
  QStringList checked;
  for (int i = 0; i < fixgroup->count(); ++i)
    if (fixgroup->item(i)->checkState() == Qt::Checked) checked << fixgroup->item(i)->text();
  return ::FixGroupText(checked);
}

std::vector<int> Tfixtures::checkedStarts() const {
  std::vector<int> starts;
  for (int i = 0; i < fixgroup->count(); ++i)
    if (fixgroup->item(i)->checkState() == Qt::Checked)
      if (const int a = fixGroupEntryStart(fixgroup->item(i)->text()); a > 0) starts.push_back(a);
  return starts;
}

void Tfixtures::setInstanceChecked(const QString& caption, bool checked) {
  for (int i = 0; i < fixgroup->count(); ++i)
    if (fixgroup->item(i)->text() == caption) {
      fixgroup->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
      return;
    }
  auto* entry = new QListWidgetItem(caption, fixgroup);
  entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
  entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

FixtureTypeRecord Tfixtures::installType() const {
  FixtureTypeRecord type;
  if (const FixtureTypeRecord* r = findFixtureType(library_, SelectedTypeId)) type = *r;
  type.id = SelectedTypeId;
  type.channelCount = int16_t(std::clamp(Addlight_->channelCount(), 0, 32767));
  type.minIntensity = int16_t(std::clamp(Addlight_->minimumIntensity(), 0, 255));
  return type;
}

FixtureInstallContext Tfixtures::installContext(PatchContext& ctx) {
  ConsoleState& S = host_.state();
  return FixtureInstallContext{ctx, S.Patch, host_.patchGrid(), S.Fixtures, host_.bumpSceneTable()};
}

bool Tfixtures::Newfixture(int s) {
  PatchContext ctx = host_.patchContext();
  ctx.operatorToAsk = std::make_shared<PlacedOperator>(ctx.operatorToAsk, this);
  FixtureInstallContext ic = installContext(ctx);
  const PatchFileResult r = ::Newfixture(ic, s, installType(), Addlight_->table(), Fnote->text(), library_);
  if (!r.ok() && r.status != PatchFileResult::Status::Refused) host_.reportError(r.error);
  return r.ok();
}

bool Tfixtures::DelAddress(int s) {
  PatchContext ctx = host_.patchContext();
  ctx.operatorToAsk = std::make_shared<PlacedOperator>(ctx.operatorToAsk, this);
  FixtureInstallContext ic = installContext(ctx);
  const PatchFileResult r = ::DelAddress(ic, s);
  if (!r.ok() && r.status != PatchFileResult::Status::Refused) host_.reportError(r.error);
  if (!r.ok()) return false;
  const QString caption = QString::number(s);
  for (int i = fixgroup->count() - 1; i >= 0; --i)
    if (fixGroupEntryStart(fixgroup->item(i)->text()) == s) delete fixgroup->takeItem(i);
  if (const int i = fixlist->findText(caption); i >= 0) fixlist->removeItem(i);
  fixlist->setCurrentIndex(-1);
  fixlist->clearEditText();
  loading_ = true;
  for (QLineEdit* e : {value, fred, fgreen, fblue, fAmber, fWhite}) e->clear();
  loading_ = false;
  btndelete->setEnabled(false);
  btnSave->setEnabled(false);
  host_.refreshChannelHints();
  return true;
}

void Tfixtures::btnSaveClick() {
  const QString text = fixlist->currentText().trimmed();
  const int row = pickfixture->currentIndex();
  if (!text.isEmpty()) {
    if (row > 0 && fixlist->findText(text) < 0) {
      int s = 0;
      if (patch::parseWholeNumber(text, s) && Newfixture(s)) fixlist->addItem(text);
      host_.refreshChannelHints();
    }
    if (row > 0) populatefixture(row);
    return;
  }
  if (FormDirty) {
    ConsoleState& S = host_.state();
    const PatchContext ctx = host_.patchContext();
    const ScrollerSaveResult saved = saveScrollerList(S.FixtureMapFile, S.Fixtures, S.MaxChannels,
                                                      scrollers->toPlainText(), patch::operatorOf(ctx));
    if (!saved.result.ok()) {
      if (saved.disableSave) btnSave->setEnabled(false);
      if (saved.result.status != PatchFileResult::Status::Refused) host_.reportError(saved.result.error);
      return;
    }
    IniFile ini(settingsPath());
    ini.writeString("Scrollers", "Last", scrollers->toPlainText().trimmed());
    if (!settingsPath().isEmpty() && !ini.save())
      host_.reportError(settingsPath() + ": the settings could not be saved");
    FormDirty = false;
  }
  if (!FixGroupText().isEmpty()) FixgroupPicks();
  host_.refreshChannelHints();
  shownow->setChecked(false);
  if (row > 0) populatefixture(row);
  Image1->show();
  dottime->start();
}

void Tfixtures::btndeleteClick() {
  int s = 0;
  if (!patch::parseWholeNumber(fixlist->currentText().trimmed(), s)) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  DelAddress(s);
  QApplication::restoreOverrideCursor();
}

void Tfixtures::btneditClick() {
  Addlight_->prepareEdit();
  execDialog(*Addlight_);
}

void Tfixtures::btnchannelsClick() {
  ConsoleState& S = host_.state();
  FixtureMap records;
  if (!readFixtureMapRecords(S.FixtureMapFile, records)) {
    host_.reportError(patch::fileNotFound(S.FixtureMapFile));
    return;
  }
  FixtureLibrary library;
  readFixtureLibrary(S.FixtureLibraryFile, library);
  UsedF_->setLines(fixturesInUse(records, library, S.MaxChannels));
  UsedF_->move(x() - 8, y() + 100);
  UsedF_->show();
}

void Tfixtures::fixlistCloseUp(const QString& text) {
  btndelete->setEnabled(true);
  btnSave->setEnabled(true);
  int s = 0;
  if (!patch::parseWholeNumber(text.trimmed(), s) || s < 1) return;
  loading_ = true;
  auto load = [&](QLineEdit* field, int offset) {
    const int index = s + offset - 2;
    if (offset > 0 && index >= 0 && index < host_.levelEditCount())
      field->setText(host_.levelEditText(index));
  };
  if (layout.IntensityOffset > 0)
    load(value, layout.IntensityOffset);
  else
    value->clear();
  load(fred, layout.RedOffset);
  load(fgreen, layout.GreenOffset);
  load(fblue, layout.BlueOffset);
  if (!threecolor->isChecked()) {
    if (fAmber->isEnabled()) load(fAmber, layout.AmberOffset);
    if (fWhite->isEnabled()) load(fWhite, layout.WhiteOffset);
  }
  loading_ = false;
  setSwatch(colourByte(fieldNumber(fred->text())) | colourByte(fieldNumber(fgreen->text())) << 8 |
            colourByte(fieldNumber(fblue->text())) << 16);
}

// ---------------------------------------------------------------------------------------------
// Colour side

FixtureMix Tfixtures::mix() const {
  return FixtureMix{value->text(), fred->text(),   fgreen->text(),
                    fblue->text(), fAmber->text(), fWhite->text()};
}

QLineEdit* Tfixtures::colourField(int number) const {
  switch (number) {
    case 1:
      return fred;
    case 2:
      return fgreen;
    case 3:
      return fblue;
    case 4:
      return fAmber;
    case 5:
      return fWhite;
    case 6:
      return value;
  }
  return nullptr;
}

void Tfixtures::setSwatch(int bgr) {
  SwatchColour = bgr & 0xFFFFFF;
  const int r = SwatchColour & 0xFF, g = (SwatchColour >> 8) & 0xFF, b = (SwatchColour >> 16) & 0xFF;
  gelcolor->setStyleSheet(QString("background-color: rgb(%1, %2, %3);").arg(r).arg(g).arg(b));
}

void Tfixtures::setEdit(int index, const QString& text) {
  const int channels = std::min(host_.state().MaxChannels, host_.levelEditCount());
  if (index < 0 || index >= channels) return;
  host_.setLevelEditText(index, text);
  touchedEdits_.insert(index);
}

void Tfixtures::setcolors(int start) {
  ConsoleState& S = host_.state();
  const int size = std::clamp(S.MaxChannels, 0, patch::kMaxChannels);
  const std::vector<DmxByteWrite> writes = ::setcolors(layout, mix(), start, size);
  for (const DmxByteWrite& w : writes) previewOriginal_.emplace(w.index, previewByteAt(S, w.index));
  writePreviewBytes(S, writes);
}

void Tfixtures::preview() {
  const std::vector<int> starts = checkedStarts();
  if (starts.empty()) return;
  ConsoleState& S = host_.state();
  for (int a : starts) {
    if (!Vqsoft->isChecked()) {
      setcolors(a);
      continue;
    }
    if (a > patch::kMaxChannels) continue;
    for (int16_t d : S.Patch.PatchTable.addresses(a)) {
      // Only addresses where a fixture starts carry a mix (not free or mover/scroller addresses).
      if (d < 1 || d > S.MaxChannels || S.Fixtures.FixtureStart[size_t(d)] != d) continue;
      setcolors(d);
      const int intensity = host_.ledintens(d);
      if (intensity < 0 || intensity >= host_.levelEditCount()) continue;
      setEdit(intensity, value->text());
      const int owner =
          intensity < int(S.Patch.IntensityOwner.size()) ? S.Patch.IntensityOwner[size_t(intensity)] : 0;
      if (owner > 0 && owner <= host_.levelEditCount()) {
        S.UpdatingEdits = true;
        host_.setLevelEditTextQuietly(owner - 1, value->text());
        S.UpdatingEdits = false;
      }
    }
  }
  host_.sendDMX();
}

void Tfixtures::colourFieldChanged(int number) {
  if (loading_) return;
  QLineEdit* field = colourField(number);
  if (fieldNumber(field->text()) > kColourFieldMax) {
    field->setText(QString::number(kColourFieldMax));  // runs this handler again
    return;
  }
  if (number <= 3)
    setSwatch(colourByte(fieldNumber(fred->text())) | colourByte(fieldNumber(fgreen->text())) << 8 |
              colourByte(fieldNumber(fblue->text())) << 16);
  if (shownow->isChecked()) preview();
  btnSave->setEnabled(true);
  const QString gel = pickerGelCode ? pickerGelCode() : QString();
  SaveGelPending = !gel.isEmpty() && !gel.contains(u'R');
  if (!host_.state().UpdatingEdits) CueColourChanged = true;
}

void Tfixtures::valueChanged() {
  if (loading_) return;
  if (fieldNumber(value->text()) > kIntensityFieldMax) {
    value->setText(QString::number(kIntensityFieldMax));
    return;
  }
  bool anyColour = false;
  for (int n = 1; n <= 5; ++n) anyColour = anyColour || !colourField(n)->text().isEmpty();
  if (shownow->isChecked() && anyColour) preview();
  if (pickerIntensity) pickerIntensity(fieldNumber(value->text()));
}

void Tfixtures::stepActiveField(FieldStep step) {
  QLineEdit* field = colourField(ActiveColourField);
  if (!field) return;
  const int upper = ActiveColourField == 6 ? kIntensityFieldMax : kColourFieldMax;
  field->setText(QString::number(stepFieldValue(fieldNumber(field->text()), step, upper)));
  const QString gel = pickerGelCode ? pickerGelCode() : QString();
  SaveGelPending = ActiveColourField >= 1 && ActiveColourField <= 5 && !gel.contains(u'R');
}

void Tfixtures::filternumChanged() {
  if (!GelTyped || loading_) return;
  ConsoleState& S = host_.state();
  const QString table = gelTablePath(host_.programPath(), whiteLabel->text() == "Lime");
  const QString user = userGelFilePath(host_.programFolder(), S.UserName);
  const GelLookup gel = lookupGel(filternum->text(), table, user, selectedTypeIdText());
  if (!gel.looked) return;
  const GelFields f =
      gelFields(gel.colour, threecolor->isChecked(), fAmber->isEnabled(), fWhite->isEnabled());
  fred->setText(f.red);
  fgreen->setText(f.green);
  fblue->setText(f.blue);
  if (f.setAmber) fAmber->setText(f.amber);
  if (f.setWhite) fWhite->setText(f.white);
  value->setText(f.value);
}

void Tfixtures::captureUndoLevels() {
  ColourUndoLevels.assign(size_t(host_.levelEditCount()), 0);
  for (int i = 0; i < host_.levelEditCount(); ++i)
    ColourUndoLevels[size_t(i)] = fieldNumber(host_.levelEditText(i));
}

void Tfixtures::showcolors(int start) {
  loading_ = true;
  auto load = [&](QLineEdit* field, int offset) {
    const int index = start + offset - 2;
    if (offset > 0 && index >= 0 && index < host_.levelEditCount())
      field->setText(host_.levelEditText(index));
  };
  load(value, layout.IntensityOffset);
  load(fred, layout.RedOffset);
  load(fgreen, layout.GreenOffset);
  load(fblue, layout.BlueOffset);
  load(fAmber, layout.AmberOffset);
  load(fWhite, layout.WhiteOffset);
  loading_ = false;
  setSwatch(colourByte(fieldNumber(fred->text())) | colourByte(fieldNumber(fgreen->text())) << 8 |
            colourByte(fieldNumber(fblue->text())) << 16);
  captureUndoLevels();
}

void Tfixtures::FixgroupPicks() { FixgroupPicks(checkedStarts()); }

void Tfixtures::FixgroupPicks(const std::vector<int>& starts) {
  if (starts.empty()) return;
  auto text = [](QLineEdit* e) { return e->text().isEmpty() ? QString("0") : e->text(); };
  for (int a : starts) {
    auto put = [&](int offset, const QString& t) {
      if (offset > 0) setEdit(a + offset - 2, t);
    };
    put(layout.IntensityOffset, text(value));
    put(layout.RedOffset, text(fred));
    put(layout.GreenOffset, text(fgreen));
    put(layout.BlueOffset, text(fblue));
    if (fourcolor->isChecked()) {
      if (fAmber->isEnabled()) put(layout.AmberOffset, text(fAmber));
      if (fWhite->isEnabled()) put(layout.WhiteOffset, text(fWhite));
    } else if (fivecolor->isChecked()) {
      put(layout.AmberOffset, text(fAmber));
      put(layout.WhiteOffset, text(fWhite));
    }
    if (!MovePosition->isHidden()) put(layout.PanOffset, panangle->text());
  }
  CueColourChanged = false;
  // The levels are in the channel edits now: the level path owns those bytes.
  previewOriginal_.clear();
}

void Tfixtures::btncolorClick() {
  if (!threecolor->isChecked() && !fourcolor->isChecked() && !fivecolor->isChecked()) {
    askAt(this, "No Color count", "Please select how many colors to use first.", DialogIcon::Error,
          DialogButtons::Cancel, 30, 250);
    return;
  }
  if (showColourPicker) showColourPicker(fivecolor->isChecked());
}

bool Tfixtures::restorePreviewedBytes() {
  if (previewOriginal_.empty()) return false;
  std::vector<DmxByteWrite> writes;
  for (const auto& [index, byte] : previewOriginal_) writes.push_back({index, byte});
  writePreviewBytes(host_.state(), writes);
  previewOriginal_.clear();
  return true;
}

void Tfixtures::SaveGel() {
  SaveGelPending = false;
  if (askAt(this, "Possible color change",
            "You changed values to make a new color.\n\rWould you like to save them in any way?",
            DialogIcon::Confirmation, DialogButtons::YesNo, 30, 200) == DialogResult::Yes &&
      showPickerOptions)
    showPickerOptions();
}

void Tfixtures::btnexitClick() {
  FixtureFromChannel = false;
  if (SaveGelPending) SaveGel();
  bool yes = false;
  bool restoreEdits = false;
  if (CueColourChanged) {
    yes = askAt(this, "Unsaved cue color changes", "Do you want to save that cue color change?",
                DialogIcon::Confirmation, DialogButtons::YesNo, 40, 200) == DialogResult::Yes;
    if (yes) {
      btnSaveClick();
    } else {
      host_.state().Unrecorded = false;
      restoreEdits = true;
    }
    CueColourChanged = false;
  }
  shownow->setChecked(false);
  if (closeColourPicker) closeColourPicker();
  // Previewed bytes that no transfer took over go back to what they were.
  const bool restored = restorePreviewedBytes();
  if (restoreEdits) {
    for (int index : touchedEdits_)
      if (index < int(ColourUndoLevels.size()) && index < host_.levelEditCount())
        host_.setLevelEditText(index, QString::number(ColourUndoLevels[size_t(index)]));
  }
  touchedEdits_.clear();
  if (yes || restored) host_.sendDMX();
  FixturesFirstShow = true;
  accept();
  host_.focusCueList();
  SaveGelPending = false;
}

void Tfixtures::PanCalc() {
  // The type's own pan range: a mover of 540 degrees gives its angle in those degrees; what the pan
  // channel makes of the number is the ordinary level path's business.
  const int pan = ::PanCalc(Light->x(), Light->y(), Spot->x(), Spot->y(), layout.PanRange);
  panangle->setText(QString::number(pan));
  const std::vector<int> starts = checkedStarts();
  if (!starts.empty() && shownow->isChecked() && layout.PanOffset > 0)
    setEdit(starts.front() + layout.PanOffset - 2, panangle->text());
}

// ---------------------------------------------------------------------------------------------
// Window events

void Tfixtures::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  loading_ = true;
  filternum->clear();
  loading_ = false;
  if (pickfixture->currentIndex() <= 0) {
    fixlist->clear();
    fixgroup->clear();
  }
  Vqsoft->setChecked(IniFile(settingsPath()).readBool("Settings", "HonorPatch", false));
  SaveGelPending = false;
  if (FixtureFromChannel) {
    shownow->setChecked(true);
    host_.armColourPicker();
  }
  if (FixturesFirstShow) {
    refresh();
    FixturesFirstShow = false;
  }
  previewOriginal_.clear();
  touchedEdits_.clear();
  captureUndoLevels();
}

void Tfixtures::done(int result) {
  // Every way out (Exit, Escape, the title bar) keeps the check box and leaves no previewed bytes.
  IniFile ini(settingsPath());
  ini.writeBool("Settings", "HonorPatch", Vqsoft->isChecked());
  if (!settingsPath().isEmpty()) ini.save();
  if (restorePreviewedBytes()) host_.sendDMX();
  QDialog::done(result);
}

bool Tfixtures::eventFilter(QObject* watched, QEvent* event) {
  int field = 0;
  for (int n = 1; n <= 6; ++n)
    if (watched == colourField(n)) field = n;

  if (field) {
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::Enter:
        ActiveColourField = field;
        break;
      case QEvent::Leave:
        ActiveColourField = 0;
        break;
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (stepOfKey(key->key())) return true;  // acted on at release
        if (key->key() == Qt::Key_Backspace) break;
        if (isPrintable(key->text()) && !isDigitKey(key->text())) return true;
        break;
      }
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (const auto step = stepOfKey(key->key()); step && ActiveColourField) {
          stepActiveField(*step);
          return true;
        }
        break;
      }
      case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!ActiveColourField) break;
        const int dy = wheel->angleDelta().y();
        if (dy != 0) stepActiveField(dy > 0 ? FieldStep::WheelUp : FieldStep::WheelDown);
        wheel->accept();
        return true;
      }
      default:
        break;
    }
    return QDialog::eventFilter(watched, event);
  }

  if (watched == filternum && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    GelTyped = true;
    if (key->key() == Qt::Key_Backspace || !isPrintable(key->text())) return false;
    loading_ = true;
    filternum->setText(filternum->text().toUpper());
    loading_ = false;
    return !acceptGelKey(key->text()[0], host_.state().UserLetter);
  }
  if (watched == scrollers && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString t = key->text();
    if (isPrintable(t) && !isDigitKey(t) && t != " ") return true;
  }
  if (watched == fixlist->lineEdit() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (isPrintable(key->text()) && !isDigitKey(key->text())) return true;
  }
  if (watched == Light || watched == Spot) {
    auto* image = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      dragging_ = true;
      return true;
    }
    if (event->type() == QEvent::MouseMove && dragging_ &&
        (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
      const QPoint p = image->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint());
      image->move(p.x() - image->width() / 2, p.y() - image->height() / 2);
      return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && dragging_) {
      dragging_ = false;
      PanCalc();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
