// The channel grid: one cell per channel on the pages of `dimpages`, the cue list's columns and
// colours, and the header controls beside them.

#include <QApplication>
#include <QFontMetrics>
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

int Tform1::GetTextWidth(const QString& text) const {
  return QFontMetrics(cuelist ? cuelist->font() : font()).horizontalAdvance(text);
}

void Tform1::setSplashStatus(int count) {
  if (!Form6 || !Form6->isVisible()) return;
  Form6->setStatus((S.StartingUp ? "Creating..." : "Loading...") + QString::number(count));
}

void Tform1::LoadLights() {
  // Cells are made once for the channel count; a rebuild only lays them out again, so it never
  // touches a level, an edit's text or the output.
  if (int(ChannelEdits.size()) != S.MaxChannels) {
    FreeDimmers();
    QFont numberFont = cuelist->font();
    numberFont.setPointSize(qMax(1, qMin(16, numberFont.pointSize() - 2)));
    // The widest channel number fits its place beside the mark in every style's font.
    const QString widest = QString(QString::number(S.MaxChannels).size(), QChar('8'));
    while (numberFont.pointSize() > 6 &&
           (QFontMetrics(numberFont).horizontalAdvance(widest) > ChannelGrid::labelRect().width() ||
            QFontMetrics(numberFont).height() > ChannelGrid::labelRect().height()))
      numberFont.setPointSize(numberFont.pointSize() - 1);
    QFont levelFont = numberFont;
    levelFont.setBold(true);
    grid_->build(S.MaxChannels, numberFont, levelFont);
    const bool updating = S.UpdatingEdits;
    S.UpdatingEdits = true;
    for (int i = 0; i < S.MaxChannels; ++i) {
      if (i % 25 == 0) setSplashStatus(i);
      ChannelPanels.push_back(&grid_->panel(i));
      ChannelLabels.push_back(&grid_->label(i));
      ChannelEdits.push_back(&grid_->edit(i));
      ChannelMarks.push_back(&grid_->mark(i));
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
  // Before the window is on screen its page area has no size yet: the designed one is used.
  layoutCells(isVisible());
  setSplashStatus(S.MaxChannels);
}

void Tform1::layoutCells(bool onScreen) {
  const int pageW = onScreen ? dimpages->width() : qMax(dimpages->width(), kDesignedPageWidth);
  const int pageH = onScreen ? dimpages->height() : qMax(dimpages->height(), kDesignedPageHeight);
  const int step = DpiScale(60), rowStep = DpiScale(58);
  // At least one cell a row and one row a page, however small the window: every channel stays on
  // some page.
  const int right = qMax(pageW - step, 4 + step);
  const int bottom = qMax(pageH - DpiScale(80), 4 + rowStep);

  QStringList captions;
  int page = 0, x = 4, y = 4, n = 1;
  QString first = "1";
  for (int i = 0; i < S.MaxChannels; ++i) {
    grid_->place(i, page, QPoint(x, y));
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
  grid_->page(int(captions.size()) - 1);
  grid_->finishLayout();
  for (int p = 0; p < grid_->pageCount(); ++p) {
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
  return ChannelPanels[index]->page();
}

QLineEdit* Tform1::levelEditor() const { return grid_->editor(); }

QStringList Tform1::pageCaptions() const {
  QStringList out;
  for (int p = 0; p < dimpages->count(); ++p)
    if (dimpages->isTabVisible(p) && !dimpages->tabText(p).isEmpty()) out << dimpages->tabText(p);
  return out;
}

void Tform1::FreeDimmers() {
  grid_->clear();
  ChannelPanels.clear();
  ChannelLabels.clear();
  ChannelEdits.clear();
  ChannelMarks.clear();
}

void Tform1::placeHeaderControls() {
  // The clock and the show timer stand at the right end of the header row, the focus mark midway.
  QWidget* area = centralWidget();
  Clock1->setFixedSize(Clock1->sizeHint());
  pDisplay->setFixedSize(Clock1->width(), pDisplay->height());
  const int clockLeft = area->width() - Clock1->width() - 20;
  Clock1->move(clockLeft, 4);
  pDisplay->move(clockLeft - pDisplay->width() - DpiScale(8), 4);
  bumpkey->adjustSize();
  bumpkey->move(pDisplay->x() - bumpkey->width() - DpiScale(8), 4);
  // The "Recorded" indicator stands in the status row above the cue list, at the right end of the
  // running cue's description: a show with many pages fills the page tabs' row to its end, so that
  // row has no place the tabs leave free. It is only shown for a moment after a record.
  recordok->adjustSize();
  recordok->move(currentcue3->x() - recordok->width() - DpiScale(4),
                 currentcue2->y() + (currentcue2->height() - recordok->height()) / 2);
  recordok->raise();
  const int iconsLeft =
      currentcue4->x() + currentcue4->width() + DpiScale(4) + recordok->width() + DpiScale(12);
  netconn->move(iconsLeft, 4);
  vqlremote->move(iconsLeft + DpiScale(20), 4);
  fsconn->move(iconsLeft + DpiScale(40), 4);
}

void Tform1::Redraw(bool withHints) {
  if (Form6) Form6->show();
  placeHeaderControls();
  dimpages->hide();
  LoadLights();
  if (withHints) Loadhints();
  dimpages->show();
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
  paintClock(clock);
  QTableWidgetItem* first = cuelist->item(0, 0);
  CueTextColour = first ? first->data(Qt::UserRole).toInt() : 0;
  if (S.DarkColor == 1 && CueTextColour == 0) CueTextColour = 0xF0FBFF;
}

// The clock and the show-timer panel share one background and the operator's clock colour.
void Tform1::paintClock(int background) {
  Clock1->setStyleSheet(
      QString("background-color: %1; color: %2;").arg(bgr(background).name(), bgr(S.ClkColor).name()));
  pDisplay->setStyleSheet(Clock1->styleSheet());
}

void Tform1::Blackbackground() {
  cuelist->clearSelection();
  paintClock(kButtonShadow);
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
