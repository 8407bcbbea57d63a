// Every connection of the main window, in one place. Each handler runs through
// Guarded, so an error it raises is shown in the general error box and the
// program carries on.
#include "MainWindow.h"

#include "../link/ComPort.h"
#include "../link/Cycle.h"
#include "../link/DataPacket.h"
#include "../link/LightControl.h"
#include "../panels/general/CalLists.h"
#include "../panels/general/GeneralPanel.h"
#include "../panels/input/InputPanel.h"
#include "../panels/output/OutputPanel.h"
#include "../widgets/Controls.h"
#include "../widgets/KeyRepeatGuard.h"
#include "../widgets/PageSpinBox.h"
#include "../widgets/StatusBar.h"
#include "../widgets/ToggleSwitch.h"
#include "../widgets/WheelGuard.h"
#include "WindowShell.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <type_traits>

// Long by design: every connection of the window in one place, one line each.
void TfrmMain::setupConnections() {
    // A slot that runs one handler of the window or of a panel through Guarded.
    const auto run = [this](auto* part, void (std::remove_pointer_t<decltype(part)>::*handler)()) {
        return [this, part, handler] { Guarded([part, handler] { (part->*handler)(); }); };
    };

    // Serial layer: its handlers run inside the port's read notification or the
    // clock's tick, so the error box of a handler opens once they have returned.
    DataPacket->OnPacket = [this](const uint8_t* data, int size) {
        GuardedLater([this, data, size] { DataPacketPacket(data, size); });
    };
    Cycle->OnUnasked = [this](const QByteArray& body) {
        GuardedLater([this, &body] { PacketProcess(body, false); });
    };
    LightControl->ShowTx = [this](bool lit) { Shell->LedTx->SetLit(lit); };
    LightControl->ShowRx = [this](bool lit) { Shell->LedRx->SetLit(lit); };
    connect(LightControl, &TLightControl::TriggerTimer, this,
            [this](uint16_t handle) { GuardedLater([this, handle] { ComPortTriggerTimer(handle); }); });
    connect(ComPort, &TComPort::Failed, this,
            [this](const QString& message) { GuardedLater([this, &message] { ComPortFailed(message); }); });

    // The wheel changes a drop-down list only while it has the keyboard focus.
    for (QComboBox* combo : findChildren<QComboBox*>())
        GuardWheel(combo);

    // A held Space presses a button once.
    for (QPushButton* button : findChildren<QPushButton*>())
        TKeyRepeatGuard::Install(button);

    // Status bar, and the keys that do what its double-clicks do.
    connect(Shell->sbMain, &TStatusBar::PanelDoubleClicked, this, [this](int panel) {
        if (panel == 0) Guarded([this] { sbMainPanels0DblClick(); });
        if (panel == 1) Guarded([this] { sbMainPanels1DblClick(); });
    });
    auto* choosePort = new QShortcut(ChoosePortKey, this);
    choosePort->setObjectName(QStringLiteral("scChoosePort"));
    choosePort->setAutoRepeat(false);
    connect(choosePort, &QShortcut::activated, this, run(this, &TfrmMain::sbMainPanels0DblClick));
    auto* readVersion = new QShortcut(ReadVersionKey, this);
    readVersion->setObjectName(QStringLiteral("scReadVersion"));
    readVersion->setAutoRepeat(false);
    connect(readVersion, &QShortcut::activated, this, run(this, &TfrmMain::sbMainPanels1DblClick));
    auto* keyList = new QShortcut(KeyListKey, this);
    keyList->setObjectName(QStringLiteral("scKeyList"));
    keyList->setAutoRepeat(false);
    connect(keyList, &QShortcut::activated, this, run(this, &TfrmMain::ShowKeyList));

    // General panel.
    connect(General->calSwitch, &TToggleSwitch::Clicked, this,
            run(General.get(), &TGeneralPanel::calSwitchClick));

    // Calibration lists.
    connect(CalLists->mnuClearInCal, &QAction::triggered, this,
            run(CalLists.get(), &TCalLists::mnuClearInCalClick));
    connect(CalLists->mnuClearOutCal, &QAction::triggered, this,
            run(CalLists.get(), &TCalLists::mnuClearOutCalClick));
    connect(CalLists->lvInpCalStat, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (CalLists->lvInpCalStat->isEnabled())
            CalLists->popInCal->popup(CalLists->lvInpCalStat->viewport()->mapToGlobal(pos));
    });
    connect(CalLists->lvOutCalStat, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (CalLists->lvOutCalStat->isEnabled())
            CalLists->popOutCal->popup(CalLists->lvOutCalStat->viewport()->mapToGlobal(pos));
    });
    // Shift+F10 opens a list's menu as the menu key does, at its current row.
    for (QTreeWidget* list : {CalLists->lvInpCalStat, CalLists->lvOutCalStat}) {
        auto* menuKey =
            new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), list, nullptr, nullptr, Qt::WidgetShortcut);
        connect(menuKey, &QShortcut::activated, list, [list] {
            const QModelIndex current = list->currentIndex();
            const QRect row = current.isValid() ? list->visualRect(current) : QRect();
            emit list->customContextMenuRequested(row.isValid() ? row.center() : QPoint(4, 4));
        });
    }

    // Input panel.
    In->btnGetPermInpRange->installEventFilter(this);
    connect(In->btnGetPermInpRange, &QPushButton::clicked, this,
            run(In.get(), &TInputPanel::btnGetPermInpRangeClick));
    connect(In->btnGetTempInpRange, &QPushButton::clicked, this,
            run(In.get(), &TInputPanel::btnGetTempInpRangeClick));
    connect(In->btnSetInputRange, &QPushButton::clicked, this,
            run(In.get(), &TInputPanel::btnSetInputRangeClick));
    connect(In->cmbInpRanges, &QComboBox::currentIndexChanged, this,
            run(In.get(), &TInputPanel::cmbInpRangesClick));
    connect(In->cmbWiring, &QComboBox::currentIndexChanged, this,
            run(In.get(), &TInputPanel::cmbInpRangesClick));
    connect(In->edInpZeroButton, &QAction::triggered, this,
            run(In.get(), &TInputPanel::edInpZeroPropertiesButtonClick));
    connect(In->edInpFullButton, &QAction::triggered, this,
            run(In.get(), &TInputPanel::edInpFullPropertiesButtonClick));

    // Output panel.
    connect(Out->btnGetOutRange, &QPushButton::clicked, this,
            run(Out.get(), &TOutputPanel::btnGetOutRangeClick));
    connect(Out->btnGetTempOutRange, &QPushButton::clicked, this,
            run(Out.get(), &TOutputPanel::btnGetTempOutRangeClick));
    connect(Out->btnSetOutRange, &QPushButton::clicked, this,
            run(Out.get(), &TOutputPanel::btnSetOutRangeClick));
    connect(Out->cmbOutRanges, &QComboBox::currentIndexChanged, this,
            run(Out.get(), &TOutputPanel::cmbOutRangesPropertiesEditValueChanged));
    for (TPageSpinBox* spin : {Out->seOutZero, Out->seOutFull})
        connect(spin, &TPageSpinBox::KeyPressed, this,
                [this](QChar* key) { Guarded([this, key] { Out->seOutZeroKeyPress(*key); }); });
    connect(Out->seOutZero, &TPageSpinBox::CodeChanged, this,
            run(Out.get(), &TOutputPanel::edOutZeroPropertiesChange));
    connect(Out->seOutFull, &TPageSpinBox::CodeChanged, this,
            run(Out.get(), &TOutputPanel::edOutFullPropertiesChange));
    connect(Out->seOutZero, &TPageSpinBox::Exited, this, run(Out.get(), &TOutputPanel::seOutZeroExit));
    connect(Out->seOutFull, &TPageSpinBox::Exited, this, run(Out.get(), &TOutputPanel::seOutFullExit));
    connect(Out->btnOutZero, &QPushButton::clicked, this, run(Out.get(), &TOutputPanel::btnOutZeroClick));
    connect(Out->btnOutFull, &QPushButton::clicked, this, run(Out.get(), &TOutputPanel::btnOutFullClick));
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == In->btnGetPermInpRange && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool consumed = false;
        Guarded([&] {
            consumed = General->btnGetPermInpRangeKeyDown(key->key(), key->modifiers(),
                                                          QGuiApplication::mouseButtons());
        });
        return consumed;
    }
    return QMainWindow::eventFilter(watched, event);
}
