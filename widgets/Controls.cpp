#include "Controls.h"

#include "Accessibility.h"
#include "KeyRepeatGuard.h"

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

namespace {
TFaceKey FaceKeyOf(const QWidget* widget) {
    const QPalette& palette = widget->palette();
    TFaceKey key{widget->size(), widget->devicePixelRatioF(), widget->style(),
                 int(palette.currentColorGroup())};
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        if (role != QPalette::WindowText)
            key.Colours[size_t(role)] = palette.color(QPalette::ColorRole(role)).rgba();
    return key;
}

QPixmap NewFace(const QWidget* widget, const QSize& size) {
    QPixmap face(size * widget->devicePixelRatioF());
    face.setDevicePixelRatio(widget->devicePixelRatioF());
    face.fill(Qt::transparent);
    return face;
}
} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ShadeWithContrast(const QColor& colour, const QColor& ground, double ratio) {
    const int top = std::max({colour.red(), colour.green(), colour.blue()});
    for (int value = top; value > 0; --value) {
        const auto scaled = [&](int channel) { return (channel * value + top / 2) / top; };
        const QColor shade(scaled(colour.red()), scaled(colour.green()), scaled(colour.blue()));
        if (ContrastRatio(shade, ground) >= ratio) return shade;
    }
    return QColor(0, 0, 0);
}

const TLineCache::TLine& TLineCache::Get(const QString& line, const QFont& font) {
    if (font != Font || Lines.size() >= Capacity) {
        Lines.clear();
        Font = font;
    }
    auto found = Lines.find(line);
    if (found != Lines.end()) return *found;
    TLine laidOut;
    laidOut.Text.setTextFormat(Qt::PlainText);
    laidOut.Text.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.Text.setText(line);
    laidOut.Text.prepare(QTransform(), font);
    // The laid-out width also holds a last glyph's overhang to the right.
    const QFontMetricsF metrics(font);
    const qreal overhang = line.isEmpty() ? 0 : std::min<qreal>(0, metrics.rightBearing(line.back()));
    laidOut.Size = QSizeF(laidOut.Text.size().width() + overhang, metrics.height());
    return *Lines.insert(line, laidOut);
}

TFittedLine FitLine(const QString& text, const QFont& font, qreal width) {
    TFittedLine fitted{font, text, false};
    const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
    if (natural <= width) return fitted;
    // The stretch that should just do, then narrower until it does.
    int stretch = std::max(MinStretch, int(std::floor(100 * width / natural)));
    for (;; --stretch) {
        fitted.Font.setStretch(stretch);
        if (QFontMetricsF(fitted.Font).horizontalAdvance(text) <= width) return fitted;
        if (stretch == MinStretch) break;
    }
    fitted.Text = QFontMetricsF(fitted.Font).elidedText(text, Qt::ElideRight, width);
    fitted.Elided = true;
    return fitted;
}

TPanelLabel::TPanelLabel(QWidget* parent) : QLabel(parent) {
    InstallAccessibleControls();
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
}

void TPanelLabel::setText(const QString& text) {
    const QString old = QLabel::text();
    QLabel::setText(text);
    if (old == text || !QAccessible::isActive()) return;
    QAccessibleTextUpdateEvent changed(this, 0, old, text);
    QAccessible::updateAccessibility(&changed);
}

namespace {
// A fitted text keeps a pixel clear of the frame on either side.
constexpr int FitMargin = 1;

// The tool tip of a control that shows its text cut short: the whole text
// (`cut`, empty when nothing is cut) above the control's own hint.
QString TipOfCutText(const QString& hint, const QString& cut) {
    if (cut.isEmpty()) return hint;
    return hint.isEmpty() ? cut : cut + QLatin1Char('\n') + hint;
}

// Shows `tip` for a tool-tip event, or none at all when it is empty; false for
// any other event.
bool ShowTip(QWidget* control, QEvent* event, const QString& tip) {
    if (event->type() != QEvent::ToolTip) return false;
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, control);
    }
    return true;
}
} // namespace

