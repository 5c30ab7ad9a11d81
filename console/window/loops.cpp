// The loops on the main window: the loops engine object moves the cue list, the fade timer and the
// output through the hooks wired here, and the window paints what it reports.

#include "console/engine/loops.h"

#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QToolButton>

#include "console/editors/submaster_window.h"
#include "console/engine/console_colours.h"
#include "console/window/main_window.h"
#include "platform/operator.h"

void Tform1::createLoops() {
  Loops::Hooks h;
  h.selectRow = [this](int row) { selectRow(row); };
  h.loadCue = [this] { LoadCue(); };
  h.clickCue = [this] { CueListClicked(0); };
  h.sendCue = [this] { SendCue(); };
  h.markRow = [this](int row, CueMark mark) {
    if (mark != CueMark::Plain) {
      markRow(row, mark, 0);
      return;
    }
    if (QTableWidgetItem* description = cuelist->item(row - 1, 1))
      markRow(row, CueMark::Plain, rgbToBgr(description->background().color()));
  };
  h.loopFileDone = [this] { btnPlay->setEnabled(true); };
  h.fadeTiming = [this](int up, int down) { Fadetiming(up, down); };
  h.startFadeTimer = [this] { FadeTimer->start(S.FadeInterval); };
  h.stopFadeTimer = [this] { FadeTimer->stop(); };
  h.fadeTimerActive = [this] { return FadeTimer->isActive(); };
  h.progressCleared = [this] {
    currentcue3->setValue(0);
    ctime->clear();
  };
  h.send = [this] { sendDMX(); };
  h.log = [this](const QString& line) { toolLog(line); };
  h.subLoopLoading = [this](bool loading) {
    if (Form3_) Form3_->engine().setSubLoopLoaded(loading);
  };
  loops_ = std::make_unique<Loops>(S, clock_, operator_, std::move(h));
}

void Tform1::btnstoploopClick() { loops_->stop(); }
