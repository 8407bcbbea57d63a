#pragma once
// The two output ranges of the transmitter and the output signal of a DAC code.
#include <QString>
#include <array>
#include <optional>

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
// (zero code, ZeroScale) and (full code, FullScale). A full code equal to the zero
// code has no line and gives none, as does a range index other than 0 or 1.
std::optional<float> CalcOutput(int rangeIndex, int zeroCode, int fullCode, int code);
// That signal as the window shows it: the range's Format, a space and its Unit;
// "N/A" for none.
QString OutputText(int rangeIndex, std::optional<float> value);

// The check of the output limits against the range's: an empty text when they
// lie within them and the minimum is below the maximum, else the message the
// window and the companion show.
QString OutLimitsError(int rangeIndex, float minimum, float maximum);

// The check of a dead band before it is programmed: an empty text when it is not
// negative, else the message the window and the companion show.
QString DeadBandError(float deadBand);
