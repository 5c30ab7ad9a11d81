#pragma once

// The programs' real dialogs: message boxes for every dialog that no test handler answers.

// Installs the message boxes as the dialog presenter (once, before the first dialog).
void installMessageBoxes();
