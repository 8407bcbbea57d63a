// Opening and closing the serial port, and a port that fails while open.
#include "MainWindow.h"

#include "../link/ComPort.h"
#include "../link/Cycle.h"
#include "../link/LightControl.h"
#include "../widgets/StatusBar.h"

void TfrmMain::OpenComPort(int number) {
    // The cycle rests before and after opening; the window waits for it, as
    // nothing it does makes sense before the port is ready.
    ComPort->SetComNumber(number);
    QString error;
    Cycle->Open([&error](const QString& failure) { error = failure; });
    Cycle->WaitWhileResting();
    if (!error.isNull()) {
        // No port is open now: panel 0 names none, as after a port failure.
        sbMain->SetPanelText(0, QString());
        throw EMrtError(error);
    }
    ReplyTrigger = ComPort->AddTimer();
    LightControl->Start();
    sbMain->SetPanelText(0, QStringLiteral("COM%1,9600,N,8,1").arg(ComPort->ComNumber()));
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
    sbMain->SetPanelText(0, QString());
    ShowStatus(QStringLiteral("No COM port !"), skError);
    throw EMrtError(QStringLiteral("COM%1 failed and was closed: %2").arg(ComPort->ComNumber()).arg(message));
}
