// The channel grid: one cell per channel on the pages of `dimpages`, the cue list's columns and
// colours, and the header controls beside them.

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "console/engine/console_colours.h"
#include "console/engine/dmx_out_writer.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "console/window/splash_window.h"
#include "console/window/styles.h"

namespace {
constexpr int kButtonFace = 0xF0F0F0;
constexpr int kButtonShadow = 0xA0A0A0;
// Page area of the grid before the window is on screen: its designed size.
constexpr int kDesignedPageWidth = 491, kDesignedPageHeight = 506;
}  // namespace

LevelEdit::LevelEdit(int tag, QWidget* parent) : QLineEdit(parent), tag_(tag) {
  setAlignment(Qt::AlignCenter);
  setMaxLength(7);
  setFrame(true);
  setFontColor(0x00FFFF);
}

void LevelEdit::setFontColor(int c) {
  if (c == color_ && palette().color(QPalette::Text) == bgr(c)) return;
  color_ = c;
  QPalette p = palette();
  p.setColor(QPalette::Text, bgr(c));
  setPalette(p);
}

void LevelEdit::enterEvent(QEnterEvent* event) {
  QLineEdit::enterEvent(event);
  emit entered(this);
}

void LevelEdit::leaveEvent(QEvent* event) {
  QLineEdit::leaveEvent(event);
  emit left(this);
}

// The level edits show no context menu.
void LevelEdit::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

int Tform1::GetTextWidth(const QString& text) const {
  return QFontMetrics(cuelist ? cuelist->font() : font()).horizontalAdvance(text);
}

void Tform1::createCell(int i) {
  auto* panel = new QFrame();
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->resize(DpiScale(52), DpiScale(50));
  auto* label = new QLabel(panel);
  label->setGeometry(DpiScale(4), DpiScale(4), DpiScale(28), DpiScale(17));
  QFont f = cuelist->font();
  f.setPointSize(qMax(1, qMin(16, f.pointSize() - 2)));
  label->setFont(f);
  auto* edit = new LevelEdit(i, panel);
  edit->setGeometry(DpiScale(7), DpiScale(25), DpiScale(37), DpiScale(19));
  QFont ef = f;
  ef.setBold(true);
  edit->setFont(ef);
  edit->setWhatsThis("Level");
  auto* mark = new QLabel(panel);
  mark->setGeometry(DpiScale(33), DpiScale(4), DpiScale(14), DpiScale(14));
  mark->setText("✓");
  mark->setStyleSheet("color: #ff4040; background: transparent;");
  mark->hide();
  connect(edit, &QLineEdit::textChanged, this, [this, edit] { ChangeDmx(edit); });
  connect(edit, &LevelEdit::entered, this, &Tform1::SaveColor);
  connect(edit, &LevelEdit::left, this, &Tform1::Restorecolor);
  ChannelPanels.push_back(panel);
  ChannelLabels.push_back(label);
  ChannelEdits.push_back(edit);
  ChannelMarks.push_back(mark);
}

void Tform1::setSplashStatus(int count) {
  if (!Form6 || !Form6->isVisible()) return;
  Form6->setStatus((S.StartingUp ? "Creating..." : "Loading...") + QString::number(count));
}

void Tform1::LoadLights() {
  // Cells are made once for the channel count; a rebuild only lays them out again, so it never
  // touches a level, an edit's text or the output.
  const bool fresh = ChannelEdits.empty();
  if (fresh) {
    const bool updating = S.UpdatingEdits;
    S.UpdatingEdits = true;
    for (int i = 0; i < S.MaxChannels; ++i) {
      if (i % 25 == 0) setSplashStatus(i);
      createCell(i);
      S.CurrentLevels[i + 1] = 0;
      S.TargetLevels[i + 1] = 0;
      S.LevelSteps[i + 1] = 0;
      dmxout::writeAddress(S, dmxout::Writer::Clear, i + 1, 0);
      S.BumpLevels[i] = 0;
      S.DirectChannels[i] = false;
      S.ChannelSelected[i] = false;
    }
    S.UpdatingEdits = updating;
    S.CueLevels = QByteArray(reinterpret_cast<const char*>(S.DmxOutBuffer.data()), kMaxChannelLimit);
  }
  layoutCells();
  setSplashStatus(S.MaxChannels);
}

