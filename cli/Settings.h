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
// A file given to apply may leave either section out, not both.
#include "../link/Messages.h"

#include <QByteArray>
#include <QString>
#include <optional>

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
// nothing and puts one line saying what is wrong into *error.
std::optional<TSettings> ParseSettings(const QByteArray& text, QString* error);

// The settings a transmitter reports (the programmed input and output reports),
// in the file's form.
QString SettingsText(const Msg::TInputReport& input, const Msg::TOutputReport& output);

// A single as the shortest decimal that reads back as the same single, with
// ".0" when it is whole: 1372.0, 0.1, -200.0.
QString SingleText(float value);
// true or false, as the file writes a flag.
QString BoolText(bool value);
