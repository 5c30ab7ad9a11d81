#include "console/window/channel_cells.h"

#include <qdrawutil.h>

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "console/engine/console_colours.h"
#include "console/engine/tavro_utils.h"

namespace {
constexpr int kMaxLevelText = 7;
constexpr int kDefaultColour = 0x00FFFF;
const QColor kMarkColour(0xff, 0x40, 0x40);
}  // namespace

struct ChannelGrid::Cell {
  Cell(ChannelGrid& grid, int i) : edit(grid, i), label(grid, i), mark(grid, i) {}
  LevelEdit edit;
  ChannelLabel label;
  ChannelMark mark;
  ChannelPanel panel;
};

// The one real level edit: it stands on the cell being typed into and carries that cell's text,
// colour and hint.
class LevelEditor : public QLineEdit {
 public:
  LevelEditor(ChannelGrid& grid, QWidget* parent) : QLineEdit(parent), grid_(grid) {
    setAlignment(Qt::AlignCenter);
    setMaxLength(kMaxLevelText);
    setFrame(true);
    setWhatsThis("Level");
  }

 protected:
  void enterEvent(QEnterEvent* event) override {
    QLineEdit::enterEvent(event);
    if (grid_.editorCell_ >= 0) emit grid_.entered(&grid_.edit(grid_.editorCell_));
  }
  void leaveEvent(QEvent* event) override {
    QLineEdit::leaveEvent(event);
    if (grid_.editorCell_ >= 0) emit grid_.left(&grid_.edit(grid_.editorCell_));
  }
  // The level edits show no context menu.
  void contextMenuEvent(QContextMenuEvent* event) override { event->accept(); }
  // The mouse on the editor is the mouse on its cell's level edit.
  void mousePressEvent(QMouseEvent* event) override {
    QLineEdit::mousePressEvent(event);
    if (ChannelPage* p = page()) p->pointerPressed(event, mapToParent(event->position().toPoint()), false);
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QLineEdit::mouseDoubleClickEvent(event);
    if (ChannelPage* p = page()) p->pointerPressed(event, mapToParent(event->position().toPoint()), true);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLineEdit::mouseReleaseEvent(event);
    if (ChannelPage* p = page()) p->pointerReleased(event, mapToParent(event->position().toPoint()));
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    QLineEdit::mouseMoveEvent(event);
    if (ChannelPage* p = page()) p->pointerMoved(event, mapToParent(event->position().toPoint()));
  }
  void wheelEvent(QWheelEvent* event) override {
    event->accept();
    emit grid_.wheel(event->angleDelta().y());
  }
  // A re-polish under the application's style sheet can hand the editor a font of its own making
  // (the sheet's font cache is kept per widget address); the level edits keep the grid's font.
  void changeEvent(QEvent* event) override {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && font() != grid_.editFont_) setFont(grid_.editFont_);
  }
  // Tab and back-tab go from edit to edit along the page, as from one cell's edit to the next.
  bool focusNextPrevChild(bool next) override {
    const int to = grid_.editorCell_ >= 0 ? grid_.neighbour(grid_.editorCell_, next) : -1;
    if (to < 0) return QLineEdit::focusNextPrevChild(next);
    grid_.moveEditor(to, true, next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
  }

 private:
  ChannelPage* page() const { return qobject_cast<ChannelPage*>(parentWidget()); }
  ChannelGrid& grid_;
};

void LevelEdit::setText(const QString& text) {
  const QString kept = text.left(kMaxLevelText);
  if (kept == text_) return;
  text_ = kept;
  grid_.editTextSet(*this);
}

void LevelEdit::setFontColor(int c) {
  if (c == color_) return;
  color_ = c;
  grid_.editColourSet(*this);
}

void LevelEdit::setToolTip(const QString& hint) {
  hint_ = hint;
  if (grid_.editorCell_ == tag_) grid_.editor_->setToolTip(hint);
}

void LevelEdit::setFocus() { grid_.moveEditor(tag_, true); }

bool LevelEdit::hasFocus() const { return grid_.editorCell_ == tag_ && grid_.editor_->hasFocus(); }

void ChannelLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  grid_.repaintCell(index_);
}

void ChannelLabel::setFontColor(int bgr) {
  if (bgr == color_) return;
  color_ = bgr;
  grid_.repaintCell(index_);
}

void ChannelMark::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  grid_.repaintCell(index_);
}

void ChannelMark::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  grid_.repaintCell(index_);
}

ChannelGrid::ChannelGrid(QTabWidget* pages, QObject* parent) : QObject(parent), tabs_(pages) {
  // The editor is a widget of the page area until it stands on a page.
  editor_ = new LevelEditor(*this, pages);
  editor_->hide();
  connect(editor_, &QLineEdit::textChanged, this, &ChannelGrid::editorTextChanged);
}

