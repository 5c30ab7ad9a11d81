#include "console/editors/soft_patch_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "console/editors/window_placement.h"
#include "console/engine/console_state.h"
#include "console/engine/tavro_utils.h"
#include "console/patch/patch_editing.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

namespace {

constexpr int kColumns = 4;

QString& cellOf(PatchGridRow& row, int column) {
  switch (column) {
    case 0:
      return row.label;
    case 1:
      return row.dimmer;
    case 2:
      return row.fixture;
    default:
      return row.description;
  }
}

}  // namespace

int PatchGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(grid_.rows.size());
}

int PatchGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant PatchGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return cellOf(const_cast<PatchGridRow&>(grid_.rows[size_t(index.row())]), index.column());
}

QVariant PatchGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* titles[kColumns] = {"Chnl", "Dimmer-DMX", "Fixture", "Description"};
  return section >= 0 && section < kColumns ? QString(titles[section]) : QVariant();
}

Qt::ItemFlags PatchGridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.column() > 0) f |= Qt::ItemIsEditable;
  return f;
}

bool PatchGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() == 0) return false;
  PatchGridRow& row = grid_.rows[size_t(index.row())];
  const QString text = value.toString();
  cellOf(row, index.column()) = text;
  if (onEdit) onEdit(row.channel, index.column(), text);
  emit dataChanged(this->index(0, 0), this->index(rowCount() - 1, kColumns - 1));
  return true;
}

void PatchGridModel::reset() {
  beginResetModel();
  endResetModel();
}

TForm5::TForm5(std::function<QStringList()> lines, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      lines_(std::move(lines)) {
  setObjectName("Form5");
  setWindowTitle("Unpatched Dimmers");
  unpatched = new QPlainTextEdit(this);
  unpatched->setObjectName("unpatched");
  unpatched->setReadOnly(true);
  unpatched->setFont(QFont("Arial"));
  unpatched->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  unpatched->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* exit = new QPushButton("Exit", this);
  exit->setObjectName("spSkinButton2");
  connect(exit, &QPushButton::clicked, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(unpatched);
  layout->addWidget(exit, 0, Qt::AlignRight);
  resize(560, 220);
}

bool TForm5::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(e);
}

void TForm5::FormActivate() { unpatched->setPlainText(lines_().join('\n')); }

TPatch::TPatch(ConsoleState& state, SoftPatchHost host, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      S(state),
      host_(std::move(host)) {
  setObjectName("Patch");
  setWindowTitle("Soft Patch");
  setMinimumWidth(330);
  model_ = new PatchGridModel(host_.grid(), this);
  model_->onEdit = [this](int channel, int column, const QString& text) { applyEdit(channel, column, text); };
  patchgrid = new QTableView(this);
  patchgrid->setObjectName("patchgrid");
  patchgrid->setModel(model_);
  patchgrid->setItemDelegate(new QStyledItemDelegate(patchgrid));
  patchgrid->verticalHeader()->hide();
  patchgrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  patchgrid->setSelectionMode(QAbstractItemView::SingleSelection);
  patchgrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
  // The columns are sized by the window (sizeColumns), so that Description is always in view.
  patchgrid->horizontalHeader()->setStretchLastSection(false);
  patchgrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(patchgrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) patchgridSelectCell(current.row(), current.column());
          });
  scLabel1 = new QLabel("Using Rep Plot values", this);
  scLabel1->setObjectName("scLabel1");
  scLabel1->hide();
  saveButton = new QPushButton("Save", this);
  saveButton->setObjectName("spSkinButton1");
  exitButton = new QPushButton("Exit", this);
  exitButton->setObjectName("spSkinButton2");
  unpatchedButton = new QPushButton("Unpatched Dimmers", this);
  unpatchedButton->setObjectName("spSkinButton3");
  sortButton = new QPushButton("Sort by Dimmer", this);
  sortButton->setObjectName("spSkinButton4");
  // Two rows of buttons, so that every caption fits the narrowest window.
  auto* buttons = new QGridLayout;
  buttons->addWidget(saveButton, 0, 0);
  buttons->addWidget(exitButton, 0, 1);
  buttons->addWidget(unpatchedButton, 1, 0);
  buttons->addWidget(sortButton, 1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(DpiScale(8));
  layout->addWidget(scLabel1);
  layout->addWidget(patchgrid, 1);
  layout->addLayout(buttons);
  connect(saveButton, &QPushButton::clicked, this, &TPatch::SaveClick);
  connect(exitButton, &QPushButton::clicked, this, &TPatch::ExitClick);
  connect(sortButton, &QPushButton::clicked, this, &TPatch::SortClick);
  Form5 = new TForm5([this] { return unpatchedLines(S.Patch.table(S.UseRepPlot), S.MaxChannels); }, this);
  connect(unpatchedButton, &QPushButton::clicked, this, [this] {
    Form5->show();
    Form5->FormActivate();
    Form5->move(x(), y() + height() - Form5->height());
  });

  // The geometry is read once; every showing puts the window back where it was created.
  const IniFile ini(S.MainIniFile);
  const QWidget* main = parentWidget();
  created_ = QRect(ini.readInteger("Settings", "patchLeft", 500),
                   ini.readInteger("Settings", "patchTop", main ? main->y() : 0),
                   std::max(330, ini.readInteger("Settings", "patchWidth", 320)),
                   ini.readInteger("Settings", "patchHeight", main ? main->height() : 600));
  setGeometry(created_);
  FormDirty = false;
}

void TPatch::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  sizeColumns();
}

