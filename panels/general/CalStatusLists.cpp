// The calibration status lists at the bottom of the input and output panels: one
// row per range, "OK" or "UCAL" for the zero and full-scale calibration, and a
// context menu that asks the transmitter to clear the flags of its side.
#include "../../app/PanelHost.h"
#include "../../app/UiServices.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/CalFlags.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../ranges/ReportTexts.h"
#include "../../widgets/Controls.h"
#include "../../widgets/TextCellDelegate.h"
#include "CalLists.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <algorithm>

namespace {
const QString NotAvailable = QStringLiteral("N/A");
const QString Calibrated = ReportText::CalFlag(true);
const QString Uncalibrated = ReportText::CalFlag(false);

struct TColumn {
    QString Caption;
    int Width;
    Qt::Alignment Alignment;
};

// The colour itself when it stands out from the ground by 5.5:1, else the same
// hue darkened until it does: 4.5:1 is the least for small text, and the thin
// strokes of a small font, smoothed into the ground, give away a little of it.
QColor Legible(QColor ink, const QColor& ground) {
    for (int i = 0; i < 20 && ContrastRatio(ink, ground) < 5.5; ++i)
        ink = ink.darker(110);
    return ink;
}

// Cells of the second and later columns take their font colour from the window's
// paint hook. A selected row keeps its text colours on a light tint of the
// selection colour, so that "OK" and "UCAL" stay green and red while the row is
// picked for clearing. The rest of the drawing is the list's own.
class TCalStatDelegate : public TTextCellDelegate {
public:
    TCalStatDelegate(const TCalLists* lists, QTreeWidget* list)
        : TTextCellDelegate(list), Lists(lists), List(list) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        TTextCellDelegate::initStyleOption(option, index);
        QPalette& palette = option->palette;
        if (index.column() >= 1 && !index.parent().isValid()) {
            const QColor colour = Lists->lvOutCalStatCustomDrawSubItem(List, index.row(), index.column());
            if (colour.isValid()) palette.setColor(QPalette::Text, colour);
        }
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const QColor mark = palette.color(group, QPalette::Highlight);
            const QColor ground = palette.color(group, QPalette::Base);
            const auto mix = [](int a, int b) { return (a + 3 * b) / 4; };
            palette.setColor(group, QPalette::Highlight,
                             QColor(mix(mark.red(), ground.red()), mix(mark.green(), ground.green()),
                                    mix(mark.blue(), ground.blue())));
            // On the tint the green and red are darkened as far as a contrast of
            // 4.5:1 needs, so that "OK" and "UCAL" stay legible on a picked row.
            palette.setColor(
                group, QPalette::HighlightedText,
                Legible(palette.color(group, QPalette::Text), palette.color(group, QPalette::Highlight)));
        }
    }

private:
    const TCalLists* Lists;
    QTreeWidget* List;
};

// A read-only report-style list with fixed, non-clickable column headers.
QTreeWidget* NewCalList(const TCalLists* lists, QWidget* parent, const char* name, const QRect& geometry,
                        const std::initializer_list<TColumn>& columns, const QString& hint) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(geometry);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setFrameStyle(QFrame::Box | QFrame::Plain);
    list->setLineWidth(1);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setToolTip(hint);
    list->setAccessibleName(QStringLiteral("Calibration Status"));

    list->setColumnCount(static_cast<int>(columns.size()));
    QTreeWidgetItem* header = list->headerItem();
    int column = 0;
    for (const TColumn& c : columns) {
        header->setText(column, c.Caption);
        header->setTextAlignment(column, c.Alignment | Qt::AlignVCenter);
        list->header()->resizeSection(column, c.Width);
        ++column;
    }
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(QHeaderView::Fixed);
    list->setItemDelegate(new TCalStatDelegate(lists, list));
    return list;
}

// A row whose cells take the alignments of the list's header.
QTreeWidgetItem* AddRow(QTreeWidget* list, const QStringList& cells) {
    auto* item = new QTreeWidgetItem(list, cells);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    for (int column = 0; column < cells.size(); ++column)
        item->setTextAlignment(column, Qt::Alignment(list->headerItem()->textAlignment(column)));
    return item;
}

const QString& FlagText(uint32_t set, int bit) {
    return (set >> bit) & 1u ? Calibrated : Uncalibrated;
}

// The engineering span of an input range, as the "Range" column shows it.
QString SpanText(const IRange& range) {
    return FormatFloat(range.EuMin, QStringLiteral("0")) + range.EngUnit + QStringLiteral("..") +
           FormatFloat(range.EuMax, QStringLiteral("0")) + range.EngUnit;
}
} // namespace

