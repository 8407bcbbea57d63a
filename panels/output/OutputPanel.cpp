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

void TfrmMain::setupOutputPanel() {
    lblOutRange = new QLabel(grpOutput);
    lblOutRange->setObjectName(QStringLiteral("lblOutRange"));
    pnlPermOutRange = new TValueLabel(grpOutput);
    pnlPermOutRange->setObjectName(QStringLiteral("pnlPermOutRange"));
    btnGetOutRange = new QPushButton(grpOutput);
    btnGetOutRange->setObjectName(QStringLiteral("btnGetOutRange"));
    lblOutZeroP = new QLabel(grpOutput);
    lblOutZeroP->setObjectName(QStringLiteral("lblOutZeroP"));
    pnlOutZeroP = new TValueLabel(grpOutput);
    pnlOutZeroP->setObjectName(QStringLiteral("pnlOutZeroP"));
    lblPermOutMin = new QLabel(grpOutput);
    lblPermOutMin->setObjectName(QStringLiteral("lblPermOutMin"));
    pnlPermOutMin = new TValueLabel(grpOutput);
    pnlPermOutMin->setObjectName(QStringLiteral("pnlPermOutMin"));
    lblOutFsP = new QLabel(grpOutput);
    lblOutFsP->setObjectName(QStringLiteral("lblOutFsP"));
    pnlOutFsP = new TValueLabel(grpOutput);
    pnlOutFsP->setObjectName(QStringLiteral("pnlOutFsP"));
    lblPermOutMax = new QLabel(grpOutput);
    lblPermOutMax->setObjectName(QStringLiteral("lblPermOutMax"));
    pnlPermOutMax = new TValueLabel(grpOutput);
    pnlPermOutMax->setObjectName(QStringLiteral("pnlPermOutMax"));
    lblPermOut = new QLabel(grpOutput);
    lblPermOut->setObjectName(QStringLiteral("lblPermOut"));
    pnlPermOut = new TValueLabel(grpOutput);
    pnlPermOut->setObjectName(QStringLiteral("pnlPermOut"));
    lblOutInvertP = new QLabel(grpOutput);
    lblOutInvertP->setObjectName(QStringLiteral("lblOutInvertP"));
    pnlOutInvertP = new TValueLabel(grpOutput);
    pnlOutInvertP->setObjectName(QStringLiteral("pnlOutInvertP"));
    bvlOutput = new QFrame(grpOutput);
    bvlOutput->setObjectName(QStringLiteral("bvlOutput"));
    lblTempOutRange = new QLabel(grpOutput);
    lblTempOutRange->setObjectName(QStringLiteral("lblTempOutRange"));
    cmbOutRanges = new QComboBox(grpOutput);
    cmbOutRanges->setObjectName(QStringLiteral("cmbOutRanges"));
    btnGetTempOutRange = new QPushButton(grpOutput);
    btnGetTempOutRange->setObjectName(QStringLiteral("btnGetTempOutRange"));
    btnSetOutRange = new QPushButton(grpOutput);
    btnSetOutRange->setObjectName(QStringLiteral("btnSetOutRange"));
    lblOutputZero = new QLabel(grpOutput);
    lblOutputZero->setObjectName(QStringLiteral("lblOutputZero"));
    seOutZero = new TPageSpinBox(grpOutput);
    seOutZero->setObjectName(QStringLiteral("seOutZero"));
    btnOutZero = new QPushButton(grpOutput);
    btnOutZero->setObjectName(QStringLiteral("btnOutZero"));
    lblOutMin = new QLabel(grpOutput);
    lblOutMin->setObjectName(QStringLiteral("lblOutMin"));
    edOutMin = new TEdit(grpOutput);
    edOutMin->setObjectName(QStringLiteral("edOutMin"));
    lblOutMinUnit = new QLabel(grpOutput);
    lblOutMinUnit->setObjectName(QStringLiteral("lblOutMinUnit"));
    lblOutputFs = new QLabel(grpOutput);
    lblOutputFs->setObjectName(QStringLiteral("lblOutputFs"));
    seOutFull = new TPageSpinBox(grpOutput);
    seOutFull->setObjectName(QStringLiteral("seOutFull"));
    btnOutFull = new QPushButton(grpOutput);
    btnOutFull->setObjectName(QStringLiteral("btnOutFull"));
    lblOutMax = new QLabel(grpOutput);
    lblOutMax->setObjectName(QStringLiteral("lblOutMax"));
    edOutMax = new TEdit(grpOutput);
    edOutMax->setObjectName(QStringLiteral("edOutMax"));
    lblOutMaxUnit = new QLabel(grpOutput);
    lblOutMaxUnit->setObjectName(QStringLiteral("lblOutMaxUnit"));
    lblTempOut = new QLabel(grpOutput);
    lblTempOut->setObjectName(QStringLiteral("lblTempOut"));
    pnlTempOut = new TValueLabel(grpOutput);
    pnlTempOut->setObjectName(QStringLiteral("pnlTempOut"));
    cbInvertOut = new QCheckBox(grpOutput);
    cbInvertOut->setObjectName(QStringLiteral("cbInvertOut"));
    cbEnableAlarm = new QCheckBox(grpOutput);
    cbEnableAlarm->setObjectName(QStringLiteral("cbEnableAlarm"));
    lblAlmLimit = new QLabel(grpOutput);
    lblAlmLimit->setObjectName(QStringLiteral("lblAlmLimit"));
    edAlarmLimit = new TEdit(grpOutput);
    edAlarmLimit->setObjectName(QStringLiteral("edAlarmLimit"));
    lblAlmLimUnit = new QLabel(grpOutput);
    lblAlmLimUnit->setObjectName(QStringLiteral("lblAlmLimUnit"));
    lblAlmStatus = new QLabel(grpOutput);
    lblAlmStatus->setObjectName(QStringLiteral("lblAlmStatus"));
    pnlAlmStatus = new TValueLabel(grpOutput);
    pnlAlmStatus->setObjectName(QStringLiteral("pnlAlmStatus"));
    lblDband = new QLabel(grpOutput);
    lblDband->setObjectName(QStringLiteral("lblDband"));
    edDeadBand = new TEdit(grpOutput);
    edDeadBand->setObjectName(QStringLiteral("edDeadBand"));
    lblDbandUnit = new QLabel(grpOutput);
    lblDbandUnit->setObjectName(QStringLiteral("lblDbandUnit"));
    lblAlarmRback = new QLabel(grpOutput);
    lblAlarmRback->setObjectName(QStringLiteral("lblAlarmRback"));
    pnlAlarmRback = new TValueLabel(grpOutput);
    pnlAlarmRback->setObjectName(QStringLiteral("pnlAlarmRback"));
    cbLowAlarm = new QCheckBox(grpOutput);
    cbLowAlarm->setObjectName(QStringLiteral("cbLowAlarm"));
}
void TfrmMain::DisableOutPanel() {}
void TfrmMain::EnableOutPanel() {}
