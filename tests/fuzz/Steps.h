#pragma once
// The input of fuzz_link as a sequence of steps, read and written alike by the
// target, its mutator and the program that writes the seed corpus:
//
//   input  := flags record*
//   record := sel adv len chunk[len]
//
// A record missing its adv or len reads them as 0; a chunk cut short by the end
// of the input is what is left of it. The wire helpers build frames from the
// wire format alone (STX, the body with 02, 03 and 10 sent as 10 and their one's
// complement, ETX), not by the tool's codec.
#include <cstddef>
#include <cstdint>
#include <vector>

using TBytes = std::vector<uint8_t>;

// Flags of an input: full mode, the input or output panel back to its start
// state, paint the window at the end.
enum : uint8_t { fFull = 1, fInStart = 2, fOutStart = 4, fPaint = 8 };

struct TStep {
    uint8_t Sel = 0;
    uint8_t Adv = 0; // the clock moves on Adv * 20 ms after the chunk
    TBytes Chunk;    // received bytes, at most 255
};

struct TSteps {
    uint8_t Flags = 0;
    std::vector<TStep> Steps;
};

// The target runs at most this many steps of an input, and the mutator makes
// no more: longer inputs add time, not paths.
constexpr size_t MaxSteps = 24;

TSteps ParseSteps(const uint8_t* data, size_t size);
TBytes SerialiseSteps(const TSteps& steps);

void PutByte(TBytes& b, uint8_t v);
void PutWord(TBytes& b, uint16_t v);
void PutLong(TBytes& b, uint32_t v);
void PutSingle(TBytes& b, float f);
TBytes FrameOf(const TBytes& body);
