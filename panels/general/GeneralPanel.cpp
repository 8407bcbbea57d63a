// The general strip at the top of the window: the module's temperatures, the
// Seebeck voltage, the picture of the output jumper JP6 and the RUN/CAL switch.
#include "GeneralPanel.h"
#include "../../ranges/NumberFormat.h"
#include "../../widgets/Controls.h"
#include "../../widgets/ToggleSwitch.h"

#include <QGroupBox>
#include <QLabel>

namespace {
// The hint of every item of the JP6 picture but its caption.
const QString Jp6Hint = QStringLiteral("Set JP6 position as shown as when changing the output from \r\n"
                                       "voltage to current or vice versa");

TShape* NewShape(QWidget* parent, const char* name, TShape::TKind kind, const QColor& fill,
                 const QRect& geometry) {
    auto* shape = new TShape(kind, fill, parent);
    shape->setObjectName(QString::fromLatin1(name));
    shape->setGeometry(geometry);
    shape->setToolTip(Jp6Hint);
    return shape;
}
} // namespace

void TGeneralPanel::Setup(QWidget* box) {
    lblTemp = NewPlainLabel(box, "lblTemp", QStringLiteral("TA (\u00B0C)"), 27, 21);
    pnlTemp = NewValueLabel(box, "pnlTemp", lblTemp, QRect(64, 18, 80, 20),
                            QStringLiteral("Internal temperature of the module in degrees Celcius"));
    lblCalTemp = NewPlainLabel(box, "lblCalTemp", QStringLiteral("TCAL (\u00B0C)"), 150, 21);
    pnlCalTemp = NewValueLabel(
        box, "pnlCalTemp", lblCalTemp, QRect(200, 18, 80, 20),
        QStringLiteral("Temperature in degrees Celcius at which the calibration was performed"));
    lblSeebeck = NewPlainLabel(box, "lblSeebeck", QStringLiteral("Seebeck"), 290, 21);
    pnlTempComp = NewValueLabel(box, "pnlTempComp", lblSeebeck, QRect(336, 18, 80, 20),
                                QStringLiteral("Seebeck voltage in \u00B5V"));
    KeepBefore(lblCalTemp, pnlCalTemp, pnlTemp);
    KeepBefore(lblSeebeck, pnlTempComp, pnlCalTemp);

    // The JP6 picture, in drawing order: later siblings lie on top, so the jumper
    // bar covers the block and the pins.
    lblJp6 = NewPlainLabel(box, "lblJp6", QStringLiteral("JP6"), 426, 21);
    Shape1 = NewShape(box, "Shape1", TShape::TKind::Rectangle, Qt::white, QRect(448, 13, 96, 28));
    KeepBefore(lblJp6, Shape1, pnlTempComp);
    Shape3 = NewShape(box, "Shape3", TShape::TKind::Circle, QColor(255, 0, 0), QRect(456, 17, 12, 12));
    Shape5 = NewShape(box, "Shape5", TShape::TKind::Circle, QColor(255, 0, 0), QRect(488, 17, 12, 12));
    Shape7 = NewShape(box, "Shape7", TShape::TKind::Circle, QColor(255, 0, 0), QRect(520, 17, 12, 12));
    Label2 = NewPlainLabel(box, "Label2", QStringLiteral("mA"), 470, 26);
    Label2->setAutoFillBackground(false);
    Label2->setToolTip(Jp6Hint);
    Label3 = NewPlainLabel(box, "Label3", QStringLiteral("V"), 507, 26);
    Label3->setAutoFillBackground(false);
    Label3->setToolTip(Jp6Hint);
    // At left 494 the bar links pins 2 and 3 (voltage); ShowJumper moves it
    // to 461 for pins 1 and 2 (current).
    OutJumper = NewShape(box, "OutJumper", TShape::TKind::Rectangle, Qt::black, QRect(494, 21, 33, 4));

    // Off (RUN) at start; its hint is turned on at the end of the first show.
    calSwitch = new TToggleSwitch(box);
    calSwitch->setObjectName(QStringLiteral("calSwitch"));
    calSwitch->setGeometry(568, 14, 65, 27);
}

void TGeneralPanel::ShowJumper(bool current) {
    // The jumper links pins 1 and 2 for current, pins 2 and 3 for voltage; the
    // screen reader hears where it sits.
    OutJumper->move(current ? 461 : 494, OutJumper->y());
    OutJumper->setAccessibleName(current ? QStringLiteral("JP6 set for current (mA)")
                                         : QStringLiteral("JP6 set for voltage (V)"));
}

void TGeneralPanel::ShowGeneral(double ta, double tCal, uint8_t mode) {
    pnlTemp->setText(FormatFloat(ta, QStringLiteral("0.0")));
    pnlCalTemp->setText(FormatFloat(tCal, QStringLiteral("0.0")));
    ReportedMode = mode;
    calSwitch->SetOn(mode != 0);
    calSwitch->show();
}
