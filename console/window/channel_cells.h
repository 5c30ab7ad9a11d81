#pragma once

// The cells of the channel grid. A cell is a raised panel holding the channel's number, its level
// edit and a mark image; the cells are not widgets of their own: each page of the grid paints its
// cells, and one real line edit (the editor) moves onto the cell being typed into. A grid of a
// thousand cells is then a handful of widgets, built and styled at once.

#include <QFont>
#include <QLineEdit>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class ChannelGrid;
class QMouseEvent;
class QTabWidget;

// A mouse event on a cell, as the cell's parts report it. `cell` is the 0-based channel index of the
// part that has the mouse (the pressed cell while a button is held), `onEdit` whether that part is the
// level edit; `global` is the pointer on the screen. A release with `cell` -1 is a release on a page
// outside the cells.
struct CellMouseEvent {
  enum Kind { Press, Click, Release, Move, DoubleClick };
  Kind kind = Press;
  int cell = -1;
  bool onEdit = false;
  Qt::MouseButton button = Qt::NoButton;
  Qt::KeyboardModifiers modifiers;
  QPoint global;
  QPoint local;  // the pointer within the part
};

// A channel's level edit: the shared editing surface of the level path. Its tag is the 0-based
// channel index. A change of its text, typed or set, is reported like a line edit's.
class LevelEdit {
 public:
  int tag() const { return tag_; }
  QString text() const { return text_; }
  // At most seven characters are kept, as the editor takes them.
  void setText(const QString& text);
  // The text colour (0x00BBGGRR) the edit shows.
  int fontColor() const { return color_; }
  void setFontColor(int bgr);
  // The hint shown when the pointer rests on the edit.
  QString toolTip() const { return hint_; }
  void setToolTip(const QString& hint);
  // Puts the grid's editor on this edit, with the keyboard focus and the whole text selected.
  void setFocus();
  // The editor is on this edit and has the keyboard focus.
  bool hasFocus() const;

 private:
  friend class ChannelGrid;
  LevelEdit(ChannelGrid& grid, int tag) : grid_(grid), tag_(tag) {}
  ChannelGrid& grid_;
  int tag_;
  QString text_;
  int color_ = 0x00FFFF;
  QString hint_;
};

// The channel's number.
class ChannelLabel {
 public:
  QString text() const { return text_; }
  void setText(const QString& text);
  // The number's colour (0x00BBGGRR), or -1 for the colour the style gives it.
  int fontColor() const { return color_; }
  void setFontColor(int bgr);

 private:
  friend class ChannelGrid;
  ChannelLabel(ChannelGrid& grid, int index) : grid_(grid), index_(index) {}
  ChannelGrid& grid_;
  int index_;
  QString text_;
  int color_ = -1;
};

inline const QString kSelectionMarkText = QStringLiteral("✓");
inline const QString kLockMarkText = QStringLiteral("🔒");

// The mark image of a selected or locked channel; hidden until shown.
class ChannelMark {
 public:
  void show() { setVisible(true); }
  void hide() { setVisible(false); }
  void setVisible(bool visible);
  bool isVisible() const { return visible_; }
  // The image the mark shows: the selection mark unless another is given.
  QString text() const { return text_; }
  void setText(const QString& text);

 private:
  friend class ChannelGrid;
  ChannelMark(ChannelGrid& grid, int index) : grid_(grid), index_(index) {}
  ChannelGrid& grid_;
  int index_;
  bool visible_ = false;
  QString text_ = kSelectionMarkText;
};

// The cell's panel: where it stands and the hint it shows.
class ChannelPanel {
 public:
  // Index of the grid page the cell is on (-1 before the first layout) and its place there.
  int page() const { return page_; }
  QPoint pos() const { return pos_; }
  QString toolTip() const { return hint_; }
  void setToolTip(const QString& hint) { hint_ = hint; }

 private:
  friend class ChannelGrid;
  ChannelPanel() = default;
  int page_ = -1;
  QPoint pos_;
  QString hint_;
};

