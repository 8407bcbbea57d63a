#pragma once
// The test double of the byte transport: an in-memory pipe whose far end is a
// simulated transmitter or the test itself. It lives with the tests only, so no
// program carries it.
#include "../../link/Transport.h"

#include <QByteArray>
#include <QString>
#include <functional>

// In-memory pipe. What the tool writes goes to OnHostWrite at once; on every tick
// of the clock PollPeer is asked for the bytes the far end has ready, and they are
// delivered as received bytes. Written holds everything the tool ever wrote.
// It reads as a serial port does: ReadyRead is not raised again while its handler
// runs (the bytes wait for the next delivery), and with ReadBufferSize bytes
// unread the peer is no longer polled until they are read.
class TMemoryTransport : public TTransport {
    Q_OBJECT
public:
    explicit TMemoryTransport(TClock* clock, QObject* parent = nullptr);
    bool Open(const QString& device, QString* error, TOpenFailure* failure = nullptr) override;
    void Close() override;
    bool IsOpen() const override { return Opened; }
    bool Write(const QByteArray& bytes) override;
    QByteArray ReadAll() override;
    qint64 BytesAvailable() const override { return Incoming.size(); }
    qint64 BytesToWrite() const override { return Backlog + Held.size(); }
    void DropOutput() override;
    void SetDtr(bool level) override { Dtr = level; }
    void SetRts(bool level) override { Rts = level; }

    // Delivers bytes as if the far end had sent them (only while open).
    void Feed(const QByteArray& bytes);
    // Makes the open device fail as a pulled adapter would.
    void InjectFailure(const QString& message);
    // A line that stops taking data: what the tool writes is held (BytesToWrite
    // counts it) until Drain sends it on; DropOutput throws it away.
    bool Stalled = false;
    void Drain();
    QByteArray Held;
    qint64 Dropped = 0;

    static constexpr qint64 ReadBufferSize = 4096;
    // Bytes still waiting in the transmit buffer, as BytesToWrite reports them.
    qint64 Backlog = 0;

    std::function<void(const QByteArray&)> OnHostWrite;
    std::function<QByteArray()> PollPeer;
    // Device names that Open refuses, with the error text to give (a failure of no
    // particular kind).
    std::function<QString(const QString& device)> RefuseOpen;
    QByteArray Written;
    // Everything the tool handed over, whether the line took it or not.
    QByteArray Handed;
    QString OpenedDevice;
    bool Dtr = false;
    bool Rts = false;

private:
    void Poll();
    void Deliver(const QByteArray& bytes);
    QByteArray Incoming;
    bool Opened = false;
    bool InReadyRead = false;
};
