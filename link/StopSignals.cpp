#include "StopSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iterator>
#include <sys/signalfd.h>
#include <type_traits>
#include <unistd.h>

namespace {
constexpr int StopSignalNumbers[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// SIGQUIT while nothing has been sent: its status, without a core file.
void ExitByQuit(int) {
    _exit(128 + SIGQUIT);
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

bool OpenClosedStandardDescriptors(const char* program) {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free number: this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened == fd) continue;
        if (opened >= 0) ::close(opened);
        if (fcntl(2, F_GETFD) != -1)
            dprintf(2, "%s: standard %s is closed and /dev/null cannot be opened\n", program,
                    fd == 0   ? "input"
                    : fd == 1 ? "output"
                              : "error");
        return false;
    }
    return true;
}

void BlockStopSignals() {
    const sigset_t set = StopSet();
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

void EndBySignal(int signal) {
    if (signal != SIGQUIT) {
        std::signal(signal, SIG_DFL);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        raise(signal);
    }
    _exit(128 + signal);
}

TStopSignalsDefault::TStopSignalsDefault() {
    static_assert(std::size(StopSignalNumbers) == std::extent_v<decltype(Before)>,
                  "one saved action for each stop signal");
    const sigset_t set = StopSet();
    for (std::size_t i = 0; i < std::size(StopSignalNumbers); ++i)
        sigaction(StopSignalNumbers[i], nullptr, &Before[i]);
    if (sigismember(&set, SIGQUIT) == 1) {
        struct sigaction action {};
        action.sa_handler = ExitByQuit;
        sigemptyset(&action.sa_mask);
        sigaction(SIGQUIT, &action, nullptr);
    }
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

TStopSignalsDefault::~TStopSignalsDefault() {
    BlockStopSignals();
    for (std::size_t i = 0; i < std::size(StopSignalNumbers); ++i)
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
