#include "Pause.h"

#include <QThread>

namespace {
TPauseFn& Hook() {
    static TPauseFn hook;
    return hook;
}
} // namespace

void Pause(int ms) {
    if (Hook())
        Hook()(ms);
    else
        QThread::msleep(static_cast<unsigned long>(ms));
}

TPauseFn SetPauseHook(TPauseFn hook) {
    TPauseFn old = Hook();
    Hook() = std::move(hook);
    return old;
}
