#include "DataPacket.h"

#include "ComPort.h"
#include "Commands.h"

TDataPacket::TDataPacket(TComPort* port, QObject* parent) : QObject(parent), Port(port) {
    TimerHandle = Port->AddTimer();
    connect(Port, &TComPort::DataReceived, this, &TDataPacket::Receive);
    connect(Port, &TComPort::TriggerTimer, this, &TDataPacket::HandleTimer);
}

void TDataPacket::Enable() {
    if (Delivering) {
        EnableAfterDelivery = true;
        return;
    }
    if (State != TState::Disabled) return;
    State = TState::Waiting;
    Body.clear();
    BodySize = 0;
}

void TDataPacket::Disable() {
    if (Delivering) EnableAfterDelivery = false;
    State = TState::Disabled;
    Port->SetTimer(TimerHandle, 0, false);
    Body.clear();
    BodySize = 0;
}

void TDataPacket::Flush() {
    if (Delivering) {
        FlushAfterDelivery = true;
        return;
    }
    Pending.clear();
    if (State == TState::Collecting) {
        State = TState::Waiting;
        Port->SetTimer(TimerHandle, 0, false);
        Body.clear();
        BodySize = 0;
    }
}

void TDataPacket::Receive(const QByteArray& bytes) {
    if (State == TState::Disabled && !Delivering) return;
    Pending.append(bytes);
    if (!Delivering) Process();
}

void TDataPacket::Process() {
    int pos = 0;
    while (pos < Pending.size()) {
        if (State == TState::Disabled) {
            // Nothing to wait for: the rest is dropped.
            pos = Pending.size();
            break;
        }
        const uint8_t b = static_cast<uint8_t>(Pending[pos++]);
        if (State == TState::Waiting) {
            if (b == STX) {
                State = TState::Collecting;
                Body.clear();
                BodySize = 0;
                Port->SetTimer(TimerHandle, TimeOutTicks, true);
            }
            continue;
        }
        // Collecting.
        if (b != ETX) {
            if (Body.size() < MaxStored) Body.append(char(b));
            ++BodySize;
            continue;
        }
        Port->SetTimer(TimerHandle, 0, false);
        State = TState::Disabled;
        const QByteArray body = Body;
        const int size = BodySize > INT32_MAX ? INT32_MAX : static_cast<int>(BodySize);
        Body.clear();
        BodySize = 0;
        Delivering = true;
        EnableAfterDelivery = false;
        FlushAfterDelivery = false;
        if (OnPacket) {
            try {
                OnPacket(reinterpret_cast<const uint8_t*>(body.constData()), size);
            } catch (...) {
                Delivering = false;
                Pending.remove(0, pos);
                throw;
            }
        }
        Delivering = false;
        // The delivered packet leaves the store; bytes that came during the handler
        // were appended behind it.
        Pending.remove(0, pos);
        pos = 0;
        if (FlushAfterDelivery) {
            FlushAfterDelivery = false;
            Pending.clear();
        }
        if (EnableAfterDelivery) {
            EnableAfterDelivery = false;
            State = TState::Waiting;
        }
    }
    Pending.remove(0, pos);
}

void TDataPacket::HandleTimer(uint16_t handle) {
    if (handle != TimerHandle || State != TState::Collecting) return;
    // No ETX within the time-out: the partial packet is dropped without an event.
    State = TState::Disabled;
    Body.clear();
    BodySize = 0;
    Pending.clear();
}
