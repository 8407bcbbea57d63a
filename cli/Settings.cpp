#include "Settings.h"

#include "../ranges/InRanges.h"
#include "../ranges/NumberFormat.h"
#include "../ranges/OutRanges.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <cmath>

namespace {
QString Quoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

// Reads the fields of one section; the first fault ends the reading.
class TSection {
public:
    TSection(const QJsonObject& object, const QString& name, QString* error)
        : Object(object), Name(name), Error(error) {}

    bool Ok() const { return Error->isEmpty(); }

    QString Text(const QString& key) {
        const QJsonValue value = Take(key);
        if (!Ok()) return {};
        if (!value.isString()) Fail(QStringLiteral("%1 must be a text").arg(Where(key)));
        return value.toString();
    }

    bool Bool(const QString& key) {
        const QJsonValue value = Take(key);
        if (!Ok()) return false;
        if (!value.isBool()) Fail(QStringLiteral("%1 must be true or false").arg(Where(key)));
        return value.toBool();
    }

    float Single(const QString& key) {
        const QJsonValue value = Take(key);
        if (!Ok()) return 0;
        if (!value.isDouble()) {
            Fail(QStringLiteral("%1 must be a number").arg(Where(key)));
            return 0;
        }
        const float single = static_cast<float>(value.toDouble());
        if (!std::isfinite(single)) Fail(QStringLiteral("%1 is too large for a single").arg(Where(key)));
        return single;
    }

    // After the last field: nothing else may stand in the section.
    void NoOthers() {
        if (!Ok()) return;
        for (auto it = Object.begin(); it != Object.end(); ++it)
            if (!Used.contains(it.key())) {
                Fail(QStringLiteral("unknown field %1").arg(Where(it.key())));
                return;
            }
    }

    void Fail(const QString& message) {
        if (Ok()) *Error = message;
    }

private:
    QString Where(const QString& key) const { return QStringLiteral("%1.%2").arg(Name, key); }
    QJsonValue Take(const QString& key) {
        if (!Ok()) return {};
        Used.insert(key);
        if (!Object.contains(key)) Fail(QStringLiteral("%1 is missing").arg(Where(key)));
        return Object.value(key);
    }
    const QJsonObject& Object;
    QString Name;
    QString* Error;
    QSet<QString> Used;
};

std::optional<TInputSettings> ReadInput(const QJsonObject& object, QString* error) {
    TSection section(object, QStringLiteral("input"), error);
    const QString range = section.Text(QStringLiteral("range"));
    const QString wiring = section.Text(QStringLiteral("wiring"));
    TInputSettings s;
    s.EuMin = section.Single(QStringLiteral("eu_min"));
    s.EuMax = section.Single(QStringLiteral("eu_max"));
    section.NoOthers();
    if (!section.Ok()) return std::nullopt;
    s.Range = -1;
    for (int i = 0; i < InRangeCount; ++i)
        if (InRanges[i].Name == range) s.Range = i;
    if (s.Range < 0) {
        section.Fail(QStringLiteral("input.range: no input range is named \"%1\"").arg(range));
        return std::nullopt;
    }
    s.Wiring =
        static_cast<int>(std::find(WiringNames.begin(), WiringNames.end(), wiring) - WiringNames.begin());
    if (s.Wiring >= int(WiringNames.size())) {
        section.Fail(QStringLiteral("input.wiring: \"%1\" is none of 2 wire, 3 wire, 4 wire").arg(wiring));
        return std::nullopt;
    }
    // The window's check of the span, against the range being programmed.
    if (const QString spanError = SpanError(s.Range, s.EuMin, s.EuMax); !spanError.isEmpty()) {
        section.Fail(QStringLiteral("input: ") + spanError);
        return std::nullopt;
    }
    return s;
}

std::optional<Msg::TOutSettings> ReadOutput(const QJsonObject& object, QString* error) {
    TSection section(object, QStringLiteral("output"), error);
    const QString range = section.Text(QStringLiteral("range"));
    Msg::TOutSettings s;
    s.OutMin = section.Single(QStringLiteral("min"));
    s.OutMax = section.Single(QStringLiteral("max"));
    s.Invert = section.Bool(QStringLiteral("invert"));
    s.AlarmLimit = section.Single(QStringLiteral("alarm_limit"));
    s.DeadBand = section.Single(QStringLiteral("dead_band"));
    if (section.Bool(QStringLiteral("alarm_enabled"))) s.AlarmFlags |= Msg::AlarmEnabledBit;
    if (section.Bool(QStringLiteral("alarm_low"))) s.AlarmFlags |= Msg::AlarmLowBit;
    section.NoOthers();
    if (!section.Ok()) return std::nullopt;
    int index = -1;
    for (int i = 0; i < OutRangeCount; ++i)
        if (OutRanges[i].Name == range) index = i;
    if (index < 0) {
        section.Fail(QStringLiteral("output.range: no output range is named \"%1\"").arg(range));
        return std::nullopt;
    }
    s.Range = static_cast<uint8_t>(index);
    // The window's check of the output limits.
    if (const QString limitsError = OutLimitsError(index, s.OutMin, s.OutMax); !limitsError.isEmpty()) {
        section.Fail(QStringLiteral("output: ") + limitsError);
        return std::nullopt;
    }
    if (const QString bandError = DeadBandError(s.DeadBand); !bandError.isEmpty()) {
        section.Fail(QStringLiteral("output: ") + bandError);
        return std::nullopt;
    }
    return s;
}
} // namespace

