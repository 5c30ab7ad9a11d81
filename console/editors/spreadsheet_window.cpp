#include "console/editors/spreadsheet_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "console/editors/spreadsheet_tables.h"
#include "console/editors/window_placement.h"
#include "console/engine/console_state.h"
#include "console/engine/tavro_utils.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

// The sheet's first column alone.
class TSpreadsheet::FirstColumn : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return std::min(1, QIdentityProxyModel::columnCount(parent));
  }
};

TSpreadsheet::TSpreadsheet(SpreadsheetHost host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      host_(std::move(host)),
      cues_(new CueSheetModel(this)),
      patch_(new PatchSheetModel(this)),
      firstColumn_(new FirstColumn(this)) {
  setObjectName("Spreadsheet");
  spread = new QTableView(this);
  spread->setObjectName("spread");
  spread->setEditTriggers(QAbstractItemView::NoEditTriggers);
  spread->verticalHeader()->hide();
  spread->setWordWrap(false);
  // Rows of one height let the view place them without measuring every row.
  spread->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  spread->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  fixedColumn = new QTableView(spread);
  fixedColumn->setObjectName("fixedColumn");
  fixedColumn->setModel(firstColumn_);
  fixedColumn->setFocusPolicy(Qt::NoFocus);
  fixedColumn->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fixedColumn->verticalHeader()->hide();
  fixedColumn->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fixedColumn->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fixedColumn->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixedColumn->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixedColumn->setWordWrap(false);
  spread->viewport()->stackUnder(fixedColumn);
  connect(spread->verticalScrollBar(), &QScrollBar::valueChanged, fixedColumn->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(fixedColumn->verticalScrollBar(), &QScrollBar::valueChanged, spread->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(spread->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
    if (column == 0) placeFixedColumn();
  });
  spread->installEventFilter(this);
  spexport = new QPushButton("Export to XLS", this);
  spexport->setObjectName("spexport");
  spexport->setToolTip("Export to an Excel file");
  spSkinButton1 = new QPushButton("Export to CSV", this);
  spSkinButton1->setObjectName("spSkinButton1");
  spSkinButton1->setToolTip("Export to an Excel file");
  spexit = new QPushButton("Exit", this);
  spexit->setObjectName("spexit");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(spexport);
  buttons->addWidget(spSkinButton1);
  buttons->addStretch();
  buttons->addWidget(spexit);
  auto* v = new QVBoxLayout(this);
  v->addWidget(spread);
  v->addLayout(buttons);
  connect(spexport, &QPushButton::clicked, this, &TSpreadsheet::spexportClick);
  connect(spSkinButton1, &QPushButton::clicked, this, &TSpreadsheet::spSkinButton1Click);
  connect(spexit, &QPushButton::clicked, this, &TSpreadsheet::spexitClick);
}

TSpreadsheet::~TSpreadsheet() {
  if (host_.state && host_.state().LogLevel == -1) WriteLog("begin Spreadsheet Destroy");
}

SheetModel* TSpreadsheet::sheet() const {
  return SpreadPatchView ? static_cast<SheetModel*>(patch_) : static_cast<SheetModel*>(cues_);
}

void TSpreadsheet::setSheet(SheetModel* model) {
  if (spread->model() != model) spread->setModel(model);
  if (firstColumn_->sourceModel() != model) firstColumn_->setSourceModel(model);
}

void TSpreadsheet::placeFixedColumn() {
  fixedColumn->setColumnWidth(0, spread->columnWidth(0));
  fixedColumn->verticalHeader()->setDefaultSectionSize(spread->verticalHeader()->defaultSectionSize());
  fixedColumn->setGeometry(spread->verticalHeader()->width() + spread->frameWidth(), spread->frameWidth(),
                           spread->columnWidth(0),
                           spread->viewport()->height() + spread->horizontalHeader()->height());
  fixedColumn->verticalScrollBar()->setValue(spread->verticalScrollBar()->value());
}

bool TSpreadsheet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == spread && event->type() == QEvent::Resize) placeFixedColumn();
  return QWidget::eventFilter(watched, event);
}

void TSpreadsheet::applyWidths() {
  const SheetModel* m = sheet();
  QHeaderView* h = spread->horizontalHeader();
  // One default width for the channel columns; only the others are set one by one.
  h->setDefaultSectionSize(DpiScale(m->columnWidth(m->sheetColumns() - 1)));
  for (int c = 0; c < std::min(3, m->sheetColumns()); ++c)
    spread->setColumnWidth(c, DpiScale(m->columnWidth(c)));
  placeFixedColumn();
}

void TSpreadsheet::ShowCues() {
  setWindowTitle("Cue List");
  cues_->rebuild(host_.state());
  setSheet(cues_);
  applyWidths();
  spexport->setText(workbookCaption(cues_->sheetColumns()));
}

void TSpreadsheet::ShowPatch() {
  setWindowTitle("Soft Patch List");
  const ConsoleState& S = host_.state();
  QString error;
  const bool ok = patch_->rebuild(S.SoftPatchFile, S.MaxChannels, &error);
  setSheet(patch_);
  applyWidths();
  spexport->setText(workbookCaption(patch_->sheetColumns()));
  if (!ok && host_.exceptionHandler) host_.exceptionHandler(error);
}

void TSpreadsheet::FormActivate() {
  if (SpreadPatchView)
    ShowPatch();
  else
    ShowCues();
}

void TSpreadsheet::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TSpreadsheet::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  placeWindow(*this, QRect(SpreadLeft, SpreadTop, SpreadWidth, SpreadHeight), parentWidget());
  FormActivate();
}

void TSpreadsheet::closeEvent(QCloseEvent* event) {
  if (host_.state().LogLevel == -1) WriteLog("begin Spreadsheet Close");
  const QRect r = clientRect(*this);
  SpreadTop = r.y();
  SpreadLeft = r.x();
  SpreadWidth = r.width();
  SpreadHeight = r.height();
  IniFile ini(host_.settingsFile());
  ini.writeInteger("Settings", "spreadTop", SpreadTop);
  ini.writeInteger("Settings", "spreadLeft", SpreadLeft);
  ini.writeInteger("Settings", "spreadWidth", SpreadWidth);
  ini.writeInteger("Settings", "spreadHeight", SpreadHeight);
  ini.save();
  event->accept();
}

void TSpreadsheet::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (host_.focusCueList) host_.focusCueList();
}

QString workbookFileName(const QString& chosen) {
  // Spreadsheet readers refuse an .xlsx workbook that is named .xls.
  if (chosen.endsWith(".xls", Qt::CaseInsensitive)) return chosen + (chosen.endsWith('S') ? "X" : "x");
  return chosen;
}

void TSpreadsheet::spexportClick() {
  // Whatever the caption, the workbook written is an .xlsx workbook, and it is named so.
  const QString name = workbookFileName(host_.chooseSaveFile ? host_.chooseSaveFile("xlsx") : QString());
  if (!name.isEmpty()) {
    QString error;
    if (!writeSheetWorkbook(*sheet(), name, &error))
      showMessage(spexport->text(),
                  "There was a problem starting Excel. It needs to be installed on this computer.",
                  DialogIcon::Warning);
  }
  spexit->setFocus();
}

void TSpreadsheet::spSkinButton1Click() {
  const QString name = host_.chooseSaveFile ? host_.chooseSaveFile("csv") : QString();
  if (!name.isEmpty()) {
    QString error;
    if (!writeSheetCsv(*sheet(), name, &error) && host_.exceptionHandler) host_.exceptionHandler(error);
  }
  spexit->setFocus();
}

void TSpreadsheet::spexitClick() { close(); }