ChannelGrid::~ChannelGrid() = default;

void ChannelGrid::build(int count, const QFont& labelFont, const QFont& editFont) {
  clear();
  labelFont_ = labelFont;
  editFont_ = editFont;
  cells_.reserve(size_t(count));
  for (int i = 0; i < count; ++i) cells_.push_back(std::make_unique<Cell>(*this, i));
  if (editor_) editor_->setFont(editFont_);
}

void ChannelGrid::clear() {
  if (editor_) editor_->hide();
  editorCell_ = -1;
  for (ChannelPage* p : pages_) {
    p->cells_.clear();
    p->hovered_ = -1;
    p->pressed_ = -1;
    p->update();
  }
  cells_.clear();
}

LevelEdit& ChannelGrid::edit(int i) { return cells_[size_t(i)]->edit; }
ChannelLabel& ChannelGrid::label(int i) { return cells_[size_t(i)]->label; }
ChannelMark& ChannelGrid::mark(int i) { return cells_[size_t(i)]->mark; }
ChannelPanel& ChannelGrid::panel(int i) { return cells_[size_t(i)]->panel; }

QSize ChannelGrid::cellSize() { return {DpiScale(52), DpiScale(50)}; }
QRect ChannelGrid::labelRect() { return {DpiScale(4), DpiScale(4), DpiScale(28), DpiScale(17)}; }
QRect ChannelGrid::editRect() { return {DpiScale(7), DpiScale(25), DpiScale(37), DpiScale(19)}; }
QRect ChannelGrid::markRect() { return {DpiScale(33), DpiScale(4), DpiScale(14), DpiScale(14)}; }

std::vector<int> ChannelGrid::cellsOnPage(int p) const {
  if (p < 0 || p >= int(pages_.size())) return {};
  return pages_[size_t(p)]->cells_;
}

QRect ChannelGrid::cellRect(int i) const {
  if (i < 0 || i >= count() || cells_[size_t(i)]->panel.page_ < 0) return {};
  return QRect(cells_[size_t(i)]->panel.pos_, cellSize());
}

ChannelPage* ChannelGrid::page(int p) {
  while (int(pages_.size()) <= p) {
    auto* w = new ChannelPage(*this, int(pages_.size()));
    pages_.push_back(w);
    tabs_->addTab(w, QString());
  }
  return pages_[size_t(p)];
}

void ChannelGrid::place(int i, int p, QPoint pos) {
  ChannelPanel& panel = cells_[size_t(i)]->panel;
  panel.page_ = p;
  panel.pos_ = pos;
}

void ChannelGrid::finishLayout() {
  for (ChannelPage* p : pages_) {
    p->cells_.clear();
    p->hovered_ = -1;
    p->pressed_ = -1;
  }
  for (int i = 0; i < count(); ++i) {
    const int p = cells_[size_t(i)]->panel.page_;
    if (p >= 0) page(p)->cells_.push_back(i);
  }
  for (ChannelPage* p : pages_) p->update();
  if (count() == 0) return;
  // The editor stays on its cell wherever that cell now stands, or starts on the first.
  moveEditor(editorCell_ >= 0 && editorCell_ < count() ? editorCell_ : 0, false);
}

void ChannelGrid::moveEditor(int i, bool focus, Qt::FocusReason reason) {
  if (i < 0 || i >= count() || !editor_) return;
  const Cell& c = *cells_[size_t(i)];
  if (c.panel.page_ < 0) return;
  ChannelPage* target = page(c.panel.page_);
  const int from = editorCell_;
  editorCell_ = -1;  // giving the editor this cell's text is no typing
  if (editor_->parentWidget() != target) editor_->setParent(target);
  editor_->setGeometry(editRect().translated(c.panel.pos_));
  QPalette pal = editor_->palette();
  pal.setColor(QPalette::Text, bgr(c.edit.color_));
  editor_->setPalette(pal);
  editor_->setToolTip(c.edit.hint_);
  // Staying on its cell (a relayout), the editor keeps its caret and selection.
  if (editor_->text() != c.edit.text_) {
    syncing_ = true;
    editor_->setText(c.edit.text_);
    syncing_ = false;
  }
  editorCell_ = i;
  editor_->show();
  if (from >= 0 && from != i) repaintCell(from);
  if (focus) {
    if (tabs_->indexOf(target) >= 0) tabs_->setCurrentWidget(target);
    editor_->setFocus(reason);
    editor_->selectAll();
  }
}