uint8_t TInputSettings::RangeCode() const {
    return static_cast<uint8_t>(RangeToCode(Range, Wiring));
}

std::optional<TSettings> ParseSettings(const QByteArray& text, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (document.isNull()) {
        *error = QStringLiteral("not a settings file: %1 at offset %2")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("not a settings file: the top is not an object");
        return std::nullopt;
    }
    const QJsonObject top = document.object();
    for (auto it = top.begin(); it != top.end(); ++it)
        if (it.key() != QLatin1String("input") && it.key() != QLatin1String("output")) {
            *error = QStringLiteral("unknown section %1").arg(it.key());
            return std::nullopt;
        }
    if (top.isEmpty()) {
        *error = QStringLiteral("the file has neither an input nor an output section");
        return std::nullopt;
    }
    TSettings settings;
    error->clear();
    for (const QString& name : {QStringLiteral("input"), QStringLiteral("output")}) {
        if (!top.contains(name)) continue;
        if (!top.value(name).isObject()) {
            *error = QStringLiteral("%1 must be an object").arg(name);
            return std::nullopt;
        }
        const QJsonObject section = top.value(name).toObject();
        if (name == QLatin1String("input"))
            settings.Input = ReadInput(section, error);
        else
            settings.Output = ReadOutput(section, error);
        if (!error->isEmpty()) return std::nullopt;
    }
    return settings;
}

QString BoolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString SingleText(float value) {
    if (!std::isfinite(value)) return QStringLiteral("null");
    // The fewest significant digits that read back as this single, written out
    // in full where that stays readable.
    double shortest = value;
    for (int digits = 1; digits <= 9; ++digits) {
        shortest = QString::number(double(value), 'g', digits).toDouble();
        if (static_cast<float>(shortest) == value) break;
    }
    const double size = std::fabs(shortest);
    const bool plain = size == 0 || (size >= 1e-6 && size < 1e15);
    QString text = QString::number(shortest, plain ? 'f' : 'g', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) &&
        !text.contains(QLatin1Char('n')))
        text += QStringLiteral(".0");
    return text;
}

QString SettingsText(const Msg::TInputReport& input, const Msg::TOutputReport& output) {
    int wiring = 0;
    const IRange& in = InRanges[CodeToRange(input.RangeCode, wiring)];
    const QString outName = output.Range < OutRangeCount ? OutRanges[output.Range].Name : QString();
    return QStringLiteral(
               "{\"input\": {\"range\": %1, \"wiring\": %2, \"eu_min\": %3, \"eu_max\": %4}, "
               "\"output\": {\"range\": %5, \"min\": %6, \"max\": %7, \"invert\": %8, "
               "\"alarm_limit\": %9, \"dead_band\": %10, \"alarm_enabled\": %11, \"alarm_low\": %12}}")
        .arg(Quoted(in.Name), Quoted(WiringNames[wiring]), SingleText(input.EuMin), SingleText(input.EuMax),
             Quoted(outName), SingleText(output.OutMin), SingleText(output.OutMax),
             BoolText(output.Invert != 0), SingleText(output.AlarmLimit))
        .arg(SingleText(output.DeadBand), BoolText(output.AlarmFlags & Msg::AlarmEnabledBit),
             BoolText(output.AlarmFlags & Msg::AlarmLowBit));
}
