#include "PortRules.h"

#include "PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSet>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {
// The real devices this process holds open. Trying one of them would only meet
// our own lock: the port the tool has open is offered as free, since choosing it
// again closes it first.
QSet<QString>& HeldDevices() {
    static QSet<QString> held;
    return held;
}

// True when the number names a link in the runtime folder, which is tried by
// opening it whatever the enumeration says. On Windows every number is.
bool TriedByOpening(int number) {
#ifdef Q_OS_WIN
    Q_UNUSED(number);
    return true;
#else
    const QString path = ComLinkPath(number);
    if (path.isEmpty()) return false;
    const QFileInfo link(path);
    return link.isSymLink() || link.exists();
#endif
}

QList<TKnownPort> EnumeratedPorts() {
    QList<TKnownPort> ports;
    QSet<QString> seen;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        TKnownPort port{info.systemLocation(), info.manufacturer(), info.description(), info.serialNumber()};
        if (!info.hasVendorIdentifier()) port.Maker = port.Product = port.SerialNumber = QString();
        seen.insert(port.Device);
        ports << port;
    }
#ifdef Q_OS_LINUX
    // Qt checks an 8250 port by opening it, so for a user outside the dialout
    // group it leaves out a real UART too. The kernel also tells the UART type
    // (0: none behind the node) where its attribute may be read.
    for (const QString& device : UartsInSysfs(QStringLiteral("/sys/class/tty")))
        if (!seen.contains(device)) ports << TKnownPort{device, {}, {}, {}};
#endif
    return ports;
}

TOpenResult TryOpenDevice(const QString& device) {
    QSerialPort port;
    port.setPortName(device);
    if (HeldDevices().contains(port.portName())) return {};
    const TOpenResult result = OpenSerialPort(port, device);
    ReleaseSerialPort(port);
    return result;
}

QString Describe(const TKnownPort& port) {
    QString text = port.Product;
    if (!port.Maker.isEmpty() && !text.startsWith(port.Maker, Qt::CaseInsensitive))
        text = (port.Maker + QLatin1Char(' ') + text).trimmed();
    if (!port.SerialNumber.isEmpty())
        text +=
            (text.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("S/N ") + port.SerialNumber;
    return text;
}
} // namespace

TPortSystem RealPortSystem() {
    return TPortSystem{EnumeratedPorts, TryOpenDevice};
}

TPortSystem& PortSystem() {
    static TPortSystem system = RealPortSystem();
    return system;
}

QString RealDevice(const QString& name) {
#ifdef Q_OS_WIN
    // \\.\COMn is the device itself.
    return name;
#else
    const QFileInfo info(name);
    return info.isSymLink() ? info.canonicalFilePath() : name;
#endif
}

namespace {
// The offer for `number`; its real device is tried unless `trials` holds it.
// `reached` collects the devices met.
std::optional<TPortOffer> Offer(int number, const QList<TKnownPort>& known, TPortTrials& trials,
                                QSet<QString>& reached) {
    if (number < 1 || number > MaxComPort) return std::nullopt;
    const QString device = RealDevice(ComPortDevice(number));
    if (device.isEmpty()) return std::nullopt;
    const auto found = std::find_if(known.begin(), known.end(),
                                    [&device](const TKnownPort& port) { return port.Device == device; });
    if (found == known.end() && !TriedByOpening(number)) return std::nullopt;
    TPortOffer offer{number, device, found == known.end() ? QString() : Describe(*found), TPortState::Free};
    reached.insert(device);
    auto trial = trials.constFind(device);
    if (trial == trials.constEnd()) {
        const TOpenResult result = PortSystem().TryOpen(device);
        // A device that was not there when tried may be by the next pass.
        if (result.Failure == TOpenFailure::Gone) return std::nullopt;
        trial = trials.insert(device, result);
    }
    switch (trial->Failure) {
    case TOpenFailure::None:
        return offer;
    case TOpenFailure::InUse:
        offer.State = TPortState::InUse;
        return offer;
    case TOpenFailure::NoPermission:
        offer.State = TPortState::NoPermission;
        return offer;
    case TOpenFailure::Gone:
    case TOpenFailure::Other:
        break;
    }
    return std::nullopt;
}
} // namespace

