#pragma once
// Command codes of the transmitter's protocol. A response carries the code of the
// request it answers.
#include "MrtVersion.h"

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

// The request cycle: an answer is awaited for 73 ticks of 55 ms (about 4 s); the
// port rests 500 ms before and after it is opened, and after it is closed.
constexpr uint16_t ReplyTicks = 73;
constexpr int PortPauseMs = 500;
// The version of this program as the transmitter stores it after a programming
// (1.61 is 161).
constexpr uint8_t ToolkitVersion = MRT_TOOLKIT_VERSION;

// Frame bytes.
constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t DLE = 0x10;

// Decoded sizes of the responses the tool reads.
constexpr int InputReportSize = 49;
constexpr int OutputReportSize = 43;
constexpr int VersionTextSize = 50;