TFittedLine TPanelLabel::Shown() const {
    const QString shown = text();
    const qreal width = contentsRect().width();
    if (shown.contains(QLatin1Char('\n')) || QFontMetricsF(font()).horizontalAdvance(shown) <= width)
        return {font(), shown, false};
    return FitLine(shown, font(), width - 2 * FitMargin);
}

QString TPanelLabel::TipText() const {
    return TipOfCutText(toolTip(), Shown().Elided ? text() : QString());
}

bool TPanelLabel::event(QEvent* event) {
    if (ShowTip(this, event, TipText())) return true;
    return QLabel::event(event);
}

const QPixmap& TPanelLabel::FrameFace() {
    const TFaceKey key = FaceKeyOf(this);
    if (key != FaceKey) {
        Face = NewFace(this, size());
        QPainter painter(&Face);
        drawFrame(&painter);
        FaceKey = key;
    }
    return Face;
}

void TPanelLabel::paintEvent(QPaintEvent* event) {
    if (text().contains(QLatin1Char('\n'))) { // more than one line: QLabel's own drawing
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, FrameFace());
    if (text().isEmpty()) return;
    const QRectF area = contentsRect();
    const TLineCache::TLine* laidOut = &Lines.Get(text(), font());
    if (laidOut->Size.width() > area.width()) { // perhaps condensed or elided: see FitLine
        const TFittedLine fitted = Shown();
        if (fitted.Text != text() || fitted.Font != font()) {
            laidOut = &FittedLines.Get(fitted.Text, fitted.Font);
            painter.setFont(fitted.Font); // a static text is drawn in the painter's font
        }
    }
    const TLineCache::TLine& line = *laidOut;
    // A text taller than the box is cut at its edges, as QLabel cuts it.
    if (line.Text.size().width() > area.width() || line.Size.height() > area.height())
        painter.setClipRect(area);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawStaticText(area.topLeft() + QPointF((area.width() - line.Size.width()) / 2,
                                                    (area.height() - line.Size.height()) / 2),
                           line.Text);
}

TValueLabel::TValueLabel(QWidget* parent) : TPanelLabel(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    setText(QStringLiteral("N/A"));
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    const auto same = [&](QPalette::ColorGroup group) {
        return pal.color(group, QPalette::WindowText) == colour;
    };
    if (same(QPalette::Active) && same(QPalette::Inactive) && same(QPalette::Disabled)) return;
    pal.setColor(QPalette::WindowText, colour);
    widget->setPalette(pal);
}

void TValueLabel::SetTextColor(const QColor& color) {
    SetTextColour(this, color);
}

QColor TValueLabel::TextColor() const {
    return palette().color(QPalette::WindowText);
}

QLabel* NewPlainLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(caption);
    label->adjustSize();
    label->move(left, top);
    return label;
}

void KeepBefore(QLabel* caption, const QWidget* control, const QWidget* before) {
    QRect c = caption->geometry();
    const QRect box = control->geometry();
    const bool sameRow = c.top() <= box.bottom() && box.top() <= c.bottom();
    if (!sameRow || c.left() >= box.left()) return;
    const int right = box.left() - CaptionGap - 1; // the last column the caption may use
    if (c.right() > right) c.moveRight(right);
    const int left = before ? before->geometry().right() + 2 : 0;
    if (c.left() < left) {
        const TFittedLine fitted = FitLine(caption->text(), caption->font(), right - left + 1);
        caption->setFont(fitted.Font);
        c.setLeft(left);
    }
    caption->setGeometry(c);
}

TValueLabel* NewValueLabel(QWidget* parent, const char* name, QLabel* caption, const QRect& geometry,
                           const QString& hint) {
    auto* value = new TValueLabel(parent);
    value->setObjectName(QString::fromLatin1(name));
    value->setGeometry(geometry);
    KeepBefore(caption, value);
    value->setAccessibleName(caption->text());
    caption->setBuddy(value); // the caption labels it
    value->setToolTip(hint);
    return value;
}

