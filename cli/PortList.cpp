// The `ports` command: the COM numbers the window's port dialog offers.
#include "CliRun.h"

#include "../link/PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

QStringList PortLines() {
    const QList<QSerialPortInfo> known = QSerialPortInfo::availablePorts();
    QStringList lines;
    for (int n = 1; n <= MaxComPort; ++n) {
        const QString device = ComPortDevice(n);
        const QFileInfo link(QDir(ComLinkFolder()).filePath(QStringLiteral("COM%1").arg(n)));
        QString description;
        bool offered = link.exists() || link.isSymLink();
        if (offered) description = QStringLiteral("link to %1").arg(link.symLinkTarget());
        for (const QSerialPortInfo& info : known)
            if (info.systemLocation() == device) {
                offered = true;
                description = QStringList{info.manufacturer(), info.description(), info.serialNumber()}.join(QLatin1Char(' ')).simplified();
            }
        if (!offered) continue;
        // A port is offered as the dialog offers it, with why it cannot be opened now.
        QSerialPort probe(device);
        QString state = QStringLiteral("free");
        if (!probe.open(QIODevice::ReadWrite))
            state = probe.errorString().contains(QLatin1String("denied"), Qt::CaseInsensitive) ? QStringLiteral("no permission")
                                                                                                : QStringLiteral("in use");
        lines << QStringLiteral("COM%1\t%2\t%3\t%4").arg(n).arg(device, description.isEmpty() ? QStringLiteral("-") : description, state);
    }
    return lines;
}
