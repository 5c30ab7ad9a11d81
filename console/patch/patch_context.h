#pragma once

// What the soft patch and fixture map file operations need from the rest of the console: the
// channel count and settings they run under, the side-file names (which making a new patch or map
// may change), and the few services that belong to the windows (open dialog, intensity lookup, hint
// reload, pumped waits) and the operator its questions and messages are put to.

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "platform/operator.h"

struct OpenFileRequest {
  QString filter;      // e.g. "Softpatch Files (*.spch)|*.SPCH"
  QString defaultExt;  // without the dot
  QString title;
  QString fileName;  // initial file name
  bool mustExist = true;
  QString initialFolder;  // the folder the dialog starts in; empty: its own choice
};

// Outcome of a file operation. A failure carries the text the application's error handler is given
// (a missing file reads "File not found: ..." so the handler answers with its soft patch message).
struct PatchFileResult {
  enum class Status { Ok, FileError, ConversionError, Refused };
  Status status = Status::Ok;
  QString error;
  bool notWritten = false;  // a save stopped because a file could not be written

  bool ok() const { return status == Status::Ok; }
  static PatchFileResult success() { return {}; }
  static PatchFileResult fileError(const QString& text) { return {Status::FileError, text}; }
  static PatchFileResult conversionError(const QString& text) { return {Status::ConversionError, text}; }
  static PatchFileResult refused() { return {Status::Refused, QString()}; }
};

struct PatchContext {
  PatchContext(QString& patchFileName, QString& fixtureMapName)
      : PatchFileName(patchFileName), FixtureMapName(fixtureMapName) {}

  // Side-file names, bound to the console's own fields: NewPatch and Newmapfile rename them to
  // follow the cue file when FileSource is off.
  QString& PatchFileName;
  QString& FixtureMapName;

  QString CueFileName;
  QString SceneFileName;
  QString GroupFileName;
  // The program's folder: the shipped "VqLighting.spch" and the repertory-plot "rep_plot.spch".
  QString programFolder;

  int MaxChannels = 512;
  bool FileSource = true;
  bool UseRepPlot = false;
  int WarmUpLevel = 0;

  // The open dialog of the main window; an empty result means it was cancelled. Unset: cancelled.
  std::function<QString(const OpenFileRequest&)> openFile;
  // 0-based level-edit index of the intensity channel of the fixture at a start address.
  std::function<int(int startAddress)> ledintens;
  // The main window reloads its hints and bump tags from the saved patch.
  std::function<void()> refreshChannelHints;
  // Pumped waits on the console's clock; unset (the files handled without a console), a wait only
  // lets the events pending now run.
  std::function<void(int ms)> waitPumped;
  std::function<void()> pumpEvents;
  // Who the questions and messages are put to (the window places those that stand relative to it).
  // Always set where a question can be asked.
  std::shared_ptr<Operator> operatorToAsk;
};

namespace patch {
// The path with its extension (the part after the last dot of the file name) replaced by `ext`,
// which includes the dot; appended when the name has none.
QString changeFileExt(const QString& path, const QString& ext);
// Copies source over destination, replacing it. Copying a file onto itself leaves it as it is.
PatchFileResult copyOver(const QString& source, const QString& destination);
// Writes the whole file at once (platform/atomic_file.h): it is either fully replaced or left as it
// was. The bytes go to `tempName` in the file's folder when given, else to the platform's temporary
// beside the file. A folder that does not exist is a missing file.
PatchFileResult writeWholeFile(const QString& path, const QByteArray& bytes, const QString& tempName = {});
// The text of a missing-file error, as the application's error handler expects it.
QString fileNotFound(const QString& path);
// The pumped waits of the context (unset: the events pending now run, nothing waits).
void waitPumped(const PatchContext& ctx, int ms);
void pumpEvents(const PatchContext& ctx);
// The operator of the context.
Operator& operatorOf(const PatchContext& ctx);
}  // namespace patch
