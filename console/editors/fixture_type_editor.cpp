#include "console/editors/fixture_type_editor.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "console/editors/fixtures_host.h"
#include "console/editors/fixtures_window.h"
#include "console/engine/console_state.h"
#include "console/engine/tavro_utils.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"

namespace {

// Column 1 of the channel table edits with a drop-down of the two level ranges.
class RangeDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* box = new QComboBox(parent);
    box->addItems({"0-100", "0-255"});
    return box;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* box = static_cast<QComboBox*>(editor);
    const int i = box->findText(index.data().toString());
    box->setCurrentIndex(i < 0 ? 0 : i);
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText());
  }
};

QLineEdit* numberEdit(QWidget* parent, int digits) {
  auto* e = new QLineEdit(parent);
  e->setMaxLength(digits);
  return e;
}

int numberOf(const QLineEdit* e, bool* ok = nullptr) {
  int v = 0;
  const bool parsed = patch::parseWholeNumber(e->text().trimmed(), v);
  if (ok) *ok = parsed;
  return parsed ? v : 0;
}

}  // namespace

TAddlight::TAddlight(FixturesHost& host, Tfixtures& fixtures, QWidget* parent)
    : QDialog(parent), host_(host), fixtures_(fixtures) {
  setWindowTitle("Add a Fixture");
  setModal(true);
  auto* form = new QFormLayout;
  // A clear gap between each caption and its field.
  form->setHorizontalSpacing(DpiScale(12));
  name = new QLineEdit(this);
  name->setMaxLength(48);
  desc = new QComboBox(this);
  desc->setEditable(true);
  desc->setInsertPolicy(QComboBox::NoInsert);
  lnum = new QLabel(this);
  fchan = numberEdit(this, 2);
  fmin = numberEdit(this, 3);
  intensityDMX = numberEdit(this, 2);
  reddmx = numberEdit(this, 2);
  greendmx = numberEdit(this, 2);
  bluedmx = numberEdit(this, 2);
  amberdmx = numberEdit(this, 2);
  whitedmx = numberEdit(this, 2);
  LimeDMX = numberEdit(this, 2);
  DMX360 = numberEdit(this, 3);
  form->addRow("Fixture Name:", name);
  form->addRow("Fixture Description:", desc);
  form->addRow("", lnum);
  form->addRow("Total # of Channels:", fchan);
  form->addRow("Minimum Intensity: (0-255)", fmin);
  form->addRow("Intensity Channel:", intensityDMX);
  form->addRow("Red Channel:", reddmx);
  form->addRow("Green Channel:", greendmx);
  form->addRow("Blue Channel:", bluedmx);
  form->addRow("Amber Channel:", amberdmx);
  form->addRow("White Channel:", whitedmx);
  form->addRow("Lime Channel:", LimeDMX);
  form->addRow("DMX for 360:", DMX360);
  for (QLineEdit* e :
       {fchan, fmin, intensityDMX, reddmx, greendmx, bluedmx, amberdmx, whitedmx, LimeDMX, DMX360})
    e->installEventFilter(this);

  AttrB = new QTableWidget(kFixtureTableChannels, 3, this);
  AttrB->setHorizontalHeaderLabels({"Chnl.", "0-??", "Description"});
  AttrB->verticalHeader()->hide();
  AttrB->setItemDelegateForColumn(1, new RangeDelegate(AttrB));
  AttrB->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  setTable(FixtureChannelTable::blank());

  btnSave = new QPushButton("Save", this);
  exit = new QPushButton("Exit", this);
  btnDelete = new QPushButton("Delete", this);
  btnLoad = new QPushButton("Load from file", this);
  btnLoad->setToolTip("Use local file");
  btnlib = new QPushButton("Load from library", this);
  btnlib->setToolTip("Use Fixture library");
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnSave, btnDelete, btnLoad, btnlib, exit}) buttons->addWidget(b);

  auto* columns = new QHBoxLayout;
  columns->addLayout(form);
  columns->addWidget(AttrB, 1);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(columns);
  outer->addLayout(buttons);
  resize(760, 520);

  connect(btnSave, &QPushButton::clicked, this, &TAddlight::btnSaveClick);
  connect(btnDelete, &QPushButton::clicked, this, &TAddlight::btnDeleteClick);
  connect(btnLoad, &QPushButton::clicked, this, &TAddlight::btnLoadClick);
  connect(btnlib, &QPushButton::clicked, this, &TAddlight::btnlibClick);
  connect(exit, &QPushButton::clicked, this, &TAddlight::exitClick);
  connect(desc, &QComboBox::activated, this, [this](int i) { descCloseUp(desc->itemText(i)); });
}