void Tform1::layoutCells() {
  const int pageW = dimpages->isVisible() ? dimpages->width() : qMax(dimpages->width(), kDesignedPageWidth);
  const int pageH =
      dimpages->isVisible() ? dimpages->height() : qMax(dimpages->height(), kDesignedPageHeight);
  const int step = DpiScale(60), rowStep = DpiScale(58);
  // At least one cell a row and one row a page, however small the window: every channel stays on
  // some page.
  const int right = qMax(pageW - step, 4 + step);
  const int bottom = qMax(pageH - DpiScale(80), 4 + rowStep);

  QStringList captions;
  int page = 0, x = 4, y = 4, n = 1;
  QString first = "1";
  auto pageWidget = [this](int p) {
    while (int(pages_.size()) <= p) {
      auto* w = new QWidget();
      pages_.push_back(w);
      dimpages->addTab(w, QString());
    }
    return pages_[p];
  };
  for (int i = 0; i < S.MaxChannels; ++i) {
    QFrame* panel = ChannelPanels[i];
    // Re-parenting re-polishes a cell under the style sheet: only cells that change page move.
    QWidget* target = pageWidget(page);
    if (panel->parentWidget() != target) panel->setParent(target);
    panel->move(x, y);
    if (panel->isHidden()) panel->show();
    ChannelLabels[i]->setText(QString::number(n));
    x += step;
    if (i == 511 && S.MaxChannels > 512) {
      // The second universe starts on a page of its own and is numbered from 1 again.
      captions << first + "-512";
      x = DpiScale(4);
      y = DpiScale(4);
      ++page;
      n = 1;
      first = "1";
      continue;
    }
    if (x >= right && i < S.MaxChannels - 1) {
      x = 4;
      y += rowStep;
      if (y >= bottom) {
        y = 4;
        captions << first + "-" + QString::number(n);
        ++page;
        first = QString::number(n + 1);
      }
    }
    ++n;
  }
  captions << first + "-" + QString::number(n - 1);
  pageWidget(int(captions.size()) - 1);
  for (int p = 0; p < int(pages_.size()); ++p) {
    const bool used = p < captions.size();
    dimpages->setTabText(p, used ? captions[p] : QString());
    dimpages->setTabVisible(p, used || p == 0);
    // The captions of full pages and of the universe split are drawn in yellow.
    dimpages->tabBar()->setTabTextColor(p, used && p < captions.size() - 1 ? QColor(Qt::yellow) : QColor());
  }
  dimpages->setCurrentIndex(0);
}

int Tform1::pageOfChannel(int index) const {
  if (index < 0 || index >= int(ChannelPanels.size())) return -1;
  for (int p = 0; p < int(pages_.size()); ++p)
    if (ChannelPanels[index]->parentWidget() == pages_[p]) return p;
  return -1;
}

QStringList Tform1::pageCaptions() const {
  QStringList out;
  for (int p = 0; p < dimpages->count(); ++p)
    if (dimpages->isTabVisible(p) && !dimpages->tabText(p).isEmpty()) out << dimpages->tabText(p);
  return out;
}

void Tform1::FreeDimmers() {
  for (QFrame* panel : ChannelPanels) delete panel;
  ChannelPanels.clear();
  ChannelLabels.clear();
  ChannelEdits.clear();
  ChannelMarks.clear();
}

void Tform1::placeHeaderControls() {
  // The clock and the show timer stand at the right end of the header row, the focus mark midway.
  QWidget* area = centralWidget();
  Clock1->adjustSize();
  pDisplay->setFixedWidth(Clock1->width());
  const int clockLeft = area->width() - Clock1->width() - 20;
  Clock1->move(clockLeft, 4);
  pDisplay->move(clockLeft - pDisplay->width() - DpiScale(8), 4);
  bumpkey->move(pDisplay->x() - bumpkey->width() - DpiScale(8), 4);
  const int iconsLeft = recordok->x() + recordok->width() + DpiScale(12);
  netconn->move(iconsLeft, 4);
  vqlremote->move(iconsLeft + DpiScale(20), 4);
  fsconn->move(iconsLeft + DpiScale(40), 4);
}

void Tform1::Redraw() {
  if (Form6) Form6->show();
  placeHeaderControls();
  dimpages->hide();
  LoadLights();
  dimpages->show();
  layoutCells();
  if (Form6) Form6->close();
}

