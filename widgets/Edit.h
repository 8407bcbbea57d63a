#pragma once
// The line edit of the panels' fields and the button at its right end.
#include <QLineEdit>
#include <QRect>

class QFocusEvent;

// True when a focus-out moves the focus to another control. A popup (the edit's
// own context menu) or a switch to another window leaves the focus where it is.
bool LeavesControl(const QFocusEvent* event);

// A line edit with an exit event: Exited() when the focus leaves it. A button
// judges the edit as the person left it: PersonText() is empty when the person
// emptied the edit and left it, although the exit has put a default into it,
// until a text is typed or set again. Outside the focus a number too wide for the
// edit shows its beginning (sign and leading digits) and an ellipsis, and the
// tool tip holds it whole before the edit's hint. A paste reaches it only while
// it has the keyboard focus: a press of the middle button that brings the focus
// pastes nothing, nor does a drop.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);
    QString PersonText() const { return EmptiedByPerson ? QString() : text(); }
    bool TextFits() const;
    QString TipText() const;
    // The caption of the field, which names it in a conversion error.
    QString FieldName;
signals:
    void Exited();

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the text goes: the contents less the margins and the button.
    QRect TextArea() const;
    bool EmptiedByPerson = false;
    bool Exiting = false;
    bool FocusByMiddleButton = false;
};

class QToolButton;
// The button a line edit shows for its trailing action (QLineEdit::addAction),
// or null.
QToolButton* EditButton(const QLineEdit* edit);
// Makes that button a control of its own for the keyboard and the screen reader:
// it takes the focus by Tab and shows it with a dotted frame, Space presses it
// once per press, and it carries the accessible name given.
void MakeEditButtonFocusable(const QLineEdit* edit, const char* name, const QString& accessibleName);
