#include "Bench.h"

#include "Settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

namespace {
class TReader {
public:
    TReader(const QByteArray& text, const QHash<QString, qsizetype>& values, QString* error)
        : Source(text), Values(values), Error(error) {}
    bool Ok() const { return Error->isEmpty(); }
    // The first fault, at the value of `path` ("references[1].due") where the
    // file has it, else at its start.
    void Fail(const QString& path, const QString& message) {
        if (Ok()) *Error = QStringLiteral("%1: %2").arg(TextPosition(Source, Values.value(path, 0)), message);
    }
    // The path of the object whose fields are `where` ("references[1]." gives
    // "references[1]"), where a missing field is reported.
    static QString Object(const QString& where) { return where.isEmpty() ? where : where.chopped(1); }
    // Refuses a key the object may not hold.
    void Only(const QJsonObject& object, const QString& where, const QSet<QString>& known) {
        for (const QString& key : object.keys())
            if (!known.contains(key))
                Fail(where + key, QStringLiteral("%1%2 is not a field of the bench file").arg(where, key));
    }
    QString Text(const QJsonObject& object, const QString& where, const QString& key, bool required) {
        const QJsonValue v = object.value(key);
        if (v.isUndefined() && !required) return {};
        if (!v.isString() || v.toString().trimmed().isEmpty())
            Fail(v.isUndefined() ? Object(where) : where + key,
                 QStringLiteral("%1%2 must be a text that is not empty").arg(where, key));
        return v.toString().trimmed();
    }
    const QByteArray& Source;
    const QHash<QString, qsizetype>& Values;
    QString* Error;
};
TCalReference ReadReference(TReader& r, const QJsonObject& o, const QString& where) {
    TCalReference ref;
    ref.Role = r.Text(o, where, QStringLiteral("role"), true);
    if (r.Ok() && ref.Role != QLatin1String("input_calibrator") && ref.Role != QLatin1String("output_meter"))
        r.Fail(where + QStringLiteral("role"),
               where + QStringLiteral("role is input_calibrator or output_meter"));
    ref.Identification = r.Text(o, where, QStringLiteral("identification"), true);
    ref.Certificate = r.Text(o, where, QStringLiteral("certificate"), true);
    ref.TraceableTo = r.Text(o, where, QStringLiteral("traceable_to"), false);
    ref.Due = QDate::fromString(r.Text(o, where, QStringLiteral("due"), true), Qt::ISODate);
    if (r.Ok() && !ref.Due.isValid())
        r.Fail(where + QStringLiteral("due"), where + QStringLiteral("due must be a date, 2027-03-31"));
    const QJsonValue u = o.value(QStringLiteral("uncertainty"));
    if (r.Ok() && (!u.isDouble() || u.toDouble() < 0))
        r.Fail(u.isUndefined() ? r.Object(where) : where + QStringLiteral("uncertainty"),
               where + QStringLiteral("uncertainty must be a number, the expanded uncertainty (k=2)"));
    ref.Uncertainty = u.toDouble();
    ref.UncertaintyUnit = r.Text(o, where, QStringLiteral("uncertainty_unit"), true);
    if (r.Ok() && !UnitFactor(ref.UncertaintyUnit, ref.UncertaintyUnit))
        r.Fail(where + QStringLiteral("uncertainty_unit"),
               where + QStringLiteral("uncertainty_unit '%1' is not a unit of the transmitter (°C, Ohm, mV, "
                                      "µV, V, mA)")
                           .arg(ref.UncertaintyUnit));
    return ref;
}
} // namespace

QJsonObject TCalReference::Json() const {
    return {{QStringLiteral("role"), Role},
            {QStringLiteral("identification"), Identification},
            {QStringLiteral("certificate"), Certificate},
            {QStringLiteral("traceable_to"), TraceableTo.isEmpty() ? QJsonValue() : QJsonValue(TraceableTo)},
            {QStringLiteral("due"), Due.toString(Qt::ISODate)},
            {QStringLiteral("uncertainty"), Uncertainty},
            {QStringLiteral("uncertainty_unit"), UncertaintyUnit}};
}

const TCalReference* TCalBench::Find(const QString& role) const {
    for (const TCalReference& r : References)
        if (r.Role == role) return &r;
    return nullptr;
}

std::optional<TCalBench> ParseBench(const QByteArray& text, QString* error) {
    error->clear();
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1: %2").arg(TextPosition(text, parse.offset), parse.errorString());
        return std::nullopt;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("line 1, column 1: the bench file must be a JSON object");
        return std::nullopt;
    }
    // QJsonDocument keeps the last of two equal keys: they are looked for first.
    QHash<QString, qsizetype> values;
    QString twice;
    qsizetype twiceAt = 0;
    if (!ScanKeys(text, &values, &twice, &twiceAt)) {
        *error = QStringLiteral("%1: %2 is given twice").arg(TextPosition(text, twiceAt), twice);
        return std::nullopt;
    }
    TReader r(text, values, error);
    const QJsonObject top = doc.object();
    TCalBench bench;
    r.Only(top, QString(),
           {QStringLiteral("organisation"), QStringLiteral("location"), QStringLiteral("decision_rule"),
            QStringLiteral("references")});
    bench.Organisation = r.Text(top, QString(), QStringLiteral("organisation"), true);
    bench.Location = r.Text(top, QString(), QStringLiteral("location"), true);
    if (top.contains(QStringLiteral("decision_rule"))) {
        const auto rule = ParseDecisionRule(top.value(QStringLiteral("decision_rule")).toString());
        if (!rule)
            r.Fail(QStringLiteral("decision_rule"), QStringLiteral("decision_rule is simple or guard-band"));
        bench.Rule = rule.value_or(TDecisionRule::Simple);
    }
    const QJsonValue refs = top.value(QStringLiteral("references"));
    if (!refs.isArray())
        r.Fail(refs.isUndefined() ? QString() : QStringLiteral("references"),
               QStringLiteral("references must be a list of reference standards"));
    for (const QJsonValue& v : refs.toArray()) {
        if (!r.Ok()) break;
        const QJsonObject o = v.toObject();
        const QString where = QStringLiteral("references[%1].").arg(bench.References.size());
        r.Only(o, where,
               {QStringLiteral("role"), QStringLiteral("identification"), QStringLiteral("certificate"),
                QStringLiteral("traceable_to"), QStringLiteral("due"), QStringLiteral("uncertainty"),
                QStringLiteral("uncertainty_unit")});
        const TCalReference ref = ReadReference(r, o, where);
        if (r.Ok() && bench.Find(ref.Role))
            r.Fail(where + QStringLiteral("role"),
                   where + QStringLiteral("role %1 is given twice").arg(ref.Role));
        bench.References << ref;
    }
    if (!r.Ok()) return std::nullopt;
    return bench;
}

QString BenchProblem(const TCalBench& bench, bool inputMeasured, bool outputMeasured, const QDate& today) {
    QStringList roles;
    if (inputMeasured) roles << QStringLiteral("input_calibrator");
    if (outputMeasured) roles << QStringLiteral("output_meter");
    for (const QString& role : roles) {
        const TCalReference* ref = bench.Find(role);
        if (!ref)
            return QStringLiteral("the bench file names no %1 for a quantity that is measured").arg(role);
        if (ref->Due < today)
            return QStringLiteral("the %1 %2 was due for calibration on %3 (certificate %4)")
                .arg(role, ref->Identification, ref->Due.toString(Qt::ISODate), ref->Certificate);
    }
    return QString();
}
