#include "PageSpinBox.h"

#include "Controls.h"
#include "WheelGuard.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QWheelEvent>

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
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    // The wheel never gives it the focus.
    setFocusPolicy(Qt::StrongFocus);
    // Connected after the spin box's own handler of the editor, so that this one
    // runs last.
    connect(lineEdit(), &QLineEdit::textChanged, this, &TPageSpinBox::EditorTextChanged);
    // Qt also raises textChanged for an unchanged value on Return and on leaving.
    connect(this, &QSpinBox::textChanged, this, &TPageSpinBox::ReportCode);
    connect(this, &QSpinBox::valueChanged, this, [this] {
        if (!Correcting) EmptiedByPerson = false;
    });
    // Pastes go through PasteFrom only.
    setAcceptDrops(false);
    lineEdit()->setAcceptDrops(false);
    lineEdit()->installEventFilter(this);
}

namespace {
bool IsCode(const QString& text, int maximum) {
    if (text.isEmpty() || text.size() > 5 || !AllDigits(text)) return false;
    return text.toInt() <= maximum;
}
} // namespace

bool TPageSpinBox::PasteFrom(QClipboard::Mode mode) {
    if (!hasFocus() || isReadOnly() || !isEnabled()) return false;
    const QString pasted = QGuiApplication::clipboard()->text(mode).trimmed();
    QLineEdit* edit = lineEdit();
    QString result = edit->text();
    int at = edit->cursorPosition();
    if (edit->hasSelectedText()) {
        at = edit->selectionStart();
        result.remove(at, edit->selectedText().size());
    }
    result.insert(at, pasted);
    if (!IsCode(pasted, maximum()) || !IsCode(result, maximum())) return false;
    edit->insert(pasted);
    return true;
}

bool TPageSpinBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lineEdit()) return QSpinBox::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::MiddleButton) return false;
    // The selection goes in on the release, and only into an edit that had the
    // focus before the press.
    if (type == QEvent::MouseButtonRelease && !FocusByMiddleButton) PasteFrom(QClipboard::Selection);
    if (type == QEvent::MouseButtonRelease) FocusByMiddleButton = false;
    return true;
}

void TPageSpinBox::contextMenuEvent(QContextMenuEvent* event) {
    // The edit's own menu, with its Paste through PasteFrom.
    QMenu* menu = lineEdit()->createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() != QLatin1String("edit-paste")) continue;
        disconnect(action, nullptr, lineEdit(), nullptr);
        connect(action, &QAction::triggered, this, [this] { PasteFrom(QClipboard::Clipboard); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void TPageSpinBox::SetCode(int code) {
    EmptiedByPerson = false;
    setValue(code);
}

void TPageSpinBox::stepBy(int steps) {
    EmptiedByPerson = false;
    QSpinBox::stepBy(steps);
}

void TPageSpinBox::ReportCode() {
    const int code = TextValue();
    if (code == LastCode) return;
    LastCode = code;
    emit CodeChanged(code);
}

void TPageSpinBox::ShowZeroForEmpty() {
    if (!TextEmpty()) return;
    Correcting = true;
    setValue(minimum());
    Correcting = false;
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
    if (!Correcting) EmptiedByPerson = text.isEmpty();
    // The spin box itself takes no value from an empty text. Take 0 now, so that
    // emptying is reported as the change to 0 and the next digit typed is a change
    // again; then give the field back its empty text.
    if (!text.isEmpty() || value() == minimum()) return;
    Correcting = true;
    setValue(minimum());
    Correcting = false;
    const QSignalBlocker blocker(lineEdit());
    lineEdit()->clear();
}

void TPageSpinBox::keyPressEvent(QKeyEvent* event) {
    // Fixed steps whatever the modifiers: 1 for the arrow keys, 100 for the page keys.
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        step = 1;
        break;
    case Qt::Key_Down:
        step = -1;
        break;
    case Qt::Key_PageUp:
        step = PageStep;
        break;
    case Qt::Key_PageDown:
        step = -PageStep;
        break;
    default:
        break;
    }
    if (step != 0) {
        stepBy(step);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteFrom(QClipboard::Clipboard);
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

void TPageSpinBox::focusInEvent(QFocusEvent* event) {
    // The person sees what the exit put into the edit.
    EmptiedByPerson = false;
    FocusByMiddleButton =
        event->reason() == Qt::MouseFocusReason && (QGuiApplication::mouseButtons() & Qt::MiddleButton);
    QSpinBox::focusInEvent(event);
}

void TPageSpinBox::focusOutEvent(QFocusEvent* event) {
    if (LeavesControl(event)) emit Exited();
    QSpinBox::focusOutEvent(event);
}

void TPageSpinBox::wheelEvent(QWheelEvent* event) {
    // A wheel turned while the pointer merely crosses the edit must not change it.
    if (!hasFocus() || isReadOnly()) {
        event->ignore();
        return;
    }
    const int notches = WheelNotches(event, WheelRest);
    if (notches != 0) stepBy(notches);
    event->accept();
}
