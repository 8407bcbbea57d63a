#pragma once
// Small controls that Qt lacks: the framed panel label and the read-only value
// label, an edit that reports when the focus leaves it, a drop-down list with its
// selection centred, the activity lamp and the plain shapes of the JP6 picture;
// the makers of the labels every panel uses; and the store of laid-out lines the
// labels and the calibration lists draw their texts from.
#include <QAccessible>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRect>
#include <QStaticText>
#include <QWidget>
#include <array>
#include <initializer_list>

// What a cached picture of a control was drawn for: its size and pixel ratio,
// its style, and the colours of its state's colour group but the text colour,
// which only the text uses.
struct TFaceKey {
    QSize Size;
    qreal Ratio = 0;
    const void* Style = nullptr;
    int Group = -1;
    std::array<QRgb, QPalette::NColorRoles> Colours{};
    bool operator==(const TFaceKey&) const = default;
};

// The contrast ratio of two colours, 1 to 21, as the web's accessibility
// guidelines measure it from their relative luminance.
double ContrastRatio(const QColor& a, const QColor& b);

// The lightest shade of a colour's hue (its channels scaled down together) that
// stands out from `ground` by at least `ratio`: the colour itself when it does.
QColor ShadeWithContrast(const QColor& colour, const QColor& ground, double ratio);
// The contrast a colour of small coloured text is given, so that its pixels on
// screen, thin strokes smoothed into the ground, still reach 4.5:1.
constexpr double FullInkRatio = 5.0;

// Sets the colour a label writes its text in; a colour it has already costs nothing.
void SetTextColour(QWidget* widget, const QColor& colour);

// Lines of plain text laid out for QPainter::drawStaticText, each with the size
// Qt aligns it by: the advance of the line and its height. The store holds at
// most its capacity and starts afresh when full or when the font changes.
class TLineCache {
public:
    struct TLine {
        QStaticText Text;
        QSizeF Size;
    };
    explicit TLineCache(int capacity) : Capacity(capacity) {}
    const TLine& Get(const QString& line, const QFont& font);
    int Count() const { return int(Lines.size()); }

private:
    int Capacity;
    QHash<QString, TLine> Lines;
    QFont Font;
};

// A line of text as it is shown in a given width: whole in its font when it
// fits; else whole in a font condensed down to MinStretch percent; else the
// beginning of the text and an ellipsis in that condensed font, so that a number
// keeps its sign and leading digits.
struct TFittedLine {
    QFont Font;
    QString Text;
    bool Elided = false;
};
TFittedLine FitLine(const QString& text, const QFont& font, qreal width);
constexpr int MinStretch = 80;

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

// A drop-down list with a fixed set of items that shows its selection and the
// items of its list centred.
class TCentredComboBox : public QComboBox {
public:
    explicit TCentredComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

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

// An 11 x 11 lamp on a window-coloured ground: green when lit, button face when
// dark. Both faces are drawn once per palette; the lamps flash with every exchange.
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
    QPixmap Faces[2];
    TFaceKey FacesKey;
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
