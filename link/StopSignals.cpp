#include "StopSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
constexpr int StopSignalNumbers[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Ends the program as a shell expects of a signal, without a core file.
void ExitBySignal(int signal) {
    _exit(128 + signal);
}

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    // A closed terminal or a dropped ssh session (SIGHUP) and Ctrl+\ (SIGQUIT)
    // must not cut a programming sequence short either. A signal the program
    // was started ignoring (nohup, a background job of a script) stays ignored.
    for (const int signal : StopSignalNumbers) {
        struct sigaction action {};
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
        sigaddset(&set, signal);
    }
    return set;
}
} // namespace

void BlockStopSignals() {
    const sigset_t set = StopSet();
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

TStopSignalsDefault::TStopSignalsDefault() {
    const sigset_t set = StopSet();
    struct sigaction action {};
    action.sa_handler = ExitBySignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 4; ++i) {
        const int signal = StopSignalNumbers[i];
        sigaction(signal, nullptr, &Before[i]);
        if (sigismember(&set, signal) == 1) sigaction(signal, &action, nullptr);
    }
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

TStopSignalsDefault::~TStopSignalsDefault() {
    BlockStopSignals();
    for (int i = 0; i < 4; ++i)
        sigaction(StopSignalNumbers[i], &Before[i], nullptr);
}

TStopSignals::TStopSignals(QObject* parent) : QObject(parent) {
    const sigset_t set = StopSet();
    Fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (Fd < 0) return;
    Notifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (::read(Fd, &info, sizeof info) == ssize_t(sizeof info))
            emit Stopped(int(info.ssi_signo));
    });
}

TStopSignals::~TStopSignals() {
    delete Notifier;
    if (Fd >= 0) ::close(Fd);
}
