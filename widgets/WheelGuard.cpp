#include "WheelGuard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWheelEvent>

namespace {
class TWheelGuard : public QObject {
public:
    explicit TWheelGuard(QComboBox* combo) : QObject(combo), Combo(combo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != Combo || event->type() != QEvent::Wheel) return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!Combo->hasFocus()) {
            wheel->ignore();
            return true;
        }
        const int notches = WheelNotches(wheel, Rest);
        // Turning the wheel away from the user moves up the list, as the Up key.
        for (int i = 0; i < (notches < 0 ? -notches : notches); ++i) {
            QKeyEvent key(QEvent::KeyPress, notches > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(Combo, &key);
        }
        wheel->accept();
        return true;
    }

private:
    QComboBox* Combo;
    int Rest = 0; // the part of a notch the wheel has turned
};
} // namespace

int WheelNotches(const QWheelEvent* event, int& rest) {
    const QPoint delta = event->angleDelta();
    rest += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = rest / QWheelEvent::DefaultDeltasPerStep;
    rest -= notches * QWheelEvent::DefaultDeltasPerStep;
    return notches;
}

void GuardWheel(QComboBox* combo) {
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->installEventFilter(new TWheelGuard(combo));
}