void TCalLists::Setup(QWidget* inputBox, QWidget* outputBox) {
    constexpr Qt::Alignment Left = Qt::AlignLeft;
    constexpr Qt::Alignment Centre = Qt::AlignHCenter;

    lblInpCalStat = NewPlainLabel(inputBox, "lblInpCalStat", QStringLiteral("Calibration Status"), 8, 320);
    lvInpCalStat = NewCalList(this, inputBox, "lvInpCalStat", QRect(8, 336, 305, 169),
                              {{QStringLiteral("Input"), 85, Left},
                               {QStringLiteral("Zero"), 43, Centre},
                               {QStringLiteral("FS"), 43, Centre},
                               {QStringLiteral("Range"), 113, Centre}},
                              QStringLiteral("Right click to read calibration status for all input ranges"));

    lblOutCalStat = NewPlainLabel(outputBox, "lblOutCalStat", QStringLiteral("Calibration Status"), 8, 384);
    lvOutCalStat = NewCalList(this, outputBox, "lvOutCalStat", QRect(8, 400, 305, 105),
                              {{QStringLiteral("Output"), 159, Left},
                               {QStringLiteral("Zero"), 63, Centre},
                               {QStringLiteral("FS"), 63, Centre}},
                              QStringLiteral("Right click to read calibration status for all output ranges"));

    const QString clearCaption = QStringLiteral("Clear calibration flags");
    popInCal = new QMenu(Host.Window());
    popInCal->setObjectName(QStringLiteral("popInCal"));
    mnuClearInCal = new QAction(clearCaption, popInCal);
    mnuClearInCal->setObjectName(QStringLiteral("mnuClearInCal"));
    popInCal->addAction(mnuClearInCal);

    popOutCal = new QMenu(Host.Window());
    popOutCal->setObjectName(QStringLiteral("popOutCal"));
    mnuClearOutCal = new QAction(clearCaption, popOutCal);
    mnuClearOutCal->setObjectName(QStringLiteral("mnuClearOutCal"));
    popOutCal->addAction(mnuClearOutCal);
}

void TCalLists::InitInCalStat() {
    lvInpCalStat->clear();
    for (const IRange& range : InRanges)
        AddRow(lvInpCalStat, {range.Name, NotAvailable, NotAvailable, SpanText(range)});
}

void TCalLists::InitOutCalStat() {
    lvOutCalStat->clear();
    for (const ORange& range : OutRanges)
        AddRow(lvOutCalStat, {range.Name, NotAvailable, NotAvailable});
}

void TCalLists::ShowInCalStat(uint32_t word1, uint32_t word2, uint32_t word3, uint32_t word4) {
    uint32_t zeroSet = 0;
    uint32_t fullSet = 0;
    FoldCalFlags(word1, word2, word3, word4, zeroSet, fullSet);
    // Only the rows of the table's ranges carry flags; there are no others.
    const int rows = std::min(lvInpCalStat->topLevelItemCount(), InRangeCount);
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem* item = lvInpCalStat->topLevelItem(i);
        item->setText(1, FlagText(zeroSet, i));
        item->setText(2, FlagText(fullSet, i));
    }
}

void TCalLists::ShowOutCalStat(uint16_t zeroFlags, uint16_t fullFlags) {
    const int rows = std::min(lvOutCalStat->topLevelItemCount(), OutRangeCount);
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem* item = lvOutCalStat->topLevelItem(i);
        item->setText(1, FlagText(zeroFlags, i));
        item->setText(2, FlagText(fullFlags, i));
    }
}

QColor TCalLists::lvOutCalStatCustomDrawSubItem(QTreeWidget* list, int row, int column) const {
    // Until start-up has finished the cells keep the list's own colours.
    if (!Host.FormReady() || !list) return QColor();
    const QTreeWidgetItem* item = list->topLevelItem(row);
    const QString text = item ? item->text(column) : QString();
    // Green and red as dark as the text needs to stand out 4.5:1 on screen.
    const QColor ground = list->palette().color(QPalette::Base);
    if (text == Calibrated) return ShadeWithContrast(QColor(0, 128, 0), ground, FullInkRatio);
    if (text == Uncalibrated) return ShadeWithContrast(QColor(255, 0, 0), ground, FullInkRatio);
    return QColor(0, 0, 0);
}

// Clearing takes back calibrations that cost a calibrator and time: asked once,
// naming all the ranges it reaches, whatever row was picked. No is the default.
void TCalLists::mnuClearInCalClick() {
    if (!Host.Ui()->Confirm(
            Host.Window(),
            QStringLiteral("Clear the calibration flags of all %1 input ranges?").arg(InRangeCount)))
        return;
    Host.Send(Msg::ClearInCal(), QStringLiteral("Clearing input calibration flags..."));
}

void TCalLists::mnuClearOutCalClick() {
    if (!Host.Ui()->Confirm(Host.Window(),
                            QStringLiteral("Clear the calibration flags of both output ranges?")))
        return;
    Host.Send(Msg::ClearOutCal(), QStringLiteral("Clearing output calibration flags..."));
}
