#pragma once
// SIGINT, SIGTERM, SIGHUP and SIGQUIT (Ctrl+C, kill, a closed terminal or a
// dropped ssh session, Ctrl+\) delivered through the event loop, so that a
// program of the tool ends in order: the simulator removes its port link, the
// companion closes its ports after the line it is printing.
//
// BlockStopSignals() runs first thing in main, before any thread exists (Qt's
// own included), so that no thread takes the signals; a TStopSignals then raises
// Stopped() in the event loop for each one that arrives.
#include <QObject>

class QSocketNotifier;

void BlockStopSignals();

// While one lives, the stop signals of this thread take their default action and
// end the program at once: for a wait in which nothing has been sent yet, such as
// reading a settings file from a terminal or a pipe.
class TStopSignalsDefault {
public:
    TStopSignalsDefault();
    ~TStopSignalsDefault();
    TStopSignalsDefault(const TStopSignalsDefault&) = delete;
    TStopSignalsDefault& operator=(const TStopSignalsDefault&) = delete;
};

class TStopSignals : public QObject {
    Q_OBJECT
public:
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;

signals:
    void Stopped();

private:
    int Fd = -1;
    QSocketNotifier* Notifier = nullptr;
};
