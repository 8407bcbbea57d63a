#pragma once
// SIGINT, SIGTERM, SIGHUP and SIGQUIT (Ctrl+C, kill, a closed terminal or a
// dropped ssh session, Ctrl+\) delivered through the event loop, so that a
// program of the tool ends in order: the simulator removes its port link, the
// companion closes its ports after the line it is printing.
//
// BlockStopSignals() runs first thing in main, before any thread exists (Qt's
// own included), so that no thread takes the signals; a TStopSignals then raises
// Stopped(signal) in the event loop for each one that arrives.
#include <QObject>
#ifndef Q_OS_WIN
#include <csignal>
#endif

class QSocketNotifier;

void BlockStopSignals();

// A program started with standard input, output or error closed (`<&-`, `>&-`)
// would hand that number to the next file it opens, Qt's own descriptors
// included, and write its output there: each closed one is opened on
// /dev/null first thing in main. False (after one line on standard error,
// where there is one) when that fails.
bool OpenClosedStandardDescriptors(const char* program);

// Ends the program after a stop signal the way a shell reads as "stopped by
// it": killed by the signal itself, so that a loop around the program stops
// too (a shell goes on when the program merely exits 128 plus the number);
// SIGQUIT as exit status 131, without a core file.
[[noreturn]] void EndBySignal(int signal);

// While one lives, a stop signal ends the program at once as EndBySignal does:
// for a wait
// in which nothing has been sent yet, such as reading a settings file from a
// terminal or a pipe.
class TStopSignalsDefault {
public:
    TStopSignalsDefault();
    ~TStopSignalsDefault();
    TStopSignalsDefault(const TStopSignalsDefault&) = delete;
    TStopSignalsDefault& operator=(const TStopSignalsDefault&) = delete;
#ifndef Q_OS_WIN
private:
    struct sigaction Before[4];
#endif
};

class TStopSignals : public QObject {
    Q_OBJECT
public:
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;

signals:
    // `signal`: the signal's number (SIGINT for Ctrl+C on every system).
    void Stopped(int signal);

private:
    int Fd = -1;
    QSocketNotifier* Notifier = nullptr;
};
