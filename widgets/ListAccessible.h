#pragma once
// A list that is read, not worked item by item, for assistive technology: a
// QTreeView without branches (the calibration lists) is a table whose cells are
// read by their text with their column's caption as header; a QListView (the
// items of a drop-down) is a list of items read by their spoken text and
// description. No cell or item offers an action. Qt's own offer "Toggle", which
// here would only move the selection of a list that nothing acts on (a drop-down
// takes its item when it closes): an action that does nothing.
class QAbstractItemView;
class QAccessibleInterface;

QAccessibleInterface* NewListAccessible(QAbstractItemView* view);
