#pragma once
// The framed panel label, the read-only value label and the makers of the
// labels every panel uses.
#include "Drawing.h"

#include <QAccessible>
#include <QLabel>
#include <QRect>
#include <initializer_list>

// A sunken, framed label with one line of centred plain text, drawn as QLabel
// draws it. The frame is drawn once per size and palette, and the layouts of its
// recent texts are kept, so a repaint with a text seen before is two blits. A
// text too wide for the box is fitted (FitLine); an elided one is shown whole in
// the tool tip, before the label's own hint. Assistive technology reads the
// caption (the accessible name) as name and the text as value.
class TPanelLabel : public QLabel {
    Q_OBJECT
public:
    explicit TPanelLabel(QWidget* parent = nullptr);
    // Shows a text; a new one is announced to assistive technology as a text change.
    void setText(const QString& text);
    // The role assistive technology knows the box by: static text, or status bar.
    QAccessible::Role AccessibleRole() const { return Role; }
    void SetAccessibleRole(QAccessible::Role role) { Role = role; }
    // What the box shows of its text now.
    TFittedLine Shown() const;
    // The tool tip for a position in the box: the whole text first when it is elided.
    QString TipText() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const QPixmap& FrameFace();
    QPixmap Face;
    TFaceKey FaceKey;
    TLineCache Lines{8}; // the status line's few messages, a reading or two
    TLineCache FittedLines{2};
    QAccessible::Role Role = QAccessible::StaticText;
};

// A read-only, framed text box with window-coloured background and centred text.
class TValueLabel : public TPanelLabel {
    Q_OBJECT
public:
    explicit TValueLabel(QWidget* parent = nullptr);
    void SetTextColor(const QColor& color);
    QColor TextColor() const;
};

// A plain label sized to its caption, its top-left corner at (left, top).
QLabel* NewPlainLabel(QWidget* parent, const char* name, const QString& caption, int left, int top);

// Keeps a caption clear of the control it names on the same row: one that
// would reach into the control moves left, to end CaptionGap pixels before it;
// one that would then reach into `before`, the control to its left, is drawn
// condensed (FitLine) in the room between the two.
constexpr int CaptionGap = 3;
void KeepBefore(QLabel* caption, const QWidget* control, const QWidget* before = nullptr);

// A read-only value label, named for the screen reader after its caption, which
// is kept clear of it (KeepBefore).
TValueLabel* NewValueLabel(QWidget* parent, const char* name, QLabel* caption, const QRect& geometry,
                           const QString& hint = QString());

// Names the value boxes of a panel's programmed side "Programmed <caption>" and
// those of its active side "Active <caption>" for the screen reader; the caption
// stays their label.
void NameBySide(std::initializer_list<TValueLabel*> programmed, std::initializer_list<TValueLabel*> active);
