#include "Settings.h"

#include "../ranges/InRanges.h"
#include "../ranges/NumberFormat.h"
#include "../ranges/OutRanges.h"

#include <QHash>
#include <QJsonArray>
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

} // namespace

QString TextPosition(const QByteArray& text, qsizetype offset) {
    int line = 1, column = 1;
    for (qsizetype i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<uchar>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// Long as one state machine over the characters; its states share the stack.
bool ScanKeys(const QByteArray& t, QHash<QString, qsizetype>* values, QString* twice, qsizetype* twiceAt) {
    struct TFrame {
        bool Object = false;
        QString Path;
        QSet<QString> Keys;
        bool ExpectKey = false;
        QString Key;
        int Index = 0; // of the element in a list
    };
    QList<TFrame> stack;
    QString valueOf;
    bool valueNext = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        if (valueNext) {
            values->insert(valueOf, i);
            valueNext = false;
        }
        switch (c) {
        case '"': {
            qsizetype end = i + 1;
            while (end < t.size() && t[end] != '"')
                end += t[end] == '\\' ? 2 : 1;
            if (!stack.isEmpty() && stack.last().Object && stack.last().ExpectKey) {
                TFrame& frame = stack.last();
                // The key as JSON reads it, escapes and all.
                const QString key =
                    QJsonDocument::fromJson('[' + t.mid(i, end - i + 1) + ']').array().at(0).toString();
                const QString path = frame.Path.isEmpty() ? key : frame.Path + QLatin1Char('.') + key;
                if (frame.Keys.contains(key)) {
                    *twice = path;
                    *twiceAt = i;
                    return false;
                }
                frame.Keys.insert(key);
                frame.Key = path;
                frame.ExpectKey = false;
            }
            i = end;
            break;
        }
        case '{':
        case '[': {
            TFrame frame;
            frame.Object = c == '{';
            frame.ExpectKey = frame.Object;
            if (!stack.isEmpty())
                frame.Path = stack.last().Object
                                 ? stack.last().Key
                                 : QStringLiteral("%1[%2]").arg(stack.last().Path).arg(stack.last().Index);
            if (!stack.isEmpty() && !stack.last().Object) values->insert(frame.Path, i);
            stack.append(frame);
            break;
        }
        case '}':
        case ']':
            if (!stack.isEmpty()) stack.removeLast();
            break;
        case ',':
            if (!stack.isEmpty() && stack.last().Object) stack.last().ExpectKey = true;
            if (!stack.isEmpty() && !stack.last().Object) ++stack.last().Index;
            break;
        case ':':
            if (!stack.isEmpty()) valueOf = stack.last().Key;
            valueNext = true;
            break;
        default:
            break;
        }
    }
    return true;
}

namespace {

// The first fault found in a file, with the key whose value it concerns.
struct TFault {
    QString Field;
    QString Message;
    bool Found() const { return !Message.isEmpty(); }
    void Set(const QString& field, const QString& message) {
        if (Found()) return;
        Field = field;
        Message = message;
    }
};

// Reads the fields of one section; the first fault ends the reading.
class TSection {
public:
    TSection(const QJsonObject& object, const QString& name, TFault* fault)
        : Object(object), Name(name), Fault(fault) {}

    bool Ok() const { return !Fault->Found(); }
    bool Has(const QString& key) const { return Object.contains(key); }

    QString Text(const QString& key) {
        const QJsonValue value = Take(key);
        if (!Ok()) return {};
        if (!value.isString()) Fail(key, QStringLiteral("%1 must be a text").arg(Where(key)));
        return value.toString();
    }

    bool Bool(const QString& key) {
        const QJsonValue value = Take(key);
        if (!Ok()) return false;
        if (!value.isBool()) Fail(key, QStringLiteral("%1 must be true or false").arg(Where(key)));
        return value.toBool();
    }

    float Single(const QString& key) {
        const QJsonValue value = Take(key);
        if (!Ok()) return 0;
        if (!value.isDouble()) {
            Fail(key, QStringLiteral("%1 must be a number").arg(Where(key)));
            return 0;
        }
        const float single = static_cast<float>(value.toDouble());
        if (!std::isfinite(single)) Fail(key, QStringLiteral("%1 is too large for a single").arg(Where(key)));
        return single;
    }

    // After the last field: nothing else may stand in the section.
    void NoOthers() {
        if (!Ok()) return;
        for (auto it = Object.begin(); it != Object.end(); ++it)
            if (!Used.contains(it.key())) {
                Fail(it.key(), QStringLiteral("unknown field %1").arg(Where(it.key())));
                return;
            }
    }

    // A fault of the field `key`; an empty key: of the whole section.
    void Fail(const QString& key, const QString& message) {
        Fault->Set(key.isEmpty() ? Name : Where(key), message);
    }
    QString Where(const QString& key) const { return QStringLiteral("%1.%2").arg(Name, key); }

private:
    QJsonValue Take(const QString& key) {
        if (!Ok()) return {};
        Used.insert(key);
        if (!Object.contains(key)) Fail(QString(), QStringLiteral("%1 is missing").arg(Where(key)));
        return Object.value(key);
    }
    const QJsonObject& Object;
    QString Name;
    TFault* Fault;
    QSet<QString> Used;
};

// A value outside its range's limits, named with the field and the limit:
// "input.eu_max 1400.0 is above 1372.0, the top of T/C Type K".
QString LimitText(const QString& minField, float minimum, const QString& maxField, float maximum,
                  float bottom, float top, const QString& range, QString* field) {
    if (minimum < bottom) {
        *field = minField;
        return QStringLiteral("%1 %2 is below %3, the bottom of %4")
            .arg(minField, SingleText(minimum), SingleText(bottom), range);
    }
    if (maximum > top) {
        *field = maxField;
        return QStringLiteral("%1 %2 is above %3, the top of %4")
            .arg(maxField, SingleText(maximum), SingleText(top), range);
    }
    *field = maxField;
    return QStringLiteral("%1 %2 is not below %3 %4")
        .arg(minField, SingleText(minimum), maxField, SingleText(maximum));
}

std::optional<TInputSettings> ReadInput(const QJsonObject& object, TFault* fault) {
    TSection section(object, QStringLiteral("input"), fault);
    const QString range = section.Text(QStringLiteral("range"));
    const bool wired = section.Has(QStringLiteral("wiring"));
    const QString wiring = wired ? section.Text(QStringLiteral("wiring")) : QString();
    TInputSettings s;
    s.EuMin = section.Single(QStringLiteral("eu_min"));
    s.EuMax = section.Single(QStringLiteral("eu_max"));
    section.NoOthers();
    if (!section.Ok()) return std::nullopt;
    s.Range = -1;
    for (int i = 0; i < InRangeCount; ++i)
        if (InRanges[i].Name == range) s.Range = i;
    if (s.Range < 0) {
        section.Fail(QStringLiteral("range"),
                     QStringLiteral("input.range: no input range is named \"%1\"").arg(range));
        return std::nullopt;
    }
    const IRange& row = InRanges[s.Range];
    if (row.HasWiring && !wired) {
        section.Fail(
            QString(),
            QStringLiteral("input.wiring is missing: %1 takes 2 wire, 3 wire or 4 wire").arg(row.Name));
        return std::nullopt;
    }
    if (!row.HasWiring && wired) {
        section.Fail(QStringLiteral("wiring"),
                     QStringLiteral("input.wiring: %1 has no wiring; leave it out").arg(row.Name));
        return std::nullopt;
    }
    s.Wiring = wired ? static_cast<int>(std::find(WiringNames.begin(), WiringNames.end(), wiring) -
                                        WiringNames.begin())
                     : 0;
    if (s.Wiring >= int(WiringNames.size())) {
        section.Fail(QStringLiteral("wiring"),
                     QStringLiteral("input.wiring: \"%1\" is none of 2 wire, 3 wire, 4 wire").arg(wiring));
        return std::nullopt;
    }
    // The window's check of the span, against the range being programmed.
    if (!SpanError(s.Range, s.EuMin, s.EuMax).isEmpty()) {
        QString field;
        const QString text =
            LimitText(QStringLiteral("input.eu_min"), s.EuMin, QStringLiteral("input.eu_max"), s.EuMax,
                      row.EuMin, row.EuMax, row.Name, &field);
        fault->Set(field, text);
        return std::nullopt;
    }
    return s;
}

std::optional<Msg::TOutSettings> ReadOutput(const QJsonObject& object, TFault* fault) {
    TSection section(object, QStringLiteral("output"), fault);
    QString range = section.Text(QStringLiteral("range"));
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
    // Typed on any keyboard: "+-" for the plus-minus sign.
    if (range.startsWith(QLatin1String("+-"))) range = QChar(0x00B1) + range.mid(2);
    int index = -1;
    for (int i = 0; i < OutRangeCount; ++i)
        if (OutRanges[i].Name == range) index = i;
    if (index < 0) {
        section.Fail(QStringLiteral("range"),
                     QStringLiteral("output.range: no output range is named \"%1\"").arg(range));
        return std::nullopt;
    }
    s.Range = static_cast<uint8_t>(index);
    // The window's check of the output limits.
    if (!OutLimitsError(index, s.OutMin, s.OutMax).isEmpty()) {
        const ORange& row = OutRanges[index];
        QString field;
        const QString text = LimitText(QStringLiteral("output.min"), s.OutMin, QStringLiteral("output.max"),
                                       s.OutMax, row.MinLimit, row.MaxLimit, row.Name, &field);
        fault->Set(field, text);
        return std::nullopt;
    }
    if (!DeadBandError(s.DeadBand).isEmpty()) {
        section.Fail(QStringLiteral("dead_band"),
                     QStringLiteral("output.dead_band %1 is below 0").arg(SingleText(s.DeadBand)));
        return std::nullopt;
    }
    return s;
}

} // namespace

uint8_t TInputSettings::RangeCode() const {
    return static_cast<uint8_t>(RangeToCode(Range, Wiring));
}

std::optional<TSettings> ParseSettings(const QByteArray& text, QString* error) {
    error->clear();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (document.isNull()) {
        *error = QStringLiteral("%1: not a settings file: %2")
                     .arg(TextPosition(text, parseError.offset), LowerFirst(parseError.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("not a settings file: the top is not an object");
        return std::nullopt;
    }
    // QJsonDocument keeps the last of two equal keys: they are looked for first.
    QHash<QString, qsizetype> values;
    QString twice;
    qsizetype twiceAt = 0;
    if (!ScanKeys(text, &values, &twice, &twiceAt)) {
        *error = QStringLiteral("%1: %2 is given twice").arg(TextPosition(text, twiceAt), twice);
        return std::nullopt;
    }
    TFault fault;
    const QJsonObject top = document.object();
    for (auto it = top.begin(); it != top.end() && !fault.Found(); ++it)
        if (it.key() != QLatin1String("input") && it.key() != QLatin1String("output"))
            fault.Set(it.key(), QStringLiteral("unknown section %1").arg(it.key()));
    if (top.isEmpty()) {
        *error = QStringLiteral("the file has neither an input nor an output section");
        return std::nullopt;
    }
    TSettings settings;
    for (const QString& name : {QStringLiteral("input"), QStringLiteral("output")}) {
        if (fault.Found() || !top.contains(name)) continue;
        if (!top.value(name).isObject()) {
            fault.Set(name, QStringLiteral("%1 must be an object").arg(name));
            continue;
        }
        const QJsonObject section = top.value(name).toObject();
        if (name == QLatin1String("input"))
            settings.Input = ReadInput(section, &fault);
        else
            settings.Output = ReadOutput(section, &fault);
    }
    if (fault.Found()) {
        *error =
            values.contains(fault.Field)
                ? QStringLiteral("%1: %2").arg(TextPosition(text, values.value(fault.Field)), fault.Message)
                : fault.Message;
        return std::nullopt;
    }
    return settings;
}

QList<TDifference> CompareSettings(const TSettings& settings, const Msg::TInputReport* in,
                                   const Msg::TOutputReport* out) {
    QList<TDifference> differences;
    const auto differ = [&differences](const QString& field, const QString& expected, const QString& found) {
        if (expected != found) differences.append({field, expected, found});
    };
    // Singles compared as singles: the texts read back as the same single.
    if (settings.Input && in) {
        const TInputSettings& s = *settings.Input;
        // The file's two keys: the range by its name, and its wiring (empty for a
        // range that has none).
        int fileWiring = 0, unitWiring = 0;
        const IRange& fileRow = InRanges[CodeToRange(s.RangeCode(), fileWiring)];
        const IRange& unitRow = InRanges[CodeToRange(in->RangeCode, unitWiring)];
        differ(QStringLiteral("input.range"), fileRow.Name, unitRow.Name);
        differ(QStringLiteral("input.wiring"), fileRow.HasWiring ? WiringNames[fileWiring] : QString(),
               unitRow.HasWiring ? WiringNames[unitWiring] : QString());
        differ(QStringLiteral("input.eu_min"), SingleText(s.EuMin), SingleText(in->EuMin));
        differ(QStringLiteral("input.eu_max"), SingleText(s.EuMax), SingleText(in->EuMax));
    }
    if (settings.Output && out) {
        const Msg::TOutSettings& s = *settings.Output;
        differ(QStringLiteral("output.range"), OutName(s.Range), OutName(out->Range));
        differ(QStringLiteral("output.min"), SingleText(s.OutMin), SingleText(out->OutMin));
        differ(QStringLiteral("output.max"), SingleText(s.OutMax), SingleText(out->OutMax));
        differ(QStringLiteral("output.invert"), BoolText(s.Invert), BoolText(out->Invert != 0));
        differ(QStringLiteral("output.alarm_limit"), SingleText(s.AlarmLimit), SingleText(out->AlarmLimit));
        differ(QStringLiteral("output.dead_band"), SingleText(s.DeadBand), SingleText(out->DeadBand));
        differ(QStringLiteral("output.alarm_enabled"), BoolText(s.AlarmFlags & Msg::AlarmEnabledBit),
               BoolText(out->AlarmFlags & Msg::AlarmEnabledBit));
        differ(QStringLiteral("output.alarm_low"), BoolText(s.AlarmFlags & Msg::AlarmLowBit),
               BoolText(out->AlarmFlags & Msg::AlarmLowBit));
    }
    return differences;
}

QString BoolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString LowerFirst(QString text) {
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text.size() > 1 && text[0].isUpper() && !text[1].isUpper() && !text[1].isDigit())
        text[0] = text[0].toLower();
    return text;
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
    // A range without wiring has no "wiring" in the file.
    const QString wiringField =
        in.HasWiring ? QStringLiteral("\"wiring\": %1, ").arg(Quoted(WiringNames[wiring])) : QString();
    return QStringLiteral(
               "{\"input\": {\"range\": %1, %2\"eu_min\": %3, \"eu_max\": %4}, "
               "\"output\": {\"range\": %5, \"min\": %6, \"max\": %7, \"invert\": %8, "
               "\"alarm_limit\": %9, \"dead_band\": %10, \"alarm_enabled\": %11, \"alarm_low\": %12}}")
        .arg(Quoted(in.Name), wiringField, SingleText(input.EuMin), SingleText(input.EuMax), Quoted(outName),
             SingleText(output.OutMin), SingleText(output.OutMax), BoolText(output.Invert != 0),
             SingleText(output.AlarmLimit))
        .arg(SingleText(output.DeadBand), BoolText(output.AlarmFlags & Msg::AlarmEnabledBit),
             BoolText(output.AlarmFlags & Msg::AlarmLowBit));
}

QString InName(uint8_t code) {
    int wiring = 0;
    const IRange& row = InRanges[CodeToRange(code, wiring)];
    return row.HasWiring ? QStringLiteral("%1, %2").arg(row.Name, WiringNames[wiring]) : row.Name;
}

QString OutName(uint8_t range) {
    return range < OutRangeCount ? OutRanges[range].Name : QString::number(range);
}
