#pragma once
// The mouse wheel on a drop-down list: it acts only while the list has the
// keyboard focus, one item a notch as the arrow keys step; a wheel turned while
// the pointer merely crosses the list leaves it as it is. The wheel never gives
// the list the focus.
class QComboBox;
class QWheelEvent;

void GuardWheel(QComboBox* combo);

// The whole notches a wheel event completes, away from the person positive;
// rest keeps the part of a notch turned so far (high-resolution wheels).
int WheelNotches(const QWheelEvent* event, int& rest);
