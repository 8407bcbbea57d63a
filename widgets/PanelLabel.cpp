#include "PanelLabel.h"

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

TPanelLabel::TPanelLabel(QWidget* parent) : QLabel(parent) {
    InstallAccessibleControls();
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
}

void TPanelLabel::setText(const QString& text) {
    const QString old = QLabel::text();
    QLabel::setText(text);
    if (old == text || !QAccessible::isActive()) return;
    QAccessibleTextUpdateEvent changed(this, 0, old, text);
    QAccessible::updateAccessibility(&changed);
}

TFittedLine TPanelLabel::Shown() const {
    const QString shown = text();
    const qreal width = contentsRect().width();
    if (shown.contains(QLatin1Char('\n')) || QFontMetricsF(font()).horizontalAdvance(shown) <= width)
        return {font(), shown, false};
    return FitLine(shown, font(), width - 2 * FitMargin);
}

QString TPanelLabel::TipText() const {
    return TipOfCutText(toolTip(), Shown().Elided ? text() : QString());
}

bool TPanelLabel::event(QEvent* event) {
    if (ShowTip(this, event, TipText())) return true;
    return QLabel::event(event);
}

const QPixmap& TPanelLabel::FrameFace() {
    const TFaceKey key = FaceKeyOf(this);
    if (key != FaceKey) {
        Face = NewFace(this, size());
        QPainter painter(&Face);
        drawFrame(&painter);
        FaceKey = key;
    }
    return Face;
}

void TPanelLabel::paintEvent(QPaintEvent* event) {
    if (text().contains(QLatin1Char('\n'))) { // more than one line: QLabel's own drawing
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, FrameFace());
    if (text().isEmpty()) return;
    const QRectF area = contentsRect();
    const TLineCache::TLine* laidOut = &Lines.Get(text(), font());
    if (laidOut->Size.width() > area.width()) { // perhaps condensed or elided: see FitLine
        const TFittedLine fitted = Shown();
        if (fitted.Text != text() || fitted.Font != font()) {
            laidOut = &FittedLines.Get(fitted.Text, fitted.Font);
            painter.setFont(fitted.Font); // a static text is drawn in the painter's font
        }
    }
    const TLineCache::TLine& line = *laidOut;
    // A text taller than the box is cut at its edges, as QLabel cuts it.
    if (line.Text.size().width() > area.width() || line.Size.height() > area.height())
        painter.setClipRect(area);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawStaticText(area.topLeft() + QPointF((area.width() - line.Size.width()) / 2,
                                                    (area.height() - line.Size.height()) / 2),
                           line.Text);
}

TValueLabel::TValueLabel(QWidget* parent) : TPanelLabel(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    setText(QStringLiteral("N/A"));
}

void TValueLabel::SetTextColor(const QColor& color) {
    SetTextColour(this, color);
}

QColor TValueLabel::TextColor() const {
    return palette().color(QPalette::WindowText);
}

QLabel* NewPlainLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(caption);
    label->adjustSize();
    label->move(left, top);
    return label;
}

void KeepBefore(QLabel* caption, const QWidget* control, const QWidget* before) {
    QRect c = caption->geometry();
    const QRect box = control->geometry();
    const bool sameRow = c.top() <= box.bottom() && box.top() <= c.bottom();
    if (!sameRow || c.left() >= box.left()) return;
    const int right = box.left() - CaptionGap - 1; // the last column the caption may use
    if (c.right() > right) c.moveRight(right);
    const int left = before ? before->geometry().right() + 2 : 0;
    if (c.left() < left) {
        const TFittedLine fitted = FitLine(caption->text(), caption->font(), right - left + 1);
        caption->setFont(fitted.Font);
        c.setLeft(left);
    }
    caption->setGeometry(c);
}

TValueLabel* NewValueLabel(QWidget* parent, const char* name, QLabel* caption, const QRect& geometry,
                           const QString& hint) {
    auto* value = new TValueLabel(parent);
    value->setObjectName(QString::fromLatin1(name));
    value->setGeometry(geometry);
    KeepBefore(caption, value);
    value->setAccessibleName(caption->text());
    caption->setBuddy(value); // the caption labels it
    value->setToolTip(hint);
    return value;
}

void NameBySide(std::initializer_list<TValueLabel*> programmed, std::initializer_list<TValueLabel*> active) {
    const auto name = [](TValueLabel* value, const QString& side) {
        value->setAccessibleName(side + value->accessibleName().toLower());
    };
    for (TValueLabel* value : programmed)
        name(value, QStringLiteral("Programmed "));
    for (TValueLabel* value : active)
        name(value, QStringLiteral("Active "));
}
