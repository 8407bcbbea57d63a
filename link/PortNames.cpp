#include "PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

QString ComLinkFolder() {
    // Without a runtime directory (cron, system services, su, containers) there
    // are no links: Qt would warn and make a folder of its own in /tmp.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return QString();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(QStringLiteral("mrt9dx"));
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
