// Placeholder until this subsystem is built.
#include "../app/MainWindow.h"
#include "../widgets/Controls.h"
#include "../widgets/PageSpinBox.h"
#include "../widgets/ToggleSwitch.h"
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

void TfrmMain::setupGeneralPanel() {
    lblTemp = new QLabel(grpGeneral);
    lblTemp->setObjectName(QStringLiteral("lblTemp"));
    pnlTemp = new TValueLabel(grpGeneral);
    pnlTemp->setObjectName(QStringLiteral("pnlTemp"));
    lblCalTemp = new QLabel(grpGeneral);
    lblCalTemp->setObjectName(QStringLiteral("lblCalTemp"));
    pnlCalTemp = new TValueLabel(grpGeneral);
    pnlCalTemp->setObjectName(QStringLiteral("pnlCalTemp"));
    lblSeebeck = new QLabel(grpGeneral);
    lblSeebeck->setObjectName(QStringLiteral("lblSeebeck"));
    pnlTempComp = new TValueLabel(grpGeneral);
    pnlTempComp->setObjectName(QStringLiteral("pnlTempComp"));
    lblJp6 = new QLabel(grpGeneral);
    lblJp6->setObjectName(QStringLiteral("lblJp6"));
    Shape1 = new TShape(TShape::TKind::Rectangle, Qt::white, grpGeneral);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape3 = new TShape(TShape::TKind::Rectangle, Qt::white, grpGeneral);
    Shape3->setObjectName(QStringLiteral("Shape3"));
    Shape5 = new TShape(TShape::TKind::Rectangle, Qt::white, grpGeneral);
    Shape5->setObjectName(QStringLiteral("Shape5"));
    Shape7 = new TShape(TShape::TKind::Rectangle, Qt::white, grpGeneral);
    Shape7->setObjectName(QStringLiteral("Shape7"));
    Label2 = new QLabel(grpGeneral);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = new QLabel(grpGeneral);
    Label3->setObjectName(QStringLiteral("Label3"));
    OutJumper = new TShape(TShape::TKind::Rectangle, Qt::white, grpGeneral);
    OutJumper->setObjectName(QStringLiteral("OutJumper"));
    calSwitch = new TToggleSwitch(grpGeneral);
    calSwitch->setObjectName(QStringLiteral("calSwitch"));
}
