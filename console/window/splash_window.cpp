#include "console/window/splash_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

TForm6::TForm6(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen) {
  setObjectName("Form6");
  setFixedSize(300, 276);
  auto* layout = new QVBoxLayout(this);
  auto* product = new QLabel("Stagora\nLighting", this);
  product->setAlignment(Qt::AlignCenter);
  QFont f = product->font();
  f.setPointSize(22);
  f.setBold(true);
  product->setFont(f);
  product->setStyleSheet("color: #f0fbff; background: transparent;");
  version_ = new QLabel("Version: " + QCoreApplication::applicationVersion(), this);
  version_->setAlignment(Qt::AlignCenter);
  version_->setStyleSheet("color: #f0fbff; background: transparent;");
  status_ = new QLabel("Loading...", this);
  status_->setAlignment(Qt::AlignCenter);
  status_->setStyleSheet("color: #f0fbff; background: transparent;");
  close_ = new QPushButton("Close", this);
  close_->hide();
  connect(close_, &QPushButton::clicked, this, &QDialog::close);
  layout->addStretch();
  layout->addWidget(product);
  layout->addWidget(version_);
  layout->addStretch();
  layout->addWidget(status_);
  layout->addWidget(close_, 0, Qt::AlignCenter);
  if (parent) move(parent->geometry().center() - rect().center());
}

void TForm6::setStatus(const QString& text) {
  status_->setText(text);
  status_->repaint();
}

void TForm6::paintEvent(QPaintEvent*) {
  // The picture behind the texts: a stage-light fade from deep blue to amber.
  QPainter p(this);
  QLinearGradient g(0, 0, 0, height());
  g.setColorAt(0, QColor(0x10, 0x18, 0x40));
  g.setColorAt(0.7, QColor(0x50, 0x30, 0x40));
  g.setColorAt(1, QColor(0xC0, 0x70, 0x20));
  p.fillRect(rect(), g);
}
