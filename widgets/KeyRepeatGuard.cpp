#include "KeyRepeatGuard.h"

#include <QCoreApplication>
#include <QWidget>

namespace {
bool PressKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Select;
}
} // namespace

TKeyRepeatGuard::TKeyRepeatGuard(QWidget* button) : QObject(button), Button(button) {
    Wait.setSingleShot(true);
    Wait.setInterval(PairWindowMs);
    connect(&Wait, &QTimer::timeout, this, &TKeyRepeatGuard::Deliver);
}

void TKeyRepeatGuard::Install(QWidget* button) {
    if (button->findChild<TKeyRepeatGuard*>(QString(), Qt::FindDirectChildrenOnly)) return;
    button->installEventFilter(new TKeyRepeatGuard(button));
}

void TKeyRepeatGuard::Deliver() {
    if (!Pending) return;
    Pending = false;
    Wait.stop();
    QKeyEvent release(QEvent::KeyRelease, PendingKey, PendingModifiers, PendingText);
    release.setTimestamp(PendingStamp);
    Passing = true;
    QCoreApplication::sendEvent(Button, &release);
    Passing = false;
}

bool TKeyRepeatGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Button || Passing) return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusOut || type == QEvent::Hide) {
        Deliver();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (!PressKey(key->key())) return false;
    if (key->isAutoRepeat()) return true;
    if (type == QEvent::KeyPress) {
        if (Pending && key->timestamp() == PendingStamp) { // the press of a repeat pair
            Pending = false;
            Wait.stop();
            return true;
        }
        Deliver(); // a new press: the release before it was real
        return false;
    }
    if (key->timestamp() == 0) return false; // cannot be paired
    Deliver();
    Pending = true;
    PendingKey = key->key();
    PendingModifiers = key->modifiers();
    PendingText = key->text();
    PendingStamp = key->timestamp();
    Wait.start();
    return true;
}
