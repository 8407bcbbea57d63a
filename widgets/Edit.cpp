#include "Edit.h"
#include "Drawing.h"

#include "Accessibility.h"
#include "KeyRepeatGuard.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <cmath>

bool LeavesControl(const QFocusEvent* event) {
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    setAcceptDrops(false);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!Exiting) EmptiedByPerson = false;
        // A text set from outside the edit shows from its beginning.
        if (!hasFocus()) setCursorPosition(0);
    });
}

QRect TEdit::TextArea() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    area = area.marginsRemoved(textMargins()).adjusted(2, 0, -2, 0); // the edit's own margin of 2 a side
    if (const QToolButton* button = EditButton(this); button && button->isVisible())
        area.setRight(std::min(area.right(), button->x() - 1));
    return area;
}

bool TEdit::TextFits() const {
    return fontMetrics().horizontalAdvance(text()) <= TextArea().width();
}

void TEdit::paintEvent(QPaintEvent* event) {
    if (hasFocus() || TextFits()) {
        QLineEdit::paintEvent(event);
        return;
    }
    // Too wide and not being edited: the frame as the style draws it, then the
    // beginning of the text with an ellipsis.
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    const QRect area = TextArea();
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

QString TEdit::TipText() const {
    return TipOfCutText(toolTip(), TextFits() ? QString() : text());
}

bool TEdit::event(QEvent* event) {
    if (ShowTip(this, event, TipText())) return true;
    return QLineEdit::event(event);
}

void TEdit::focusInEvent(QFocusEvent* event) {
    // The person sees what the exit put into the edit.
    EmptiedByPerson = false;
    FocusByMiddleButton =
        event->reason() == Qt::MouseFocusReason && (QGuiApplication::mouseButtons() & Qt::MiddleButton);
    QLineEdit::focusInEvent(event);
}

void TEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!LeavesControl(event)) return;
    const bool empty = text().isEmpty();
    Exiting = true;
    emit Exited();
    Exiting = false;
    EmptiedByPerson = empty;
    setCursorPosition(0);
}

void TEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && FocusByMiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The selection goes in on the release, and only into an edit that had the
    // focus before the press.
    if (event->button() == Qt::MiddleButton && (!hasFocus() || FocusByMiddleButton)) {
        FocusByMiddleButton = false;
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QToolButton* EditButton(const QLineEdit* edit) {
    return edit ? edit->findChild<QToolButton*>() : nullptr;
}

namespace {
// Draws the focus frame over the button's own face, which shows no focus.
class TEditButtonFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = static_cast<QToolButton*>(watched);
        if (event->type() != QEvent::Paint || !button->hasFocus() || Painting) return false;
        Painting = true;
        static_cast<QObject*>(button)->event(event);
        Painting = false;
        QPainter painter(button);
        QStyleOptionFocusRect frame;
        frame.initFrom(button);
        frame.rect = button->rect().adjusted(1, 1, -1, -1);
        button->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, button);
        return true;
    }

private:
    bool Painting = false;
};
} // namespace

void MakeEditButtonFocusable(const QLineEdit* edit, const char* name, const QString& accessibleName) {
    QToolButton* button = EditButton(edit);
    if (!button) return;
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::TabFocus);
    button->setAccessibleName(accessibleName);
    button->installEventFilter(new TEditButtonFocus(button));
    TKeyRepeatGuard::Install(button);
}
