#include "Transport.h"

#include "Clock.h"

#include <QSerialPort>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

TSerialTransport::TSerialTransport(QObject* parent) : TTransport(parent), Port(new QSerialPort(this)) {
    connect(Port, &QSerialPort::readyRead, this, &TTransport::ReadyRead);
    connect(Port, &QSerialPort::bytesWritten, this, &TTransport::BytesWritten);
    // A device that goes away is disconnected, whatever the system's first
    // error says ("Resource temporarily unavailable", "Input/output error").
    connect(Port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError && Port->isOpen()) ReportDisconnected();
    });
    // QSerialPort does not notice when the far end of a pseudo-terminal closes:
    // reads return nothing and the event loop spins. Watch for the hang-up here.
    HangUpWatch.setInterval(100);
    connect(&HangUpWatch, &QTimer::timeout, this, &TSerialTransport::CheckHangUp);
}

TSerialTransport::~TSerialTransport() {
    Close();
}

bool TSerialTransport::Open(const QString& device, QString* error, TOpenFailure* failure) {
    Close();
    const TOpenResult result = OpenSerialPort(*Port, device);
    if (!result.Opened()) {
        if (error) *error = result.SystemText;
        if (failure) *failure = result.Failure;
        return false;
    }
    Device = RealDevice(device);
    Port->setBaudRate(QSerialPort::Baud9600);
    Port->setDataBits(QSerialPort::Data8);
    Port->setParity(QSerialPort::NoParity);
    Port->setStopBits(QSerialPort::OneStop);
    Port->setFlowControl(QSerialPort::NoFlowControl);
    Port->setReadBufferSize(4096);
    Port->setDataTerminalReady(Dtr);
    Port->setRequestToSend(Rts);
    FailureReported = false;
    HangUpWatch.start();
    return true;
}

void TSerialTransport::Close() {
    HangUpWatch.stop();
    ReleaseSerialPort(*Port);
}

bool TSerialTransport::IsOpen() const {
    return Port->isOpen();
}

bool TSerialTransport::Write(const QByteArray& bytes) {
    return Port->write(bytes) == bytes.size();
}

QByteArray TSerialTransport::ReadAll() {
    return Port->readAll();
}

qint64 TSerialTransport::BytesAvailable() const {
    return Port->bytesAvailable();
}

qint64 TSerialTransport::BytesToWrite() const {
    qint64 queued = Port->bytesToWrite();
#ifdef TIOCOUTQ
    // What the driver holds has not reached the line either.
    int driver = 0;
    if (Port->isOpen() && ::ioctl(static_cast<int>(Port->handle()), TIOCOUTQ, &driver) == 0 && driver > 0)
        queued += driver;
#endif
    return queued;
}

void TSerialTransport::DropOutput() {
    // Qt's buffer and the driver's queue alike.
    if (Port->isOpen()) Port->clear(QSerialPort::Output);
}

void TSerialTransport::SetDtr(bool level) {
    Dtr = level;
    if (Port->isOpen()) Port->setDataTerminalReady(level);
}

void TSerialTransport::SetRts(bool level) {
    Rts = level;
    if (Port->isOpen()) Port->setRequestToSend(level);
}

void TSerialTransport::CheckHangUp() {
#ifdef Q_OS_UNIX
    if (!Port->isOpen()) return;
    pollfd pfd{static_cast<int>(Port->handle()), 0, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) ReportDisconnected();
#endif
}

void TSerialTransport::ReportDisconnected() {
    ReportFailure(QStringLiteral("The device %1 was disconnected").arg(Device));
}

void TSerialTransport::ReportFailure(const QString& message) {
    // A pulled adapter reports several errors in a row: act on the first only.
    if (FailureReported) return;
    FailureReported = true;
    HangUpWatch.stop();
    emit Failed(message);
}
