#pragma once

// Whether the captions of a window fit their controls in the window's fonts and style: used by the
// screenshot tool's report and by the window tests.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWidget>

// The captions of the visible labels and buttons of `window` that are wider than the room their
// control gives them, each described with what it needs and what it has.
inline QStringList clippedCaptions(QWidget* window) {
  QStringList found;
  for (QLabel* l : window->findChildren<QLabel*>()) {
    if (!l->isVisibleTo(window) || l->text().isEmpty() || l->wordWrap() || l->textFormat() == Qt::RichText)
      continue;
    const int need = l->fontMetrics().horizontalAdvance(l->text());
    const int room = l->contentsRect().width() - 2 * l->margin() - 2 * std::max(0, l->indent());
    if (need > room) found << QString("label \"%1\" needs %2 px, has %3").arg(l->text()).arg(need).arg(room);
  }
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (!b->isVisibleTo(window) || b->text().isEmpty()) continue;
    if (qobject_cast<QToolButton*>(b)) continue;  // the tool bar checks its own buttons
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    const QStyle::SubElement contents = qobject_cast<QCheckBox*>(b)      ? QStyle::SE_CheckBoxContents
                                        : qobject_cast<QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                                         : QStyle::SE_PushButtonContents;
    const int room = b->style()->subElementRect(contents, &option, b).width();
    const int need = b->fontMetrics().horizontalAdvance(QString(b->text()).remove('&'));
    if (need > room) found << QString("button \"%1\" needs %2 px, has %3").arg(b->text()).arg(need).arg(room);
  }
  return found;
}
