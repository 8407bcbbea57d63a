#include "StatusBar.h"

#include "Controls.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace {
constexpr int Widths[3] = {100, 280, 239};
}

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < 3; ++i) {
        auto* label = new TPanelLabel(this);
        label->setObjectName(QStringLiteral("sbMainPanel%1").arg(i));
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        Labels[i] = label;
    }
    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("sbMainPanel3"));
}

QLabel* TStatusBar::Panel(int panel) const {
    return panel >= 0 && panel < 3 ? Labels[panel] : nullptr;
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    if (TPanelLabel* label = panel >= 0 && panel < 3 ? Labels[panel] : nullptr) {
        label->setText(text);
        label->setAccessibleName(text);
    }
    emit PanelTextSet(panel, text);
}

QString TStatusBar::PanelText(int panel) const {
    QLabel* label = Panel(panel);
    return label ? label->text() : QString();
}

void TStatusBar::SetPanelColor(int panel, const QColor& color) {
    if (QLabel* label = Panel(panel)) SetTextColour(label, color);
}

QColor TStatusBar::PanelColor(int panel) const {
    QLabel* label = Panel(panel);
    return label ? label->palette().color(QPalette::WindowText) : QColor();
}

int TStatusBar::PanelAt(const QPoint& pos) const {
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        if (pos.x() >= left && pos.x() < left + Widths[i]) return i;
        left += Widths[i];
    }
    return 3;
}

bool TStatusBar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int panel = PanelAt(help->pos());
    const QString tip = panel < 3 ? Labels[panel]->TipText() : QString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
}

void TStatusBar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit PanelDoubleClicked(PanelAt(event->position().toPoint()));
}

void TStatusBar::resizeEvent(QResizeEvent*) {
    int left = 0;
    const int h = height();
    for (int i = 0; i < 3; ++i) {
        Labels[i]->setGeometry(left, 1, Widths[i] - 1, h - 1);
        left += Widths[i];
    }
    Panel3->setGeometry(left, 1, width() - left, h - 1);
}
