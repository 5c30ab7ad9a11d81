#pragma once

// Which window a modal belongs to, and keeping it above that window.
//
// A window manager stacks a dialog above the window it is transient for, and in that window's
// layer: a modal asked for by a stay-on-top tool window opens above the tool window, not behind
// it. A dialog that names no owner belongs to the window the operator is working in.

class QWidget;

// The window that asked for a modal: `asked`'s window when given, else the modal dialog already on
// screen, else the active window; null when the program has no window up.
QWidget* dialogOwner(QWidget* asked);

// Makes `dialog` (not yet shown) a transient of `owner`'s window, so that it opens and stays above
// it; a stay-on-top owner makes the dialog stay on top too. Nothing when `owner` is null or is the
// dialog itself.
void openAbove(QWidget& dialog, QWidget* owner);
