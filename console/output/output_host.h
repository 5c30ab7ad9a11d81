#pragma once

// What the DMX output side needs from the main window besides the engine state (ConsoleState): the
// fade timer, the live/blind switch and the two places trace lines go. Tform1 implements it (or
// hands an adapter); tests implement it with a recorder.

#include <QString>

class OutputHost {
 public:
  virtual ~OutputHost() = default;

  // The fade timer: frame traces are suppressed while it runs; a lost interface stops it.
  virtual bool fadeTimerActive() const = 0;
  virtual void stopFadeTimer() = 0;
  // The live/blind toggle of the main window (btnLiveclicked): called when no interface is found
  // while the console is live.
  virtual void btnLiveclicked() = 0;
  // A line for the inspection tool's log. The output side has already applied the LogLevel rule.
  virtual void toolLog(const QString& line) = 0;
  // A line for the log file (WriteLog). The output side has already applied the LogLevel rule.
  virtual void writeLog(const QString& line) = 0;
  // An entry of the inspection tool's device list; `select` makes it the selected entry.
  virtual void addDevice(const QString& entry, bool select) = 0;
};
