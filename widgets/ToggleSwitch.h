#pragma once
// A two-position slide switch. Off shows "RUN" on lime in the left half with the
// knob on the right; on shows "CAL" on red in the right half with the knob on the
// left. A left-button press on the text half flips it at once; releasing over the
// switch raises Clicked(), after the flip, and releasing outside puts it back as
// it was before the press. It takes the keyboard focus: Space flips it and raises
// Clicked() once per press, however long the key is held. Toggle() does the same
// for assistive technology. SetOn() from code only redraws. It looks the same
// enabled or disabled, but for the focus frame.
#include <QWidget>

class TToggleSwitch : public QWidget {
    Q_OBJECT
public:
    explicit TToggleSwitch(QWidget* parent = nullptr);
    bool On() const { return State; }
    void SetOn(bool on);
    QString StateText() const;
    // Flips the switch and raises Clicked(), as a click on its text half does.
    void Toggle();

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool InTextHalf(const QPointF& pos) const;
    bool State = false;
    bool Pressed = false;
    bool StateAtPress = false;
    bool KeyDown = false;
};