int ChannelGrid::neighbour(int i, bool next) const {
  const int p = cells_[size_t(i)]->panel.page_;
  if (p < 0 || p >= int(pages_.size())) return -1;
  const std::vector<int>& on = pages_[size_t(p)]->cells_;
  const auto it = std::find(on.begin(), on.end(), i);
  if (it == on.end()) return -1;
  if (next) return it + 1 == on.end() ? -1 : *(it + 1);
  return it == on.begin() ? -1 : *(it - 1);
}

void ChannelGrid::repaintCell(int i) {
  if (i < 0 || i >= count()) return;
  const ChannelPanel& panel = cells_[size_t(i)]->panel;
  if (panel.page_ < 0 || panel.page_ >= int(pages_.size())) return;
  pages_[size_t(panel.page_)]->update(QRect(panel.pos_, cellSize()));
}

void ChannelGrid::editTextSet(LevelEdit& edit) {
  if (edit.tag_ == editorCell_ && editor_->text() != edit.text_) {
    syncing_ = true;
    editor_->setText(edit.text_);
    syncing_ = false;
  }
  repaintCell(edit.tag_);
  emit textChanged(&edit);
}

void ChannelGrid::editColourSet(LevelEdit& edit) {
  if (edit.tag_ == editorCell_) {
    QPalette pal = editor_->palette();
    pal.setColor(QPalette::Text, bgr(edit.color_));
    editor_->setPalette(pal);
  }
  repaintCell(edit.tag_);
}

void ChannelGrid::editorTextChanged(const QString& text) {
  if (syncing_ || editorCell_ < 0) return;
  // What is typed into the editor is the text of its cell's edit.
  cells_[size_t(editorCell_)]->edit.setText(text);
}

void ChannelGrid::paintCell(QPainter& p, int i, const ChannelPage& page) const {
  const Cell& c = *cells_[size_t(i)];
  const QPoint at = c.panel.pos_;
  const QPalette& pal = page.palette();
  qDrawShadePanel(&p, QRect(at, cellSize()), pal, false, 1);
  p.setFont(labelFont_);
  p.setPen(c.label.color_ < 0 ? pal.color(QPalette::WindowText) : bgr(c.label.color_));
  p.drawText(labelRect().translated(at), Qt::AlignLeft | Qt::AlignVCenter, c.label.text_);
  if (i != editorCell_ || !editor_->isVisible()) {
    // The edit is drawn as the editor draws itself, so the style's look for line edits applies.
    QStyleOptionFrame frame;
    frame.initFrom(editor_);
    frame.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    frame.rect = editRect().translated(at);
    frame.lineWidth = editor_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, editor_);
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    editor_->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, editor_);
    p.setFont(editFont_);
    p.setPen(bgr(c.edit.color_));
    p.drawText(frame.rect, Qt::AlignCenter, c.edit.text_);
  }
  if (c.mark.visible_) {
    p.setFont(page.font());
    p.setPen(kMarkColour);
    p.drawText(markRect().translated(at), Qt::AlignCenter, c.mark.text_);
  }
}

ChannelPage::ChannelPage(ChannelGrid& grid, int index) : grid_(grid), index_(index) {
  setMouseTracking(true);
}

int ChannelPage::cellAt(QPoint pos, bool editOnly) const {
  const QRect cell(QPoint(0, 0), grid_.cellSize());
  const QRect edit = grid_.editRect();
  for (int i : cells_) {
    const QPoint local = pos - grid_.cells_[size_t(i)]->panel.pos();
    if ((editOnly ? edit : cell).contains(local)) return i;
  }
  return -1;
}

void ChannelPage::paintEvent(QPaintEvent* event) {
  if (grid_.editor_) grid_.editor_->ensurePolished();
  QPainter p(this);
  const QSize size = grid_.cellSize();
  for (int i : cells_)
    if (event->rect().intersects(QRect(grid_.cells_[size_t(i)]->panel.pos(), size)))
      grid_.paintCell(p, i, *this);
}

void ChannelPage::mousePressEvent(QMouseEvent* event) {
  // A click on a level edit puts the editor there, as a click focuses an edit.
  const int i = cellAt(event->position().toPoint(), true);
  if (i >= 0 && event->button() == Qt::LeftButton) grid_.moveEditor(i, true, Qt::MouseFocusReason);
  // A press on a page is the page's own: it never reaches the window behind it.
  event->accept();
  pointerPressed(event, event->position().toPoint(), false);
}

void ChannelPage::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  pointerPressed(event, event->position().toPoint(), true);
}

void ChannelPage::wheelEvent(QWheelEvent* event) {
  event->accept();
  emit grid_.wheel(event->angleDelta().y());
}

