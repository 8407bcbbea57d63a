#pragma once
// The port rules every program of the project follows: which of COM1 to COM50
// are offered, what the port dialog says about an entry, how a port is opened
// and locked, and how a failed open is worded for a technician.
//
// A number is offered when its name (PortNames.h) reaches a port that can be used:
// a link in the runtime folder is tried by opening it; a device of the fixed table
// only when the system's port enumeration knows it as a real serial port, so
// device nodes with no UART or no driver behind them stay out. An offered port is
// free, in use by another program, or one the user may not open.
//
// A port is opened, and locked, under the real device its name resolves to, so
// that one device has one owner whatever name reaches it.
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QSerialPort;

enum class TPortState { Free, InUse, NoPermission };

struct TPortOffer {
    int Number = 0;
    // The real device behind the number (a link resolved).
    QString Device;
    // For a USB adapter its maker, product and serial number; else empty.
    QString Description;
    TPortState State = TPortState::Free;
};

// How an open ended.
enum class TOpenFailure { None, InUse, NoPermission, Gone, Other };
struct TOpenResult {
    TOpenFailure Failure = TOpenFailure::None;
    // The system's own text of the failure.
    QString SystemText;
    bool Opened() const { return Failure == TOpenFailure::None; }
};

// A serial port the system's enumeration knows.
struct TKnownPort {
    QString Device;
    QString Maker;
    QString Product;
    QString SerialNumber;
};

// What the rules ask of the system. The real one enumerates with QSerialPortInfo
// and tries a device by opening and closing it at once; tests put in their own.
// The /dev/ttyS* nodes with a UART behind them, as the kernel's tty class
// (normally /sys/class/tty) tells by each node's UART type (0: none).
QStringList UartsInSysfs(const QString& ttyClass);

struct TPortSystem {
    std::function<QList<TKnownPort>()> KnownPorts;
    // Tries the real device (never a link).
    std::function<TOpenResult(const QString& device)> TryOpen;
};
TPortSystem& PortSystem();
TPortSystem RealPortSystem();

// Exactly what the port dialog offers, in COM order. Every device reached is tried.
QList<TPortOffer> OfferedPorts();
// How the trial opens of earlier passes ended, by real device.
using TPortTrials = QHash<QString, TOpenResult>;
// The same offer, but a device that `trials` holds keeps the state found when it
// was first tried and is not opened again: on Linux every open and close of a
// serial device drops and raises DTR and RTS, also on the adapter a transmitter
// hangs on. Afterwards `trials` holds the devices of this pass only, so a device
// that goes away and comes back is tried again. A device that was not there when
// tried is tried again in the next pass.
QList<TPortOffer> OfferedPorts(TPortTrials& trials);
// The offer for one number, if it is offered.
std::optional<TPortOffer> OfferedPort(int number);
// "free", "in use", "no permission".
QString PortStateText(TPortState state);
// The label under the port list: the device, why it cannot be opened now, and the
// adapter's description, one per line.
QString PortLabelText(const TPortOffer& offer);
// The words of the general error box when a port did not open, the port shown
// as TComPort names it: "COM3 (/dev/ttyUSB0)" (the real device), or a device
// path; the box appends the full stop.
QString PortOpenErrorText(const QString& port, const TOpenResult& result);

// The device a port name resolves to: a link followed to its end, empty when it
// leads nowhere; any other name as it is.
QString RealDevice(const QString& name);
// Opens port `name` on `port` for reading and writing under its real device (the
// lock file and the exclusive claim go to that device).
TOpenResult OpenSerialPort(QSerialPort& port, const QString& name);
// Closes a port opened by OpenSerialPort.
void ReleaseSerialPort(QSerialPort& port);
