#include "ManualClock.h"

#include <algorithm>

void TManualClock::Advance(qint64 ms) {
    while (ms > 0) {
        const qint64 step = std::min(ms, std::max<qint64>(1, StepMs));
        Now += step;
        ms -= step;
        emit Ticked();
    }
}
