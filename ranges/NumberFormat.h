#pragma once
// Numbers as the window shows and reads them.
//
// A format pattern is a number pattern in which "0" is a digit place and "." the
// decimal point, followed by literal text (a unit). Values are rounded half away
// from zero to the pattern's decimals, with no grouping and no "-0". The period
// is the decimal separator everywhere, in formatting and in parsing.
#include <QString>

QString FormatFloat(double value, const QString& pattern);
inline QString FormatFloat(double value, const QString& pattern, const QString& unit) {
    return FormatFloat(value, pattern + unit);
}

// The whole text as a finite number; anything else raises EMrtError with
// "'<text>' is not a valid floating point value".
double StrToFloat(const QString& text);
// As StrToFloat, rounded to a single; a number that is not finite as a single
// (too large for 32 bits) is not a valid floating point value either.
float StrToSingle(const QString& text);
