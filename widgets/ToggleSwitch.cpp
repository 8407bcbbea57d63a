#include "ToggleSwitch.h"

#include "Accessibility.h"
#include "KeyRepeatGuard.h"

#include "../ranges/ReportTexts.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TToggleSwitch::TToggleSwitch(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    TKeyRepeatGuard::Install(this);
}

void TToggleSwitch::Toggle() {
    if (!isEnabled()) return;
    SetOn(!State);
    emit Clicked();
}

void TToggleSwitch::SetOn(bool on) {
    if (State == on) return;
    State = on;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
}

QString TToggleSwitch::StateText() const {
    return ReportText::Mode(State);
}

bool TToggleSwitch::InTextHalf(const QPointF& pos) const {
    const bool left = pos.x() < width() / 2.0;
    return State ? !left : left;
}

void TToggleSwitch::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    Pressed = true;
    StateAtPress = State;
    if (InTextHalf(event->position())) SetOn(!State);
}

void TToggleSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Pressed) return;
    Pressed = false;
    if (rect().contains(event->position().toPoint()))
        emit Clicked();
    else
        SetOn(StateAtPress); // nothing was asked of the transmitter
}

void TToggleSwitch::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space && event->key() != Qt::Key_Select) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat()) KeyDown = true;
    event->accept();
}

void TToggleSwitch::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space && event->key() != Qt::Key_Select) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !KeyDown) return;
    KeyDown = false;
    Toggle();
}

void TToggleSwitch::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TToggleSwitch::focusOutEvent(QFocusEvent* event) {
    KeyDown = false;
    QWidget::focusOutEvent(event);
    update();
}

void TToggleSwitch::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like the first: its release
    // sends the mode the switch then shows.
    mousePressEvent(event);
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
    if (hasFocus()) { // a dotted frame around the text, as buttons show the focus
        QPen dotted(Qt::black, 1, Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(text.adjusted(1, 1, -2, -2));
    }
}
