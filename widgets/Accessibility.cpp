#include "Accessibility.h"

#include "Controls.h"
#include "ListAccessible.h"
#include "ToggleSwitch.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontMetricsF>
#include <QFrame>
#include <QListView>
#include <QTreeView>

namespace {
// A control that shows one line of text it does not let anyone edit: the text
// interface that screen readers on Linux read, with no selection and no caret.
class TShownTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    using QAccessibleWidget::QAccessibleWidget;
    virtual QString Shown() const = 0;

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return Shown();
        return QAccessibleWidget::text(kind);
    }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return Shown().mid(start, end - start); }
    int characterCount() const override { return int(Shown().size()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return QString();
    }
};

class TPanelLabelAccessible : public TShownTextAccessible {
public:
    explicit TPanelLabelAccessible(TPanelLabel* label)
        : TShownTextAccessible(label, label->AccessibleRole()) {}
    const TPanelLabel* Label() const { return static_cast<const TPanelLabel*>(widget()); }
    QString Shown() const override { return Label()->text(); }
    // Where each character is drawn, centred in the box, on the screen: a
    // screen reader's review of the screen finds the text by its places.
    QRect characterRect(int offset) const override {
        const QString text = Label()->text();
        if (offset < 0 || offset >= text.size() || text.contains(QLatin1Char('\n'))) return QRect();
        const QFontMetricsF metrics(Label()->Shown().Font);
        const QRectF area = Label()->contentsRect();
        const QPointF start(area.left() + (area.width() - metrics.horizontalAdvance(text)) / 2,
                            area.top() + (area.height() - metrics.height()) / 2);
        const QRectF box(start.x() + metrics.horizontalAdvance(text.left(offset)), start.y(),
                         metrics.horizontalAdvance(text.at(offset)), metrics.height());
        return QRect(Label()->mapToGlobal(box.topLeft().toPoint()), box.size().toSize());
    }
    int offsetAtPoint(const QPoint& point) const override {
        for (int offset = 0; offset < characterCount(); ++offset)
            if (characterRect(offset).contains(point)) return offset;
        return -1;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name)
            return Label()->accessibleName().isEmpty() ? Label()->text() : Label()->accessibleName();
        return TShownTextAccessible::text(kind);
    }
};

class TLampAccessible : public TShownTextAccessible {
public:
    explicit TLampAccessible(TLamp* lamp) : TShownTextAccessible(lamp, QAccessible::StaticText) {}
    QString Shown() const override {
        return static_cast<const TLamp*>(widget())->Lit() ? QStringLiteral("lit") : QStringLiteral("dark");
    }
    QAccessible::State state() const override {
        QAccessible::State s = TShownTextAccessible::state();
        s.checkable = true;
        s.checked = static_cast<const TLamp*>(widget())->Lit();
        return s;
    }
};

class TToggleSwitchAccessible : public QAccessibleWidget {
public:
    explicit TToggleSwitchAccessible(TToggleSwitch* toggle)
        : QAccessibleWidget(toggle, QAccessible::CheckBox) {}
    const TToggleSwitch* Switch() const { return static_cast<const TToggleSwitch*>(widget()); }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return Switch()->StateText();
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("CAL mode");
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = Switch()->On();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction())
            static_cast<TToggleSwitch*>(widget())->Toggle();
        else
            QAccessibleWidget::doAction(action);
    }
};

// A drop-down list: named by its field ("Input range"), labelled by its caption,
// with the item as value and text (the item's spoken text where it has one:
// "COM3, in use by another program"). Its list of items is its child, also while
// it is closed, and follows the choice: choosing by the arrow keys selects the
// item there too, which reaches a screen reader as the item's own selection
// event, with the item's name and description.
QString Shown(const QComboBox* combo) {
    const QString spoken = combo->currentData(Qt::AccessibleTextRole).toString();
    return spoken.isEmpty() ? combo->currentText() : spoken;
}

class TComboBoxAccessible : public TShownTextAccessible {
public:
    explicit TComboBoxAccessible(QComboBox* combo) : TShownTextAccessible(combo, QAccessible::ComboBox) {}
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
    QString Shown() const override { return ::Shown(Combo()); }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) return Shown();
        return TShownTextAccessible::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State s = TShownTextAccessible::state();
        s.expandable = true;
        s.expanded = Combo()->view()->isVisible();
        return s;
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == Combo()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return QStringList{showMenuAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) Combo()->showPopup();
    }
};

