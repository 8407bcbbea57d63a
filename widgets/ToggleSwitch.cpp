#include "ToggleSwitch.h"

#include "Accessibility.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>

TToggleSwitch::TToggleSwitch(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(StateText());
}

void TToggleSwitch::SetOn(bool on) {
    if (State == on) return;
    State = on;
    setAccessibleName(StateText());
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
}

QString TToggleSwitch::StateText() const { return State ? QStringLiteral("CAL") : QStringLiteral("RUN"); }

bool TToggleSwitch::InTextHalf(const QPointF& pos) const {
    const bool left = pos.x() < width() / 2.0;
    return State ? !left : left;
}

void TToggleSwitch::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    Pressed = true;
    if (InTextHalf(event->position())) SetOn(!State);
}

void TToggleSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Pressed) return;
    Pressed = false;
    if (rect().contains(event->position().toPoint())) emit Clicked();
}

void TToggleSwitch::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click flips the switch like any press, but its
    // release sends nothing.
    if (event->button() != Qt::LeftButton) return;
    if (InTextHalf(event->position())) SetOn(!State);
}

void TToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Always the active colours: disabled, the switch looks the same.
    const auto colour = [this](QPalette::ColorRole role) { return palette().color(QPalette::Active, role); };
    const QRect all = rect();
    const QColor face = colour(QPalette::Button);
    // Lowered 1-pixel border.
    p.setPen(colour(QPalette::Dark));
    p.drawLine(all.topLeft(), all.topRight());
    p.drawLine(all.topLeft(), all.bottomLeft());
    p.setPen(colour(QPalette::Light));
    p.drawLine(all.bottomLeft(), all.bottomRight());
    p.drawLine(all.topRight(), all.bottomRight());

    const QRect inner = all.adjusted(1, 1, -1, -1);
    p.fillRect(inner, State ? QColor(255, 0, 0) : QColor(0, 255, 0));
    const int half = inner.width() / 2;
    const QRect leftHalf(inner.left(), inner.top(), half, inner.height());
    const QRect rightHalf(inner.left() + half, inner.top(), inner.width() - half, inner.height());
    const QRect knob = State ? leftHalf : rightHalf;
    const QRect text = State ? rightHalf : leftHalf;

    // Raised knob: a 2-pixel bevel and vertical grip lines.
    p.fillRect(knob, face);
    for (int i = 0; i < 2; ++i) {
        const QRect b = knob.adjusted(i, i, -i - 1, -i - 1);
        p.setPen(colour(QPalette::Light));
        p.drawLine(b.topLeft(), b.topRight());
        p.drawLine(b.topLeft(), b.bottomLeft());
        p.setPen(colour(i == 0 ? QPalette::Shadow : QPalette::Dark));
        p.drawLine(b.bottomLeft(), b.bottomRight());
        p.drawLine(b.topRight(), b.bottomRight());
    }
    const int cx = knob.center().x();
    for (int dx = -4; dx <= 4; dx += 4) {
        p.setPen(colour(QPalette::Dark));
        p.drawLine(cx + dx, knob.top() + 6, cx + dx, knob.bottom() - 6);
        p.setPen(colour(QPalette::Light));
        p.drawLine(cx + dx + 1, knob.top() + 6, cx + dx + 1, knob.bottom() - 6);
    }

    p.setPen(Qt::black);
    p.setFont(font());
    p.drawText(text, Qt::AlignCenter, StateText());
}
