#include "console/editors/used_fixtures.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TUsedF::TUsedF(Trace trace, QWidget* parent) : QDialog(parent), trace_(std::move(trace)) {
  setWindowTitle("Assigned Fixture Channels");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                 Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* layout = new QVBoxLayout(this);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setReadOnly(true);
  btnexit = new QPushButton("Exit", this);
  layout->addWidget(Memo1);
  layout->addWidget(btnexit);
  connect(btnexit, &QPushButton::clicked, this, &QDialog::close);
  setFixedSize(260, 320);
  if (trace_) trace_(1, "Usedfixture");
}

TUsedF::~TUsedF() {
  if (trace_) trace_(-1, "begin Usedfixture Destroy");
}

void TUsedF::setLines(const QStringList& lines) { Memo1->setPlainText(lines.join(u'\n')); }

QStringList TUsedF::lines() const {
  const QString text = Memo1->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(u'\n');
}
