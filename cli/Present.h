#pragma once
// What `read` and `watch` print: the window's values, in the window's formats.
#include "../link/Messages.h"

#include <QString>

// Everything the window shows of a unit from one input and one output report
// (both programmed, or both active): as text, a "Name: value" a line, or as JSON.
QString ReadText(const Msg::TInputReport& input, const Msg::TOutputReport& output, bool active);
QString ReadJson(const Msg::TInputReport& input, const Msg::TOutputReport& output, bool active);

// The header and one line of `watch`: time, raw, eng, TA, TCAL, output.
QString WatchHeader();
QString WatchLine(const QString& time, const Msg::TInputReport& input, const Msg::TOutputReport& output);
