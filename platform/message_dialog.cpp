#include "platform/message_dialog.h"

#include <QFile>
#include <QStringList>

namespace {
DialogHandler& handler() {
  static DialogHandler h;
  return h;
}

DialogHandler& presenter() {
  static DialogHandler p;
  return p;
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

}  // namespace

void setDialogHandler(DialogHandler h) { handler() = std::move(h); }
void setDialogPresenter(DialogHandler p) { presenter() = std::move(p); }

bool dialogsAnsweredWithoutWindows() {
  return bool(handler()) || !qEnvironmentVariable("VQ_DIALOG_LOG").isEmpty();
}

DialogResult showMessage(const MessageSpec& spec) {
  if (handler()) return handler()(spec);
  DialogResult result;
  if (answerFromEnvironment(spec, result)) return result;
  // Without a user interface (a program or test that installed none) the default button answers.
  return presenter() ? presenter()(spec) : defaultAnswer(spec);
}

DialogResult showMessage(const QString& title, const QString& text, DialogIcon icon, DialogButtons buttons) {
  MessageSpec spec;
  spec.title = title;
  spec.text = text;
  spec.icon = icon;
  spec.buttons = buttons;
  return showMessage(spec);
}
