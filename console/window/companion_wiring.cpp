// The companion program's connect button and menu item, and the disabled show transfer item.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "console/remote/remote_control.h"
#include "console/window/main_window.h"

void Tform1::createCompanionItems() {
  QAction* connectItem = addMenuItem("&Options", "Connect to Vq Divuvaz");
  connect(connectItem, &QAction::triggered, this, [this] { remote_->btnConnectClick(); });
  // Sending a show to the widget's own memory is not offered by this console.
  addMenuItem("&File", "Send to Enttec Mk2 as Show")->setEnabled(false);
  QToolButton* b = addToolButton("btnConnect", "Connect", "Connect to Stagora Divuvaz");
  connect(b, &QToolButton::clicked, this, [this] { remote_->btnConnectClick(); });
  connect(remote_.get(), &RemoteControl::btnConnectEnabledChanged, b, &QToolButton::setEnabled);
  connect(remote_.get(), &RemoteControl::btnConnectEnabledChanged, connectItem, &QAction::setEnabled);
}
