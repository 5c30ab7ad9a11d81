#include "platform/message_dialog.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace {
DialogHandler& handler() {
  static DialogHandler h;
  return h;
}

QString escaped(QString text) {
  text.replace('\\', "\\\\");
  text.replace('\n', "\\n");
  text.replace('\r', "\\r");
  text.replace('\t', "\\t");
  return text;
}

DialogResult parseAnswer(const QString& word, const MessageSpec& spec) {
  const QString w = word.trimmed().toLower();
  if (w == "ok") return DialogResult::Ok;
  if (w == "cancel") return DialogResult::Cancel;
  if (w == "retry") return DialogResult::Retry;
  if (w == "yes") return DialogResult::Yes;
  if (w == "no") return DialogResult::No;
  for (const auto& [caption, result] : spec.customButtons)
    if (QString(caption).remove('&').toLower() == w) return result;
  return defaultAnswer(spec);
}

// When VQ_DIALOG_LOG names a file, dialogs are logged there and answered at once: by the next word
// of VQ_DIALOG_ANSWERS, or by their default button. This lets a whole program run unattended.
bool answerFromEnvironment(const MessageSpec& spec, DialogResult& result) {
  const QString logPath = qEnvironmentVariable("VQ_DIALOG_LOG");
  if (logPath.isEmpty()) return false;
  static int consumed = 0;
  const QStringList answers = qEnvironmentVariable("VQ_DIALOG_ANSWERS").split(',', Qt::SkipEmptyParts);
  result = consumed < answers.size() ? parseAnswer(answers[consumed++], spec) : defaultAnswer(spec);
  QFile log(logPath);
  if (log.open(QIODevice::Append)) {
    const QString line = escaped(spec.title) + '\t' + escaped(spec.text) + '\t' + buttonsText(spec) + '\t' +
                         answerText(result) + '\n';
    log.write(line.toUtf8());
  }
  return true;
}

DialogResult showReal(const MessageSpec& spec) {
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

void setDialogHandler(DialogHandler h) { handler() = std::move(h); }

bool dialogsAnsweredWithoutWindows() {
  return bool(handler()) || !qEnvironmentVariable("VQ_DIALOG_LOG").isEmpty();
}

DialogResult showMessage(const MessageSpec& spec) {
  if (handler()) return handler()(spec);
  DialogResult result;
  if (answerFromEnvironment(spec, result)) return result;
  return showReal(spec);
}

DialogResult showMessage(const QString& title, const QString& text, DialogIcon icon, DialogButtons buttons) {
  MessageSpec spec;
  spec.title = title;
  spec.text = text;
  spec.icon = icon;
  spec.buttons = buttons;
  return showMessage(spec);
}
