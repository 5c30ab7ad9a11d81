// The dimmer check: a test level ramps up and down on each DMX address in turn, the grid marking the
// channel of the same number, advanced every second, every five seconds or by hand (Space), and
// stopped by Esc, black-out or a loop stop after the address under test has come down.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "console/engine/dmx_out_writer.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/pumped_wait.h"

namespace {
constexpr int kRampWaitMs = 10;
}

void Tform1::createDimmerCheck() {
  for (QAction* menu : menuBar()->actions()) {
    if (menu->text() != "&Options" || !menu->menu()) continue;
    auto* check = new QMenu("Dimmer Check", this);
    check->setObjectName("DimmerCheck1");
    check->addAction("1 Second Advance", this, &Tform1::men1secClick);
    check->addAction("5 Second Advance", this, &Tform1::men5secClick);
    check->addAction("Manual Advance", this, &Tform1::menManClick);
    menu->menu()->insertMenu(menWeb, check);
  }
}

void Tform1::men1secClick() {
  DimAdvanceSeconds = 1;
  DimChecked();
}

void Tform1::men5secClick() {
  DimAdvanceSeconds = 5;
  DimChecked();
}

void Tform1::menManClick() {
  DimAdvanceSeconds = 0;
  DimChecked();
}

void Tform1::DimChecked() {
  // One check at a time: a second start while one runs (from its own pumped waits) is refused.
  if (S.DimmerCheckRunning || DimCheckManual || DimCheckLoopActive) return;
  S.DimmerCheckRunning = true;
  showMessage("Dimmer Check", "Starting Dimmer check. Press Esc to Stop.", DialogIcon::Information);
  DimCheckManual = DimAdvanceSeconds == 0;
  const int count = std::min(S.MaxChannels, kMaxChannelLimit);
  for (int a = 1; a <= count; ++a) dmxout::writeAddress(S, dmxout::Writer::DimmerCheck, a, 0);
  DimCheckChannel = 1;
  DimCheckLoopActive = true;
  while (S.DimmerCheckRunning && DimCheckChannel <= count) {
    dimcheckup();
    if (DimCheckManual) {
      DimCheckLoopActive = false;
      return;
    }
    // In short steps, so that a signal does not have to wait for the next channel to end the console.
    for (int left = DimAdvanceSeconds * 1000; left > 0 && !applicationTerminating(); left -= 100)
      delayPumped(std::min(left, 100));
    dimcheckdown();
  }
  DimCheckLoopActive = false;
  S.DimmerCheckRunning = false;
  DimCheckManual = false;
  showMessage("Dimmer Check", "Dimmer check has completed.", DialogIcon::Information);
}

void Tform1::dimcheckup() {
  selectChannel(DimCheckChannel - 1);
  for (int v = 0; v <= 254; v += 2) {
    dmxout::writeAddress(S, dmxout::Writer::DimmerCheck, DimCheckChannel, uint8_t(v));
    sendDMX();
    waitPumped(kRampWaitMs);
  }
}

void Tform1::dimcheckdown() {
  for (int v = 255; v >= -1; v -= 2) {
    dmxout::writeAddress(S, dmxout::Writer::DimmerCheck, DimCheckChannel, uint8_t(std::max(v, 0)));
    sendDMX();
    waitPumped(kRampWaitMs);
  }
  deselectChannel(DimCheckChannel - 1);
  ++DimCheckChannel;
}

void Tform1::dimCheckStep() {
  // A key pressed again while the ramps run (their waits take keys) does not step twice.
  if (!DimCheckManual || DimCheckLoopActive) return;
  DimCheckLoopActive = true;
  dimcheckdown();
  DimCheckLoopActive = false;
  if (DimCheckChannel <= std::min(S.MaxChannels, kMaxChannelLimit)) {
    DimCheckLoopActive = true;
    dimcheckup();
    DimCheckLoopActive = false;
    return;
  }
  showMessage("Dimmer Check", "Dimmer check has completed.", DialogIcon::Information);
  DimCheckManual = false;
  S.DimmerCheckRunning = false;
}

void Tform1::dimCheckStop() {
  if (!DimCheckManual || DimCheckLoopActive) return;
  DimCheckLoopActive = true;
  dimcheckdown();
  DimCheckLoopActive = false;
  showMessage("Dimmer Check", "Dimmer check has completed.", DialogIcon::Information);
  DimCheckManual = false;
  S.DimmerCheckRunning = false;
}