void Tform1::Cuesize() {
  const int w0 = cuelist->columnWidth(0) + DpiScale(5);
  const int scroll = cuelist->verticalScrollBar()->sizeHint().width();
  const int rowsHeight = cuelist->rowCount() * cuelist->verticalHeader()->defaultSectionSize();
  const bool overflow = rowsHeight > cuelist->height() - DpiScale(8);
  const int col1 =
      cuelist->width() - (overflow ? scroll : 0) - w0 - cuelist->columnWidth(2) - cuelist->columnWidth(3);
  cuelist->setColumnWidth(1, qMax(20, col1));
  currentcue2->setFixedWidth(qMax(10, cuelist->columnWidth(1) - scroll - DpiScale(4)));
  const int left = cuelist->x();
  currentcue1->move(left, currentcue1->y());
  currentcue2->move(currentcue1->x() + currentcue1->width() + DpiScale(4), currentcue2->y());
  currentcue3->move(currentcue2->x() + currentcue2->width() + DpiScale(4), currentcue3->y());
  currentcue4->move(currentcue3->x() + currentcue3->width() + DpiScale(4), currentcue4->y());
  recordok->move(currentcue4->x() + currentcue4->width() + DpiScale(4), currentcue4->y());
  recordok->adjustSize();
  placeHeaderControls();
  const int gridLeft = cuelist->x() + cuelist->width() + DpiScale(4);
  QWidget* area = dimpages->parentWidget();
  dimpages->setGeometry(gridLeft, dimpages->y(), qMax(100, area->width() - gridLeft - DpiScale(10)),
                        qMax(100, area->height() - dimpages->y() - DpiScale(4)));
}

void Tform1::Small1Click() {
  S.CLwidth = DpiScale(350);
  cuelist->setFixedWidth(S.CLwidth);
  Cuesize();
  Redraw();
}

void Tform1::Medium1Click() {
  S.CLwidth = DpiScale(420);
  cuelist->setFixedWidth(S.CLwidth);
  Cuesize();
  Redraw();
}

void Tform1::Large1Click() {
  S.CLwidth = DpiScale(490);
  cuelist->setFixedWidth(S.CLwidth);
  Cuesize();
  Redraw();
}

void Tform1::SetColor() {
  if (S.DarkColor == 2) {
    Blackbackground();
    return;
  }
  cuelist->clearSelection();
  int clock;
  if (S.DarkColor == 1) {
    SkinColour = styleSkinColour(activeStyleName());
    CueListBackground = SkinColour;
    clock = kButtonShadow;
  } else {
    CueListBackground = kButtonFace;
    clock = kButtonFace;
  }
  for (int r = 0; r < cuelist->rowCount(); ++r) {
    for (int c = 0; c < 4; ++c) {
      QTableWidgetItem* item = cuelist->item(r, c);
      if (!item) continue;
      item->setBackground(bgr(CueListBackground));
      if (c < 3) {
        const int rowColour = item->data(Qt::UserRole).toInt();
        item->setForeground(bgr(S.DarkColor == 1 && rowColour == 0 ? 0xF0FBFF : rowColour));
      }
    }
  }
  Clock1->setStyleSheet(QString("background-color: %1; color: black;").arg(bgr(clock).name()));
  pDisplay->setStyleSheet(Clock1->styleSheet());
  QTableWidgetItem* first = cuelist->item(0, 0);
  CueTextColour = first ? first->data(Qt::UserRole).toInt() : 0;
  if (S.DarkColor == 1 && CueTextColour == 0) CueTextColour = 0xF0FBFF;
}

void Tform1::Blackbackground() {
  cuelist->clearSelection();
  Clock1->setStyleSheet(QString("background-color: %1; color: black;").arg(bgr(kButtonShadow).name()));
  pDisplay->setStyleSheet(Clock1->styleSheet());
  for (int r = 0; r < cuelist->rowCount(); ++r)
    for (int c = 0; c < 4; ++c) {
      QTableWidgetItem* item = cuelist->item(r, c);
      if (!item) continue;
      item->setBackground(Qt::black);
      if (c < 3) {
        const int rowColour = item->data(Qt::UserRole).toInt();
        item->setForeground(bgr(rowColour != 0 ? rowColour : 0xF0FBFF));
      }
    }
  CueListBackground = 0;
  CueTextColour = 0xF0FBFF;
}

void Tform1::SaveColor(LevelEdit* edit) { SavedEditColor = edit->fontColor(); }

void Tform1::Restorecolor(LevelEdit* edit) { edit->setFontColor(SavedEditColor); }
