#include "Clock.h"

#include <algorithm>

TSteadyClock::TSteadyClock(QObject* parent) : TClock(parent) {
    Elapsed.start();
    Beat.setInterval(20);
    Beat.setTimerType(Qt::PreciseTimer);
    connect(&Beat, &QTimer::timeout, this, &TClock::Ticked);
    Beat.start();
}

void TManualClock::Advance(qint64 ms) {
    while (ms > 0) {
        const qint64 step = std::min(ms, std::max<qint64>(1, StepMs));
        Now += step;
        ms -= step;
        emit Ticked();
    }
}
