#pragma once
// The selectors of fuzz_link's records, shared by the target and the program that
// writes its seed corpus: below selCount one of the window's own actions (a
// handler, a step of a drop-down list) or a thing that happens to the line;
// 0x80 | code a bare request with that code.
#include <cstdint>

enum TSelector : uint8_t {
    // The window's handlers, run only while their control is enabled.
    selReadVersion,
    selQueryMode,
    selSendToolkitVersion,
    selCalSwitch,
    selClearInCal,
    selClearOutCal,
    selGetPermIn,
    selGetTempIn,
    selSetInputRange,
    selInRangesClick,
    selEuMinExit,
    selEuMaxExit,
    selCalZero,
    selCalFull,
    selGetPermOut,
    selGetTempOut,
    selOutRangesChanged,
    selSetOutRange,
    selAlarmLimitExit,
    selDeadBandExit,
    selOutZeroChange,
    selOutFullChange,
    selOutZeroExit,
    selOutFullExit,
    selOutZeroWrite,
    selOutFullWrite,
    // A person's choice in a drop-down list.
    selStepInRange,
    selStepWiring,
    selStepOutRange,
    // What happens to the line: the port fails as a pulled adapter does, or as a
    // closed pseudo-terminal does; nothing (the bytes arrive unasked); the last
    // record's bytes come again before this one's; the line stops taking data,
    // or takes again what it holds; the far end answers the last request it was
    // sent with its code byte alone, as late as the records have made it.
    selResourceError,
    selHangUp,
    selNothing,
    selRepeatFrame,
    selStall,
    selDrain,
    selAnswerLast,
    selCount
};

// The records that are a person's action (a new action may replace a refusal on
// the line); the target reads a selector below 0x80 modulo selCount.
constexpr bool PersonsAction(uint8_t sel) {
    return !(sel & 0x80) && sel % selCount < selResourceError;
}

constexpr uint8_t Raw(uint8_t code) {
    return uint8_t(0x80 | code);
}
