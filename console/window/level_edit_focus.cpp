// A level edit selects its whole text when it is entered, so typing "25" over "0" gives 25.

#include <QFocusEvent>
#include <QMouseEvent>
#include <utility>

#include "console/window/main_window.h"

void LevelEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // A click places the cursor after focus arrives: the selection is made once the button is up,
  // unless the click dragged a selection of its own.
  if (event->reason() == Qt::MouseFocusReason)
    selectOnRelease_ = true;
  else
    selectAll();
}

void LevelEdit::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (!std::exchange(selectOnRelease_, false)) return;
  if (!hasSelectedText()) selectAll();
}
