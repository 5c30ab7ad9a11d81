#include "platform/ui/dialog_owner.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

QWidget* dialogOwner(QWidget* asked) {
  if (asked) return asked->window();
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return nullptr;
}

void openAbove(QWidget& dialog, QWidget* owner) {
  QWidget* top = owner ? owner->window() : nullptr;
  if (!top || top == &dialog) return;
  // The flags first: changing them later makes the native window again and loses its owner.
  if (top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
      !dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  top->winId();
  dialog.winId();
  if (dialog.windowHandle() && top->windowHandle())
    dialog.windowHandle()->setTransientParent(top->windowHandle());
}