void TPatch::sizeColumns() {
  // Chnl fits six digits; Dimmer-DMX and Fixture take their shares of the grid; Description takes
  // the rest less the vertical scroll bar.
  QHeaderView* header = patchgrid->horizontalHeader();
  const int width = patchgrid->width();
  const int scroll = patchgrid->verticalScrollBar()->sizeHint().width();
  const int first = std::max(QFontMetrics(patchgrid->font()).horizontalAdvance("888888"),
                             QFontMetrics(header->font()).horizontalAdvance("Chnl")) +
                    DpiScale(10);
  const int dimmer =
      std::max(width * 28 / 100, QFontMetrics(header->font()).horizontalAdvance("Dimmer-DMX") + DpiScale(12));
  const int fixture =
      std::max(width * 17 / 100, QFontMetrics(header->font()).horizontalAdvance("Fixture") + DpiScale(12));
  patchgrid->setColumnWidth(0, first);
  patchgrid->setColumnWidth(1, dimmer);
  patchgrid->setColumnWidth(2, fixture);
  patchgrid->setColumnWidth(3,
                            std::max(DpiScale(20), width - first - dimmer - fixture - scroll - DpiScale(8)));
}

void TPatch::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TPatch::FormShow() {
  placeWindow(*this, created_, parentWidget());
  if (QFileInfo::exists(S.CueFileName)) {
    PatchContext ctx = host_.patchContext();
    const PatchFileResult r = Loadgrid(ctx, S.Patch, host_.grid());
    if (!r.ok()) host_.exceptionHandler(r.error);
  }
  model_->reset();
  sortButton->setText("Sort by Dimmer");
  scLabel1->setVisible(S.UseRepPlot);
}

void TPatch::closeEvent(QCloseEvent* event) {
  IniFile ini(S.MainIniFile);
  ini.writeInteger("Settings", "patchTop", created_.y());
  ini.writeInteger("Settings", "patchLeft", created_.x());
  ini.writeInteger("Settings", "patchWidth", created_.width());
  ini.writeInteger("Settings", "patchHeight", created_.height());
  if (!ini.save())
    showMessage("Soft Patch",
                "The settings file " + S.MainIniFile + " could not be written.\n" + ini.errorString(),
                DialogIcon::Error);
  QDialog::closeEvent(event);
}

void TPatch::hideEvent(QHideEvent* event) {
  if (host_.focusCueList) host_.focusCueList();
  QDialog::hideEvent(event);
}

void TPatch::patchgridSelectCell(int row, int column) {
  if (column != 1 || row < 0 || row >= int(host_.grid().rows.size())) return;
  const PatchGridRow& r = host_.grid().rows[size_t(row)];
  PatchCellBefore = r.dimmer;
  ++S.dimmerprompt;
  if (S.dimmerprompt <= -4 || reminderShown_) return;
  reminderShown_ = true;
  // The address of a row is its channel number (the label may read "513(1)").
  const int holder = channelHoldingAddress(S.Patch.table(S.UseRepPlot), S.MaxChannels, r.channel);
  MessageSpec info;
  info.title = "Soft Patch Information";
  info.parent = this;  // above this stay-on-top window, not behind it
  info.icon = DialogIcon::Information;
  info.buttons = DialogButtons::Custom;
  info.customButtons = {{"&OK", DialogResult::Ok}};
  if (holder > 0) {
    info.text =
        "DMX address " + r.label + " is currently patched to Channel " + QString::number(holder) + ".";
    showMessage(info);
    if (S.dimmerprompt == 1) {
      MessageSpec ask;
      ask.title = "Soft Patch Locations";
      ask.parent = this;
      ask.text = "Do you want to continue these reminders?";
      ask.icon = DialogIcon::Confirmation;
      ask.buttons = DialogButtons::Custom;
      ask.customButtons = {{"&Yes", DialogResult::Yes}, {"&No", DialogResult::No}};
      if (showMessage(ask) == DialogResult::No) S.dimmerprompt = -2000;
    }
  } else {
    info.text = "DMX address " + QString::number(row + 1) + " is currently unpatched.";
    showMessage(info);
  }
  reminderShown_ = false;
}

