#include "Present.h"

#include "../ranges/CalFlags.h"
#include "../ranges/InRanges.h"
#include "../ranges/NumberFormat.h"
#include "../ranges/OutRanges.h"
#include "../ranges/ReportTexts.h"
#include "Settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {
const QString Tenths = QStringLiteral("0.0");

const IRange& InRow(const Msg::TInputReport& input, int& wiring) {
    return InRanges[CodeToRange(input.RangeCode, wiring)];
}

// The output range's row; a report naming no known range shows the first.
const ORange& OutRow(const Msg::TOutputReport& output) {
    return OutRanges[output.Range < OutRangeCount ? output.Range : 0];
}

using ReportText::CalFlag;
using ReportText::YesNo;

QString ModeText(uint8_t mode) {
    return ReportText::Mode(mode != 0);
}

std::optional<float> OutputValue(const Msg::TOutputReport& o) {
    return CalcOutput(o.Range, o.ZeroCode, o.FullCode, o.DacCode);
}
QString PresentOutput(const Msg::TOutputReport& o) {
    return OutputText(o.Range, OutputValue(o));
}
// The output as the number the window shows, without its unit: the range's
// Format decides the places.
QString OutputNumber(const Msg::TOutputReport& o) {
    const std::optional<float> value = OutputValue(o);
    return value ? FormatFloat(*value, OutRow(o).Format) : QString();
}
QJsonValue OutputJson(const Msg::TOutputReport& o) {
    const QString number = OutputNumber(o);
    return number.isEmpty() ? QJsonValue() : QJsonValue(number.toDouble());
}

// A single as the JSON number that reads back as the same single; JSON has no
// NaN or infinity, so those are null.
QJsonValue Number(float value) {
    if (!std::isfinite(value)) return QJsonValue(QJsonValue::Null);
    return SingleText(value).toDouble();
}
} // namespace

QString ReadText(const Msg::TInputReport& in, const Msg::TOutputReport& out, bool active) {
    int wiring = 0;
    const IRange& row = InRow(in, wiring);
    const ORange& orow = OutRow(out);
    const QString side = active ? QStringLiteral("active") : QStringLiteral("programmed");
    const auto raw = [&](double v) { return FormatFloat(v, row.RawFormat, row.RawUnit); };
    const auto eng = [&](double v) { return FormatFloat(v, row.EngFormat, row.EngUnit); };
    const auto outUnit = [&](double v) { return FormatFloat(v, orow.Format, QLatin1Char(' ') + orow.Unit); };
    const QString flagged = QStringLiteral(" (flagged by the transmitter)");
    QStringList lines;
    lines << QStringLiteral("Input range (%1): %2%3").arg(side, row.Name, in.RangeFlag ? QString() : flagged)
          << QStringLiteral("Wiring: %1").arg(WiringNames[wiring])
          << QStringLiteral("Raw: %1").arg(raw(in.Raw)) << QStringLiteral("Eng: %1").arg(eng(in.Eng))
          << QStringLiteral("Zero: %1").arg(raw(0)) << QStringLiteral("FS: %1").arg(raw(row.RawFullScale))
          << QStringLiteral("Eumin: %1").arg(eng(in.EuMin)) << QStringLiteral("Eumax: %1").arg(eng(in.EuMax))
          << QStringLiteral("Seebeck: %1").arg(raw(in.Seebeck))
          << QStringLiteral("TA (°C): %1").arg(FormatFloat(in.Ta, Tenths))
          << QStringLiteral("TCAL (°C): %1").arg(FormatFloat(in.TCal, Tenths));
    lines
        << QStringLiteral("Output range (%1): %2%3").arg(side, orow.Name, out.RangeFlag ? QString() : flagged)
        << QStringLiteral("Zero DAC code: %1").arg(out.ZeroCode)
        << QStringLiteral("FS DAC code: %1").arg(out.FullCode)
        << QStringLiteral("Outmin: %1").arg(outUnit(out.OutMin))
        << QStringLiteral("Outmax: %1").arg(outUnit(out.OutMax))
        << QStringLiteral("Invert: %1").arg(YesNo(out.Invert != 0))
        << QStringLiteral("Output: %1").arg(PresentOutput(out))
        << QStringLiteral("Alarm limit: %1").arg(eng(out.AlarmLimit))
        << QStringLiteral("Deadband: %1").arg(eng(out.DeadBand))
        << QStringLiteral("Enable alarm output: %1").arg(YesNo(out.AlarmFlags & Msg::AlarmEnabledBit))
        << QStringLiteral("Low alarm: %1").arg(YesNo(out.AlarmFlags & Msg::AlarmLowBit))
        << QStringLiteral("Alarm status: %1").arg(ReportText::Activity(out.AlarmState != 0))
        << QStringLiteral("Alarm rback: %1").arg(ReportText::Activity(out.AlarmReadBack == 0));
    uint32_t zeroSet = 0, fullSet = 0;
    FoldCalFlags(in.CalFlags[0], in.CalFlags[1], in.CalFlags[2], in.CalFlags[3], zeroSet, fullSet);
    lines << QStringLiteral("Calibration status: Zero FS");
    for (int r = 0; r < InRangeCount; ++r)
        lines << QStringLiteral("  %1 %2 %3")
                     .arg(InRanges[r].Name, -14)
                     .arg(CalFlag(zeroSet >> r & 1u), -4)
                     .arg(CalFlag(fullSet >> r & 1u));
    for (int r = 0; r < OutRangeCount; ++r)
        lines << QStringLiteral("  %1 %2 %3")
                     .arg(OutRanges[r].Name, -14)
                     .arg(CalFlag(out.ZeroCalFlags >> r & 1u), -4)
                     .arg(CalFlag(out.FullCalFlags >> r & 1u));
    lines << QStringLiteral("Mode: %1").arg(ModeText(out.Mode));
    return lines.join(QLatin1Char('\n'));
}

