#pragma once

#include <QString>
#include <functional>

#include "platform/question.h"

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
// names a file): the program's other dialogs (file choices) then open no window either.
bool dialogsAnsweredWithoutWindows();
// The real dialogs: the user interface installs how they are shown (platform/ui/message_box.h).
// Without one, every dialog gets its default answer.
void setDialogPresenter(DialogHandler presenter);
