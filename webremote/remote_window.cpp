#include "webremote/remote_window.h"

#include <QLabel>
#include <QVBoxLayout>

#include "platform/processes.h"

RemoteWindow::RemoteWindow(QWidget* parent) : QWidget(parent), status_(new QLabel(this)) {
  setWindowTitle(kCaption);
  setAttribute(Qt::WA_ShowWithoutActivating);
  auto* layout = new QVBoxLayout(this);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(status_);
  resize(320, 80);
  endpoint_ = std::make_unique<WindowEndpoint>(kCaption, [this] { close(); });
}

RemoteWindow::~RemoteWindow() = default;

void RemoteWindow::setStatus(const QString& text) { status_->setText(text); }

QString RemoteWindow::status() const { return status_->text(); }
