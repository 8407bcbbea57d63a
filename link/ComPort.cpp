#include "ComPort.h"

#include "../base/MrtError.h"
#include "Clock.h"
#include "PortNames.h"
#include "PortRules.h"
#include "Transport.h"

TComPort::TComPort(TTransport* transport, TClock* clock, QObject* parent)
    : QObject(parent), Transport(transport), Clock(clock) {
    connect(Clock, &TClock::Ticked, this, &TComPort::CheckTimers);
    connect(Transport, &TTransport::ReadyRead, this, &TComPort::ReadIncoming);
    connect(Transport, &TTransport::Failed, this, [this](const QString& message) {
        if (!Transport->IsOpen()) return;
        Close();
        emit Failed(message);
    });
}

void TComPort::SetDTR(bool level) {
    Dtr = level;
    Transport->SetDtr(level);
}

void TComPort::SetRTS(bool level) {
    Rts = level;
    Transport->SetRts(level);
}

void TComPort::Open() {
    if (Transport->IsOpen()) return;
    const QString name = DevicePath.isEmpty() ? ComPortDevice(Number) : DevicePath;
    QString error;
    TOpenFailure failure = TOpenFailure::Other;
    if (!Transport->Open(name, &error, &failure))
        throw EMrtError(PortOpenErrorText(DisplayName(), {failure, error}));
    emit Opened();
}

QString TComPort::DisplayName() const {
    // A port given by its device path has no COM number to name.
    if (!DevicePath.isEmpty()) return DevicePath;
    const QString name = ComPortDevice(Number);
    const QString resolved = RealDevice(name);
    return QStringLiteral("COM%1 (%2)").arg(Number).arg(resolved.isEmpty() ? name : resolved);
}

void TComPort::Close() {
    if (!Transport->IsOpen()) return;
    Transport->Close();
    emit Closed();
}

bool TComPort::Connected() const {
    return Transport->IsOpen();
}

uint16_t TComPort::AddTimer() {
    const uint16_t handle = NextHandle++;
    if (NextHandle == 0) NextHandle = 1;
    Timers.insert(handle, TTimer{});
    return handle;
}

void TComPort::SetTimer(uint16_t handle, uint16_t ticks, bool activate) {
    auto it = Timers.find(handle);
    if (it == Timers.end()) return;
    if (!activate) {
        it->Active = false;
        return;
    }
    if (ticks != 0) it->Ticks = ticks;
    it->StartTick = CurrentTick();
    it->Active = true;
}

bool TComPort::TimerActive(uint16_t handle) const {
    auto it = Timers.find(handle);
    return it != Timers.end() && it->Active;
}

void TComPort::PutBlock(const uint8_t* data, int length) {
    if (length <= 0) return;
    if (length > OutSize - Transport->BytesToWrite()) throw EMrtError(NotTakingDataText());
    if (!Transport->Write(QByteArray(reinterpret_cast<const char*>(data), length)))
        throw EMrtError(QStringLiteral("Writing to %1 failed").arg(DisplayName()));
    emit TxNotEmpty();
}

qint64 TComPort::OutQueue() const {
    return Transport->IsOpen() ? Transport->BytesToWrite() : 0;
}

void TComPort::DropOutput() {
    if (Transport->IsOpen()) Transport->DropOutput();
}

QString TComPort::NotTakingDataText() const {
    return QStringLiteral("%1 is not taking data: check the cable or the adapter").arg(DisplayName());
}

qint64 TComPort::InQueue() const {
    return Transport->BytesAvailable();
}

qint64 TComPort::CurrentTick() const {
    return Clock->NowMs() / TickMs;
}

void TComPort::CheckTimers() {
    const qint64 now = CurrentTick();
    // A handler may arm or disarm timers: work from a snapshot of the handles and
    // look each one up again before firing it.
    const QList<uint16_t> handles = Timers.keys();
    for (uint16_t handle : handles) {
        auto it = Timers.find(handle);
        if (it == Timers.end() || !it->Active) continue;
        if (now > it->StartTick + it->Ticks) {
            it->Active = false;
            emit TriggerTimer(handle);
        }
    }
}

void TComPort::DiscardInput() {
    if (Transport->IsOpen()) Transport->ReadAll();
}

void TComPort::ReadIncoming() {
    if (!Transport->IsOpen()) return;
    const QByteArray bytes = Transport->ReadAll();
    if (!bytes.isEmpty()) emit DataReceived(bytes);
}
