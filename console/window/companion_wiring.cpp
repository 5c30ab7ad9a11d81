// The companion program's connect button and menu item, and the disabled show transfer item.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "console/remote/remote_control.h"
#include "console/window/main_window.h"

void Tform1::createCompanionItems() {
  QMenu* file = nullptr;
  QMenu* options = nullptr;
  for (QAction* menu : menuBar()->actions()) {
    if (menu->text() == "&File") file = menu->menu();
    if (menu->text() == "&Options") options = menu->menu();
  }
  auto* connectItem = new QAction("Connect to Vq Divuvaz", this);
  connect(connectItem, &QAction::triggered, this, [this] { remote_->btnConnectClick(); });
  if (options) options->insertAction(menWeb, connectItem);
  if (file) {
    // Sending a show to the widget's own memory is not offered by this console.
    auto* send = new QAction("Send to Enttec Mk2 as Show", this);
    send->setEnabled(false);
    QAction* exit = nullptr;
    for (QAction* a : file->actions())
      if (a->text() == "E&xit") exit = a;
    file->insertAction(exit, send);
  }
  if (auto* bar = findChild<QToolBar*>("ToolBar1")) {
    auto* b = new QToolButton(bar);
    b->setObjectName("btnConnect");
    b->setText("Connect");
    b->setToolTip("Connect to Stagora Divuvaz");
    bar->addWidget(b);
    connect(b, &QToolButton::clicked, this, [this] { remote_->btnConnectClick(); });
    connect(remote_.get(), &RemoteControl::btnConnectEnabledChanged, b, &QToolButton::setEnabled);
    connect(remote_.get(), &RemoteControl::btnConnectEnabledChanged, connectItem, &QAction::setEnabled);
  }
}