void ChannelPage::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  pointerReleased(event, event->position().toPoint());
}

CellMouseEvent ChannelPage::cellEvent(CellMouseEvent::Kind kind, int cell, bool onEdit, QMouseEvent* event,
                                      QPoint pos) const {
  CellMouseEvent e;
  e.kind = kind;
  e.cell = cell;
  e.onEdit = onEdit;
  e.button = event->button();
  e.modifiers = event->modifiers();
  e.global = event->globalPosition().toPoint();
  if (cell >= 0) {
    QPoint origin = grid_.cells_[size_t(cell)]->panel.pos();
    if (onEdit) origin += grid_.editRect().topLeft();
    e.local = pos - origin;
  }
  return e;
}

void ChannelPage::pointerPressed(QMouseEvent* event, QPoint pos, bool doubleClick) {
  const int cell = cellAt(pos, false);
  const bool onEdit = cell >= 0 && cellAt(pos, true) == cell;
  pressed_ = cell;
  pressedOnEdit_ = onEdit;
  afterDoubleClick_ = doubleClick;
  if (cell < 0) return;
  // The second press of a double click: on the number, mark or panel it is a double click first.
  if (doubleClick && !onEdit)
    emit grid_.mouse(cellEvent(CellMouseEvent::DoubleClick, cell, onEdit, event, pos));
  emit grid_.mouse(cellEvent(CellMouseEvent::Press, cell, onEdit, event, pos));
}

void ChannelPage::pointerReleased(QMouseEvent* event, QPoint pos) {
  const int cell = pressed_;
  const bool onEdit = pressedOnEdit_;
  const bool afterDoubleClick = afterDoubleClick_;
  pressed_ = -1;
  afterDoubleClick_ = false;
  if (cell < 0 || cell >= grid_.count()) {
    emit grid_.mouse(cellEvent(CellMouseEvent::Release, -1, false, event, pos));
    return;
  }
  // A click is a left press and release on the same part of the same cell; the release that ends a
  // double click is no click.
  const int now = cellAt(pos, false);
  const bool nowOnEdit = now >= 0 && cellAt(pos, true) == now;
  if (!afterDoubleClick && event->button() == Qt::LeftButton && now == cell && nowOnEdit == onEdit)
    emit grid_.mouse(cellEvent(CellMouseEvent::Click, cell, onEdit, event, pos));
  emit grid_.mouse(cellEvent(CellMouseEvent::Release, cell, onEdit, event, pos));
}

void ChannelPage::pointerMoved(QMouseEvent* event, QPoint pos) {
  // While a button is held the pressed cell keeps the mouse, as a pressed control captures it.
  int cell = event->buttons() != Qt::NoButton && pressed_ >= 0 ? pressed_ : cellAt(pos, false);
  if (cell < 0 || cell >= grid_.count()) return;
  const bool onEdit = cell == pressed_ ? pressedOnEdit_ : cellAt(pos, true) == cell;
  emit grid_.mouse(cellEvent(CellMouseEvent::Move, cell, onEdit, event, pos));
}

void ChannelPage::mouseMoveEvent(QMouseEvent* event) {
  // Entering and leaving a painted level edit is reported as the pointer entering and leaving it.
  const int i = cellAt(event->position().toPoint(), true);
  if (i != hovered_) {
    if (hovered_ >= 0 && hovered_ < grid_.count()) emit grid_.left(&grid_.edit(hovered_));
    hovered_ = i;
    if (i >= 0) emit grid_.entered(&grid_.edit(i));
  }
  pointerMoved(event, event->position().toPoint());
  QWidget::mouseMoveEvent(event);
}

void ChannelPage::leaveEvent(QEvent* event) {
  if (hovered_ >= 0 && hovered_ < grid_.count()) emit grid_.left(&grid_.edit(hovered_));
  hovered_ = -1;
  QWidget::leaveEvent(event);
}

void ChannelPage::contextMenuEvent(QContextMenuEvent* event) {
  // The level edits show no context menu.
  if (cellAt(event->pos(), true) >= 0)
    event->accept();
  else
    QWidget::contextMenuEvent(event);
}

bool ChannelPage::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // The hint of the edit under the pointer, or of its cell's panel.
    auto* help = static_cast<QHelpEvent*>(event);
    const int edit = cellAt(help->pos(), true);
    const int cell = edit >= 0 ? edit : cellAt(help->pos(), false);
    const QString hint =
        cell < 0 ? QString() : (edit >= 0 ? grid_.edit(cell).toolTip() : grid_.panel(cell).toolTip());
    if (hint.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), hint, this);
    }
    return true;
  }
  return QWidget::event(event);
}
