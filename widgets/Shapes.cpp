#include "Shapes.h"

#include "Accessibility.h"
#include "KeyRepeatGuard.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <cmath>

TLamp::TLamp(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
    setFixedSize(11, 11);
    // The faces carry the window colour the lamp sits on, corners and all.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLamp::SetLit(bool lit) {
    if (On == lit) return;
    On = lit;
    update();
    if (!QAccessible::isActive()) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void TLamp::paintEvent(QPaintEvent*) {
    const TFaceKey key = FaceKeyOf(this);
    if (key != FacesKey) {
        for (const bool lit : {false, true}) {
            QPixmap& face = Faces[lit];
            face = NewFace(this, size());
            face.fill(palette().color(QPalette::Window));
            QPainter p(&face);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(palette().color(QPalette::Dark));
            p.setBrush(lit ? QColor(0, 128, 0) : palette().color(QPalette::Button));
            p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
        }
        FacesKey = key;
    }
    QPainter(this).drawPixmap(0, 0, Faces[On]);
}

TShape::TShape(TKind kind, const QColor& fill, QWidget* parent) : QWidget(parent), Kind(kind), Fill(fill) {
    InstallAccessibleControls();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(Fill);
    if (Kind == TKind::Circle) {
        p.setRenderHint(QPainter::Antialiasing);
        p.drawEllipse(rect().adjusted(0, 0, -1, -1));
    } else {
        // A one-pixel black frame filled inside. Filled rather than stroked, so
        // that at a fractional scale no edge of the frame falls outside the
        // widget and vanishes.
        p.fillRect(rect(), Qt::black);
        p.fillRect(rect().adjusted(1, 1, -1, -1), Fill);
    }
}
