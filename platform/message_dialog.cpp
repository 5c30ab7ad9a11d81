#include "platform/message_dialog.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <utility>
#include <vector>

namespace {
DialogHandler& handler() {
  static DialogHandler h;
  return h;
}

DialogHandler& presenter() {
  static DialogHandler p;
  return p;
}

int g_openQuestions = 0;
bool g_defaultsOnly = false;

struct Waiter {
  QPointer<QObject> context;
  std::function<void()> then;
};
std::vector<Waiter>& waiters() {
  static std::vector<Waiter> w;
  return w;
}

void post(const QPointer<QObject>& context, std::function<void()> then) {
  if (context) QTimer::singleShot(0, context.data(), std::move(then));
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

bool answeredAtOnce() {
  return !qEnvironmentVariable("VQ_DIALOG_LOG").isEmpty() && dialogAnswerDelayMs() <= 0;
}

}  // namespace

void logDialog(const MessageSpec& spec, DialogResult result) {
  const QString logPath = qEnvironmentVariable("VQ_DIALOG_LOG");
  if (logPath.isEmpty()) return;
  QFile log(logPath);
  if (log.open(QIODevice::Append)) {
    const QString line = escaped(spec.title) + '\t' + escaped(spec.text) + '\t' + buttonsText(spec) + '\t' +
                         answerText(result) + '\n';
    log.write(line.toUtf8());
  }
}

void setDialogHandler(DialogHandler h) { handler() = std::move(h); }
void setDialogPresenter(DialogHandler p) { presenter() = std::move(p); }

bool dialogsAnsweredWithoutWindows() {
  return bool(handler()) || g_defaultsOnly || !qEnvironmentVariable("VQ_DIALOG_LOG").isEmpty() ||
         dialogAnswerDelayMs() > 0;
}

int dialogAnswerDelayMs() { return qMax(0, qEnvironmentVariableIntValue("VQ_DIALOG_DELAY_MS")); }

// The words of VQ_DIALOG_ANSWERS are taken one per dialog, in the order the dialogs appear.
DialogResult scriptedAnswer(const MessageSpec& spec) {
  static int consumed = 0;
  const QStringList answers = qEnvironmentVariable("VQ_DIALOG_ANSWERS").split(',', Qt::SkipEmptyParts);
  return consumed < answers.size() ? parseAnswer(answers[consumed++], spec) : defaultAnswer(spec);
}

int openQuestionCount() { return g_openQuestions; }

void callWhenNoQuestionOpen(QObject* context, std::function<void()> then) {
  if (g_openQuestions == 0)
    post(context, std::move(then));
  else
    waiters().push_back({context, std::move(then)});
}

void answerQuestionsByDefault() { g_defaultsOnly = true; }

DialogResult showMessage(const MessageSpec& spec) {
  if (handler()) return handler()(spec);
  // When VQ_DIALOG_LOG names a file (and no delay is asked for), dialogs are logged there and
  // answered at once: by the next word of VQ_DIALOG_ANSWERS, or by their default button. This lets
  // a whole program run unattended.
  if (answeredAtOnce() && !g_defaultsOnly) {
    const DialogResult result = scriptedAnswer(spec);
    logDialog(spec, result);
    return result;
  }
  // Without a user interface (a program or test that installed none), or once the program is
  // ending, the default button answers.
  if (!presenter() || g_defaultsOnly) {
    const DialogResult result = defaultAnswer(spec);
    logDialog(spec, result);
    return result;
  }
  ++g_openQuestions;
  struct Closed {
    ~Closed() {
      if (--g_openQuestions > 0) return;
      for (Waiter& w : std::exchange(waiters(), {})) post(w.context, std::move(w.then));
    }
  } closed;
  return presenter()(spec);
}

DialogResult showMessage(const QString& title, const QString& text, DialogIcon icon, DialogButtons buttons) {
  return showMessage(messageSpec(title, text, icon, buttons));
}
