#pragma once

#include <QString>
#include <QStringList>

// The window styles built into the program, as Qt style sheets.
QStringList builtInStyleNames();
// Applies the style to the whole application; shows the style error and returns false when there
// is no style of that name.
bool applyStyle(const QString& name);
QString activeStyleName();
// The skin colour of a style (0x00BBGGRR), used for the cue list look "style skin".
int styleSkinColour(const QString& name);
