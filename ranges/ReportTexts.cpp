#include "ReportTexts.h"

namespace ReportText {
QString CalFlag(bool calibrated) {
    return calibrated ? QStringLiteral("OK") : QStringLiteral("UCAL");
}
QString YesNo(bool yes) {
    return yes ? QStringLiteral("Yes") : QStringLiteral("No");
}
QString Activity(bool active) {
    return active ? QStringLiteral("Active") : QStringLiteral("Inactive");
}
QString Mode(bool cal) {
    return cal ? QStringLiteral("CAL") : QStringLiteral("RUN");
}
QString OperationFailed() {
    return QStringLiteral("Error occured while performing the operation !");
}
QString Success() {
    return QStringLiteral("Success.");
}
QString SuccessRead() {
    return QStringLiteral("Success");
}
QString UnknownResponse() {
    return QStringLiteral("Unknown response received.");
}
} // namespace ReportText
