#include "PageSpinBox.h"

#include "Controls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {
bool AllDigits(const QString& text) {
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}
} // namespace

TPageSpinBox::TPageSpinBox(QWidget* parent) : QSpinBox(parent) {
    // Plain ASCII digits whatever the user's regional settings.
    setLocale(QLocale::c());
    setRange(0, 65535);
    setSingleStep(1);
    setKeyboardTracking(true);
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    // Connected after the spin box's own handler of the editor, so that this one
    // runs last.
    connect(lineEdit(), &QLineEdit::textChanged, this, &TPageSpinBox::EditorTextChanged);
}

int TPageSpinBox::TextValue() const {
    const QString text = lineEdit()->text();
    if (text.isEmpty() || !AllDigits(text)) return 0;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value > maximum()) return maximum();
    return static_cast<int>(value);
}

bool TPageSpinBox::TextEmpty() const {
    return lineEdit()->text().isEmpty();
}

void TPageSpinBox::ClearText() {
    lineEdit()->clear();
}

QValidator::State TPageSpinBox::validate(QString& input, int& pos) const {
    if (input.isEmpty()) return QValidator::Intermediate;
    if (!AllDigits(input)) return QValidator::Invalid;
    bool ok = false;
    const qlonglong value = input.toLongLong(&ok);
    if (!ok || value > maximum()) {
        input = QString::number(maximum());
        pos = static_cast<int>(input.size());
    }
    return QValidator::Acceptable;
}

int TPageSpinBox::valueFromText(const QString& text) const {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < minimum()) return minimum();
    return value > maximum() ? maximum() : static_cast<int>(value);
}

void TPageSpinBox::EditorTextChanged(const QString& text) {
    // The spin box itself takes no value from an empty text. Take 0 now, so that
    // emptying is reported as the change to 0 and the next digit typed is a change
    // again; then give the field back its empty text.
    if (!text.isEmpty() || value() == minimum()) return;
    setValue(minimum());
    const QSignalBlocker blocker(lineEdit());
    lineEdit()->clear();
}

void TPageSpinBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        stepBy(event->key() == Qt::Key_PageUp ? PageStep : -PageStep);
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
    if (LeavesControl(event)) emit Exited();
    QSpinBox::focusOutEvent(event);
}
