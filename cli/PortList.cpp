// The `ports` command: exactly the COM numbers the window's port dialog offers,
// by the same port rules.
#include "../link/PortNames.h"
#include "../link/PortRules.h"
#include "CliRun.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#ifndef Q_OS_WIN
#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

QStringList PortLines() {
    QStringList lines;
    for (const TPortOffer& offer : OfferedPorts())
        lines << QStringLiteral("COM%1\t%2\t%3\t%4")
                     .arg(offer.Number)
                     .arg(offer.Device, offer.Description.isEmpty() ? QStringLiteral("-") : offer.Description,
                          PortStateText(offer.State));
    return lines;
}

QString PortsJson() {
    QJsonArray ports;
    for (const TPortOffer& offer : OfferedPorts())
        ports.append(QJsonObject{{QStringLiteral("com"), QStringLiteral("COM%1").arg(offer.Number)},
                                 {QStringLiteral("device"), offer.Device},
                                 {QStringLiteral("description"), offer.Description},
                                 {QStringLiteral("state"), PortStateText(offer.State)}});
    return QString::fromUtf8(QJsonDocument(ports).toJson(QJsonDocument::Compact));
}

// Why a port did not open, in the companion's words: a device that is not there
// is named, and the dialout advice is given only where the dialout group would
// help. Any other failure keeps the port rules' words.
#ifdef Q_OS_WIN
QString OpenErrorText(const QString&, const QString& message) {
    // Windows has no groups of serial devices: its own words say it all.
    return message;
}
#else
QString OpenErrorText(const QString& port, const QString& message) {
    const int number = ComNumberOf(port);
    QString device = number ? ComPortDevice(number) : port;
    const QFileInfo info(device);
    if (info.isSymLink()) device = info.symLinkTarget();
    if (!QFileInfo::exists(device)) return QStringLiteral("there is no %1").arg(device);
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM)) return message;
    struct stat status {};
    const group* dialout = ::getgrnam("dialout");
    if (::stat(path.constData(), &status) != 0 || !dialout || status.st_gid != dialout->gr_gid)
        return QStringLiteral("you may not open %1: it belongs to %2, group %3")
            .arg(device, QFileInfo(device).owner(), QFileInfo(device).group());
    // The device is the dialout group's: is the user in it already (then a
    // new login is what is missing)?
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(std::max(count, 0));
    const bool member = ::getgroups(count, groups.data()) == count &&
                        std::find(groups.begin(), groups.end(), dialout->gr_gid) != groups.end();
    if (member || ::getegid() == dialout->gr_gid)
        return QStringLiteral("you may not open %1, although you are in the dialout group").arg(device);
    return QStringLiteral("you may not open %1: add your user to the dialout group "
                          "(sudo adduser $USER dialout) and log in again")
        .arg(device);
}
#endif
