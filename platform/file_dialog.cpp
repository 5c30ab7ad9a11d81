#include "platform/file_dialog.h"

#include "platform/message_dialog.h"

namespace {

FileDialogHandler& handler() {
  static FileDialogHandler h;
  return h;
}

FileDialogHandler& presenter() {
  static FileDialogHandler p;
  return p;
}

}  // namespace

void setFileDialogHandler(FileDialogHandler h) { handler() = std::move(h); }

void setFileDialogPresenter(FileDialogHandler p) { presenter() = std::move(p); }

QString chooseFile(const FileDialogSpec& spec) {
  if (handler()) return handler()(spec);
  // A run whose message dialogs answer themselves (tests, VQ_DIALOG_LOG) has no one to choose a file.
  if (dialogsAnsweredWithoutWindows() || !presenter()) return {};
  return presenter()(spec);
}
