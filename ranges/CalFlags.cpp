#include "CalFlags.h"

#include "InRanges.h"

namespace {
// Bit of range code c in the 64-bit view (low word, then the 8 used high bits).
bool CodeSet(uint32_t low, uint32_t high, int code) {
    return code < 32 ? (low >> code) & 1u : (high >> (code - 32)) & 1u;
}

uint32_t Fold(uint32_t low, uint32_t high) {
    uint32_t set = 0;
    for (int range = 0; range < InRangeCount; ++range) {
        const int codes = InRanges[range].HasWiring ? 3 : 1;
        bool all = true;
        for (int wiring = 0; wiring < codes; ++wiring)
            all = all && CodeSet(low, high, RangeToCode(range, wiring));
        if (all) set |= 1u << range;
    }
    return set;
}
} // namespace

void FoldCalFlags(uint32_t zeroLow, uint32_t zeroHigh, uint32_t fullLow, uint32_t fullHigh, uint32_t& zeroSet,
                  uint32_t& fullSet) {
    zeroSet = Fold(zeroLow, zeroHigh);
    fullSet = Fold(fullLow, fullHigh);
}