// The list of a drop-down keeps its selection on the chosen item.
void SelectChosenItem(QComboBox* combo) {
    QAbstractItemView* list = combo->view();
    const QModelIndex chosen =
        combo->model()->index(combo->currentIndex(), combo->modelColumn(), combo->rootModelIndex());
    if (!list->selectionModel() || list->selectionModel()->isSelected(chosen)) return;
    list->selectionModel()->setCurrentIndex(chosen, QItemSelectionModel::ClearAndSelect);
}

// A part of a picture that stands for nothing on its own: the screen reader
// skips it. A part with a name tells what the picture shows.
class TShapeAccessible : public QAccessibleWidget {
public:
    explicit TShapeAccessible(QWidget* shape) : QAccessibleWidget(shape, QAccessible::Separator) {}
    QAccessible::Role role() const override {
        return widget()->accessibleName().isEmpty() ? QAccessible::Separator : QAccessible::StaticText;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (widget()->accessibleName().isEmpty()) s.invisible = true;
        return s;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name || kind == QAccessible::Value) return widget()->accessibleName();
        // An unnamed part says nothing, not even the picture's hint.
        if (widget()->accessibleName().isEmpty()) return QString();
        return QAccessibleWidget::text(kind);
    }
    // Not labelled by the group box it sits in: a screen reader would give an
    // unnamed part the group's caption as its name.
    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        if (widget()->accessibleName().isEmpty()) return {};
        return QAccessibleWidget::relations(match);
    }
};

QAccessibleInterface* AccessibleControl(const QString&, QObject* object) {
    if (auto* combo = qobject_cast<QComboBox*>(object)) {
        SelectChosenItem(combo);
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo] { SelectChosenItem(combo); });
        return new TComboBoxAccessible(combo);
    }
    if (auto* list = qobject_cast<QTreeView*>(object); list && !list->rootIsDecorated())
        return NewListAccessible(list);
    if (auto* list = qobject_cast<QListView*>(object); list && list->viewMode() == QListView::ListMode)
        return NewListAccessible(list);
    if (auto* shape = qobject_cast<TShape*>(object)) return new TShapeAccessible(shape);
    // A bevel line only divides a box: presentational, skipped.
    if (auto* frame = qobject_cast<QFrame*>(object);
        frame && object->metaObject() == &QFrame::staticMetaObject &&
        (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine))
        return new TShapeAccessible(frame);
    if (auto* label = qobject_cast<TPanelLabel*>(object)) return new TPanelLabelAccessible(label);
    if (auto* toggle = qobject_cast<TToggleSwitch*>(object)) return new TToggleSwitchAccessible(toggle);
    if (auto* lamp = qobject_cast<TLamp*>(object)) return new TLampAccessible(lamp);
    return nullptr;
}
} // namespace

void InstallAccessibleControls() {
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleControl);
        return true;
    }();
    (void)installed;
}

namespace {
const char* const DescribedByHint = "mrtDescribedByHint";

// Only a hint of several lines needs it: a hint of one line is the description
// Qt gives a control without one anyway.
void DescribeByHint(QWidget* widget) {
    const bool derived = widget->property(DescribedByHint).toBool();
    if (!derived && !widget->accessibleDescription().isEmpty()) return;
    const QString hint = widget->toolTip();
    if (!derived && !hint.contains(QLatin1Char('\n')) && !hint.contains(QLatin1Char('\r'))) return;
    widget->setAccessibleDescription(hint.simplified());
    widget->setProperty(DescribedByHint, true);
}

class THintWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTipChange)
            if (auto* widget = qobject_cast<QWidget*>(watched)) DescribeByHint(widget);
        return false;
    }
};
} // namespace

void DescribeByHints(QWidget* root) {
    static THintWatcher* const watcher = new THintWatcher(qApp);
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : std::as_const(widgets)) {
        widget->installEventFilter(watcher);
        DescribeByHint(widget);
    }
}
