#include "TextCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <utility>

void TTextCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    constexpr auto Others = QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator |
                            QStyleOptionViewItem::HasDecoration;
    if (cell.text.isEmpty() || (cell.features & Others) || cell.text.contains(QLatin1Char('\n')) ||
        (cell.state & QStyle::State_Editing)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell's layout without its text: with it, the style would lay the text
    // out once more just to find the rectangle it already knows.
    const QString shown = std::exchange(cell.text, QString());
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area =
        style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).adjusted(margin, 0, -margin, 0);
    const TLineCache::TLine& text = Lines.Get(shown, cell.font);
    if (text.Text.size().width() > area.width()) { // elided by Qt's own drawing
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(cell.state & QStyle::State_Active)) group = QPalette::Inactive;
    const QColor ink = cell.palette.color(
        group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget); // all of the cell but the text

    const Qt::Alignment align = QStyle::visualAlignment(cell.direction, cell.displayAlignment);
    qreal x = area.left();
    if (align & Qt::AlignHCenter)
        x += (area.width() - text.Size.width()) / 2;
    else if (align & Qt::AlignRight)
        x += area.width() - text.Size.width();
    qreal y = area.top();
    if (align & Qt::AlignVCenter)
        y += (area.height() - text.Size.height()) / 2;
    else if (align & Qt::AlignBottom)
        y += area.height() - text.Size.height();
    painter->save();
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(ink);
    painter->drawStaticText(QPointF(x, y), text.Text);
    painter->restore();
}
