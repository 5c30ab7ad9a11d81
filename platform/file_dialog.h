#pragma once

// File and folder choosers. Every one of the console's choosers goes through here, so tests (and
// an unattended whole program) can answer them.

#include <QString>
#include <functional>

class QWidget;

struct FileDialogSpec {
  enum class Kind { Open, Save, Folder } kind = Kind::Open;
  QString title;
  QString filter;         // Qt form: "Cue Files (*.lcue *.LCUE)"
  QString defaultSuffix;  // without the dot
  QString directory;      // where the chooser starts
  QString fileName;       // the name it proposes
  QWidget* parent = nullptr;
};

// The chosen path, empty when the chooser was cancelled.
QString chooseFile(const FileDialogSpec& spec);

// Replaces the real choosers (tests). An empty function restores them.
using FileDialogHandler = std::function<QString(const FileDialogSpec&)>;
void setFileDialogHandler(FileDialogHandler handler);
// The real choosers: the user interface installs how they are shown (platform/ui/file_chooser.h).
// Without one, every chooser is cancelled.
void setFileDialogPresenter(FileDialogHandler presenter);
