// What the store keeps of a run and what history makes of it: the parts of the
// store that need no database, so that a build without Qt SQL has them too.
#include "RecordStore.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <cmath>

namespace {
// The error of largest size of a check's points, input and output alike (each
// in % of its span), with its sign.
std::optional<double> Largest(const QJsonValue& check) {
    std::optional<double> largest;
    for (const QJsonValue& point : check.toObject().value(QStringLiteral("points")).toArray())
        for (const char* key : {"read_error_percent", "meter_error_percent"}) {
            const QJsonValue v = point.toObject().value(QLatin1String(key));
            if (v.isDouble() && (!largest || std::abs(v.toDouble()) > std::abs(*largest)))
                largest = v.toDouble();
        }
    return largest;
}
} // namespace

QJsonValue JsonPercent(const std::optional<double>& value) {
    return value ? QJsonValue(std::round(*value * 1e4) / 1e4) : QJsonValue();
}

TRunErrors LargestErrors(const QJsonObject& record) {
    TRunErrors errors;
    errors.AsFound = Largest(record.value(QStringLiteral("as_found")));
    const QJsonValue asLeft = record.value(QStringLiteral("as_left"));
    if (asLeft.isObject())
        errors.AsLeft = Largest(asLeft);
    else if (record.value(QStringLiteral("written")).toArray().isEmpty())
        errors.AsLeft = errors.AsFound;
    return errors;
}

TStoredRun RunFromRecord(const QString& number, const QJsonObject& record) {
    const QJsonObject certificate = record.value(QStringLiteral("certificate")).toObject();
    const TRunErrors errors = LargestErrors(record);
    TStoredRun run;
    run.UnitTag = record.value(QStringLiteral("unit")).toObject().value(QStringLiteral("tag")).toString();
    run.Customer = certificate.value(QStringLiteral("customer")).toString();
    run.Status = record.value(QStringLiteral("status")).toString();
    run.Issued = QDate::fromString(certificate.value(QStringLiteral("issue_date")).toString(), Qt::ISODate);
    run.IntervalDays = certificate.value(QStringLiteral("interval_days")).toInt();
    run.NextDue = QDate::fromString(certificate.value(QStringLiteral("next_due")).toString(), Qt::ISODate);
    run.Number = IssuedNumber(number, run.Issued);
    run.AsFound = errors.AsFound;
    run.AsLeft = errors.AsLeft;
    run.Record = QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Compact));
    TakeRecord(run, record);
    return run;
}

void TakeRecord(TStoredRun& run, const QJsonObject& record) {
    run.Verdict = record.value(QStringLiteral("verdict")).toString();
    run.Written.clear();
    for (const QJsonValue& v : record.value(QStringLiteral("written")).toArray())
        run.Written << v.toString();
}

QString StoreNumber(const QDate& issued, qint64 id) {
    return QStringLiteral("MRT-%1-%2").arg(issued.year()).arg(id, 6, 10, QLatin1Char('0'));
}

QString IssuedNumber(const QString& number, const QDate& issued) {
    if (!issued.isValid() || !IsStoreNumber(number)) return number;
    return StoreNumber(issued, number.section(QLatin1Char('-'), 2).toLongLong());
}

QString StoreLocation(const QString& given, const QString& fallback) {
    if (!given.isEmpty()) return given;
    const QString environment = qEnvironmentVariable("MRT9DX_STORE");
    return environment.isEmpty() ? fallback : environment;
}

QJsonArray HistoryJson(const QList<TStoredRun>& runs) {
    QJsonArray list;
    std::optional<double> previousLeft;
    bool first = true;
    for (const TStoredRun& run : runs) {
        if (run.Record.isEmpty()) continue;
        std::optional<double> drift;
        if (!first && run.AsFound && previousLeft) drift = *run.AsFound - *previousLeft;
        list << QJsonObject{{QStringLiteral("issued"), run.Issued.toString(Qt::ISODate)},
                            {QStringLiteral("certificate"), run.Number},
                            {QStringLiteral("status"), run.Status},
                            {QStringLiteral("as_found"), JsonPercent(run.AsFound)},
                            {QStringLiteral("as_left"), JsonPercent(run.AsLeft)},
                            {QStringLiteral("drift"), JsonPercent(drift)}};
        // A run that measured nothing and wrote nothing (a unit that did not
        // answer) leaves the unit as the run before it left it.
        if (run.AsFound || run.AsLeft || !run.Written.isEmpty()) previousLeft = run.AsLeft;
        first = false;
    }
    return list;
}

bool IsStoreNumber(const QString& number) {
    static const QRegularExpression form(QStringLiteral("^MRT-[0-9]{4}-[0-9]{6,}$"));
    return form.match(number).hasMatch();
}
