#include "platform/ui/file_chooser.h"

#include <QFileDialog>

#include "platform/file_dialog.h"
#include "platform/ui/dialog_owner.h"

namespace {

QString showFileDialog(const FileDialogSpec& spec) {
  QFileDialog dialog(spec.parent, spec.title, spec.directory, spec.filter);
  openAbove(dialog, dialogOwner(spec.parent));
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

}  // namespace

void installFileChoosers() { setFileDialogPresenter(showFileDialog); }
