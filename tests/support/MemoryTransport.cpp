#include "MemoryTransport.h"

#include "../../link/Clock.h"

#include <utility>

TMemoryTransport::TMemoryTransport(TClock* clock, QObject* parent) : TTransport(parent) {
    connect(clock, &TClock::Ticked, this, &TMemoryTransport::Poll);
}

bool TMemoryTransport::Open(const QString& device, QString* error, TOpenFailure* failure) {
    if (RefuseOpen) {
        const QString refusal = RefuseOpen(device);
        if (!refusal.isEmpty()) {
            if (error) *error = refusal;
            if (failure) *failure = TOpenFailure::Other;
            return false;
        }
    }
    Opened = true;
    OpenedDevice = device;
    Incoming.clear();
    return true;
}

void TMemoryTransport::Close() {
    // Closing drops what the line had not taken yet.
    Opened = false;
    Incoming.clear();
    Held.clear();
}

bool TMemoryTransport::Write(const QByteArray& bytes) {
    if (!Opened) return false;
    Handed.append(bytes);
    if (Stalled)
        Held.append(bytes);
    else
        Deliver(bytes);
    return true;
}

void TMemoryTransport::Deliver(const QByteArray& bytes) {
    Written.append(bytes);
    if (OnHostWrite) OnHostWrite(bytes);
    emit BytesWritten();
}

void TMemoryTransport::DropOutput() {
    Dropped += Held.size() + Backlog;
    Held.clear();
    Backlog = 0;
}

void TMemoryTransport::Drain() {
    Stalled = false;
    if (Opened && !Held.isEmpty()) Deliver(std::exchange(Held, {}));
}

QByteArray TMemoryTransport::ReadAll() {
    QByteArray out;
    out.swap(Incoming);
    return out;
}

void TMemoryTransport::Feed(const QByteArray& bytes) {
    if (!Opened || bytes.isEmpty()) return;
    Incoming.append(bytes);
    if (InReadyRead) return;
    InReadyRead = true;
    emit ReadyRead();
    InReadyRead = false;
}

void TMemoryTransport::InjectFailure(const QString& message) {
    if (Opened) emit Failed(message);
}

void TMemoryTransport::Poll() {
    if (Opened && PollPeer && Incoming.size() < ReadBufferSize) Feed(PollPeer());
}
