#include "platform/file_dialog.h"

#include <QFileDialog>

#include "platform/message_dialog.h"

namespace {

FileDialogHandler& handler() {
  static FileDialogHandler h;
  return h;
}

}  // namespace

void setFileDialogHandler(FileDialogHandler h) { handler() = std::move(h); }

QString chooseFile(const FileDialogSpec& spec) {
  if (handler()) return handler()(spec);
  // A run whose message dialogs answer themselves (tests, VQ_DIALOG_LOG) has no one to choose a file.
  if (dialogsAnsweredWithoutWindows()) return {};
  QFileDialog dialog(spec.parent, spec.title, spec.directory, spec.filter);
  switch (spec.kind) {
    case FileDialogSpec::Kind::Open:
      dialog.setFileMode(QFileDialog::ExistingFile);
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      break;
    case FileDialogSpec::Kind::Save:
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      break;
    case FileDialogSpec::Kind::Folder:
      dialog.setFileMode(QFileDialog::Directory);
      dialog.setOption(QFileDialog::ShowDirsOnly);
      break;
  }
  if (!spec.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(spec.defaultSuffix);
  if (!spec.fileName.isEmpty()) dialog.selectFile(spec.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}
