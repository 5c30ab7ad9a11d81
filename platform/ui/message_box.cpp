#include "platform/ui/message_box.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <list>
#include <optional>
#include <utility>

#include "platform/message_dialog.h"
#include "platform/ui/dialog_owner.h"

namespace {

// A box on screen, with the answer it gave once it is done (before its event loop has returned).
struct OpenBox {
  QString title;
  QString text;
  DialogResult cancelAnswer = DialogResult::Cancel;
  QPointer<QMessageBox> box;
  std::vector<std::pair<QAbstractButton*, DialogResult>> buttons;
  std::optional<DialogResult> answer;
};

std::list<OpenBox>& openBoxes() {
  static std::list<OpenBox> boxes;
  return boxes;
}

QMessageBox::StandardButtons standardButtons(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
      return QMessageBox::Ok;
    case DialogButtons::Cancel:
      return QMessageBox::Cancel;
    case DialogButtons::Retry:
      return QMessageBox::Retry;
    case DialogButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case DialogButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case DialogButtons::Custom:
      break;
  }
  return QMessageBox::NoButton;
}

QMessageBox::Icon boxIcon(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Warning:
      return QMessageBox::Warning;
    case DialogIcon::Error:
      return QMessageBox::Critical;
    case DialogIcon::Information:
      return QMessageBox::Information;
    case DialogIcon::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

DialogResult resultOf(QMessageBox::StandardButton button) {
  switch (button) {
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

// Gives `answer` as if its button had been clicked; false when the box has no such button.
bool clickAnswer(OpenBox& open, DialogResult answer) {
  for (const auto& [button, result] : open.buttons)
    if (result == answer) {
      button->click();
      return true;
    }
  return false;
}

// A second asker of an open question waits for its answer.
DialogResult joinOpen(OpenBox& open) {
  if (!open.answer && open.box) {
    QEventLoop loop;
    QObject::connect(open.box.data(), &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(open.box.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return open.answer.value_or(open.cancelAnswer);
}

DialogResult showMessageBox(const MessageSpec& spec) {
  for (OpenBox& open : openBoxes())
    if (open.title == spec.title && open.text == spec.text && !open.answer) return joinOpen(open);

  QMessageBox box(spec.parent);
  box.setWindowTitle(spec.title);
  box.setText(spec.text);
  box.setIcon(boxIcon(spec.icon));
  box.setStandardButtons(standardButtons(spec.buttons));
  if (spec.richText) box.setTextFormat(Qt::RichText);

  auto& open = openBoxes().emplace_back();
  const auto entry = std::prev(openBoxes().end());
  struct Remove {
    std::list<OpenBox>::iterator it;
    ~Remove() { openBoxes().erase(it); }
  } remove{entry};
  open.title = spec.title;
  open.text = spec.text;
  open.box = &box;
  for (QAbstractButton* b : box.buttons()) open.buttons.emplace_back(b, resultOf(box.standardButton(b)));
  bool first = true;
  for (const auto& [caption, result] : spec.customButtons) {
    QPushButton* b = box.addButton(caption, QMessageBox::ActionRole);
    if (std::exchange(first, false)) box.setDefaultButton(b);
    open.buttons.emplace_back(b, result);
  }
  bool hasCancel = false;
  for (const auto& [button, result] : open.buttons) hasCancel |= result == DialogResult::Cancel;
  open.cancelAnswer = hasCancel ? DialogResult::Cancel : defaultAnswer(spec);

  // The answer is known as soon as a button is clicked, before this box's event loop returns (a
  // box opened later may still be on top of it).
  QObject::connect(&box, &QMessageBox::buttonClicked, &box, [&open](QAbstractButton* clicked) {
    for (const auto& [button, result] : open.buttons)
      if (button == clicked) open.answer = result;
  });

  // A box that names no window belongs to the one the operator is working in; either way it opens
  // above its window.
  openAbove(box, dialogOwner(spec.parent));

  if (spec.place == MessageSpec::Place::Screen) {
    box.move(spec.position);
  } else if (spec.place == MessageSpec::Place::OffsetFromParent && spec.parent) {
    box.move(spec.parent->window()->frameGeometry().topLeft() + spec.position);
  }
  if (const int delay = dialogAnswerDelayMs(); delay > 0) {
    const DialogResult answer = scriptedAnswer(spec);
    logDialog(spec, answer);
    QTimer::singleShot(delay, &box, [&open, answer] {
      if (!clickAnswer(open, answer)) clickAnswer(open, open.cancelAnswer);
    });
  }
  box.exec();
  if (!open.answer) open.answer = open.cancelAnswer;  // closed without a button (Escape, the close box)
  return *open.answer;
}
}  // namespace

void installMessageBoxes() { setDialogPresenter(showMessageBox); }

void closeOpenMessageBoxes() {
  for (OpenBox& open : openBoxes())
    if (open.box && !open.answer && !clickAnswer(open, open.cancelAnswer) && open.box)
      open.box->done(QMessageBox::Cancel);
}