QList<TPortOffer> OfferedPorts() {
    TPortTrials trials;
    return OfferedPorts(trials);
}

QList<TPortOffer> OfferedPorts(TPortTrials& trials) {
    const QList<TKnownPort> known = PortSystem().KnownPorts();
    QSet<QString> reached;
    QList<TPortOffer> offers;
    for (int n = 1; n <= MaxComPort; ++n)
        if (const auto offer = Offer(n, known, trials, reached)) offers << *offer;
    trials.removeIf(
        [&reached](const TPortTrials::iterator& trial) { return !reached.contains(trial.key()); });
    return offers;
}

std::optional<TPortOffer> OfferedPort(int number) {
    TPortTrials trials;
    QSet<QString> reached;
    return Offer(number, PortSystem().KnownPorts(), trials, reached);
}

QString PortStateText(TPortState state) {
    switch (state) {
    case TPortState::Free:
        return QStringLiteral("free");
    case TPortState::InUse:
        return QStringLiteral("in use");
    case TPortState::NoPermission:
        return QStringLiteral("no permission");
    }
    return QString();
}

QString PortLabelText(const TPortOffer& offer) {
    QString text = offer.Device;
    if (offer.State == TPortState::InUse) text += QStringLiteral(": in use by another program");
    if (offer.State == TPortState::NoPermission)
        text += QStringLiteral(": no permission (not in dialout group)");
    if (!offer.Description.isEmpty()) text += QLatin1Char('\n') + offer.Description;
    return text;
}

QString PortOpenErrorText(const QString& port, const TOpenResult& result) {
    switch (result.Failure) {
    case TOpenFailure::None:
        break;
    case TOpenFailure::InUse:
        return port + QStringLiteral(" is in use by another program");
    case TOpenFailure::NoPermission:
        return QStringLiteral("You may not open %1: add your user to the dialout group "
                              "(sudo adduser $USER dialout) and log in again")
            .arg(port);
    case TOpenFailure::Gone:
        return port + QStringLiteral(" is no longer there");
    case TOpenFailure::Other:
        break;
    }
    return port + QStringLiteral(": ") + result.SystemText;
}

TOpenResult OpenSerialPort(QSerialPort& port, const QString& name) {
    const QString device = RealDevice(name);
    if (device.isEmpty()) return {TOpenFailure::Gone, QStringLiteral("The link leads to no device")};
    // QSerialPort names its lock file after the port name: the real device gives
    // every name of one device the same lock.
    port.setPortName(device);
    if (port.open(QIODevice::ReadWrite)) {
        HeldDevices().insert(port.portName());
        return {};
    }
    TOpenResult result{TOpenFailure::Other, port.errorString()};
    if (port.error() == QSerialPort::DeviceNotFoundError) result.Failure = TOpenFailure::Gone;
    if (port.error() == QSerialPort::PermissionError) {
        // Refused: either the user may not open the device at all, or another
        // program holds it (its lock file or its exclusive claim).
        result.Failure = TOpenFailure::InUse;
#ifdef Q_OS_UNIX
        const QByteArray path = QFile::encodeName(device);
        if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
            result.Failure = TOpenFailure::NoPermission;
#endif
    }
    return result;
}

void ReleaseSerialPort(QSerialPort& port) {
    // A port that failed to open leaves the device to whoever holds it.
    if (!port.isOpen()) return;
    HeldDevices().remove(port.portName());
    port.close();
}

QStringList UartsInSysfs(const QString& ttyClass) {
    QStringList devices;
    const QStringList ttys = QDir(ttyClass).entryList({QStringLiteral("ttyS*")}, QDir::Dirs);
    for (const QString& tty : ttys) {
        QFile type(QStringLiteral("%1/%2/type").arg(ttyClass, tty));
        if (!type.open(QIODevice::ReadOnly)) continue;
        bool ok = false;
        if (type.readAll().trimmed().toInt(&ok) != 0 && ok) devices << QStringLiteral("/dev/") + tty;
    }
    return devices;
}
