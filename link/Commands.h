#pragma once
// Command codes of the transmitter's protocol. A response carries the code of the
// request it answers.
#include <cstdint>

enum TCommand : uint8_t {
    cmdCalZero = 1,
    cmdCalFull = 2,
    cmdReadActiveIn = 3,
    cmdReadPermIn = 4,
    cmdClearInCal = 5,
    cmdSetTempIn = 6,
    cmdSetPermIn = 7,
    cmdSetDac = 16,
    cmdWriteOutZero = 17,
    cmdWriteOutFull = 18,
    cmdReadActiveOut = 19,
    cmdReadPermOut = 20,
    cmdClearOutCal = 21,
    cmdSetTempOut = 22,
    cmdSetPermOut = 23,
    cmdSetMode = 32,
    cmdQueryMode = 33,
    cmdReadVersion = 48,
    cmdSetToolkitVer = 51,
};

// Frame bytes.
constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t DLE = 0x10;

// Decoded sizes of the responses the tool reads.
constexpr int InputReportSize = 49;
constexpr int OutputReportSize = 43;
constexpr int VersionTextSize = 50;
