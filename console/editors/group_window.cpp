#include "console/editors/group_window.h"

#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "console/engine/cue_file.h"
#include "platform/message_dialog.h"

TForm4::TForm4(GroupWindowHost host, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      host_(std::move(host)) {
  setObjectName("Form4");
  setWindowTitle("Channel Groups");
  setFixedSize(579, 461);
  QFont font("Segoe UI");
  font.setPixelSize(11);
  setFont(font);
  QFont editFont("Segoe UI");
  editFont.setPixelSize(14);
  // Only digits and "," can be typed; Backspace and the other editing keys work as usual.
  auto* digitsAndCommas = new QRegularExpressionValidator(QRegularExpression("[0-9,]*"), this);
  for (int column = 0; column < 2; ++column) {
    const int x = column == 0 ? 24 : 312;
    auto* heading = new QLabel("Group #", this);
    heading->move(x, 8);
    auto* channels = new QLabel("Channels", this);
    channels->move(x + 72, 8);
  }
  for (int i = 0; i < kGroupCount; ++i) {
    const int column = i / 16, row = i % 16;
    const QString key = groupFileKey(i).mid(1);
    auto* label = new QLabel(key, this);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(column == 0 ? 24 : 312, 32 + row * 24, 57, 21);
    auto* edit = new QLineEdit(this);
    edit->setObjectName("ch" + key);
    edit->setGeometry(column == 0 ? 96 : 384, 32 + row * 24, 177, 21);
    edit->setFont(editFont);
    edit->setStyleSheet("color: black;");
    edit->setValidator(digitsAndCommas);
    edits[size_t(i)] = edit;
  }
  auto button = [this](const char* name, const QString& text, int x) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setGeometry(x, 433, 65, 25);
    return b;
  };
  btnCopy = button("btnCopy", "Copy", 96);
  btnCopy->setToolTip("Copy from VqLighting.lgrp");
  editsave = button("editsave", "Save", 208);
  btnPrint = button("btnPrint", "Print", 318);
  editexit = button("editexit", "Exit", 423);
  for (int i = 1; i < kGroupCount; ++i) setTabOrder(edits[size_t(i - 1)], edits[size_t(i)]);
  setTabOrder(edits.back(), btnCopy);
  setTabOrder(btnCopy, editsave);
  setTabOrder(editsave, editexit);
  setTabOrder(editexit, btnPrint);
  connect(btnCopy, &QPushButton::clicked, this, &TForm4::btnCopyClick);
  connect(editsave, &QPushButton::clicked, this, &TForm4::editsaveClick);
  connect(btnPrint, &QPushButton::clicked, this, &TForm4::btnPrintClick);
  connect(editexit, &QPushButton::clicked, this, &TForm4::editexitClick);
}

bool TForm4::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(e);
}

void TForm4::FormActivate() {
  const ChannelGroupTexts& groups = host_.groups();
  for (int i = 0; i < kGroupCount; ++i) edits[size_t(i)]->setText(groups[size_t(i)]);
  // Copy brings the program's groups into a show whose group file follows its cue file.
  btnCopy->setEnabled(host_.groupFileName() == changeFileExt(host_.cueFileName(), ".lgrp"));
}

void TForm4::btnCopyClick() {
  const QString p = host_.programGroupFile();
  if (!QFileInfo::exists(p)) return;
  host_.groups() = LoadGroups(p);
  FormActivate();
}

void TForm4::editsaveClick() {
  ChannelGroupTexts& groups = host_.groups();
  for (int i = 0; i < kGroupCount; ++i) groups[size_t(i)] = edits[size_t(i)]->text();
  QString error;
  if (!saveGroups(host_.groupFileName(), groups, &error)) {
    showMessage("Channel Groups",
                "The group file " + host_.groupFileName() + " could not be written.\n" + error,
                DialogIcon::Error);
    return;  // the window stays open with the texts, which are in use already
  }
  close();
  host_.focusCueList();
}

void TForm4::editexitClick() {
  host_.focusCueList();
  close();
}

void TForm4::btnPrintClick() {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    showMessage("No installed printer", "Some features will be unavailable without a printer.",
                DialogIcon::Information);
    return;
  }
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const QPixmap image = grab();
  QPainter painter;
  if (!painter.begin(&printer)) {
    showMessage("No installed printer", "Some features will be unavailable without a printer.",
                DialogIcon::Information);
    return;
  }
  const QRect page = painter.viewport();
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), size.width(), size.height());
  painter.setWindow(image.rect());
  painter.drawPixmap(0, 0, image);
  painter.end();
}
