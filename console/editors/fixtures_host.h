#pragma once

// What the fixtures window and the fixture type editor need of the main window. The comments name
// the main window's part each method stands for.

#include <QString>
#include <array>

#include "console/patch/patch_context.h"

struct ConsoleState;
struct PatchGrid;
class QWidget;

class FixturesHost {
 public:
  virtual ~FixturesHost() = default;
  // The engine state: channel count, output buffer, patch tables, fixture map, settings, flags.
  virtual ConsoleState& state() = 0;
  // The soft patch context of the open show and the soft patch grid.
  virtual PatchContext patchContext() = 0;
  virtual PatchGrid& patchGrid() = 0;
  // The scene played by each bump key F5..F12 (0 = none), for the soft patch's bump-key check.
  virtual std::array<int, 8> bumpSceneTable() { return {}; }
  // The program's folder (library, channel tables, gel files) and the program's own path.
  virtual QString programFolder() = 0;
  virtual QString programPath() = 0;

  // Channel level edits, by 0-based index (channel number - 1).
  virtual int levelEditCount() = 0;
  virtual QString levelEditText(int index) = 0;
  // An ordinary edit: the level path takes it as the operator's change.
  virtual void setLevelEditText(int index, const QString& text) = 0;
  // Shown with UpdatingEdits set: not taken as a change.
  virtual void setLevelEditTextQuietly(int index, const QString& text) = 0;
  // The 0-based edit index of the intensity channel of the fixture at a start address (-1 none).
  virtual int ledintens(int start) = 0;

  // `sendDMX`: the output buffer goes to the interface.
  virtual void sendDMX() = 0;
  // A pumped wait on the console's clock.
  virtual void waitPumped(int ms) = 0;
  // `Loadhints`: the main window rereads the fixture map and its channel hints.
  virtual void refreshChannelHints() {}
  // The open dialog of the main window; empty when cancelled.
  virtual QString openFile(const OpenFileRequest& /*request*/) { return {}; }
  // The application's error handler (file and parse errors that end an operation).
  virtual void reportError(const QString& /*message*/) {}
  // Focus to the cue list.
  virtual void focusCueList() {}
  // Arms the one-shot timer event "colorpicker".
  virtual void armColourPicker() {}
  // A trace line at a level (the inspection tool's log).
  virtual void trace(int /*level*/, const QString& /*line*/) {}
  // The main window, for placing dialogs.
  virtual QWidget* window() { return nullptr; }
};
