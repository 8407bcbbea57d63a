#include "PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
// A real folder (no link to one) of the user's own that nobody else may write
// to; with `closed`, that nobody else may enter either.
bool OwnFolder(const QString& path, bool closed) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir()) return false;
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::getuid()) return false;
#endif
    const QFileDevice::Permissions others = closed ? QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                         QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                         QFileDevice::WriteOther | QFileDevice::ExeOther
                                                   : QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !(info.permissions() & others);
}
} // namespace

QString ComLinkFolder() {
    // Only the user's own runtime folder holds links: an absolute path to a
    // folder of the user's, mode 0700, as the system makes it. Without one
    // (cron, system services, su, containers), or where it is relative, shared
    // or another user's (a /tmp/runtime-name planted in advance), there are no
    // links and the fixed table holds. Qt's runtime location is not asked: it
    // warns at every call and falls back to a folder in /tmp.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime) || !OwnFolder(runtime, true)) return QString();
    const QString folder = QDir(runtime).filePath(QStringLiteral("mrt9dx"));
    // The simulator makes the link folder; one that is there is the user's too.
    if (QFileInfo(folder).isSymLink() || (QFileInfo::exists(folder) && !OwnFolder(folder, false)))
        return QString();
    return folder;
}

QString ComLinkPath(int number) {
    const QString folder = ComLinkFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("COM%1").arg(number));
}

QString ComPortDevice(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM%1").arg(number);
#else
    const QString link = ComLinkPath(number);
    if (!link.isEmpty() && (QFileInfo(link).isSymLink() || QFileInfo::exists(link))) return link;
    if (number >= 1 && number <= 10) return QStringLiteral("/dev/ttyUSB%1").arg(number - 1);
    if (number >= 11 && number <= 20) return QStringLiteral("/dev/ttyACM%1").arg(number - 11);
    if (number >= 21 && number <= MaxComPort) return QStringLiteral("/dev/ttyS%1").arg(number - 21);
    return QString();
#endif
}

int ComNumberOf(const QString& name) {
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(name);
    const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
    return number >= 1 && number <= MaxComPort ? number : 0;
}
