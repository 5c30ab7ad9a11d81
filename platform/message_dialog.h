#pragma once

#include <QString>
#include <functional>

#include "platform/question.h"

class QObject;

// Shows a modal message dialog and returns the answer. Every dialog of the programs goes through here.
DialogResult showMessage(const MessageSpec& spec);

// Short forms for the common cases.
DialogResult showMessage(const QString& title, const QString& text, DialogIcon icon,
                         DialogButtons buttons = DialogButtons::Ok);

// Replaces the real dialogs (tests): the handler sees every dialog and gives its answer.
// An empty function restores the real dialogs.
using DialogHandler = std::function<DialogResult(const MessageSpec&)>;
void setDialogHandler(DialogHandler handler);
// True while message dialogs are answered without a window (a handler is set, or VQ_DIALOG_LOG
// names a file), or while they are answered late by a timer (VQ_DIALOG_DELAY_MS): the program's
// other dialogs (file choices) then open no window either.
bool dialogsAnsweredWithoutWindows();
// The real dialogs: the user interface installs how they are shown (platform/ui/message_box.h).
// Without one, every dialog gets its default answer.
void setDialogPresenter(DialogHandler presenter);

// Questions on screen: how many real dialogs are waiting for their answer now (each runs a nested
// event loop), and a call made from the event loop once none is open any more (posted at once
// when none is open now). A call whose context has gone is dropped.
int openQuestionCount();
void callWhenNoQuestionOpen(QObject* context, std::function<void()> then);

// The program is ending: from now on every dialog gets its default answer at once, without a
// window (and is logged when VQ_DIALOG_LOG names a file).
void answerQuestionsByDefault();

// For the presenter of the real dialogs, when VQ_DIALOG_DELAY_MS is set (tests that run the real
// modal): the delay after which a dialog answers itself, 0 when it waits for the operator, and the
// answer it gives then (the next word of VQ_DIALOG_ANSWERS, or its default button).
int dialogAnswerDelayMs();
DialogResult scriptedAnswer(const MessageSpec& spec);
// Writes the dialog and its answer to the file VQ_DIALOG_LOG names (nothing when it names none).
// A dialog answered late is logged as it appears, with the answer it is going to give.
void logDialog(const MessageSpec& spec, DialogResult result);