TAddlight::~TAddlight() { host_.trace(-1, "begin AddFixture Destroy"); }

bool TAddlight::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Number edits take digits only; Backspace is refused too.
    if (key->key() == Qt::Key_Backspace) return true;
    const QString text = key->text();
    if (!text.isEmpty() && text[0].isPrint() && !(text[0] >= u'0' && text[0] <= u'9')) return true;
  }
  return QDialog::eventFilter(watched, event);
}

QString TAddlight::libraryPath() const { return host_.state().FixtureLibraryFile; }

bool TAddlight::error(const QString& title, const QString& text) {
  showMessage(title, text, DialogIcon::Error, DialogButtons::Ok);
  return true;
}

FixtureChannelTable TAddlight::table() const {
  FixtureChannelTable t = FixtureChannelTable::blank();
  for (int r = 1; r <= kFixtureTableChannels; ++r)
    for (int c = 1; c < 3; ++c)
      if (const QTableWidgetItem* item = AttrB->item(r - 1, c)) t.cells[r][c] = item->text();
  return t;
}

void TAddlight::setTable(const FixtureChannelTable& t) {
  for (int r = 1; r <= kFixtureTableChannels; ++r)
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(c == 0 ? QString::number(r) : t.cells[r][c]);
      if (c == 0) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
      AttrB->setItem(r - 1, c, item);
    }
}

int TAddlight::channelCount() const { return numberOf(fchan); }
int TAddlight::minimumIntensity() const { return numberOf(fmin); }

void TAddlight::prepareAdd() {
  setWindowTitle("Add a Fixture");
  name->clear();
  desc->clear();
  desc->setEditText(QString());
  lnum->clear();
  fchan->clear();
  for (QLineEdit* e : {intensityDMX, reddmx, greendmx, bluedmx, amberdmx, whitedmx, LimeDMX, DMX360})
    e->clear();
  fmin->setText("0");
  FixtureChannelTable t;
  if (!readChannelTable(channelTablePath(host_.programFolder(), "add"), t)) t = FixtureChannelTable::blank();
  setTable(t);
  btnLoad->setEnabled(true);
  btnlib->setEnabled(true);
  btnSave->setEnabled(true);
  name->setFocus();
}

void TAddlight::prepareEdit() {
  setWindowTitle("Edit a Fixture");
  btnLoad->setEnabled(false);
  btnlib->setEnabled(false);
  btnSave->setEnabled(true);
}

void TAddlight::loadType(const FixtureTypeRecord& type, int whiteOffset, bool lime) {
  name->setText(type.name);
  desc->setEditText(type.description);
  lnum->setText(QString::number(type.id));
  fchan->setText(QString::number(type.channelCount));
  fmin->setText(QString::number(type.minIntensity));
  intensityDMX->setText(QString::number(type.intensity));
  reddmx->setText(QString::number(type.red));
  greendmx->setText(QString::number(type.green));
  bluedmx->setText(QString::number(type.blue));
  amberdmx->setText(QString::number(type.amber));
  whitedmx->setText(lime ? "0" : QString::number(whiteOffset));
  LimeDMX->setText(lime ? QString::number(whiteOffset) : "0");
  DMX360->setText(QString::number(type.panRange));
}

