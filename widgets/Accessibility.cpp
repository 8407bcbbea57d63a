#include "Accessibility.h"

#include "Controls.h"
#include "ToggleSwitch.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFrame>

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
    QString Shown() const override { return static_cast<const TPanelLabel*>(widget())->text(); }
    QString text(QAccessible::Text kind) const override {
        const auto* label = static_cast<const TPanelLabel*>(widget());
        if (kind == QAccessible::Name)
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
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

// A drop-down list as Linux screen readers know it: named by its item, the
// item's spoken text where it has one ("COM3, in use by another program"),
// labelled by its caption (the field), with the item as value and text too. A
// new item is told as a change of the name, which a screen reader speaks while
// the person chooses.
QString Shown(const QComboBox* combo) {
    const QString spoken = combo->currentData(Qt::AccessibleTextRole).toString();
    return spoken.isEmpty() ? combo->currentText() : spoken;
}

class TComboBoxAccessible : public TShownTextAccessible {
public:
    explicit TComboBoxAccessible(QComboBox* combo) : TShownTextAccessible(combo, QAccessible::ComboBox) {}
    const QComboBox* Combo() const { return static_cast<const QComboBox*>(widget()); }
    QString Shown() const override { return ::Shown(Combo()); }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) return Shown();
        return TShownTextAccessible::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State s = TShownTextAccessible::state();
        s.expandable = true;
        s.expanded = Combo()->view() && Combo()->view()->isVisible();
        return s;
    }
    QStringList actionNames() const override { return QStringList{showMenuAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            static_cast<QComboBox*>(widget())->showPopup();
    }
};

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
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* AccessibleControl(const QString&, QObject* object) {
    if (auto* combo = qobject_cast<QComboBox*>(object)) {
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo] {
            QAccessibleEvent renamed(combo, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&renamed);
        });
        return new TComboBoxAccessible(combo);
    }
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
