#pragma once
// Folding the transmitter's per-code calibration flags into per-range flags: a
// range counts as calibrated only when every one of its range codes is.
#include <cstdint>

// Words 1 and 2 hold the zero flags of codes 0-31 and 32-39, words 3 and 4 the
// full-scale flags likewise. Bit r of a result stands for range index r.
void FoldCalFlags(uint32_t zeroLow, uint32_t zeroHigh, uint32_t fullLow, uint32_t fullHigh, uint32_t& zeroSet,
                  uint32_t& fullSet);