bool TAddlight::Saveform() {
  const QString libPath = libraryPath();
  if (!QFileInfo::exists(libPath)) return false;
  FixtureLibrary library;
  if (!readFixtureLibrary(libPath, library)) {
    host_.reportError(patch::fileNotFound(libPath));
    return false;
  }
  bool refused = false;
  const QString typeName = name->text();
  const QString tablePath = channelTablePath(host_.programFolder(), typeName);
  if (typeName.isEmpty()) {
    refused = true;
  } else if (!validFixtureTypeName(typeName)) {
    refused = error("Fixture name problem",
                    "A fixture name has 1 to 24 characters and none of \\ / : * ? \" < > | or \"..\".");
  } else if (windowTitle() == "Add a Fixture" && QFileInfo::exists(tablePath)) {
    refused = error("Duplicate file name",
                    "A fixture by that name already exists. You may load it instead of creating.");
  } else if (windowTitle() == "Edit a Fixture") {
    // A type renamed to the name of another type would take over that type's channel table.
    for (const FixtureTypeRecord& r : library)
      if (r.id != lnum->text().toInt() &&
          r.name.compare(typeName.left(kFixtureNameLength), Qt::CaseInsensitive) == 0) {
        refused = error("Duplicate file name",
                        "A fixture by that name already exists. You may load it instead of creating.");
        break;
      }
  }

  FixtureChannelTable t = table();
  FixtureTypeRecord record;
  record.name = typeName.left(kFixtureNameLength);
  record.description = desc->currentText().left(kFixtureDescriptionLength);
  record.panRange = int16_t(std::clamp(numberOf(DMX360), 0, 32767));
  struct ColourCheck {
    QLineEdit* edit;
    const char* function;
    int16_t FixtureTypeRecord::*field;
  } checks[] = {{reddmx, "Red", &FixtureTypeRecord::red},
                {greendmx, "Green", &FixtureTypeRecord::green},
                {bluedmx, "Blue", &FixtureTypeRecord::blue},
                {amberdmx, "Amber", &FixtureTypeRecord::amber},
                {whitedmx, "White", &FixtureTypeRecord::white},
                {LimeDMX, "Lime", &FixtureTypeRecord::lime},
                {intensityDMX, "Intensity", &FixtureTypeRecord::intensity}};
  for (const ColourCheck& c : checks) {
    const int row = FindColor(t, c.function);
    record.*c.field = int16_t(row);
    if (c.edit->text().isEmpty()) c.edit->setText(QString::number(row));
    if (numberOf(c.edit) != row)
      refused = error("DMX channel mismatch",
                      QString("The entry for %1 DMX did not match the table.").arg(c.function));
  }
  bool countOk = false;
  const int count = numberOf(fchan, &countOk);
  // Only the table stops at 24 rows: a type can have as many channels as the edit holds.
  if (!countOk || count < 1 || count > kMaxFixtureChannels)
    refused = error("Channel count error", "The entry for Total Channels is invalid.");
  record.channelCount = int16_t(count);
  const int minimum = minimumIntensity();
  if (minimum < 0 || minimum > 255)
    refused = error("Minimum intensity error", "The entry for Minimum Intensity is invalid.");

  if (!refused) {
    t.clearAfter(count);
    setTable(t);
    record.minIntensity = int16_t(minimum);
    const bool adding = windowTitle().section(u' ', 0, 0) == "Add";
    ConsoleState& S = host_.state();
    if (!adding) {
      record.id = lnum->text().toInt();
      bool replaced = false;
      for (FixtureTypeRecord& r : library)
        if (r.id == record.id) {
          record.raw = r.raw;
          r = record;
          replaced = true;
          break;
        }
      if (!replaced) library.push_back(record);
    } else {
      IniFile ini(S.MainIniFile);
      record.id = nextFixtureTypeId(library, ini.readInteger("Settings", "NextLight", 0));
      ini.writeInteger("Settings", "NextLight", record.id);
      if (!S.MainIniFile.isEmpty()) ini.save();
      library.push_back(record);
    }
    fixtures_.SelectedTypeId = record.id;
    lnum->setText(QString::number(record.id));
    PatchFileResult written = writeFixtureLibrary(libPath, library);
    if (written.ok()) {
      pumpEvents();
      written = writeChannelTable(channelTablePath(host_.programFolder(), typeName), t);
    }
    if (!written.ok()) {
      host_.reportError(written.error);
      refused = true;
    } else {
      fixtures_.reloadLibrary();
      for (const QString& start : fixtures_.instanceStarts()) {
        fixtures_.fixlist->setCurrentText(start);
        fixtures_.Newfixture(start.toInt());
      }
    }
  }
  fixtures_.refresh();
  return !refused;
}

void TAddlight::btnSaveClick() {
  if (!Saveform()) return;
  host_.refreshChannelHints();
  accept();
  fixtures_.ReadLights();
}

