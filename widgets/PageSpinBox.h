#pragma once
// A spin edit for DAC codes: integers 0 to 65535, step 1, page step 100 (Page Up
// and Page Down). A typed value above the maximum is brought back to the maximum.
// KeyPressed lets a handler swallow a typed character (set it to a null QChar);
// Exited() is raised when the focus leaves it.
#include <QSpinBox>

class TPageSpinBox : public QSpinBox {
    Q_OBJECT
public:
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
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
