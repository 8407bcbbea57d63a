// Placeholder until this subsystem is built.
#include "../../app/MainWindow.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/ToggleSwitch.h"
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

void TfrmMain::setupInputPanel() {
    lblInpRange = new QLabel(grpInput);
    lblInpRange->setObjectName(QStringLiteral("lblInpRange"));
    pnlInpRange = new TValueLabel(grpInput);
    pnlInpRange->setObjectName(QStringLiteral("pnlInpRange"));
    btnGetPermInpRange = new QPushButton(grpInput);
    btnGetPermInpRange->setObjectName(QStringLiteral("btnGetPermInpRange"));
    lblWiring1 = new QLabel(grpInput);
    lblWiring1->setObjectName(QStringLiteral("lblWiring1"));
    pnlWiring = new TValueLabel(grpInput);
    pnlWiring->setObjectName(QStringLiteral("pnlWiring"));
    lblInpReadingP = new QLabel(grpInput);
    lblInpReadingP->setObjectName(QStringLiteral("lblInpReadingP"));
    pnlInpReadingP = new TValueLabel(grpInput);
    pnlInpReadingP->setObjectName(QStringLiteral("pnlInpReadingP"));
    lblEngReadingP = new QLabel(grpInput);
    lblEngReadingP->setObjectName(QStringLiteral("lblEngReadingP"));
    pnlEngReadingP = new TValueLabel(grpInput);
    pnlEngReadingP->setObjectName(QStringLiteral("pnlEngReadingP"));
    lblInputZeroP = new QLabel(grpInput);
    lblInputZeroP->setObjectName(QStringLiteral("lblInputZeroP"));
    pnlInpZeroP = new TValueLabel(grpInput);
    pnlInpZeroP->setObjectName(QStringLiteral("pnlInpZeroP"));
    lblEuMinP = new QLabel(grpInput);
    lblEuMinP->setObjectName(QStringLiteral("lblEuMinP"));
    pnlEuMinP = new TValueLabel(grpInput);
    pnlEuMinP->setObjectName(QStringLiteral("pnlEuMinP"));
    lblInpFsP = new QLabel(grpInput);
    lblInpFsP->setObjectName(QStringLiteral("lblInpFsP"));
    pnlInpFullP = new TValueLabel(grpInput);
    pnlInpFullP->setObjectName(QStringLiteral("pnlInpFullP"));
    lblEuMaxP = new QLabel(grpInput);
    lblEuMaxP->setObjectName(QStringLiteral("lblEuMaxP"));
    pnlEuMaxP = new TValueLabel(grpInput);
    pnlEuMaxP->setObjectName(QStringLiteral("pnlEuMaxP"));
    bvlInput = new QFrame(grpInput);
    bvlInput->setObjectName(QStringLiteral("bvlInput"));
    lblInpRanges = new QLabel(grpInput);
    lblInpRanges->setObjectName(QStringLiteral("lblInpRanges"));
    cmbInpRanges = new QComboBox(grpInput);
    cmbInpRanges->setObjectName(QStringLiteral("cmbInpRanges"));
    btnGetTempInpRange = new QPushButton(grpInput);
    btnGetTempInpRange->setObjectName(QStringLiteral("btnGetTempInpRange"));
    btnSetInputRange = new QPushButton(grpInput);
    btnSetInputRange->setObjectName(QStringLiteral("btnSetInputRange"));
    lblWiring = new QLabel(grpInput);
    lblWiring->setObjectName(QStringLiteral("lblWiring"));
    cmbWiring = new QComboBox(grpInput);
    cmbWiring->setObjectName(QStringLiteral("cmbWiring"));
    lblInpReading = new QLabel(grpInput);
    lblInpReading->setObjectName(QStringLiteral("lblInpReading"));
    pnlInpReading = new TValueLabel(grpInput);
    pnlInpReading->setObjectName(QStringLiteral("pnlInpReading"));
    lblEngReading = new QLabel(grpInput);
    lblEngReading->setObjectName(QStringLiteral("lblEngReading"));
    pnlEngReading = new TValueLabel(grpInput);
    pnlEngReading->setObjectName(QStringLiteral("pnlEngReading"));
    lblInputZero = new QLabel(grpInput);
    lblInputZero->setObjectName(QStringLiteral("lblInputZero"));
    edInpZero = new TEdit(grpInput);
    edInpZero->setObjectName(QStringLiteral("edInpZero"));
    edInpZeroButton = new QAction(this);
    edInpZeroButton->setObjectName(QStringLiteral("edInpZeroButton"));
    lblInpZeroUnit = new QLabel(grpInput);
    lblInpZeroUnit->setObjectName(QStringLiteral("lblInpZeroUnit"));
    lblEuMin = new QLabel(grpInput);
    lblEuMin->setObjectName(QStringLiteral("lblEuMin"));
    edEuMin = new TEdit(grpInput);
    edEuMin->setObjectName(QStringLiteral("edEuMin"));
    lblEuMinUnit = new QLabel(grpInput);
    lblEuMinUnit->setObjectName(QStringLiteral("lblEuMinUnit"));
    lblInpFs = new QLabel(grpInput);
    lblInpFs->setObjectName(QStringLiteral("lblInpFs"));
    edInpFull = new TEdit(grpInput);
    edInpFull->setObjectName(QStringLiteral("edInpFull"));
    edInpFullButton = new QAction(this);
    edInpFullButton->setObjectName(QStringLiteral("edInpFullButton"));
    lblInpFullUnit = new QLabel(grpInput);
    lblInpFullUnit->setObjectName(QStringLiteral("lblInpFullUnit"));
    lblEuMax = new QLabel(grpInput);
    lblEuMax->setObjectName(QStringLiteral("lblEuMax"));
    edEuMax = new TEdit(grpInput);
    edEuMax->setObjectName(QStringLiteral("edEuMax"));
    lblEuMaxUnit = new QLabel(grpInput);
    lblEuMaxUnit->setObjectName(QStringLiteral("lblEuMaxUnit"));
}
void TfrmMain::EnableInPanel() {}
void TfrmMain::DisableInPanel() {}
