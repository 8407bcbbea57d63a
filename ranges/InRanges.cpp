#include "InRanges.h"

#include "NumberFormat.h"

const std::array<QString, 3> WiringNames = {QStringLiteral("2 wire"), QStringLiteral("3 wire"),
                                            QStringLiteral("4 wire")};

QString EngText(const IRange& range, double value) {
    return FormatFloat(value, range.EngFormat);
}

namespace {
const QString uV = QStringLiteral(" \u00B5V");
const QString Ohm = QStringLiteral(" Ohm");
const QString mV = QStringLiteral(" mV");
const QString degC = QStringLiteral(" \u00B0C");
const QString F0 = QStringLiteral("0");
const QString F1 = QStringLiteral("0.0");
const QString F2 = QStringLiteral("0.00");
const QString F3 = QStringLiteral("0.000");
} // namespace

const std::array<IRange, InRangeCount> InRanges = {{
    {QStringLiteral("T/C Type B"), F0, F1, uV, degC, false, 13820.0f, 500.0f, 1820.0f},
    {QStringLiteral("T/C Type E"), F0, F1, uV, degC, false, 76370.0f, -200.0f, 1000.0f},
    {QStringLiteral("T/C Type J"), F0, F1, uV, degC, false, 69555.0f, -210.0f, 1200.0f},
    {QStringLiteral("T/C Type K"), F0, F1, uV, degC, false, 54886.0f, -200.0f, 1372.0f},
    {QStringLiteral("T/C Type N"), F0, F1, uV, degC, false, 47514.0f, -200.0f, 1300.0f},
    {QStringLiteral("T/C Type R"), F0, F1, uV, degC, false, 21101.0f, -50.0f, 1768.0f},
    {QStringLiteral("T/C Type S"), F0, F1, uV, degC, false, 18692.0f, -50.0f, 1768.0f},
    {QStringLiteral("T/C Type T"), F0, F1, uV, degC, false, 20873.0f, -200.0f, 400.0f},
    {QStringLiteral("T/C Type L"), F0, F1, uV, degC, false, 53147.0f, -200.0f, 900.0f},
    {QStringLiteral("T/C Type U"), F0, F1, uV, degC, false, 34320.0f, -200.0f, 600.0f},
    {QStringLiteral("T/C Type C"), F0, F1, uV, degC, false, 37079.0f, 0.0f, 2316.0f},
    {QStringLiteral("Pt100 (385)"), F2, F1, Ohm, degC, true, 375.7f, -200.0f, 800.0f},
    {QStringLiteral("Pt200 (385)"), F2, F1, Ohm, degC, true, 646.6f, -200.0f, 630.0f},
    {QStringLiteral("Pt500 (385)"), F2, F1, Ohm, degC, true, 1616.51f, -200.0f, 630.0f},
    {QStringLiteral("Pt1000 (385)"), F2, F1, Ohm, degC, true, 3233.02f, -200.0f, 630.0f},
    {QStringLiteral("Pt100 (3916)"), F2, F1, Ohm, degC, true, 327.066f, -200.0f, 630.0f},
    {QStringLiteral("Pt100 (3926)"), F2, F1, Ohm, degC, true, 327.786f, -200.0f, 630.0f},
    {QStringLiteral("Ni120 (672)"), F3, F1, Ohm, degC, true, 380.391f, -80.0f, 260.0f},
    {QStringLiteral("Cu10 (427)"), F3, F1, Ohm, degC, true, 19.115f, -100.0f, 260.0f},
    {QStringLiteral("Resistance"), F0, F0, Ohm, Ohm, true, 10000.0f, 0.0f, 10000.0f},
    {QStringLiteral("Linear mV"), F0, F0, mV, mV, false, 4000.0f, 0.0f, 4000.0f},
    {QStringLiteral("Potentiometer"), F0, F0, Ohm, Ohm, false, 10000.0f, 0.0f, 10000.0f},
}};

int RangeToCode(int rangeIndex, int wiringIndex) {
    if (wiringIndex == -1) wiringIndex = 0;
    if (rangeIndex >= 0 && rangeIndex <= 10) return rangeIndex;
    if (rangeIndex >= 11 && rangeIndex <= 19) return 11 + 3 * (rangeIndex - 11) + wiringIndex;
    if (rangeIndex == 20) return 38;
    if (rangeIndex == 21) return 39;
    return 0;
}

int CodeToRange(unsigned code, int& wiringIndex) {
    wiringIndex = 0;
    if (code <= 10) return static_cast<int>(code);
    if (code <= 37) {
        wiringIndex = static_cast<int>((code - 11) % 3);
        return 11 + static_cast<int>((code - 11) / 3);
    }
    if (code == 38) return 20;
    if (code == 39) return 21;
    return 0;
}

QString SpanError(int rangeIndex, float euMin, float euMax) {
    const IRange& row = InRanges[rangeIndex >= 0 && rangeIndex < InRangeCount ? rangeIndex : 0];
    if (euMin >= row.EuMin && euMax <= row.EuMax && euMin < euMax) return QString();
    return QStringLiteral("Invalid input range. Valid range must be between ") +
           FormatFloat(row.EuMin, row.EngFormat) + QStringLiteral(" to ") +
           FormatFloat(row.EuMax, row.EngFormat);
}

QString CalFullQuestion(int rangeIndex, float value) {
    const IRange& row = InRanges[rangeIndex >= 0 && rangeIndex < InRangeCount ? rangeIndex : 0];
    if (double(value) >= 0.1 * double(row.RawFullScale)) return QString();
    return QStringLiteral("The full scale value ") + QString::number(double(value), 'g', 7) + row.RawUnit +
           QStringLiteral(" is below a tenth of the full scale signal of ") + row.Name +
           QStringLiteral(" (") + FormatFloat(row.RawFullScale, row.RawFormat) + row.RawUnit +
           QStringLiteral("). Calibrate full scale at this value all the same?");
}

QString CalFullError(int rangeIndex, float value) {
    const IRange& row = InRanges[rangeIndex >= 0 && rangeIndex < InRangeCount ? rangeIndex : 0];
    const double highest = 1.5 * double(row.RawFullScale);
    if (value > 0 && double(value) <= highest) return QString();
    return QStringLiteral("Invalid full scale value. The full scale signal of ") + row.Name +
           QStringLiteral(" is ") + FormatFloat(row.RawFullScale, row.RawFormat) + row.RawUnit +
           QStringLiteral("; the value must lie above 0 and not above ") +
           FormatFloat(highest, row.RawFormat) + row.RawUnit;
}
