#pragma once
// A spin edit for DAC codes: integers 0 to 65535, step 1 (arrow keys, buttons,
// wheel) and page step 100 (Page Up and Page Down), with no acceleration and no
// step modifier. The wheel acts only while the edit has the keyboard focus, one
// step a notch. Only digits can be typed; a typed value above the maximum is
// brought back to the maximum. The text may be emptied while typing: an empty
// text stands for 0, and emptying it is a change of the value to 0 like any other.
// CodeChanged is raised only when the code the text stands for really changes:
// Return, or leaving the edit, raises nothing by itself.
// KeyPressed lets a handler swallow a typed character (set it to a null QChar);
// Exited() is raised when the focus leaves it, before the text is tidied up.
// A paste reaches it only while it has the keyboard focus, and only a code from
// 0 to 65535 that leaves a code from 0 to 65535: any other pasted text is
// refused whole, never clamped. A press of the middle (wheel) button that brings
// the focus pastes nothing, nor does a drop.
#include <QClipboard>
#include <QSpinBox>

class TPageSpinBox : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int PageStep = 100;
    explicit TPageSpinBox(QWidget* parent = nullptr);
    // The value the text stands for: an empty text is 0.
    int TextValue() const;
    bool TextEmpty() const;
    // True while the text is empty, and after the person emptied it and the exit
    // put 0 back into it (ShowZeroForEmpty), until a value is typed, stepped or
    // set, or the edit has the focus again.
    bool LeftEmpty() const { return TextEmpty() || EmptiedByPerson; }
    // Puts 0 into an emptied edit without taking back that the person left it empty.
    void ShowZeroForEmpty();
    // A code from the transmitter; the edit no longer counts as left empty.
    void SetCode(int code);
    void stepBy(int steps) override;
    void ClearText();
    QValidator::State validate(QString& input, int& pos) const override;
    // Pastes the clipboard's text as the rules above allow; true when it went in.
    bool PasteFrom(QClipboard::Mode mode);

signals:
    void CodeChanged(int code);
    void KeyPressed(QChar* key);
    void Exited();

protected:
    int valueFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditorTextChanged(const QString& text);
    void ReportCode();
    int LastCode = 0;
    int WheelRest = 0; // the part of a notch the wheel has turned
    bool EmptiedByPerson = false;
    bool Correcting = false;
    bool FocusByMiddleButton = false;
};
