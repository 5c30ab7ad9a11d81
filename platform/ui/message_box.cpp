#include "platform/ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "platform/message_dialog.h"

namespace {
DialogResult showMessageBox(const MessageSpec& spec) {
  QMessageBox box(spec.parent);
  box.setWindowTitle(spec.title);
  box.setText(spec.text);
  switch (spec.icon) {
    case DialogIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case DialogIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case DialogIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case DialogIcon::Confirmation:
      box.setIcon(QMessageBox::Question);
      break;
  }
  switch (spec.buttons) {
    case DialogButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case DialogButtons::Cancel:
      box.setStandardButtons(QMessageBox::Cancel);
      break;
    case DialogButtons::Retry:
      box.setStandardButtons(QMessageBox::Retry);
      break;
    case DialogButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case DialogButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case DialogButtons::Custom:
      break;
  }
  if (spec.richText) box.setTextFormat(Qt::RichText);
  std::vector<std::pair<QAbstractButton*, DialogResult>> custom;
  for (const auto& [caption, result] : spec.customButtons) {
    QPushButton* b = box.addButton(caption, QMessageBox::ActionRole);
    if (custom.empty()) box.setDefaultButton(b);
    custom.emplace_back(b, result);
  }
  if (spec.place == MessageSpec::Place::Screen) {
    box.move(spec.position);
  } else if (spec.place == MessageSpec::Place::OffsetFromParent && spec.parent) {
    box.move(spec.parent->window()->frameGeometry().topLeft() + spec.position);
  }
  const int code = box.exec();
  for (const auto& [button, result] : custom)
    if (box.clickedButton() == button) return result;
  switch (code) {
    case QMessageBox::Ok:
      return DialogResult::Ok;
    case QMessageBox::Retry:
      return DialogResult::Retry;
    case QMessageBox::Yes:
      return DialogResult::Yes;
    case QMessageBox::No:
      return DialogResult::No;
    default:
      return DialogResult::Cancel;
  }
}
}  // namespace

void installMessageBoxes() { setDialogPresenter(showMessageBox); }
