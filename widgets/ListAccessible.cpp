#include "ListAccessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QListView>
#include <QPointer>
#include <QTreeView>

namespace {
// The header of a list of columns; a plain list has none.
QHeaderView* HeaderOf(const QAbstractItemView* view) {
    const auto* tree = qobject_cast<const QTreeView*>(view);
    return tree ? tree->header() : nullptr;
}

// A view without a model yet has no rows and no columns.
int RowsOf(const QAbstractItemView* view) {
    return view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
}

int ColumnsOf(const QAbstractItemView* view) {
    if (!view->model()) return 0;
    return HeaderOf(view) ? view->model()->columnCount(view->rootIndex()) : 1;
}

// The item of a row and column; a plain list shows one column of its model.
QModelIndex IndexOf(const QAbstractItemView* view, int row, int column) {
    if (!view->model()) return QModelIndex();
    if (const auto* list = qobject_cast<const QListView*>(view)) column = list->modelColumn();
    return view->model()->index(row, column, view->rootIndex());
}

// One cell of the list, or with row -1 the caption of its column. The children
// of the table run row by row, the captions first where there are captions, as
// the view numbers them in the focus and selection events it sends.
class TListCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    TListCellAccessible(QAbstractItemView* view, int row, int column)
        : View(view), Row(row), Column(column) {}

    QModelIndex Index() const { return IndexOf(View, Row, Column); }
    bool isValid() const override {
        return View && Row >= -1 && Column >= 0 && Row < RowsOf(View) && Column < ColumnsOf(View) &&
               (Row >= 0 || HeaderOf(View));
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return View ? View->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(View.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override {
        if (!isValid()) return QString();
        if (Row < 0)
            return kind == QAccessible::Name ? View->model()->headerData(Column, Qt::Horizontal).toString()
                                             : QString();
        if (kind == QAccessible::Name || kind == QAccessible::Value) {
            const QString spoken = Index().data(Qt::AccessibleTextRole).toString();
            return spoken.isEmpty() ? Index().data(Qt::DisplayRole).toString() : spoken;
        }
        if (kind == QAccessible::Description) return Index().data(Qt::AccessibleDescriptionRole).toString();
        return QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return QRect();
        const QHeaderView* header = HeaderOf(View);
        if (Row < 0)
            return QRect(header->sectionViewportPosition(Column), 0, header->sectionSize(Column),
                         header->height())
                .translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
        return View->visualRect(Index()).translated(View->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override {
        if (Row < 0) return QAccessible::ColumnHeader;
        return HeaderOf(View) ? QAccessible::Cell : QAccessible::ListItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.readOnly = true;
        const QRect shown = View->viewport()->rect();
        if (Row >= 0) {
            s.selectable = true;
            s.selected = isSelected();
            s.focusable = true;
            s.focused = View->hasFocus() && View->currentIndex().row() == Row &&
                        View->currentIndex().column() == Column;
            if (!View->visualRect(Index()).intersects(shown)) s.offscreen = s.invisible = true;
        } else if (HeaderOf(View)->isHidden()) {
            s.invisible = true;
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface && Row >= 0)
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override {
        return isValid() && View->selectionModel() && View->selectionModel()->isSelected(Index());
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return Column; }
    int rowIndex() const override { return Row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    int Position() const { return (Row + (HeaderOf(View) ? 1 : 0)) * ColumnsOf(View) + Column; }

private:
    QPointer<QAbstractItemView> View;
    int Row;
    int Column;
};

class TListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TListAccessible(QAbstractItemView* view)
        : QAccessibleWidget(view, HeaderOf(view) ? QAccessible::Table : QAccessible::List) {}
    ~TListAccessible() override { ForgetCells(); }

    QAbstractItemView* View() const { return static_cast<QAbstractItemView*>(widget()); }
    int HeaderRows() const { return HeaderOf(View()) ? 1 : 0; }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    // The cells are the children: no scroll bars or header widget in between.
    int childCount() const override { return (rowCount() + HeaderRows()) * columnCount(); }
    QAccessibleInterface* child(int index) const override {
        const int columns = columnCount();
        if (index < 0 || index >= childCount() || columns == 0) return nullptr;
        return Cell(index / columns - HeaderRows(), index % columns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* cell = dynamic_cast<const TListCellAccessible*>(child);
        return cell && cell->table() == this ? cell->Position() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (const QHeaderView* header = HeaderOf(View())) {
            const QPoint inHeader = header->viewport()->mapFromGlobal(QPoint(x, y));
            // Past the last caption lies no cell.
            if (header->isVisible() && header->viewport()->rect().contains(inHeader)) {
                const int column = header->logicalIndexAt(inHeader);
                return column < 0 ? nullptr : Cell(-1, column);
            }
        }
        const QModelIndex index = View()->indexAt(View()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? Cell(index.row(), index.column()) : nullptr;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return row >= 0 && row < rowCount() && column >= 0 && column < columnCount() ? Cell(row, column)
                                                                                     : nullptr;
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (const int row : selectedRows())
            for (int column = 0; column < columnCount(); ++column)
                cells << Cell(row, column);
        return cells;
    }
    QString columnDescription(int column) const override {
        return HeaderOf(View()) && View()->model()
                   ? View()->model()->headerData(column, Qt::Horizontal).toString()
                   : QString();
    }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return ColumnsOf(View()); }
    int rowCount() const override { return RowsOf(View()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        if (View()->selectionModel())
            for (const QModelIndex& index : View()->selectionModel()->selectedIndexes())
                if (index.parent() == View()->rootIndex() && !rows.contains(index.row())) rows << index.row();
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        return View()->selectionModel() && View()->selectionModel()->isSelected(IndexOf(View(), row, 0));
    }
    // A row is chosen as the person chooses it by keys: the current row is the
    // selected one.
    bool selectRow(int row) override {
        if (row < 0 || row >= rowCount()) return false;
        View()->setCurrentIndex(IndexOf(View(), row, 0));
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override {
        if (!isRowSelected(row)) return false;
        View()->clearSelection();
        return true;
    }
    bool unselectColumn(int) override { return false; }
    // A cell stands for its place, not for an item: rows that come or go leave
    // it in place, with the text now there, or invalid past the last row, so that
    // a screen reader walking the list meanwhile never meets a vanished cell.
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    QAccessibleInterface* Cell(int row, int column) const {
        const auto key = std::make_pair(row, column);
        if (const auto found = Cells.constFind(key); found != Cells.cend())
            if (QAccessibleInterface* cell = QAccessible::accessibleInterface(*found)) return cell;
        auto* cell = new TListCellAccessible(View(), row, column);
        Cells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    void ForgetCells() {
        for (const QAccessible::Id id : std::as_const(Cells))
            QAccessible::deleteAccessibleInterface(id);
        Cells.clear();
    }
    mutable QHash<std::pair<int, int>, QAccessible::Id> Cells;
};

QList<QAccessibleInterface*> TListCellAccessible::columnHeaderCells() const {
    QAccessibleInterface* table = parent();
    return table && table->tableInterface() ? QList<QAccessibleInterface*>{table->child(Column)}
                                            : QList<QAccessibleInterface*>{};
}
} // namespace

QAccessibleInterface* NewListAccessible(QAbstractItemView* view) {
    return new TListAccessible(view);
}
