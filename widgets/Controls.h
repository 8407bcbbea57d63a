#pragma once
// Small controls that Qt lacks: the read-only value label, an edit that reports
// when the focus leaves it, the activity lamp and the plain shapes of the JP6
// picture.
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// A read-only, framed text box with window-coloured background and centred text.
class TValueLabel : public QLabel {
    Q_OBJECT
public:
    explicit TValueLabel(QWidget* parent = nullptr);
    void SetTextColor(const QColor& color);
    QColor TextColor() const;
};

class QFocusEvent;

// True when a focus-out moves the focus to another control. A popup (the edit's
// own context menu) or a switch to another window leaves the focus where it is.
bool LeavesControl(const QFocusEvent* event);

// A line edit with an exit event: Exited() when the focus leaves it.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
signals:
    void Exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// An 11 x 11 lamp: green when lit, button face when dark.
class TLamp : public QWidget {
    Q_OBJECT
public:
    explicit TLamp(QWidget* parent = nullptr);
    void SetLit(bool lit);
    bool Lit() const { return On; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool On = false;
};

// A filled rectangle or circle with a black outline.
class TShape : public QWidget {
    Q_OBJECT
public:
    enum class TKind { Rectangle, Circle };
    TShape(TKind kind, const QColor& fill, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TKind Kind;
    QColor Fill;
};
