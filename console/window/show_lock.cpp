// The show lock ("Lock out Cue changes") and the About box.

#include <QAction>
#include <QHostAddress>
#include <QLabel>
#include <QNetworkInterface>
#include <QPushButton>

#include "console/window/main_window.h"
#include "console/window/splash_window.h"
#include "platform/message_dialog.h"

void Tform1::menlockClick() {
  // The item's check has already toggled when the menu calls here.
  const bool locked = menlock->isChecked();
  S.CueChangesAllowed = !locked;
  if (locked && closeKeypad_) closeKeypad_();
  if (!cueFile_.isOpen() || cueFile_.count() < 1) {
    showMessage("Lock out Cue changes",
                "The show has no cues yet, so the lock is kept for this session only: nothing is "
                "written to the cue file.",
                DialogIcon::Information);
    return;
  }
  try {
    CueRecord first = cueFile_.readRecord(0);
    first.lock = locked ? 1 : 0;
    cueFile_.writeRecord(0, first);
  } catch (const CueFileError& e) {
    showMessage("Lock out Cue changes",
                "The lock could not be written to the cue file: " + QString::fromStdString(e.what()),
                DialogIcon::Warning);
  }
}

void Tform1::menAboutClick() {
  if (!Form6) return;
  QString address = "127.0.0.1";
  for (const QHostAddress& a : QNetworkInterface::allAddresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
      address = a.toString();
      break;
    }
  Form6->CloseButton()->setVisible(true);
  Form6->setStatus(address);
  Form6->show();
}
