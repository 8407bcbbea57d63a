#include "Clock.h"

TSteadyClock::TSteadyClock(QObject* parent) : TClock(parent) {
    Elapsed.start();
    Beat.setInterval(20);
    Beat.setTimerType(Qt::PreciseTimer);
    connect(&Beat, &QTimer::timeout, this, &TClock::Ticked);
    Beat.start();
}
