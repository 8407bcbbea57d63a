// The general strip at the top of the window: the module's temperatures, the
// Seebeck voltage, the picture of the output jumper JP6 and the RUN/CAL switch.
#include "GeneralPanel.h"
#include "../../app/MainWindow.h"
#include "../../app/WindowShell.h"
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

void TfrmMain::setupGeneralPanel() {
    QWidget* box = Shell->grpGeneral;

    General->lblTemp = NewPlainLabel(box, "lblTemp", QStringLiteral("TA (\u00B0C)"), 27, 21);
    General->pnlTemp = NewValueLabel(box, "pnlTemp", General->lblTemp, QRect(64, 18, 80, 20),
                                     QStringLiteral("Internal temperature of the module in degrees Celcius"));
    General->lblCalTemp = NewPlainLabel(box, "lblCalTemp", QStringLiteral("TCAL (\u00B0C)"), 150, 21);
    General->pnlCalTemp = NewValueLabel(
        box, "pnlCalTemp", General->lblCalTemp, QRect(200, 18, 80, 20),
        QStringLiteral("Temperature in degrees Celcius at which the calibration was performed"));
    General->lblSeebeck = NewPlainLabel(box, "lblSeebeck", QStringLiteral("Seebeck"), 290, 21);
    General->pnlTempComp = NewValueLabel(box, "pnlTempComp", General->lblSeebeck, QRect(336, 18, 80, 20),
                                         QStringLiteral("Seebeck voltage in \u00B5V"));
    KeepBefore(General->lblCalTemp, General->pnlCalTemp, General->pnlTemp);
    KeepBefore(General->lblSeebeck, General->pnlTempComp, General->pnlCalTemp);

    // The JP6 picture, in drawing order: later siblings lie on top, so the jumper
    // bar covers the block and the pins.
    General->lblJp6 = NewPlainLabel(box, "lblJp6", QStringLiteral("JP6"), 426, 21);
    General->Shape1 = NewShape(box, "Shape1", TShape::TKind::Rectangle, Qt::white, QRect(448, 13, 96, 28));
    KeepBefore(General->lblJp6, General->Shape1, General->pnlTempComp);
    General->Shape3 =
        NewShape(box, "Shape3", TShape::TKind::Circle, QColor(255, 0, 0), QRect(456, 17, 12, 12));
    General->Shape5 =
        NewShape(box, "Shape5", TShape::TKind::Circle, QColor(255, 0, 0), QRect(488, 17, 12, 12));
    General->Shape7 =
        NewShape(box, "Shape7", TShape::TKind::Circle, QColor(255, 0, 0), QRect(520, 17, 12, 12));
    General->Label2 = NewPlainLabel(box, "Label2", QStringLiteral("mA"), 470, 26);
    General->Label2->setAutoFillBackground(false);
    General->Label2->setToolTip(Jp6Hint);
    General->Label3 = NewPlainLabel(box, "Label3", QStringLiteral("V"), 507, 26);
    General->Label3->setAutoFillBackground(false);
    General->Label3->setToolTip(Jp6Hint);
    // At left 494 the bar links pins 2 and 3 (voltage); ShowOutRangeUnits moves it
    // to 461 for pins 1 and 2 (current).
    General->OutJumper =
        NewShape(box, "OutJumper", TShape::TKind::Rectangle, Qt::black, QRect(494, 21, 33, 4));

    // Off (RUN) at start; its hint is turned on at the end of the first show.
    General->calSwitch = new TToggleSwitch(box);
    General->calSwitch->setObjectName(QStringLiteral("calSwitch"));
    General->calSwitch->setGeometry(568, 14, 65, 27);
}

void TfrmMain::ShowGeneral(double ta, double tCal, uint8_t mode) {
    General->pnlTemp->setText(FormatFloat(ta, QStringLiteral("0.0")));
    General->pnlCalTemp->setText(FormatFloat(tCal, QStringLiteral("0.0")));
    ReportedMode = mode;
    General->calSwitch->SetOn(mode != 0);
    General->calSwitch->show();
}
