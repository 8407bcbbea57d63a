#include "Accessibility.h"

#include "Controls.h"
#include "ToggleSwitch.h"

#include <QAccessibleWidget>

namespace {
class TPanelLabelAccessible : public QAccessibleWidget {
public:
    explicit TPanelLabelAccessible(TPanelLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override {
        const auto* label = static_cast<const TPanelLabel*>(widget());
        switch (kind) {
        case QAccessible::Name:
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
        case QAccessible::Value:
            return label->text();
        default:
            return QAccessibleWidget::text(kind);
        }
    }
};

class TToggleSwitchAccessible : public QAccessibleWidget {
public:
    explicit TToggleSwitchAccessible(TToggleSwitch* toggle)
        : QAccessibleWidget(toggle, QAccessible::Button) {}
    QString text(QAccessible::Text kind) const override {
        const auto* toggle = static_cast<const TToggleSwitch*>(widget());
        if (kind == QAccessible::Value || (kind == QAccessible::Name && toggle->accessibleName().isEmpty()))
            return toggle->StateText();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = static_cast<const TToggleSwitch*>(widget())->On();
        return s;
    }
};

QAccessibleInterface* AccessibleControl(const QString&, QObject* object) {
    if (auto* label = qobject_cast<TPanelLabel*>(object)) return new TPanelLabelAccessible(label);
    if (auto* toggle = qobject_cast<TToggleSwitch*>(object)) return new TToggleSwitchAccessible(toggle);
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
