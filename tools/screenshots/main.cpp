// Pictures of every window an operator opens, taken from the screen as it shows them, so that a
// change to a window can be looked at before it ships. take.sh runs it under Xvfb at 1280 x 800 in
// a copy of the program folder, once per window style.
//
//   vq_screenshots --skin NAME --out FOLDER
//
// Each picture is the whole screen with the window in front of the main window. For every window it
// also prints the window's size and title and every caption that does not fit its control.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QToolBar>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "console/editors/colour_picker_window.h"
#include "console/editors/cue_editor.h"
#include "console/editors/fixture_type_editor.h"
#include "console/editors/fixtures_window.h"
#include "console/editors/magic_sheet.h"
#include "console/editors/preferences_window.h"
#include "console/editors/s2l_window.h"
#include "console/editors/select_user_window.h"
#include "console/editors/soft_patch_window.h"
#include "console/editors/spreadsheet_window.h"
#include "console/editors/submaster_window.h"
#include "console/editors/tools_window.h"
#include "console/editors/window_placement.h"
#include "console/engine/console_state.h"
#include "console/window/main_window.h"
#include "platform/clock.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "tools/screenshots/caption_fit.h"

namespace {

QTextStream& out() {
  static QTextStream s(stdout);
  return s;
}

// The tool buttons of the main window's bar that the bar hides behind its extension button.
QStringList hiddenToolButtons(Tform1& form) {
  QStringList hidden;
  auto* bar = form.findChild<QToolBar*>("ToolBar1");
  if (!bar) return {"no tool bar"};
  for (QAction* a : bar->actions())
    if (QWidget* w = bar->widgetForAction(a); w && a->isVisible() && !w->isVisible())
      hidden << (w->objectName().isEmpty() ? w->toolTip() : w->objectName());
  return hidden;
}

class Camera {
 public:
  Camera(const QString& folder, const QString& style, QWidget* main)
      : folder_(folder), style_(style), main_(main) {}

  // Shows the windows `open` returns (the first is the one pictured), takes the screen, then hides
  // them again.
  void shoot(const QString& name, const std::function<QList<QWidget*>()>& open) {
    QList<QWidget*> windows = open();
    systemClock().waitPumped(500);
    // The first window ends in front.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
      (*it)->raise();
      (*it)->activateWindow();
    }
    systemClock().waitPumped(300);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString file = QString("%1/%2_%3.png").arg(folder_).arg(++count_, 2, 10, QChar('0')).arg(name);
    if (!screen.save(file)) out() << "could not save " << file << "\n";
    if (!windows.isEmpty()) {
      QWidget* w = windows.first();
      const QRect client = w->geometry(), frame = w->frameGeometry();
      out() << name << ": \"" << w->windowTitle() << "\" " << w->width() << " x " << w->height()
            << " client at " << client.x() << "," << client.y() << ", frame " << frame.x() << "," << frame.y()
            << " " << frame.width() << " x " << frame.height() << "\n";
      const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
      if (!available.contains(frame)) out() << "  outside the screen's available area\n";
      if (main_ && w != main_ && frame.intersects(menusOnScreen(main_)))
        out() << "  over the main window's menus\n";
      for (const QString& c : clippedCaptions(w)) out() << "  clipped: " << c << "\n";
    }
    out().flush();
    for (QWidget* w : windows)
      if (w->isWindow() && w->objectName() != "form1") w->hide();
    systemClock().waitPumped(200);
  }

 private:
  QString folder_;
  QString style_;
  QWidget* main_ = nullptr;
  int count_ = 0;
};

