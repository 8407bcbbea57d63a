#include "ProgramLook.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <qdrawutil.h>

namespace {
// Fusion, but for the group box.
class TProgramStyle : public QProxyStyle {
public:
    TProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) return QProxyStyle::subControlRect(control, option, part, widget);
        const QRect all = option->rect;
        const QFontMetrics& metrics = option->fontMetrics;
        // The caption stands 8 pixels in from the left edge, its top on the box's top.
        const QRect caption =
            box->text.isEmpty()
                ? QRect()
                : QRect(all.left() + CaptionIndent, all.top(),
                        metrics.size(Qt::TextShowMnemonic, box->text).width(), metrics.height());
        const int line = all.top() + metrics.height() / 2;
        const QRect frame(all.left(), line, all.width(), all.bottom() - line + 1);
        switch (part) {
        case SC_GroupBoxLabel:
            return caption;
        case SC_GroupBoxFrame:
            return frame;
        case SC_GroupBoxContents:
            return frame.adjusted(2, caption.isEmpty() ? 2 : caption.bottom() + 1 - line, -2, -2);
        default:
            return QRect(); // never checkable
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
        painter->save();
        if (!caption.isEmpty()) painter->setClipRegion(QRegion(option->rect).subtracted(caption));
        qDrawShadeRect(painter, subControlRect(control, option, SC_GroupBoxFrame, widget), option->palette,
                       true);
        painter->restore();
        if (caption.isEmpty()) return;
        painter->save();
        if (box->textColor.isValid()) painter->setPen(box->textColor);
        drawItemText(painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                     option->palette, option->state & State_Enabled, box->text,
                     box->textColor.isValid() ? QPalette::NoRole : QPalette::WindowText);
        painter->restore();
    }

private:
    static constexpr int CaptionIndent = 8;
};
} // namespace

void SetProgramLook() {
    QApplication::setStyle(new TProgramStyle);
#ifdef Q_OS_WIN
    // The layout's own font, which Windows has in TrueType as Microsoft Sans
    // Serif; where it lacks (Wine), the Linux window's.
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans")});
#else
    QFont font(QStringLiteral("Liberation Sans"));
#endif
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}
