#pragma once

// The console's shared helpers: conversions that never fail, minimum and maximum, DPI scaling,
// file copy, splitting delimited text, hex dump, waits that keep the windows responsive, a font kept
// in one settings key, and the log writer. No state of their own.

#include <QByteArray>
#include <QFont>
#include <QString>
#include <vector>

class IniFile;
class Operator;

using arStr = std::vector<QByteArray>;

// A font as the settings file keeps it: name, character set, colour (0x00BBGGRR), size in points and
// style bits (bold 1, italic 2, underline 4, strike-out 8).
struct TFont {
  QString Name = "Segoe UI";
  int Charset = 1;
  int Color = 0;
  int Size = 9;
  int Style = 0;
  QFont toQFont() const;
};

// Scaled to the screen density the windows set (96 dots per inch until they do).
int DpiScale(int n);
void setScreenDensity(int ppi);
// The same with the screen density given (tests, and windows on another screen).
int DpiScaleAt(int n, int ppi);
// n * num / den rounded to the nearest integer, halves away from zero, in 64 bits.
int MulDiv(int n, int num, int den);

int StrToIntSafe(const QString& s);
int AnsiToIntSafe(const QByteArray& s);
double StrToFloatSafe(const QString& s);
// Copies source to destination in 1 MiB blocks; throws std::runtime_error when either side fails.
void CopyFileStream(const QString& source, const QString& destination);

// Appends "hh:nn:ss.zzz - text" to LogFile.txt in the current directory, then lets pending events
// run. A log that cannot be written is reported once (to the operator set below) and never stops the
// caller.
void WriteLog(const QString& text);
// Who a log that cannot be written is reported to; none (the default): it is not reported.
void setLogOperator(Operator* op);

arStr SplitStr(const QByteArray& s, char sep);

QByteArray HexDump(const QByteArray& bytes);

void SaveFont(IniFile& ini, const QString& section, const TFont& font);
void LoadFont(const IniFile& ini, const QString& section, TFont& font);