void NameBySide(std::initializer_list<TValueLabel*> programmed, std::initializer_list<TValueLabel*> active) {
    const auto name = [](TValueLabel* value, const QString& side) {
        value->setAccessibleName(side + value->accessibleName().toLower());
    };
    for (TValueLabel* value : programmed)
        name(value, QStringLiteral("Programmed "));
    for (TValueLabel* value : active)
        name(value, QStringLiteral("Active "));
}

namespace {
class TCentredItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignCenter;
    }
};
} // namespace

TCentredComboBox::TCentredComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new TCentredItemDelegate(this));
}

void TCentredComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QString text = option.currentText;
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.drawItemText(field, Qt::AlignCenter, option.palette, isEnabled(), text, QPalette::ButtonText);
}

bool LeavesControl(const QFocusEvent* event) {
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    setAcceptDrops(false);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!Exiting) EmptiedByPerson = false;
        // A text set from outside the edit shows from its beginning.
        if (!hasFocus()) setCursorPosition(0);
    });
}

QRect TEdit::TextArea() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    area = area.marginsRemoved(textMargins()).adjusted(2, 0, -2, 0); // the edit's own margin of 2 a side
    if (const QToolButton* button = EditButton(this); button && button->isVisible())
        area.setRight(std::min(area.right(), button->x() - 1));
    return area;
}

bool TEdit::TextFits() const {
    return fontMetrics().horizontalAdvance(text()) <= TextArea().width();
}

void TEdit::paintEvent(QPaintEvent* event) {
    if (hasFocus() || TextFits()) {
        QLineEdit::paintEvent(event);
        return;
    }
    // Too wide and not being edited: the frame as the style draws it, then the
    // beginning of the text with an ellipsis.
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    const QRect area = TextArea();
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

QString TEdit::TipText() const {
    return TipOfCutText(toolTip(), TextFits() ? QString() : text());
}

bool TEdit::event(QEvent* event) {
    if (ShowTip(this, event, TipText())) return true;
    return QLineEdit::event(event);
}

void TEdit::focusInEvent(QFocusEvent* event) {
    // The person sees what the exit put into the edit.
    EmptiedByPerson = false;
    FocusByMiddleButton =
        event->reason() == Qt::MouseFocusReason && (QGuiApplication::mouseButtons() & Qt::MiddleButton);
    QLineEdit::focusInEvent(event);
}

void TEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!LeavesControl(event)) return;
    const bool empty = text().isEmpty();
    Exiting = true;
    emit Exited();
    Exiting = false;
    EmptiedByPerson = empty;
    setCursorPosition(0);
}

void TEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && FocusByMiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The selection goes in on the release, and only into an edit that had the
    // focus before the press.
    if (event->button() == Qt::MiddleButton && (!hasFocus() || FocusByMiddleButton)) {
        FocusByMiddleButton = false;
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QToolButton* EditButton(const QLineEdit* edit) {
    return edit ? edit->findChild<QToolButton*>() : nullptr;
}

namespace {
// Draws the focus frame over the button's own face, which shows no focus.
class TEditButtonFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = static_cast<QToolButton*>(watched);
        if (event->type() != QEvent::Paint || !button->hasFocus() || Painting) return false;
        Painting = true;
        static_cast<QObject*>(button)->event(event);
        Painting = false;
        QPainter painter(button);
        QStyleOptionFocusRect frame;
        frame.initFrom(button);
        frame.rect = button->rect().adjusted(1, 1, -1, -1);
        button->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, button);
        return true;
    }

private:
    bool Painting = false;
};
} // namespace

void MakeEditButtonFocusable(const QLineEdit* edit, const char* name, const QString& accessibleName) {
    QToolButton* button = EditButton(edit);
    if (!button) return;
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::TabFocus);
    button->setAccessibleName(accessibleName);
    button->installEventFilter(new TEditButtonFocus(button));
    TKeyRepeatGuard::Install(button);
}

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
