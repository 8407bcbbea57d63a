#pragma once
// The two output ranges of the transmitter and the output signal of a DAC code.
#include <QString>
#include <array>

struct ORange {
    QString Name;
    float ZeroScale;
    float FullScale;
    float MinLimit;
    float MaxLimit;
    QString Format;
    QString Unit;
};

constexpr int OutRangeCount = 2;
extern const std::array<ORange, OutRangeCount> OutRanges;

// The signal that `code` produces on the output range, on the straight line through
// (zero code, ZeroScale) and (full code, FullScale), formatted with the range's
// Format, a space and its Unit. A full code equal to the zero code has no line:
// the result is "N/A". A range index other than 0 or 1 also gives "N/A".
QString CalcOutput(int rangeIndex, int zeroCode, int fullCode, int code);

// The check of the output limits against the range's: an empty text when they
// lie within them and the minimum is below the maximum, else the message the
// window and the companion show.
QString OutLimitsError(int rangeIndex, float minimum, float maximum);

// The check of a dead band before it is programmed: an empty text when it is not
// negative, else the message the window and the companion show.
QString DeadBandError(float deadBand);
