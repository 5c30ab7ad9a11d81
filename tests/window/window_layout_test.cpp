// How the console's windows look in every built-in style: every tool button in view at the designed
// width, every caption fitting its control, the designed window sizes, and logs, check boxes and
// radio buttons that stay readable on a dark ground.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QLayout>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

#include "console/editors/cue_editor.h"
#include "console/editors/fixture_type_editor.h"
#include "console/editors/fixtures_window.h"
#include "console/editors/preferences_window.h"
#include "console/editors/soft_patch_window.h"
#include "console/editors/submaster_window.h"
#include "console/editors/tools_window.h"
#include "console/window/styles.h"
#include "tests/window/console_window_fixture.h"
#include "tools/screenshots/caption_fit.h"

namespace {

// Puts the style that was active back when a test has gone through the others.
struct StyleGuard {
  QString before = activeStyleName();
  ~StyleGuard() { applyStyle(before); }
};

void startConsole(ConsoleWindow& w) {
  w.writeShow({ConsoleWindow::cue(100, {{1, 50}})});
  w.startWithNewSideFiles();
  w.dialogs.answerDefaults = true;  // opening the windows may ask what opening them asks
}

double luminance(QColor c) {
  auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The contrast ratio of two colours (1: none, 21: black on white).
double contrast(QColor a, QColor b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast against `ground` of any pixel of `image` inside `area`.
double strongestContrast(const QImage& image, const QRect& area, QColor ground) {
  double best = 1;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      best = std::max(best, contrast(image.pixelColor(x, y), ground));
  return best;
}

}  // namespace

TEST(WindowLayout, EveryToolButtonStandsInViewAtTheDesignedWidth) {
  ConsoleWindow w;
  startConsole(w);
  StyleGuard guard;
  w.form->show();
  w.form->resize(1280, 800);
  for (const QString& style : builtInStyleNames()) {
    SCOPED_TRACE(style.toStdString());
    ASSERT_TRUE(applyStyle(style));
    QApplication::processEvents();
    QStringList inView;
    for (QToolBar* bar : w.form->findChildren<QToolBar*>()) {
      for (QAction* a : bar->actions()) {
        QWidget* b = bar->widgetForAction(a);
        if (!b || !a->isVisible() || b->objectName() == "focusOK") continue;
        EXPECT_TRUE(b->isVisible()) << b->objectName().toStdString() << " is hidden";
        EXPECT_TRUE(bar->rect().contains(b->geometry())) << b->objectName().toStdString() << " is cut off";
        inView << b->objectName();
      }
      auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
      EXPECT_TRUE(!more || !more->isVisible()) << "a bar hides buttons behind its extension";
    }
    for (const char* name : {"scComboBox1", "btnNew", "btnLive", "btnPlay", "btnBlack", "btnpatch", "btnsubs",
                             "btnfixtures", "btngroups", "Msheet", "btnprefs", "btnConnect"})
      EXPECT_TRUE(inView.contains(name)) << name;
  }
}

TEST(WindowLayout, CaptionsFitTheirControlsInEveryStyle) {
  ConsoleWindow w;
  startConsole(w);
  StyleGuard guard;
  Tform1& f = *w.form;
  f.btnpatchClick();
  f.Patch->Form5->show();
  f.submasters().show();
  auto* setup = f.submasters().findChild<Tsmedit*>();
  ASSERT_NE(setup, nullptr);
  setup->FormShow();
  setup->show();
  f.btnPrefsClick();
  f.showInspectionTool();
  Tfixtures& fixtures = f.fixturesWindow();
  fixtures.show();
  fixtures.editor().show();
  f.cueEditor().show();
  const QList<QWidget*> windows = {f.Patch, f.Patch->Form5, &f.submasters(),    setup,         f.Preferences,
                                   f.tools, &fixtures,      &fixtures.editor(), &f.cueEditor()};
  for (const QString& style : builtInStyleNames()) {
    SCOPED_TRACE(style.toStdString());
    ASSERT_TRUE(applyStyle(style));
    QApplication::processEvents();
    for (QWidget* window : windows)
      EXPECT_EQ(clippedCaptions(window).join("; ").toStdString(), "") << window->windowTitle().toStdString();
  }
  for (QWidget* window : windows) window->hide();
}

TEST(WindowLayout, WindowsOpenAtTheirDesignedSizes) {
  ConsoleWindow w;
  startConsole(w);
  StyleGuard guard;
  Tform1& f = *w.form;
  for (const QString& style : builtInStyleNames()) {
    SCOPED_TRACE(style.toStdString());
    ASSERT_TRUE(applyStyle(style));
    f.showInspectionTool();
    QApplication::processEvents();
    EXPECT_EQ(f.tools->size(), QSize(404, 489));  // toolsWidth and toolsHeight as they default
    f.tools->hide();

    f.btnPrefsClick();
    QApplication::processEvents();
    EXPECT_EQ(f.Preferences->size(), QSize(250, 670));
    EXPECT_LE(f.Preferences->layout()->totalMinimumSize().height(), 670) << "the rows do not fit";
    f.Preferences->hide();

    // The soft patch window at its narrowest: all four columns in view, Description the rest.
    f.btnpatchClick();
    QApplication::processEvents();
    QTableView* grid = f.Patch->patchgrid;
    EXPECT_EQ(f.Patch->width(), 330);
    const int right = grid->columnViewportPosition(3) + grid->columnWidth(3);
    EXPECT_LE(right, grid->viewport()->width());
    EXPECT_GE(right, grid->viewport()->width() - 10);
    for (int c = 0; c < 4; ++c) {
      const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
      EXPECT_GE(grid->columnWidth(c), grid->horizontalHeader()->fontMetrics().horizontalAdvance(title))
          << title.toStdString();
    }
    f.Patch->hide();
  }
}

TEST(WindowLayout, TheAlternateBumpLabelGrowsToItsText) {
  ConsoleWindow w;
  startConsole(w);
  w.S.BumpMembers[24 + 3][7] = true;  // ABUMP8 on address 7
  w.S.BumpMembers[24 + 4][8] = true;  // ABUMP9 on address 8
  for (int key : {3, 4}) {
    w.form->bumpKeyDown(key, false);
    w.form->bumpKeyUp(key);
  }
  QLabel* label = w.form->bumpkey;
  ASSERT_EQ(label->text(), "F8 F9 ");
  EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
}

TEST(WindowLayout, LogLinesCheckBoxesAndRadioButtonsStayReadableInEveryStyle) {
  ConsoleWindow w;
  startConsole(w);
  StyleGuard guard;
  Tform1& f = *w.form;
  f.showInspectionTool();
  f.tools->Memo1->clear();
  f.tools->Display("Sent: 0 0 0");
  Tfixtures& fixtures = f.fixturesWindow();
  fixtures.show();
  auto* item = new QListWidgetItem("113", fixtures.fixgroup);  // an installed instance, not ticked
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Unchecked);
  for (const QString& style : builtInStyleNames()) {
    SCOPED_TRACE(style.toStdString());
    ASSERT_TRUE(applyStyle(style));
    QApplication::processEvents();

    // The log's plain lines are drawn in its own text colour, which reads on its ground.
    QTextEdit* log = f.tools->Memo1;
    const QTextBlock line = log->document()->firstBlock();
    ASSERT_EQ(line.text(), "Sent: 0 0 0");
    const QTextCharFormat format = line.begin().fragment().charFormat();
    const QColor text = format.hasProperty(QTextFormat::ForegroundBrush)
                            ? format.foreground().color()
                            : log->palette().color(QPalette::Text);
    EXPECT_GE(contrast(text, log->palette().color(QPalette::Base)), 4.5);

    // An unticked box and an unchosen radio button show their frame against the window.
    const QColor window = fixtures.palette().color(QPalette::Window);
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{fixtures.Vqsoft, fixtures.findChild<QRadioButton*>()}) {
      ASSERT_NE(b, nullptr);
      ASSERT_FALSE(b->isChecked());
      const QImage image = b->grab().toImage();
      const QRect indicator(0, 0, image.height(), image.height());  // the mark stands at the left
      EXPECT_GE(strongestContrast(image, indicator, window), 3.0) << b->text().toStdString();
    }
    // So does the unticked box of an instance in the list.
    QWidget* view = fixtures.fixgroup->viewport();
    const QImage image = view->grab().toImage();
    const QRect row = fixtures.fixgroup->visualItemRect(item);
    EXPECT_GE(strongestContrast(image, QRect(row.topLeft(), QSize(row.height(), row.height())),
                                view->palette().color(QPalette::Base)),
              3.0);
  }
  fixtures.hide();
  f.tools->hide();
}
