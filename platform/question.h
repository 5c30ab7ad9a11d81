#pragma once

// A question or warning for the operator: its title, text, icon, buttons and placement, and the
// answers it can give. Plain data: the layers below the window put questions without knowing how
// (or whether) a window shows them.

#include <QPoint>
#include <QString>
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

// The common question: title, text, icon and buttons, at the dialog's default place.
MessageSpec messageSpec(const QString& title, const QString& text, DialogIcon icon,
                        DialogButtons buttons = DialogButtons::Ok);
// The same, placed at `offset` from the top-left corner of the window `parent`.
MessageSpec messageSpecBeside(QWidget* parent, QPoint offset, const QString& title, const QString& text,
                              DialogIcon icon, DialogButtons buttons = DialogButtons::Ok);

// The answer a dialog gives when nobody chooses: its default button.
DialogResult defaultAnswer(DialogButtons buttons);
DialogResult defaultAnswer(const MessageSpec& spec);
QString buttonsText(DialogButtons buttons);
QString buttonsText(const MessageSpec& spec);
QString answerText(DialogResult result);
