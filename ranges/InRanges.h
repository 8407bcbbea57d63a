#pragma once
// The 22 input ranges of the transmitter and its range codes 0 to 39. The nine RTD
// and resistance ranges take three codes each, one per wiring (2, 3, 4 wires).
#include <QString>
#include <array>

struct IRange {
    QString Name;
    QString RawFormat;
    QString EngFormat;
    QString RawUnit;
    QString EngUnit;
    bool HasWiring;
    float RawFullScale;
    float EuMin;
    float EuMax;
};

constexpr int InRangeCount = 22;
constexpr int RangeCodeCount = 40;
extern const std::array<IRange, InRangeCount> InRanges;

// A value in the engineering unit of a range, in its format and without the unit:
// the span edits, the alarm limit and the dead band.
QString EngText(const IRange& range, double value);

// (range index, wiring index) -> range code. Wiring -1 counts as 0; a range index
// outside 0 to 21 gives code 0.
int RangeToCode(int rangeIndex, int wiringIndex);
// Range code -> range index, with the wiring index through the second argument,
// which is always written. A code above 39 gives range 0, wiring 0.
int CodeToRange(unsigned code, int& wiringIndex);

// The check of a span against the limits of the input range being programmed:
// an empty text when it lies within them and eu_min is below eu_max, else the
// message the window and the companion show.
QString SpanError(int rangeIndex, float euMin, float euMax);

// The check of a full-scale calibration value before it is sent: an empty text
// when it lies above 0 and not above 1.5 times the range's full-scale signal
// (RawFullScale), else the message the window and the companion show, which
// quotes that signal. A point below full scale is allowed: the gain may be
// calibrated at the top of a narrower process span.
QString CalFullError(int rangeIndex, float value);

// The question asked before a full-scale calibration value below a tenth of the
// range's full-scale signal is sent (a slipped decimal point, more likely than a
// span that narrow), or an empty text for a value at or above it.
QString CalFullQuestion(int rangeIndex, float value);

// The wiring names, the items of cmbWiring.
extern const std::array<QString, 3> WiringNames;
