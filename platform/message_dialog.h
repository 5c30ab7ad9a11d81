#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QWidget;

enum class DialogIcon { Warning, Error, Information, Confirmation };
enum class DialogButtons { Ok, Cancel, Retry, YesNo, OkCancel, Custom };
enum class DialogResult { Ok, Cancel, Retry, Yes, No };

struct MessageSpec {
  QString title;
  QString text;
  DialogIcon icon = DialogIcon::Information;
  DialogButtons buttons = DialogButtons::Ok;
  // Placement: at the dialog's default place, at a screen position, or at an offset from the
  // top-left corner of the window that raises it.
  enum class Place { Default, Screen, OffsetFromParent } place = Place::Default;
  QPoint position;
  QWidget* parent = nullptr;
  // Buttons of their own (DialogButtons::Custom): caption and the answer it gives, the first being
  // the default. "&" marks a caption's accelerator key.
  std::vector<std::pair<QString, DialogResult>> customButtons;
  // The text is rich text (bold words).
  bool richText = false;
};

// Shows a modal message dialog and returns the answer. Every dialog of the programs goes through here.
DialogResult showMessage(const MessageSpec& spec);

// Short forms for the common cases.
DialogResult showMessage(const QString& title, const QString& text, DialogIcon icon,
                         DialogButtons buttons = DialogButtons::Ok);

// The answer a dialog gives when nobody chooses: its default button.
DialogResult defaultAnswer(DialogButtons buttons);
DialogResult defaultAnswer(const MessageSpec& spec);
QString buttonsText(DialogButtons buttons);
QString buttonsText(const MessageSpec& spec);
QString answerText(DialogResult result);

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
