#pragma once

// The programs' real file and folder choosers, behind chooseFile.

// Installs the file dialogs as the chooser presenter (once, before the first chooser).
void installFileChoosers();
