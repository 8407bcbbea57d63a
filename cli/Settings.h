#pragma once
// The settings file of mrt9dx-cli: what `dump` writes and `apply` programs, the
// programmed input range with its span and the programmed output settings, with
// the names the window shows:
//
//   {"input": {"range": "T/C Type K", "wiring": "2 wire", "eu_min": -200.0,
//    "eu_max": 1372.0}, "output": {"range": "0-20 mA", "min": 4.0, "max": 20.0,
//    "invert": false, "alarm_limit": 500.0, "dead_band": 10.0,
//    "alarm_enabled": true, "alarm_low": false}}
//
// A file given to apply may leave either section out, not both. "wiring" stands
// only for the ranges that have one (the RTDs and Resistance). Every key appears
// once; "+-10 V" may be typed for "±10 V".
#include "../link/Messages.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// No settings file comes near this size; a larger input is refused unread.
constexpr qsizetype MaxSettingsFileSize = 64 * 1024;

struct TInputSettings {
    int Range = 0;  // index into InRanges
    int Wiring = 0; // 0 to 2
    float EuMin = 0;
    float EuMax = 0;
    uint8_t RangeCode() const;
};

struct TSettings {
    std::optional<TInputSettings> Input;
    std::optional<Msg::TOutSettings> Output;
};

// Reads and checks a settings file as the window checks what a person typed:
// range and wiring names, the span against the limits of the range being
// programmed, the output limits against the output range's. On a fault returns
// nothing and puts one line saying what is wrong into *error, with the line and
// column where it is ("line 3, column 14: input.eu_max 1400.0 is above 1372.0,
// the top of T/C Type K").
std::optional<TSettings> ParseSettings(const QByteArray& text, QString* error);

// One field in which a unit differs from the settings: the texts as the file
// writes them.
struct TDifference {
    QString Field;    // "input.eu_max"
    QString Expected; // the file's, or what was applied; empty for no wiring
    QString Found;    // the unit's
};
// The fields of `settings` that the reports differ in, each compared as the file
// writes it (singles as singles); a section the settings leave out is not
// compared and its report may be null.
// The input range of a range code with its wiring ("Pt100 (385), 3 wire"), and
// the name of an output range, as the companion's messages name them.
QString InName(uint8_t code);
QString OutName(uint8_t range);

QList<TDifference> CompareSettings(const TSettings& settings, const Msg::TInputReport* input,
                                   const Msg::TOutputReport* output);

// The settings a transmitter reports (the programmed input and output reports),
// in the file's form.
QString SettingsText(const Msg::TInputReport& input, const Msg::TOutputReport& output);

// Walks a text that is valid JSON and notes where the value of every key starts
// ("input", "input.eu_max", "references[1].due"). Returns false at the first key
// given twice in one object, with its path and offset.
bool ScanKeys(const QByteArray& text, QHash<QString, qsizetype>* values, QString* twice, qsizetype* twiceAt);
// "line 3, column 14" of a byte offset into a UTF-8 text; columns count characters.
QString TextPosition(const QByteArray& text, qsizetype offset);
// A single as the shortest decimal that reads back as the same single, with
// ".0" when it is whole: 1372.0, 0.1, -200.0.
QString SingleText(float value);
// true or false, as the file writes a flag.
QString BoolText(bool value);
// A message in the program's own style: a system's or Qt's sentence with its
// first letter lowered (not in a name such as "COM3" or "TA") and no full stop.
QString LowerFirst(QString text);
