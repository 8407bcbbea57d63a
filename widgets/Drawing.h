#pragma once
// What the small controls share for drawing: the key of a cached face, contrast
// and shades, text colour, the store of laid-out lines, fitted lines and the tool
// tip of a cut text.
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPalette>
#include <QPixmap>
#include <QSize>
#include <QStaticText>
#include <QString>
#include <array>

class QEvent;
class QWidget;

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

// The key of the face `widget` would be drawn with now, and a new transparent
// face of `size` at its pixel ratio.
TFaceKey FaceKeyOf(const QWidget* widget);
QPixmap NewFace(const QWidget* widget, const QSize& size);

// A fitted text keeps a pixel clear of the frame on either side.
constexpr int FitMargin = 1;
// The tool tip of a control that shows its text cut short: the whole text
// (`cut`, empty when nothing is cut) above the control's own hint.
QString TipOfCutText(const QString& hint, const QString& cut);
// Shows `tip` for a tool-tip event, or none at all when it is empty; false for
// any other event.
bool ShowTip(QWidget* control, QEvent* event, const QString& tip);