// One page of the grid: paints the cells placed on it and finds the cell under the pointer.
class ChannelPage : public QWidget {
  Q_OBJECT
 public:
  ChannelPage(ChannelGrid& grid, int index);
  int index() const { return index_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class ChannelGrid;
  friend class LevelEditor;
  // The mouse on this page at `pos` (page coordinates), from the page itself or from the editor
  // standing on it.
  void pointerPressed(QMouseEvent* event, QPoint pos, bool doubleClick);
  void pointerReleased(QMouseEvent* event, QPoint pos);
  void pointerMoved(QMouseEvent* event, QPoint pos);
  CellMouseEvent cellEvent(CellMouseEvent::Kind kind, int cell, bool onEdit, QMouseEvent* event,
                           QPoint pos) const;
  // The cell whose panel (or, with `editOnly`, whose level edit) is under `pos`, -1 for none.
  int cellAt(QPoint pos, bool editOnly) const;
  ChannelGrid& grid_;
  int index_;
  std::vector<int> cells_;  // the cells on this page, in channel order
  int hovered_ = -1;        // the cell whose level edit the pointer is over
  int pressed_ = -1;        // the cell a held button was pressed on
  bool pressedOnEdit_ = false;
  bool afterDoubleClick_ = false;  // the held button's press was the second of a double click
};

// The cells, the pages they are painted on and the one editor.
class ChannelGrid : public QObject {
  Q_OBJECT
 public:
  // The pages are added to `pages` as tabs as the layout needs them. Made a child of `pages`, the
  // grid outlives its pages and the editor standing on one of them.
  explicit ChannelGrid(QTabWidget* pages, QObject* parent = nullptr);
  ~ChannelGrid() override;

  // Makes `count` cells, all empty, unmarked and not yet placed. The fonts are those of the
  // number and of the level edit.
  void build(int count, const QFont& labelFont, const QFont& editFont);
  void clear();
  int count() const { return int(cells_.size()); }
  LevelEdit& edit(int i);
  ChannelLabel& label(int i);
  ChannelMark& mark(int i);
  ChannelPanel& panel(int i);

  // The layout: cells are placed one by one, then the pages take their cells and repaint once.
  void place(int i, int page, QPoint pos);
  void finishLayout();
  // Page p, made (and added as a tab) when it does not exist yet.
  ChannelPage* page(int p);
  int pageCount() const { return int(pages_.size()); }

  // The editor: the line edit that stands on one cell at a time.
  QLineEdit* editor() const { return editor_.data(); }
  int editorCell() const { return editorCell_; }
  // Moves the editor onto cell i (showing its page when it takes the focus).
  void moveEditor(int i, bool focus, Qt::FocusReason reason = Qt::OtherFocusReason);

  // Sizes of a cell and of its parts (relative to the cell), at the screen's scale.
  static QSize cellSize();
  static QRect labelRect();
  static QRect editRect();
  static QRect markRect();
  // The cells placed on page p, in channel order.
  std::vector<int> cellsOnPage(int p) const;
  // Where cell i stands on its page (an empty rectangle before it is placed).
  QRect cellRect(int i) const;

 signals:
  void textChanged(LevelEdit* edit);
  void entered(LevelEdit* edit);
  void left(LevelEdit* edit);
  // Presses, clicks, releases, moves and double clicks on the cells.
  void mouse(const CellMouseEvent& event);
  // The wheel turned over a page (angle in eighths of a degree, 120 a notch).
  void wheel(int angle);

 private:
  friend class LevelEdit;
  friend class ChannelLabel;
  friend class ChannelMark;
  friend class ChannelPage;
  friend class LevelEditor;
  struct Cell;
  void repaintCell(int i);
  void editTextSet(LevelEdit& edit);
  void editColourSet(LevelEdit& edit);
  void editorTextChanged(const QString& text);
  void paintCell(QPainter& p, int i, const ChannelPage& page) const;
  // The next or previous cell on the editor's page, -1 at the page's end.
  int neighbour(int i, bool next) const;

  QTabWidget* tabs_;
  std::vector<std::unique_ptr<Cell>> cells_;
  std::vector<ChannelPage*> pages_;
  QFont labelFont_, editFont_;
  QPointer<QLineEdit> editor_;
  int editorCell_ = -1;
  bool syncing_ = false;  // the editor is being given a cell's text
};
