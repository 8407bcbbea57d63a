#include "PageSpinBox.h"

#include <QKeyEvent>
#include <QLineEdit>

TPageSpinBox::TPageSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, 65535);
    setSingleStep(1);
    setKeyboardTracking(true);
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int TPageSpinBox::TextValue() const {
    bool ok = false;
    const qlonglong value = lineEdit()->text().trimmed().toLongLong(&ok);
    if (!ok || value < 0) return 0;
    return value > maximum() ? maximum() : static_cast<int>(value);
}

bool TPageSpinBox::TextEmpty() const { return lineEdit()->text().trimmed().isEmpty(); }

void TPageSpinBox::ClearText() { lineEdit()->clear(); }

QValidator::State TPageSpinBox::validate(QString& input, int& pos) const {
    const QString trimmed = input.trimmed();
    if (trimmed.isEmpty()) return QValidator::Intermediate;
    for (QChar c : trimmed)
        if (!c.isDigit()) return QValidator::Invalid;
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (!ok || value > maximum()) {
        input = QString::number(maximum());
        pos = static_cast<int>(input.size());
        return QValidator::Acceptable;
    }
    return QValidator::Acceptable;
}

void TPageSpinBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        stepBy(event->key() == Qt::Key_PageUp ? 100 : -100);
        event->accept();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text[0].isPrint()) {
        QChar key = text[0];
        emit KeyPressed(&key);
        if (key.isNull()) {
            event->accept();
            return;
        }
    }
    QSpinBox::keyPressEvent(event);
}

void TPageSpinBox::focusOutEvent(QFocusEvent* event) {
    emit Exited();
    QSpinBox::focusOutEvent(event);
}
