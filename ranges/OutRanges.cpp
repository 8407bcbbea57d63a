#include "OutRanges.h"

#include "NumberFormat.h"

const std::array<ORange, OutRangeCount> OutRanges = {{
    {QStringLiteral("\u00B110 V"), -10.0f, 10.0f, -10.0f, 10.0f, QStringLiteral("0.000"),
     QStringLiteral("V")},
    {QStringLiteral("0-20 mA"), 0.0f, 20.0f, 0.0f, 20.0f, QStringLiteral("0.000"), QStringLiteral("mA")},
}};

std::optional<float> CalcOutput(int rangeIndex, int zeroCode, int fullCode, int code) {
    if (rangeIndex < 0 || rangeIndex >= OutRangeCount) return std::nullopt;
    const ORange& row = OutRanges[rangeIndex];
    const long long steps = static_cast<long long>(fullCode) - zeroCode;
    if (steps == 0) return std::nullopt;
    const long long offset = static_cast<long long>(code) - zeroCode;
    const double span = static_cast<double>(row.FullScale) - row.ZeroScale;
    const float value =
        static_cast<float>(span / static_cast<double>(steps) * static_cast<double>(offset) + row.ZeroScale);
    return value;
}

QString OutputText(int rangeIndex, std::optional<float> value) {
    if (!value || rangeIndex < 0 || rangeIndex >= OutRangeCount) return QStringLiteral("N/A");
    const ORange& row = OutRanges[rangeIndex];
    return FormatFloat(*value, row.Format) + QLatin1Char(' ') + row.Unit;
}

QString OutLimitsError(int rangeIndex, float minimum, float maximum) {
    const ORange& range = OutRanges[rangeIndex >= 0 && rangeIndex < OutRangeCount ? rangeIndex : 0];
    if (minimum >= range.MinLimit && maximum <= range.MaxLimit && minimum < maximum) return QString();
    return QStringLiteral("Invalid output range. Valid range must be between ") +
           FormatFloat(range.MinLimit, range.Format) + QStringLiteral(" to ") +
           FormatFloat(range.MaxLimit, range.Format);
}

QString DeadBandError(float deadBand) {
    if (deadBand >= 0) return QString();
    return QStringLiteral("Invalid dead band. The dead band must not be negative");
}
