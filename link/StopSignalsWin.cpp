// Windows: Ctrl+C, Ctrl+Break and a closed console window reach the program
// through its console control handler, which Windows runs on a thread of its
// own; the handler hands them to the event loop.
#include "StopSignals.h"

#include <csignal>

#include <QMetaObject>
#include <atomic>
#include <cstdlib>
#include <windows.h>

namespace {
std::atomic<TStopSignals*> Receiver{nullptr};
// An event that came before a TStopSignals was there, raised when it comes.
std::atomic<bool> Pending{false};
std::atomic<bool> DefaultAction{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    // FALSE: the next handler, Windows' own, ends the program at once.
    if (DefaultAction.load()) return FALSE;
    TStopSignals* receiver = Receiver.load();
    if (!receiver) {
        Pending = true;
        return TRUE;
    }
    QMetaObject::invokeMethod(
        receiver, [receiver] { emit receiver->Stopped(SIGINT); }, Qt::QueuedConnection);
    // A closed console window ends the program as soon as this returns, and
    // at the latest after 5 s: the wait here lets the ports end in order first.
    if (event == CTRL_CLOSE_EVENT) Sleep(4500);
    return TRUE;
}
} // namespace

bool OpenClosedStandardDescriptors(const char*) {
    // A Windows program always has its three standard handles.
    return true;
}

void BlockStopSignals() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void EndBySignal(int signal) {
    _exit(128 + signal);
}

TStopSignalsDefault::TStopSignalsDefault() {
    DefaultAction = true;
}

TStopSignalsDefault::~TStopSignalsDefault() {
    DefaultAction = false;
}

TStopSignals::TStopSignals(QObject* parent) : QObject(parent) {
    Receiver = this;
    if (Pending.exchange(false))
        QMetaObject::invokeMethod(
            this, [this] { emit Stopped(SIGINT); }, Qt::QueuedConnection);
}

TStopSignals::~TStopSignals() {
    Receiver = nullptr;
}
