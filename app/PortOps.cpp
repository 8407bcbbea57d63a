// Opening and closing the serial port, and a port that fails while open.
#include "MainWindow.h"

#include "../link/ComPort.h"
#include "../link/Cycle.h"
#include "../link/LightControl.h"
#include "../panels/general/CalLists.h"
#include "../panels/general/GeneralPanel.h"
#include "../panels/input/InputPanel.h"
#include "../panels/output/OutputPanel.h"
#include "../widgets/Controls.h"
#include "../widgets/StatusBar.h"
#include "../widgets/ToggleSwitch.h"
#include "WindowShell.h"

#include <QGroupBox>

void TfrmMain::OpenComPort(int number) {
    // The cycle closes whatever is open and rests before and after opening; the
    // window waits for it, as nothing it does makes sense before the port is
    // ready. The requests of the port closed went with it.
    InWriteOut = OutWriteOut = false;
    ComPort->SetComNumber(number);
    QString error;
    Cycle->Open([&error](const QString& failure) { error = failure; });
    Cycle->WaitWhileResting();
    if (!error.isNull()) {
        // No port is open now: panel 0 names none, and the panels show nothing of
        // the unit that was there, as after a port failure.
        Shell->sbMain->SetPanelText(0, QString());
        ForgetUnit();
        throw EMrtError(error);
    }
    // One timer for the status line however often the port is opened: the
    // port's clock looks at every timer it was ever given on each tick.
    if (ReplyTrigger == 0) ReplyTrigger = ComPort->AddTimer();
    LightControl->Start();
    Shell->sbMain->SetPanelText(0, QStringLiteral("COM%1,9600,N,8,1").arg(ComPort->ComNumber()));
}

void TfrmMain::CloseComPort() {
    if (!ComPort->Connected()) return;
    Cycle->Close();
    Cycle->WaitWhileResting();
}

void TfrmMain::ComPortFailed(const QString& message) {
    // The port has been closed already; from now on the tool behaves, and the
    // status bar reads, as with no port open until the user opens one again from
    // panel 0.
    ComPort->SetTimer(ReplyTrigger, 0, false);
    Shell->sbMain->SetPanelText(0, QString());
    ForgetUnit();
    ShowStatus(QStringLiteral("No COM port !"), skError);
    throw EMrtError(QStringLiteral("COM%1 failed and was closed: %2").arg(ComPort->ComNumber()).arg(message));
}

void TfrmMain::ForgetUnit() {
    for (QGroupBox* box : {Shell->grpGeneral, Shell->grpInput, Shell->grpOutput})
        for (TValueLabel* value : box->findChildren<TValueLabel*>())
            value->setText(QString());
    Shell->sbMain->SetPanelText(1, QString()); // its version
    CalLists->InitInCalStat();
    CalLists->InitOutCalStat();
    In->DisableInPanel();
    Out->DisableOutPanel();
    // The switch shows no mode until a unit reports one.
    General->calSwitch->hide();
}
