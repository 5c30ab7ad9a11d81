#pragma once

#include <QString>

// The program folder is the folder of the executable. Files shipped there, and side files the
// programs keep there, are found without regard to case (the historical names mix cases).
QString programFolder();
// The full path of the program's own executable.
QString programPath();

// The path of `name` inside `folder`, matched without regard to case when an entry of another case
// exists; otherwise folder + "/" + name exactly.
QString findFileNoCase(const QString& folder, const QString& name);

// Where the program keeps a side file of this name: an existing file of the program folder (any
// case); else, when the program folder cannot be written, the user's configuration folder; else the
// program folder.
QString sideFilePath(const QString& name);
// The folder settings and side files are written to (the program folder, or the user's
// configuration folder when the program folder cannot be written).
QString writableFolder();