QString argument(const QStringList& args, const QString& name, const QString& fallback) {
  const int i = args.indexOf(name);
  return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("vqlighting");
  const QStringList args = app.arguments();
  const QString style = argument(args, "--skin", "Charcoal Dark Slate");
  const QString folder = argument(args, "--out", QDir::currentPath());
  QDir().mkpath(folder);

  // Every dialog the windows raise while they open is answered with its default and listed.
  setDialogHandler([](const MessageSpec& spec) {
    out() << "  dialog: " << spec.title << " / " << spec.text << "\n";
    return defaultAnswer(spec);
  });

  // The console's own settings in the copied program folder: no DMX interface, no listening ports
  // of its own, the demo show, the style to picture.
  const QString ini = programFolder() + "/vqlighting.ini";
  QFile settings(ini);
  if (!settings.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(ini));
    return 1;
  }
  // The windows' places as operators have left them: the inspection tool at the screen's corner, the
  // spreadsheet above the screen, the submasters where a wider screen had them, the main window
  // taller than the screen. Each must open inside the screen, its title bar shown, off the menus.
  settings.write(QString("[Settings]\nMaxChannels=256\nDMXdevice=99\nFSPort=0\nOSCListen=0\nStyle=%1\n"
                         "Top=0\nLeft=0\nHeight=1000\nWidth=1600\ntoolsTop=0\ntoolsLeft=0\nspreadTop=-40\n"
                         "spreadLeft=0\nsubTop=143\nsubLeft=1349\n"
                         "[CueFile]\nLast=demo.lcue\n")
                     .arg(style)
                     .toUtf8());
  settings.close();

  ConsoleState state;
  state.MainIniFile = ini;
  state.RemotePort = 0;
  state.ArtNetPort = 0;
  state.RemotePipeName = QString("vq-screenshots-%1").arg(QCoreApplication::applicationPid());
  Tform1 form(state, {"vqlighting"}, nullptr);
  form.show();
  systemClock().waitPumped(1500);
  form.activateWindow();
  systemClock().waitPumped(500);

  Camera camera(folder, style, &form);
  out() << "style " << style << "\n";
  const QStringList hidden = hiddenToolButtons(form);
  out() << "tool buttons hidden at " << form.width()
        << " px: " << (hidden.isEmpty() ? "none" : hidden.join(", ")) << "\n";
  // Levels typed into the first channels, so that the grid shows level texts.
  for (int i = 0; i < 12 && i < int(form.ChannelEdits.size()); ++i)
    form.ChannelEdits[size_t(i)]->setText(QString::number(10 + 5 * i));
  systemClock().waitPumped(300);
  camera.shoot("main_window", [&] { return QList<QWidget*>{&form}; });
  // A narrower window: the bars show where buttons went behind their extension.
  const QSize full = form.size();
  camera.shoot("main_window_narrow", [&] {
    form.resize(760, full.height());
    return QList<QWidget*>{&form};
  });
  form.resize(full);
  systemClock().waitPumped(300);
  camera.shoot("cue_editor", [&] {
    form.selectRow(1);
    form.cueEditor().openAs(CueEditorMode::EditSelected, "1");
    return QList<QWidget*>{&form.cueEditor()};
  });
  camera.shoot("submasters", [&] {
    form.submasters().show();
    return QList<QWidget*>{&form.submasters()};
  });
  camera.shoot("submaster_setup", [&] {
    form.submasters().show();
    auto* setup = form.submasters().findChild<Tsmedit*>();
    setup->FormShow();
    setup->move(setup->x(), form.submasters().y() + 70);  // below the first strip's title
    setup->show();
    return QList<QWidget*>{setup, &form.submasters()};
  });
  camera.shoot("groups", [&] {
    form.btngroupsClick();
    return QList<QWidget*>{form.findChild<QWidget*>("Form4")};
  });
  camera.shoot("scenes", [&] {
    form.scenes().show();
    return QList<QWidget*>{&form.scenes()};
  });
  camera.shoot("keypad_entry", [&] {
    form.showKeypad();
    return QList<QWidget*>{form.findChild<QWidget*>("KeyEntry")};
  });
  camera.shoot("magic_sheet", [&] {
    form.MsheetClick();
    return QList<QWidget*>{static_cast<QWidget*>(form.Magical)};
  });
  camera.shoot("soft_patch", [&] {
    form.btnpatchClick();
    return QList<QWidget*>{form.Patch};
  });
  camera.shoot("unpatched_dimmers", [&] {
    form.btnpatchClick();
    auto* button = form.Patch->findChild<QAbstractButton*>("spSkinButton3");
    if (button) button->click();
    return QList<QWidget*>{form.Patch->Form5, form.Patch};
  });
  Tfixtures& fixtures = form.fixturesWindow();
  camera.shoot("fixtures", [&] {
    fixtures.show();
    // Two installed instances, one of them ticked, to show both states of the list's boxes.
    if (fixtures.fixgroup->count() == 0)
      for (const char* start : {"101", "113"}) {
        auto* item = new QListWidgetItem(start, fixtures.fixgroup);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(fixtures.fixgroup->count() == 1 ? Qt::Checked : Qt::Unchecked);
      }
    return QList<QWidget*>{&fixtures};
  });
  camera.shoot("fixture_type_editor", [&] {
    fixtures.editor().show();
    return QList<QWidget*>{&fixtures.editor()};
  });
  camera.shoot("colour_picker", [&] {
    fixtures.show();
    auto* picker = fixtures.findChild<TColorPick*>();
    if (picker) picker->showPicker(true);
    return QList<QWidget*>{picker ? static_cast<QWidget*>(picker) : &fixtures, &fixtures};
  });
  camera.shoot("preferences", [&] {
    form.btnPrefsClick();
    return QList<QWidget*>{form.Preferences};
  });
  camera.shoot("sound_to_light", [&] {
    form.Preferences->S2Lset->show();
    return QList<QWidget*>{form.Preferences->S2Lset};
  });
  camera.shoot("inspection_tool", [&] {
    form.showInspectionTool();
    return QList<QWidget*>{form.tools};
  });
  camera.shoot("spreadsheet", [&] {
    form.showSpreadsheet(false);
    return QList<QWidget*>{static_cast<QWidget*>(form.Spreadsheet)};
  });
  camera.shoot("channel_changer", [&] {
    auto* changer = form.findChild<QWidget*>("addchannel");
    changer->show();
    return QList<QWidget*>{changer};
  });
  Tusers users(state, programFolder(), &form);
  camera.shoot("select_user", [&] {
    users.show();
    return QList<QWidget*>{&users};
  });
  out().flush();
  setDialogHandler({});
  form.hide();
  std::_Exit(0);  // the pictures are taken: nothing of the console's shut-down is wanted here
}
