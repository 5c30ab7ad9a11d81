#include "platform/question.h"

#include <QStringList>

MessageSpec messageSpec(const QString& title, const QString& text, DialogIcon icon, DialogButtons buttons) {
  MessageSpec m;
  m.title = title;
  m.text = text;
  m.icon = icon;
  m.buttons = buttons;
  return m;
}

MessageSpec messageSpecBeside(QWidget* parent, QPoint offset, const QString& title, const QString& text,
                              DialogIcon icon, DialogButtons buttons) {
  MessageSpec m = messageSpec(title, text, icon, buttons);
  m.place = MessageSpec::Place::OffsetFromParent;
  m.position = offset;
  m.parent = parent;
  return m;
}

DialogResult defaultAnswer(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
    case DialogButtons::OkCancel:
      return DialogResult::Ok;
    case DialogButtons::Cancel:
      return DialogResult::Cancel;
    case DialogButtons::Retry:
      return DialogResult::Retry;
    case DialogButtons::YesNo:
      return DialogResult::Yes;
    case DialogButtons::Custom:
      return DialogResult::Cancel;
  }
  return DialogResult::Ok;
}

DialogResult defaultAnswer(const MessageSpec& spec) {
  if (spec.buttons == DialogButtons::Custom && !spec.customButtons.empty())
    return spec.customButtons.front().second;
  return defaultAnswer(spec.buttons);
}

QString buttonsText(const MessageSpec& spec) {
  if (spec.buttons != DialogButtons::Custom) return buttonsText(spec.buttons);
  QStringList captions;
  for (const auto& [caption, result] : spec.customButtons) captions << QString(caption).remove('&');
  return captions.join(',');
}

QString buttonsText(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
      return "OK";
    case DialogButtons::Cancel:
      return "Cancel";
    case DialogButtons::Retry:
      return "Retry";
    case DialogButtons::YesNo:
      return "Yes,No";
    case DialogButtons::OkCancel:
      return "OK,Cancel";
    case DialogButtons::Custom:
      return {};
  }
  return {};
}

QString answerText(DialogResult result) {
  switch (result) {
    case DialogResult::Ok:
      return "OK";
    case DialogResult::Cancel:
      return "Cancel";
    case DialogResult::Retry:
      return "Retry";
    case DialogResult::Yes:
      return "Yes";
    case DialogResult::No:
      return "No";
  }
  return {};
}
