#include "PanelControls.h"

#include "Controls.h"

#include <QLabel>
#include <QPushButton>

QPushButton* NewButton(QWidget* box, const char* name, const QString& caption, int left, int top,
                       const QString& hint, const QString& does) {
    auto* button = new QPushButton(caption, box);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(does);
    button->setAutoDefault(false);
    button->setGeometry(left, top, ButtonSize, ButtonSize);
    button->setToolTip(hint);
    return button;
}

TEdit* NewEdit(QWidget* box, const char* name, QLabel* caption, int left, int top, const QString& hint,
               const QString& holds, const QWidget* before) {
    auto* edit = new TEdit(box);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(left, top, ValueWidth, EditHeight);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setText(QStringLiteral("0"));
    edit->setAccessibleName(holds.isEmpty() ? caption->text() : holds);
    edit->FieldName = caption->text();
    caption->setBuddy(edit);
    edit->setToolTip(hint);
    KeepBefore(caption, edit, before);
    return edit;
}

QLabel* NewUnit(QWidget* box, const char* name, int left, int top, int width) {
    if (width <= 0) {
        auto* label = new QLabel(QStringLiteral(" Ohm"), box);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(QRect(QPoint(left, top), label->sizeHint()));
        label->clear();
        return label;
    }
    auto* label = new QLabel(box);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(left, top, width, EditHeight);
    return label;
}

void SetUnitText(QLabel* unit, const QString& text) {
    unit->setFont(FitLine(text, unit->parentWidget()->font(), unit->width()).Font);
    unit->setText(text);
}
