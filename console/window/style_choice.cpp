// Choosing a window style in the tool bar's style box.

#include <QComboBox>

#include "console/engine/console_settings.h"
#include "console/window/main_window.h"
#include "console/window/styles.h"
#include "platform/ini_file.h"

void Tform1::scComboBox1Change(const QString& name) {
  if (name == activeStyleName() || !applyStyle(name)) return;
  S.Style = name;
  // The tool bar's box names the style in use, wherever it was chosen.
  if (auto* box = findChild<QComboBox*>("scComboBox1")) box->setCurrentText(name);
  // The choice holds for the next start as well.
  IniFile ini(S.MainIniFile);
  writeStyleSetting(ini, S);
  ini.saveIfModified();
  // A cue list drawn in the style's skin colour follows the new style.
  SetColor();
}
