// Choosing a window style in the tool bar's style box.

#include <QComboBox>

#include "console/engine/console_settings.h"
#include "console/window/main_window.h"
#include "console/window/styles.h"
#include "platform/ini_file.h"

void Tform1::scComboBox1Change(const QString& name) {
  if (name == activeStyleName() || !applyStyle(name)) return;
  S.Style = name;
  // The choice holds for the next start as well.
  IniFile ini(S.MainIniFile);
  writeStyleSetting(ini, S);
  ini.saveIfModified();
  // A cue list drawn in the style's skin colour follows the new style.
  SetColor();
}
