#include "LightControl.h"

#include "ComPort.h"

TLightControl::TLightControl(TComPort* port, QObject* parent) : QObject(parent), Port(port) {
    connect(Port, &TComPort::TriggerTimer, this, &TLightControl::HandleTimer);
    connect(Port, &TComPort::Closed, this, &TLightControl::Stop);
    connect(Port, &TComPort::DataReceived, this, [this] {
        if (!Active || RxOn) return;
        SetRx(true);
        Port->SetTimer(RxTimer, 1, true);
    });
    connect(Port, &TComPort::TxNotEmpty, this, [this] {
        if (!Active) return;
        SetTx(true);
        Port->SetTimer(TxTimer, 1, true);
    });
}

void TLightControl::Start() {
    if (TxTimer == 0) TxTimer = Port->AddTimer();
    if (RxTimer == 0) RxTimer = Port->AddTimer();
    Active = true;
}

void TLightControl::Stop() {
    Active = false;
    Port->SetTimer(TxTimer, 0, false);
    Port->SetTimer(RxTimer, 0, false);
    SetTx(false);
    SetRx(false);
}

void TLightControl::SetTx(bool lit) {
    TxOn = lit;
    if (ShowTx) ShowTx(lit);
}

void TLightControl::SetRx(bool lit) {
    RxOn = lit;
    if (ShowRx) ShowRx(lit);
}

void TLightControl::HandleTimer(uint16_t handle) {
    if (Active && handle == RxTimer && RxTimer != 0) {
        if (Port->InQueue() > 0)
            Port->SetTimer(RxTimer, 1, true);
        else
            SetRx(false);
    } else if (Active && handle == TxTimer && TxTimer != 0) {
        if (Port->OutQueue() > 0)
            Port->SetTimer(TxTimer, 1, true);
        else
            SetTx(false);
    }
    emit TriggerTimer(handle);
}
