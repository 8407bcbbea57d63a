#pragma once
// The clock that the serial port's tick timers read. The product runs on the
// steady clock; tests use a manual clock (tests/support/ManualClock.h) and advance it, so that a 4 s time-out
// costs no wall time. Ticked() is raised at least every 50 ms of clock time; the
// port examines its timers and the in-memory transport polls its peer on it.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class TClock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual qint64 NowMs() const = 0;
signals:
    void Ticked();
};

class TSteadyClock : public TClock {
    Q_OBJECT
public:
    explicit TSteadyClock(QObject* parent = nullptr);
    qint64 NowMs() const override { return Elapsed.elapsed(); }

private:
    QElapsedTimer Elapsed;
    QTimer Beat;
};
