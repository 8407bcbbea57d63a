#pragma once
// The clock of the tests: time moves only when a test advances it, so that a 4 s
// time-out costs no wall time and no test sleeps.
#include "../../link/Clock.h"

class TManualClock : public TClock {
    Q_OBJECT
public:
    using TClock::TClock;
    qint64 NowMs() const override { return Now; }
    // Moves the time on in steps of StepMs, raising Ticked() after each step.
    void Advance(qint64 ms);
    qint64 StepMs = 10;

private:
    qint64 Now = 1000;
};
