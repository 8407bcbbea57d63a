#include "Drawing.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cmath>

TFaceKey FaceKeyOf(const QWidget* widget) {
    const QPalette& palette = widget->palette();
    TFaceKey key{widget->size(), widget->devicePixelRatioF(), widget->style(),
                 int(palette.currentColorGroup())};
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        if (role != QPalette::WindowText)
            key.Colours[size_t(role)] = palette.color(QPalette::ColorRole(role)).rgba();
    return key;
}

QPixmap NewFace(const QWidget* widget, const QSize& size) {
    QPixmap face(size * widget->devicePixelRatioF());
    face.setDevicePixelRatio(widget->devicePixelRatioF());
    face.fill(Qt::transparent);
    return face;
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ShadeWithContrast(const QColor& colour, const QColor& ground, double ratio) {
    const int top = std::max({colour.red(), colour.green(), colour.blue()});
    for (int value = top; value > 0; --value) {
        const auto scaled = [&](int channel) { return (channel * value + top / 2) / top; };
        const QColor shade(scaled(colour.red()), scaled(colour.green()), scaled(colour.blue()));
        if (ContrastRatio(shade, ground) >= ratio) return shade;
    }
    return QColor(0, 0, 0);
}

const TLineCache::TLine& TLineCache::Get(const QString& line, const QFont& font) {
    if (font != Font || Lines.size() >= Capacity) {
        Lines.clear();
        Font = font;
    }
    auto found = Lines.find(line);
    if (found != Lines.end()) return *found;
    TLine laidOut;
    laidOut.Text.setTextFormat(Qt::PlainText);
    laidOut.Text.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.Text.setText(line);
    laidOut.Text.prepare(QTransform(), font);
    // The laid-out width also holds a last glyph's overhang to the right.
    const QFontMetricsF metrics(font);
    const qreal overhang = line.isEmpty() ? 0 : std::min<qreal>(0, metrics.rightBearing(line.back()));
    laidOut.Size = QSizeF(laidOut.Text.size().width() + overhang, metrics.height());
    return *Lines.insert(line, laidOut);
}

TFittedLine FitLine(const QString& text, const QFont& font, qreal width) {
    TFittedLine fitted{font, text, false};
    const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
    if (natural <= width) return fitted;
    // The stretch that should just do, then narrower until it does.
    int stretch = std::max(MinStretch, int(std::floor(100 * width / natural)));
    for (;; --stretch) {
        fitted.Font.setStretch(stretch);
        if (QFontMetricsF(fitted.Font).horizontalAdvance(text) <= width) return fitted;
        if (stretch == MinStretch) break;
    }
    fitted.Text = QFontMetricsF(fitted.Font).elidedText(text, Qt::ElideRight, width);
    fitted.Elided = true;
    return fitted;
}

// The tool tip of a control that shows its text cut short: the whole text
// (`cut`, empty when nothing is cut) above the control's own hint.
QString TipOfCutText(const QString& hint, const QString& cut) {
    if (cut.isEmpty()) return hint;
    return hint.isEmpty() ? cut : cut + QLatin1Char('\n') + hint;
}

// Shows `tip` for a tool-tip event, or none at all when it is empty; false for
// any other event.
bool ShowTip(QWidget* control, QEvent* event, const QString& tip) {
    if (event->type() != QEvent::ToolTip) return false;
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, control);
    }
    return true;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    const auto same = [&](QPalette::ColorGroup group) {
        return pal.color(group, QPalette::WindowText) == colour;
    };
    if (same(QPalette::Active) && same(QPalette::Inactive) && same(QPalette::Disabled)) return;
    pal.setColor(QPalette::WindowText, colour);
    widget->setPalette(pal);
}
