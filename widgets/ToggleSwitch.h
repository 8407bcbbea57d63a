#pragma once
// A two-position slide switch. Off shows "RUN" on lime in the left half with the
// knob on the right; on shows "CAL" on red in the right half with the knob on the
// left. A left-button press on the text half flips it at once; releasing over the
// switch raises Clicked(), after the flip. SetOn() from code only redraws. It
// looks the same enabled or disabled.
#include <QWidget>

class TToggleSwitch : public QWidget {
    Q_OBJECT
public:
    explicit TToggleSwitch(QWidget* parent = nullptr);
    bool On() const { return State; }
    void SetOn(bool on);
    QString StateText() const;

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool InTextHalf(const QPointF& pos) const;
    bool State = false;
    bool Pressed = false;
};
