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

void TfrmMain::setupCalLists() {
    lblInpCalStat = new QLabel(grpInput);
    lblInpCalStat->setObjectName(QStringLiteral("lblInpCalStat"));
    lvInpCalStat = new QTreeWidget(grpInput);
    lvInpCalStat->setObjectName(QStringLiteral("lvInpCalStat"));
    lblOutCalStat = new QLabel(grpOutput);
    lblOutCalStat->setObjectName(QStringLiteral("lblOutCalStat"));
    lvOutCalStat = new QTreeWidget(grpOutput);
    lvOutCalStat->setObjectName(QStringLiteral("lvOutCalStat"));
    popInCal = new QMenu(grpInput);
    popInCal->setObjectName(QStringLiteral("popInCal"));
    popOutCal = new QMenu(grpOutput);
    popOutCal->setObjectName(QStringLiteral("popOutCal"));
    mnuClearInCal = new QAction(this);
    mnuClearInCal->setObjectName(QStringLiteral("mnuClearInCal"));
    mnuClearOutCal = new QAction(this);
    mnuClearOutCal->setObjectName(QStringLiteral("mnuClearOutCal"));
}
void TfrmMain::InitInCalStat() {}
void TfrmMain::InitOutCalStat() {}
void TfrmMain::ShowInCalStat(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TfrmMain::ShowOutCalStat(uint16_t, uint16_t) {}
QColor TfrmMain::lvOutCalStatCustomDrawSubItem(QTreeWidget*, int, int) const { return Qt::black; }
void TfrmMain::mnuClearInCalClick() {}
void TfrmMain::mnuClearOutCalClick() {}
