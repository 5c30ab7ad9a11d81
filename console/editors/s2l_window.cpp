#include "console/editors/s2l_window.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "console/engine/preference_rules.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

namespace {

constexpr int kBands = 4;

// Only digits and blanks can be typed into the grid.
class DigitsDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
      line->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9 ]*"), line));
    return editor;
  }
};

}  // namespace

TS2Lset::TS2Lset(std::function<QString()> bandFile, std::function<void(int, const QString&, int)> apply,
                 std::function<void(int, int)> applyMinimum, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bandFile_(std::move(bandFile)),
      apply_(std::move(apply)),
      applyMinimum_(std::move(applyMinimum)) {
  setObjectName("S2Lset");
  setWindowTitle("Sound2Light Channels");
  setFixedSize(249, 211);
  oscgrid = new QTableWidget(kBands, 3, this);
  oscgrid->setObjectName("oscgrid");
  oscgrid->setHorizontalHeaderLabels({"Band", "Dimmer-DMX", "Min."});
  oscgrid->verticalHeader()->hide();
  oscgrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  oscgrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  oscgrid->setItemDelegate(new DigitsDelegate(oscgrid));
  for (int b = 0; b < kBands; ++b) {
    auto* label = new QTableWidgetItem("    " + QString::number(b + 1));
    label->setFlags(Qt::ItemIsEnabled);
    oscgrid->setItem(b, 0, label);
    oscgrid->setItem(b, 1, new QTableWidgetItem);
    oscgrid->setItem(b, 2, new QTableWidgetItem);
  }
  const int w = 233;
  oscgrid->setColumnWidth(0, w * 20 / 100);
  oscgrid->setColumnWidth(2, w * 15 / 100);
  oscgrid->setColumnWidth(1, w - w * 20 / 100 - w * 15 / 100 - 8);
  auto* save = new QPushButton("Save", this);
  save->setObjectName("scButton2");
  auto* exit = new QPushButton("Exit", this);
  exit->setObjectName("scButton1");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(oscgrid);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, [this] {
    if (scButton2Click()) close();
  });
  connect(exit, &QPushButton::clicked, this, &QDialog::close);
}

void TS2Lset::showEvent(QShowEvent* event) {
  Readosc();
  QDialog::showEvent(event);
}

void TS2Lset::Readosc() {
  const IniFile ini(bandFile_());
  for (int b = 1; b <= kBands; ++b) {
    const QString section = QString::number(b);
    oscgrid->item(b - 1, 1)->setText(cellFromBandList(ini.readString(section, "DMX", QString())));
    const int minimum = ini.readInteger(section, "Min", 0);
    oscgrid->item(b - 1, 2)->setText(QString::number(minimum));
    if (applyMinimum_) applyMinimum_(b, minimum);
  }
}

bool TS2Lset::scButton2Click() {
  // Every row is checked before anything is written, so a refused row leaves the file whole.
  std::array<QString, kBands> lists;
  std::array<int, kBands> minimums{};
  for (int b = 0; b < kBands; ++b) {
    lists[size_t(b)] = bandListFromCell(oscgrid->item(b, 1)->text());
    if (!bandMinimumFromCell(oscgrid->item(b, 2)->text(), minimums[size_t(b)])) {
      showMessage("Sound2Light Channels",
                  "The minimum of band " + QString::number(b + 1) + " is not a number.", DialogIcon::Error);
      return false;
    }
  }
  IniFile ini(bandFile_());
  for (int b = 1; b <= kBands; ++b) {
    ini.writeString(QString::number(b), "DMX", lists[size_t(b - 1)]);
    ini.writeInteger(QString::number(b), "Min", minimums[size_t(b - 1)]);
  }
  if (!ini.save()) {
    showMessage("Sound2Light Channels",
                "The band file " + bandFile_() + " could not be written.\n" + ini.errorString(),
                DialogIcon::Error);
    return false;
  }
  for (int b = 1; b <= kBands; ++b)
    if (apply_) apply_(b, lists[size_t(b - 1)], minimums[size_t(b - 1)]);
  return true;
}
