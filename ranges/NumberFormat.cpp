#include "NumberFormat.h"

#include "../base/MrtError.h"

#include <QLocale>
#include <cfloat>
#include <cmath>

QString FormatFloat(double value, const QString& pattern) {
    int end = 0;
    int decimals = 0;
    bool afterPoint = false;
    while (end < pattern.size()) {
        const QChar c = pattern[end];
        if (c == QLatin1Char('.') && !afterPoint) {
            afterPoint = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (afterPoint) ++decimals;
        } else {
            break;
        }
        ++end;
    }
    const QString literal = pattern.mid(end);
    if (std::isnan(value)) return QStringLiteral("NAN") + literal;
    if (std::isinf(value)) return (value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF")) + literal;

    const long double scaled = static_cast<long double>(value) * std::pow(10.0L, decimals);
    const long double rounded = std::round(scaled); // halves go away from zero
    if (std::fabs(rounded) >= 1e18L) return QString::number(value, 'f', decimals) + literal;

    const long long whole = static_cast<long long>(rounded);
    QString digits = QString::number(whole < 0 ? -whole : whole);
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    }
    if (whole < 0) digits.prepend(QLatin1Char('-'));
    return digits + literal;
}

double StrToFloat(const QString& text) {
    // The whole text must be the number: no group separators, no blanks around it.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || text.trimmed().size() != text.size())
        throw EMrtError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

float StrToSingle(const QString& text) {
    const double value = StrToFloat(text);
    const float single = static_cast<float>(value);
    if (!std::isfinite(single))
        throw EMrtError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return single;
}
