#pragma once
// What `read` and `watch` print: the window's values, in the window's formats.
#include "../link/Messages.h"

#include <QString>

// Everything the window shows of a unit from one input and one output report
// (both programmed, or both active): as text, a "Name: value" a line, or as JSON.
QString ReadText(const Msg::TInputReport& input, const Msg::TOutputReport& output, bool active);
QString ReadJson(const Msg::TInputReport& input, const Msg::TOutputReport& output, bool active);

// The header of `watch`, with the units of the ranges read (the active ones,
// whose readings the lines hold): time,raw_uV,eng_C,ta_C,tcal_C,output_mA.
QString WatchHeader(const Msg::TInputReport& input, const Msg::TOutputReport& output);
// One line of `watch` under that header; a reading that is not a finite number
// leaves its field empty.
QString WatchLine(const QString& time, const Msg::TInputReport& input, const Msg::TOutputReport& output);
// The same line as one JSON object with stable keys: time, raw, raw_unit, eu,
// eu_unit, ta, tcal (both in degrees Celsius), output, output_unit; null for a
// reading that is not a finite number.
QString WatchJson(const QString& time, const Msg::TInputReport& input, const Msg::TOutputReport& output);
// The same readings in the long form, a line each under the header
// port,time,quantity,value,unit (WatchLongHeader).
QString WatchLongLines(const QString& port, const QString& time, const Msg::TInputReport& input,
                       const Msg::TOutputReport& output);
inline const char* const WatchLongHeader = "port,time,quantity,value,unit";
