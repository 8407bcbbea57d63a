#pragma once
// The numeric entry mask of the eight numeric edits: an optional minus sign, one
// or more digits, an optional period and further optional digits.
#include <QRegularExpression>

inline QRegularExpression NumericMaskExpression() {
    return QRegularExpression(QStringLiteral("\\-?\\d+\\.?\\d+?"));
}