void TAddlight::btnDeleteClick() {
  if (showMessage(
          "A word of Caution!",
          "Deleting a fixture will cause problems with other Cue files that used it.\n\rKeeping it does not "
          "hurt anything. Still want to Delete it?",
          DialogIcon::Confirmation, DialogButtons::YesNo) != DialogResult::Yes) {
    reject();
    return;
  }
  bool idOk = false;
  const int id = lnum->text().toInt(&idOk);
  const int row = idOk ? fixtures_.rowOfType(id) : -1;
  if (row < 0) {
    showMessage("Cannot Delete", name->text() + " does not match anything from the Fixtures tool.",
                DialogIcon::Error, DialogButtons::Cancel);
    reject();
    return;
  }
  fixtures_.pickfixture->setCurrentIndex(row);
  for (const QString& start : fixtures_.instanceStarts())
    if (!fixtures_.DelAddress(start.toInt())) break;

  const PatchFileResult removed = deleteFixtureType(libraryPath(), id);
  if (removed.ok()) {
    ConsoleState& S = host_.state();
    const PatchFileResult cleared = clearTypeFromMap(S.FixtureMapFile, S.Fixtures, S.MaxChannels, id);
    if (!cleared.ok()) host_.reportError(cleared.error);
  } else if (removed.status == PatchFileResult::Status::FileError) {
    host_.reportError(removed.error);
  }
  fixtures_.pickfixture->removeItem(row);
  fixtures_.reloadLibrary();
  btnSave->setEnabled(false);
  reject();
}

void TAddlight::btnLoadClick() {
  const QString path =
      host_.openFile(OpenFileRequest{.filter = "Fixture Descriptions (*.lcsv)|*.LCSV",
                                     .defaultExt = "lcsv",
                                     .title = "Select previously used Fixture name",
                                     .fileName = QString(),
                                     .mustExist = true,
                                     .initialFolder = findFileNoCase(host_.programFolder(), "lcsv")});
  if (path.isEmpty()) return;
  FixtureChannelTable t;
  if (!readChannelTable(path, t)) {
    host_.reportError(patch::fileNotFound(path));
    return;
  }
  setTable(t);
  fchan->setText(QString::number(channelCountOfTable(t, channelCount())));
  const QString typeName = QFileInfo(path).fileName().section(u'.', 0, 0);
  name->setText(typeName);
  desc->setEditText(QString());
  FixtureLibrary library;
  readFixtureLibrary(libraryPath(), library);
  for (const FixtureTypeRecord& r : library)
    if (r.name == typeName) desc->setEditText(r.description);
  desc->setFocus();
  setWindowTitle("Add existing Fixture");
}

void TAddlight::btnlibClick() {
  const QString path =
      host_.openFile(OpenFileRequest{.filter = "Fixture Descriptions (*.json)|*.JSON|All files|(*.*)",
                                     .defaultExt = QString(),
                                     .title = "First select the Manufacturer and then the Fixture name",
                                     .fileName = QString(),
                                     .mustExist = true,
                                     .initialFolder = findFileNoCase(host_.programFolder(), "fixtures")});
  if (path.isEmpty()) return;
  lastJsonPath_ = path;
  QString fileName = QFileInfo(path).fileName();
  const qsizetype dot = fileName.lastIndexOf(".json", -1, Qt::CaseInsensitive);
  if (dot >= 0) fileName.truncate(dot);
  name->setText(fileName);
  desc->clear();
  QString problem;
  if (!readJsonFixtureModes(path, jsonModes_, problem)) {
    host_.reportError(problem);
    return;
  }
  for (const JsonFixtureMode& m : jsonModes_) desc->addItem(m.name);
  desc->setCurrentIndex(-1);
  desc->setEditText("Select the Fixture Model name");
}

void TAddlight::descCloseUp(const QString& mode) {
  if (jsonModes_.empty()) return;
  FixtureChannelTable t = table();
  const int count = LoadChannels(t, jsonModes_, mode);
  if (count < 0) return;
  setTable(t);
  fchan->setText(QString::number(count));
}

void TAddlight::exitClick() {
  if (fixtures_.btnexit) fixtures_.btnexit->setFocus();
  reject();
}
