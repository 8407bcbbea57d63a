#include "Controls.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

TValueLabel::TValueLabel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    setText(QStringLiteral("N/A"));
}

void TValueLabel::SetTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

QColor TValueLabel::TextColor() const { return palette().color(QPalette::WindowText); }

QLabel* NewPlainLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(caption);
    label->adjustSize();
    label->move(left, top);
    return label;
}

TValueLabel* NewValueLabel(QWidget* parent, const char* name, const QLabel* caption, const QRect& geometry,
                           const QString& hint) {
    auto* value = new TValueLabel(parent);
    value->setObjectName(QString::fromLatin1(name));
    value->setGeometry(geometry);
    value->setAccessibleName(caption->text());
    value->setToolTip(hint);
    return value;
}

void TCentredComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QString text = option.currentText;
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.drawItemText(field, Qt::AlignCenter, option.palette, isEnabled(), text, QPalette::ButtonText);
}

bool LeavesControl(const QFocusEvent* event) {
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

void TEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (LeavesControl(event)) emit Exited();
}

TLamp::TLamp(QWidget* parent) : QWidget(parent) { setFixedSize(11, 11); }

void TLamp::SetLit(bool lit) {
    if (On == lit) return;
    On = lit;
    update();
}

void TLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(palette().color(QPalette::Dark));
    p.setBrush(On ? QColor(0, 128, 0) : palette().color(QPalette::Button));
    p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

TShape::TShape(TKind kind, const QColor& fill, QWidget* parent) : QWidget(parent), Kind(kind), Fill(fill) {}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(Fill);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (Kind == TKind::Circle) {
        p.setRenderHint(QPainter::Antialiasing);
        p.drawEllipse(r);
    } else {
        p.drawRect(r);
    }
}
