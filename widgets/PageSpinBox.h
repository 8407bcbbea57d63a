#pragma once
// A spin edit for DAC codes: integers 0 to 65535, step 1, page step 100 (Page Up
// and Page Down). Only digits can be typed; a typed value above the maximum is
// brought back to the maximum. The text may be emptied while typing: an empty
// text stands for 0, and emptying it is a change of the value to 0 like any other.
// KeyPressed lets a handler swallow a typed character (set it to a null QChar);
// Exited() is raised when the focus leaves it, before the text is tidied up.
#include <QSpinBox>

class TPageSpinBox : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int PageStep = 100;
    explicit TPageSpinBox(QWidget* parent = nullptr);
    // The value the text stands for: an empty text is 0.
    int TextValue() const;
    bool TextEmpty() const;
    void ClearText();
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    void KeyPressed(QChar* key);
    void Exited();

protected:
    int valueFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void EditorTextChanged(const QString& text);
};