QString ReadJson(const Msg::TInputReport& in, const Msg::TOutputReport& out, bool active) {
    int wiring = 0;
    const IRange& row = InRow(in, wiring);
    const ORange& orow = OutRow(out);
    const QString side = active ? QStringLiteral("active") : QStringLiteral("programmed");
    QJsonObject input{
        {QStringLiteral("side"), side},
        {QStringLiteral("range"), row.Name},
        {QStringLiteral("range_flag"), in.RangeFlag != 0},
        // The settings file's keys and values; no wiring is null.
        {QStringLiteral("wiring"), row.HasWiring ? QJsonValue(WiringNames[wiring]) : QJsonValue()},
        {QStringLiteral("raw"), Number(in.Raw)},
        {QStringLiteral("raw_unit"), row.RawUnit.trimmed()},
        {QStringLiteral("eng"), Number(in.Eng)},
        {QStringLiteral("eng_unit"), row.EngUnit.trimmed()},
        {QStringLiteral("zero"), 0},
        {QStringLiteral("full_scale"), Number(row.RawFullScale)},
        {QStringLiteral("eu_min"), Number(in.EuMin)},
        {QStringLiteral("eu_max"), Number(in.EuMax)},
        {QStringLiteral("seebeck"), Number(in.Seebeck)},
        {QStringLiteral("ta"), Number(in.Ta)},
        {QStringLiteral("tcal"), Number(in.TCal)}};
    QJsonObject output{{QStringLiteral("side"), side},
                       {QStringLiteral("range"), orow.Name},
                       {QStringLiteral("range_flag"), out.RangeFlag != 0},
                       {QStringLiteral("unit"), orow.Unit},
                       {QStringLiteral("zero_code"), out.ZeroCode},
                       {QStringLiteral("full_code"), out.FullCode},
                       {QStringLiteral("min"), Number(out.OutMin)},
                       {QStringLiteral("max"), Number(out.OutMax)},
                       {QStringLiteral("invert"), out.Invert != 0},
                       {QStringLiteral("dac_code"), out.DacCode},
                       {QStringLiteral("output"), OutputJson(out)},
                       {QStringLiteral("alarm_limit"), Number(out.AlarmLimit)},
                       {QStringLiteral("dead_band"), Number(out.DeadBand)},
                       {QStringLiteral("alarm_enabled"), bool(out.AlarmFlags & Msg::AlarmEnabledBit)},
                       {QStringLiteral("alarm_low"), bool(out.AlarmFlags & Msg::AlarmLowBit)},
                       {QStringLiteral("alarm_active"), out.AlarmState != 0},
                       {QStringLiteral("alarm_readback_active"), out.AlarmReadBack == 0}};
    uint32_t zeroSet = 0, fullSet = 0;
    FoldCalFlags(in.CalFlags[0], in.CalFlags[1], in.CalFlags[2], in.CalFlags[3], zeroSet, fullSet);
    QJsonArray inCal, outCal;
    for (int r = 0; r < InRangeCount; ++r)
        inCal.append(QJsonObject{{QStringLiteral("range"), InRanges[r].Name},
                                 {QStringLiteral("zero"), CalFlag(zeroSet >> r & 1u)},
                                 {QStringLiteral("full_scale"), CalFlag(fullSet >> r & 1u)}});
    for (int r = 0; r < OutRangeCount; ++r)
        outCal.append(QJsonObject{{QStringLiteral("range"), OutRanges[r].Name},
                                  {QStringLiteral("zero"), CalFlag(out.ZeroCalFlags >> r & 1u)},
                                  {QStringLiteral("full_scale"), CalFlag(out.FullCalFlags >> r & 1u)}});
    const QJsonObject all{{QStringLiteral("input"), input},
                          {QStringLiteral("output"), output},
                          {QStringLiteral("calibration"),
                           QJsonObject{{QStringLiteral("input"), inCal}, {QStringLiteral("output"), outCal}}},
                          {QStringLiteral("mode"), ModeText(out.Mode)}};
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

namespace {
// A unit as a column name may carry it: "uV", "C", "Ohm", "mA".
QString UnitName(QString unit) {
    return unit.trimmed().replace(QChar(0x00B5), QLatin1Char('u')).remove(QChar(0x00B0));
}

// The readings of a watch line, each with its quantity's name, its unit as
// read --json writes it, and its value as the window shows it (empty when the
// reading is no finite number).
struct TWatchReading {
    QString Quantity; // raw, eu, ta, tcal, output
    QString Unit;
    QString Text;
    QJsonValue Json;
};

QList<TWatchReading> WatchReadings(const Msg::TInputReport& in, const Msg::TOutputReport& out) {
    int wiring = 0;
    const IRange& row = InRow(in, wiring);
    const QString celsius = QStringLiteral("\u00B0C");
    const auto reading = [](const QString& quantity, const QString& unit, float value,
                            const QString& format) {
        return std::isfinite(value) ? TWatchReading{quantity, unit, FormatFloat(value, format), Number(value)}
                                    : TWatchReading{quantity, unit, QString(), QJsonValue()};
    };
    return {reading(QStringLiteral("raw"), row.RawUnit.trimmed(), in.Raw, row.RawFormat),
            reading(QStringLiteral("eu"), row.EngUnit.trimmed(), in.Eng, row.EngFormat),
            reading(QStringLiteral("ta"), celsius, in.Ta, Tenths),
            reading(QStringLiteral("tcal"), celsius, in.TCal, Tenths),
            {QStringLiteral("output"), OutRow(out).Unit, OutputNumber(out), OutputJson(out)}};
}
} // namespace

QString WatchHeader(const Msg::TInputReport& in, const Msg::TOutputReport& out) {
    int wiring = 0;
    const IRange& row = InRow(in, wiring);
    return QStringLiteral("time,raw_%1,eng_%2,ta_C,tcal_C,output_%3")
        .arg(UnitName(row.RawUnit), UnitName(row.EngUnit), UnitName(OutRow(out).Unit));
}

QString WatchLine(const QString& time, const Msg::TInputReport& in, const Msg::TOutputReport& out) {
    QStringList fields{time};
    for (const TWatchReading& r : WatchReadings(in, out))
        fields << r.Text;
    return fields.join(QLatin1Char(','));
}

QString WatchJson(const QString& time, const Msg::TInputReport& in, const Msg::TOutputReport& out) {
    QJsonObject line{{QStringLiteral("time"), time}};
    for (const TWatchReading& r : WatchReadings(in, out)) {
        line.insert(r.Quantity, r.Json);
        // ta and tcal are always in degrees Celsius: their units go without keys.
        if (r.Quantity != QLatin1String("ta") && r.Quantity != QLatin1String("tcal"))
            line.insert(r.Quantity + QStringLiteral("_unit"), r.Unit);
    }
    return QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact));
}

QString WatchLongLines(const QString& port, const QString& time, const Msg::TInputReport& in,
                       const Msg::TOutputReport& out) {
    QStringList lines;
    for (const TWatchReading& r : WatchReadings(in, out))
        lines << QStringList{port, time, r.Quantity, r.Text, r.Unit}.join(QLatin1Char(','));
    return lines.join(QLatin1Char('\n'));
}
