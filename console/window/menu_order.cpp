// The main window's menus and tool buttons in their places: every part of the console adds its own
// items where it is wired, and this puts them in the order the operator knows.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include "console/editors/submaster_window.h"
#include "console/window/main_window.h"

namespace {

// The first button of the tool bar's second row.
constexpr const char* kSecondRowStart = "btnLive";

// Puts the menu's actions in the order of `captions` (a caption of "-" is a separator); actions the
// list does not name keep their order after the named ones.
void orderMenu(QMenu* menu, const QStringList& captions) {
  QList<QAction*> rest = menu->actions();
  QList<QAction*> ordered;
  for (const QString& caption : captions) {
    if (caption == "-") {
      ordered << nullptr;
      continue;
    }
    for (QAction* a : rest)
      if (!a->isSeparator() && a->text() == caption) {
        ordered << a;
        rest.removeOne(a);
        break;
      }
  }
  for (QAction* a : rest)
    if (!a->isSeparator()) ordered << a;
  for (QAction* a : menu->actions()) menu->removeAction(a);
  for (QAction* a : ordered)
    if (a)
      menu->addAction(a);
    else
      menu->addSeparator();
}

}  // namespace

QToolButton* Tform1::addToolButton(const char* name, const QString& text, const QString& hint) {
  auto* bar = findChild<QToolBar*>("ToolBar1");
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(hint);
  bar->addWidget(b);
  return b;
}

QMenu* Tform1::mainMenu(const QString& title) const {
  for (QAction* m : menuBar()->actions())
    if (m->text() == title && m->menu()) return m->menu();
  return nullptr;
}

QAction* Tform1::addMenuItem(const QString& title, const QString& caption) {
  auto* item = new QAction(caption, this);
  if (QMenu* menu = mainMenu(title)) menu->addAction(item);
  return item;
}

void Tform1::arrangeMenusAndToolBar() {
  for (QAction* m : menuBar()->actions()) {
    if (!m->menu()) continue;
    if (m->text() == "&File")
      orderMenu(m->menu(), {"New Show", "Load Show", "Most Recent Shows", "Backup/Save As ...",
                            "Send to Enttec Mk2 as Show", "Show Cue Spreadsheet", "Show Patch Spreadsheet",
                            "-", "E&xit"});
    if (m->text() == "&Options")
      orderMenu(m->menu(),
                {"Select DMX interface", "Select Connection type", "Show Inspection tool", "Show Soft Patch",
                 "Show Keypad Entry", "Set Cue list width", "Setup fixtures", "Preferences", "MIDI Input",
                 "Connect to Vq Divuvaz", "Dimmer Check", "Start Web Remote", "1 to 1 patch mode",
                 "Lock out Cue changes", "Restore System sounds at Close"});
  }
  auto* bar = findChild<QToolBar*>("ToolBar1");
  if (!bar) return;
  if (!bar->findChild<QToolButton*>("btnsubs"))
    connect(addToolButton("btnsubs", "Subs", "Display the Submaster tool"), &QToolButton::clicked, this,
            [this] {
              submasters().show();
              submasters().raise();
            });
  const QStringList order = {
      "scComboBox1", "btnNew",    "btnLoad",    "btnSave",     "btnCut",     "btnCopy",   "btnPaste",
      "btnSaveAs",   "btnAdd",    "btnChannel", "btnInsertB",  "btnInsertA", "btnDelete", "btnLive",
      "btnAdvance",  "btnRecord", "btnPlay",    "btnStopLoop", "btnBlack",   "btnpatch",  "btnsubs",
      "btnfixtures", "btngroups", "Msheet",     "btnprefs",    "btnConnect"};
  QList<QAction*> rest = bar->actions();
  QList<QAction*> ordered;
  for (const QString& name : order)
    for (QAction* a : rest)
      if (QWidget* w = bar->widgetForAction(a); w && w->objectName() == name) {
        ordered << a;
        rest.removeOne(a);
        break;
      }
  ordered << rest;
  // Two rows: the show and cue-list buttons above, playback and the tools below, so that every
  // button stands in view at the console's designed width.
  auto* second = findChild<QToolBar*>("ToolBar2");
  if (!second) second = bar;
  for (QAction* a : ordered) bar->removeAction(a);
  QToolBar* row = bar;
  for (QAction* a : ordered) {
    if (auto* w = qobject_cast<QWidgetAction*>(a);
        w && w->defaultWidget() && w->defaultWidget()->objectName() == kSecondRowStart)
      row = second;
    row->addAction(a);
  }
  // The focus marker shows only while the console is the active program.
  focusOK->setVisible(isActiveWindow());
}