void TPatch::editCell(int row, int column, const QString& text) {
  model_->setData(model_->index(row, column), text, Qt::EditRole);
}

void TPatch::applyEdit(int channel, int column, const QString& text) {
  FormDirty = true;
  PatchGrid& grid = host_.grid();
  DimmerTable& table = S.Patch.table(S.UseRepPlot);
  PatchEdit edit;
  if (column == 1) {
    switch (fixtureRuleFor(text, channel, S.Fixtures, S.MaxChannels)) {
      case FixtureRule::Remove: {
        MessageSpec ask;
        ask.title = "One to one patch";
        ask.text = "Would you like all channels for " + QString::number(channel) + " restored?";
        ask.icon = DialogIcon::Confirmation;
        ask.buttons = DialogButtons::YesNo;
        if (showMessage(ask) == DialogResult::Yes)
          Removepatches(grid, channel, PatchCellBefore, S.Fixtures.FixtureStart);
        model_->reset();
        return;
      }
      case FixtureRule::AskAdd:
        if (showMessage("Fixture address entered",
                        "Would you like all channels for " + QString::number(channel) + " patched?",
                        DialogIcon::Confirmation, DialogButtons::YesNo) == DialogResult::Yes)
          if (auto error = Addpatches(grid, channel, S.Fixtures.FixtureStart)) showMessage(*error);
        break;
      case FixtureRule::None:
        break;
    }
    edit = applyDimmerEdit(grid, S.Patch, table, S.MaxChannels, channel, text);
  } else if (column == 2) {
    edit = applyFixtureEdit(grid, table, S.MaxChannels, channel);
  }
  model_->reset();
  if (!edit.ok) {
    host_.exceptionHandler(edit.error);
    return;
  }
  if (!edit.changed.empty() && host_.outputChannels) host_.outputChannels(edit.changed);
}

void TPatch::SaveClick() {
  PatchSaveOk = true;
  PatchContext ctx = host_.patchContext();
  const PatchFileResult r =
      SavePatchfile(ctx, S.Patch, host_.grid(), S.Fixtures.FixtureStart,
                    host_.bumpSceneTable ? host_.bumpSceneTable() : std::array<int, 8>{});
  if (!r.ok()) {
    PatchSaveOk = false;
    // A file that could not be written (a full disk) is told as the soft patch not saved.
    if (r.notWritten) {
      if (S.LogLevel > 0) WriteLog(r.error);
      showMessage("Soft Patch not saved", r.error, DialogIcon::Error);
    } else if (r.status != PatchFileResult::Status::Refused) {
      host_.exceptionHandler(r.error);
    }
  }
  if (host_.refreshChannelHints) host_.refreshChannelHints();
  model_->reset();
  if (!PatchSaveOk) return;
  FormDirty = false;
  close();
  if (host_.focusCueList) host_.focusCueList();
}

void TPatch::ExitClick() {
  if (FormDirty) {
    MessageSpec ask;
    ask.title = "Unrecorded Changes";
    ask.text =
        "You did not Record some changes to the\n\rsoft patches. Do that now?\n\n\r     (Otherwise, they "
        "will be lost.)";
    ask.icon = DialogIcon::Warning;
    ask.buttons = DialogButtons::YesNo;
    ask.place = MessageSpec::Place::Screen;
    ask.position = QPoint(x() + 32, y() + 200);
    if (showMessage(ask) == DialogResult::Yes) {
      SaveClick();
      return;
    }
  }
  FormDirty = false;
  PatchContext ctx = host_.patchContext();
  const PatchFileResult r = Loadgrid(ctx, S.Patch, host_.grid());
  if (!r.ok()) host_.exceptionHandler(r.error);
  model_->reset();
  close();
  if (host_.focusCueList) host_.focusCueList();
}

void TPatch::SortClick() {
  const bool byDimmer = sortButton->text().contains("Dimmer");
  sortPatchRows(host_.grid().rows, byDimmer ? 1 : 0);
  sortButton->setText(byDimmer ? "Sort by Channel" : "Sort by Dimmer");
  model_->reset();
}
