#pragma once

// Where the console's windows stand on the screen.
//
// A window's place is kept as its client area, the part inside the window manager's frame: that is
// what Qt puts exactly where it is asked to, whether the frame is known yet or not, so a place taken
// from a window reopens it at the same spot. Every window is fitted inside the available area of
// its screen with its frame counted (its title bar and close control on screen) and clear of the
// main window's menus.

#include <QMargins>
#include <QRect>

class QWidget;

// The client rectangle nearest to `client` whose window, with `frame` around it, lies inside
// `available` and off `keepClear` (empty: nothing to keep clear). A window larger than the area is
// made smaller when `resizable`, else its top left corner is kept inside.
QRect fitClientRect(QRect client, QMargins frame, QRect available, QRect keepClear, bool resizable);

// The frame the window manager puts around `w`: its own once it has one, else that of `other` (a
// window already on screen), else none.
QMargins windowFrame(const QWidget& w, const QWidget* other = nullptr);

// The menus of `mainWindow`'s menu bar on the screen; empty when it shows none.
QRect menusOnScreen(const QWidget* mainWindow);

// Puts window `w` with its client area at `client`, fitted inside the screen under it with its
// frame counted and clear of `mainWindow`'s menus. Once the window manager has framed it, the window
// is fitted once more with its real frame.
void placeWindow(QWidget& w, QRect client, const QWidget* mainWindow);

// The client rectangle of `w` as it stands: what placeWindow takes back.
QRect clientRect(const QWidget& w);
