#pragma once

// The programs' real dialogs: message boxes for every dialog that no test handler answers.
//
// A question asked again (same title and text) while its box is still open opens no second box:
// the second asker waits for the open one and gets the same answer.
// With VQ_DIALOG_DELAY_MS set, each box answers itself after that many milliseconds (tests that run
// the real modal and its nested event loop).

// Installs the message boxes as the dialog presenter (once, before the first dialog).
void installMessageBoxes();

// The program is ending: every open box closes at once with its Cancel answer, or its default
// answer when it has no Cancel button.
void closeOpenMessageBoxes();
