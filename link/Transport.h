#pragma once
// The byte transport under ComPort. The product uses a serial device through
// QSerialPort; window tests use an in-memory pipe whose far end is the simulated
// transmitter (tests/support/MemoryTransport.h); end-to-end tests use a real
// pseudo-terminal.
#include "PortRules.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QSerialPort;
class TClock;

class TTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens the device at 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
    // control, with DTR and RTS at the levels set before. On failure returns false,
    // puts the system's text into *error and what went wrong into *failure.
    virtual bool Open(const QString& device, QString* error, TOpenFailure* failure = nullptr) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Queues the bytes for sending; returns false when they could not be queued.
    virtual bool Write(const QByteArray& bytes) = 0;
    virtual QByteArray ReadAll() = 0;
    virtual qint64 BytesAvailable() const = 0;
    // Bytes queued and not yet on the line, the system's own queue included.
    virtual qint64 BytesToWrite() const = 0;
    // Drops every byte queued and not yet on the line.
    virtual void DropOutput() = 0;
    virtual void SetDtr(bool level) = 0;
    virtual void SetRts(bool level) = 0;
signals:
    void ReadyRead();
    void BytesWritten();
    // The open device failed (adapter pulled out, far end of a pty closed).
    void Failed(const QString& message);
};

// A serial device through QSerialPort, opened and locked under the real device
// its name resolves to.
class TSerialTransport : public TTransport {
    Q_OBJECT
public:
    explicit TSerialTransport(QObject* parent = nullptr);
    ~TSerialTransport() override;
    bool Open(const QString& device, QString* error, TOpenFailure* failure = nullptr) override;
    void Close() override;
    bool IsOpen() const override;
    bool Write(const QByteArray& bytes) override;
    QByteArray ReadAll() override;
    qint64 BytesAvailable() const override;
    qint64 BytesToWrite() const override;
    void DropOutput() override;
    void SetDtr(bool level) override;
    void SetRts(bool level) override;

private:
    void CheckHangUp();
    void ReportDisconnected();
    void ReportFailure(const QString& message);
    QSerialPort* Port;
    // The real device open now.
    QString Device;
    QTimer HangUpWatch;
    bool Dtr = false;
    bool Rts = false;
    bool FailureReported = false;
};
