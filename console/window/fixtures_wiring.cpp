// The main window's side of the fixtures window and the fixture type editor.

#include <QFileDialog>
#include <QFileInfo>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "console/editors/colour_picker_window.h"
#include "console/editors/fixtures_host.h"
#include "console/editors/fixtures_window.h"
#include "console/editors/soft_patch_window.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "platform/program_folder.h"
#include "platform/timer_list.h"

class Tform1::FixturesHostAdapter : public FixturesHost {
 public:
  explicit FixturesHostAdapter(Tform1& form) : f(form) {}

  ConsoleState& state() override { return f.S; }
  PatchContext patchContext() override { return f.patchContext(); }
  PatchGrid& patchGrid() override { return f.PatchGrid_; }
  QString programFolder() override { return ::programFolder(); }
  QString programPath() override { return ::programPath(); }

  int levelEditCount() override { return int(f.ChannelEdits.size()); }
  QString levelEditText(int index) override { return f.ChannelEdits.at(size_t(index))->text(); }
  void setLevelEditText(int index, const QString& text) override {
    f.ChannelEdits.at(size_t(index))->setText(text);
  }
  void setLevelEditTextQuietly(int index, const QString& text) override { f.setEditTextQuietly(index, text); }
  int ledintens(int start) override { return f.ledintens(start); }

  void sendDMX() override { f.sendDMX(); }
  void waitPumped(int ms) override { f.clock_.waitPumped(ms); }
  // The soft patch window shows the grid the fixtures window has just changed.
  void refreshChannelHints() override {
    if (f.Patch && f.Patch->model()) f.Patch->model()->reset();
    f.Loadhints();
  }
  QString openFile(const OpenFileRequest& request) override {
    // "Description (*.x)|*.X|..." lists pairs of caption and pattern; the dialog shows the captions.
    const QStringList parts = request.filter.split(u'|');
    QStringList filters;
    for (int i = 0; i < parts.size(); i += 2) filters << parts[i];
    return QFileDialog::getOpenFileName(&f, request.title, request.initialFolder, filters.join(";;"));
  }
  void reportError(const QString& message) override { f.MyExceptionHandler(message); }
  void focusCueList() override { f.cuelist->setFocus(); }
  void armColourPicker() override { f.TimerList1->arm("colorpicker"); }
  void trace(int level, const QString& line) override {
    if (level < 0 && f.S.LogLevel == level) WriteLog(line);
    if (level > 0 && f.S.LogLevel >= level) f.toolLog(line);
  }
  QWidget* window() override { return &f; }

 private:
  Tform1& f;
};

Tfixtures& Tform1::fixturesWindow() {
  if (!fixtures_) {
    fixturesHost_ = std::make_unique<FixturesHostAdapter>(*this);
    fixtures_ = std::make_unique<Tfixtures>(*fixturesHost_, clock_, this);
    installColourPicker(*fixtures_);
  }
  return *fixtures_;
}

void Tform1::Timerlist1Events3Timer() {
  if (fixtures_ && fixtures_->isVisible()) fixtures_->btncolorClick();
}

void Tform1::SetupFixtures1Click() {
  Tfixtures& window = fixturesWindow();
  window.SelectedFixtureType = -1;
  window.execDialog(window);
}

void Tform1::createFixturesTool() {
  connect(addToolButton("btnfixtures", "Fixtures", "Display the Fixtures tool"), &QToolButton::clicked, this,
          &Tform1::SetupFixtures1Click);
}
