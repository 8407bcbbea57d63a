#pragma once
// An item delegate for lists of short, one-line texts that seldom change, such
// as the calibration status lists. Each distinct text is laid out once and then
// only blitted; background, selection and focus frame are the style's own. A
// cell whose text does not fit, wraps, or has an icon or check box is drawn by
// QStyledItemDelegate itself.
#include "Controls.h"

#include <QStyledItemDelegate>

class TTextCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The texts laid out so far; the store never holds more than a few hundred.
    int CachedTexts() const { return Lines.Count(); }

private:
    mutable TLineCache Lines{512};
};
