#include "StoreCommands.h"

#include "Calibration.h"
#include "RecordStore.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <algorithm>
#include <memory>

namespace {
const char* const RecordsHelp =
    "Usage: mrt9dx-cli records [--store STORE] [--unit TAG] [--since DATE] [--until DATE] [--json]\n"
    "       mrt9dx-cli records show NUMBER\n"
    "       mrt9dx-cli records certificate NUMBER -o FILE\n"
    "Lists the runs in the store, oldest first: certificate number, issue date, unit,\n"
    "verdict, the largest error as found and as left (in % of span) and the next due\n"
    "date; --unit, --since and --until (YYYY-MM-DD, inclusive) choose. 'show' prints\n"
    "one run's record as JSON; 'certificate' issues its certificate again from the\n"
    "stored record into FILE (-o or --output). STORE is a SQLite file or\n"
    "postgresql://user@host:port/db (default: MRT9DX_STORE, else records.sqlite in\n"
    "the user's data folder).";
const char* const DueHelp =
    "Usage: mrt9dx-cli due [--within DAYS] [--store STORE] [--json]\n"
    "The units whose next calibration falls within DAYS days (0 to 3660, default 30)\n"
    "or is past, soonest first, from each unit's latest complete run with a\n"
    "calibration interval (--interval of check and calibrate).";
const char* const HistoryHelp =
    "Usage: mrt9dx-cli history [--store STORE] [--json] TAG\n"
    "Each run of the unit TAG, oldest first: issue date, certificate number, the\n"
    "largest error as found and as left (in % of span, with its sign) and the drift\n"
    "since the previous run: this as-found error minus the previous as-left one.";

const QStringList Names{QStringLiteral("records"), QStringLiteral("due"), QStringLiteral("history")};

bool Failed(TStoreCommand& c, const QString& message, const QString& kind = QStringLiteral("usage")) {
    c.Error = message;
    c.Kind = kind;
    return false;
}

// The store `store` failed with `error`.
bool StoreFailed(TStoreCommand& c, const TRecordStore& store, const QString& error) {
    return Failed(c, QStringLiteral("store %1: %2").arg(store.Name(), error), QStringLiteral("store"));
}

QString Percent(const std::optional<double>& value) {
    return value ? QString::asprintf("%+.3f %%", *value) : QStringLiteral("–");
}

QString Percent(const QJsonValue& value) {
    return value.isDouble() ? Percent(std::optional<double>(value.toDouble())) : QStringLiteral("–");
}

QJsonValue DateJson(const QDate& date) {
    return date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue();
}

// Rows as columns padded to their widest cell, the last left ragged.
QStringList Columns(const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths << 0;
            widths[i] = std::max(widths[i], row[i].size());
        }
    QStringList lines;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        lines << line;
    }
    return lines;
}

// The certificate of a stored run, with the unit's history up to it.
bool IssueAgain(TStoreCommand& c, TRecordStore& store, const TStoredRun& run, const QString& file) {
    if (file.isEmpty()) return Failed(c, QStringLiteral("records certificate: give -o FILE"));
    if (const QString problem = FileTargetProblem(file); !problem.isEmpty())
        return Failed(c, QStringLiteral("%1: %2").arg(file, problem), QStringLiteral("file"));
    QString error;
    std::optional<QList<TStoredRun>> runs = store.Runs(run.UnitTag, {}, {}, false, &error);
    if (!runs) return StoreFailed(c, store, error);
    runs->erase(
        std::remove_if(runs->begin(), runs->end(), [&run](const TStoredRun& r) { return r.Id > run.Id; }),
        runs->end());
    const QString html =
        CertificateHtml(QJsonDocument::fromJson(run.Record.toUtf8()).object(), HistoryJson(*runs));
    if (!WriteFileSafely(file, html.toUtf8(), &error))
        return Failed(c, QStringLiteral("%1: %2").arg(file, error), QStringLiteral("file"));
    if (c.Out)
        c.Out(c.Json
                  ? QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("status"), 0},
                                                                {QStringLiteral("certificate"), run.Number},
                                                                {QStringLiteral("file"), file}})
                                          .toJson(QJsonDocument::Compact))
                  : QStringLiteral("certificate %1 written to %2").arg(run.Number, file));
    return true;
}

// records show NUMBER, or records certificate NUMBER -o FILE (`output`).
bool ShowOrIssue(TStoreCommand& c, TRecordStore& store, const QStringList& args, const QString& output) {
    const bool show = args.first() == QLatin1String("show");
    if ((!show && args.first() != QLatin1String("certificate")) || args.size() != 2)
        return Failed(c, QStringLiteral("records: usage: mrt9dx-cli records [show|certificate NUMBER]"));
    QString error;
    const std::optional<TStoredRun> run = store.Run(args[1], &error);
    if (!error.isEmpty()) return StoreFailed(c, store, error);
    if (!run || run->Record.isEmpty())
        return Failed(c, QStringLiteral("records: %1 holds no record %2").arg(store.Name(), args[1]),
                      QStringLiteral("store"));
    if (!show) return IssueAgain(c, store, *run, output);
    if (c.Out)
        c.Out(QString::fromUtf8(QJsonDocument::fromJson(run->Record.toUtf8()).toJson(QJsonDocument::Indented))
                  .trimmed());
    return true;
}

bool Records(TStoreCommand& c, TRecordStore& store, const QCommandLineParser& parser) {
    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty()) return ShowOrIssue(c, store, args, parser.value(QStringLiteral("output")));
    QString error;
    QDate bounds[2];
    for (int i = 0; i < 2; ++i) {
        const QString option = i ? QStringLiteral("until") : QStringLiteral("since");
        if (!parser.isSet(option)) continue;
        bounds[i] = QDate::fromString(parser.value(option), Qt::ISODate);
        if (!bounds[i].isValid())
            return Failed(c, QStringLiteral("records: --%1 wants a date YYYY-MM-DD").arg(option));
    }
    const std::optional<QList<TStoredRun>> runs =
        store.Runs(parser.value(QStringLiteral("unit")), bounds[0], bounds[1], false, &error);
    if (!runs) return StoreFailed(c, store, error);
    QJsonArray list;
    QList<QStringList> rows{{QStringLiteral("certificate"), QStringLiteral("issued"), QStringLiteral("unit"),
                             QStringLiteral("verdict"), QStringLiteral("as found"), QStringLiteral("as left"),
                             QStringLiteral("next due")}};
    for (const TStoredRun& r : *runs) {
        list << QJsonObject{{QStringLiteral("certificate"), r.Number},
                            {QStringLiteral("issued"), DateJson(r.Issued)},
                            {QStringLiteral("unit"), r.UnitTag},
                            {QStringLiteral("customer"), r.Customer},
                            {QStringLiteral("status"), r.Status},
                            {QStringLiteral("verdict"), r.Verdict},
                            {QStringLiteral("as_found"), JsonPercent(r.AsFound)},
                            {QStringLiteral("as_left"), JsonPercent(r.AsLeft)},
                            {QStringLiteral("next_due"), DateJson(r.NextDue)}};
        rows << QStringList{r.Number,
                            r.Issued.toString(Qt::ISODate),
                            r.UnitTag,
                            r.Verdict,
                            Percent(r.AsFound),
                            Percent(r.AsLeft),
                            r.NextDue.isValid() ? r.NextDue.toString(Qt::ISODate) : QStringLiteral("–")};
    }
    if (!c.Out) return true;
    if (c.Json)
        c.Out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
    else if (runs->isEmpty())
        c.Out(QStringLiteral("no runs in %1").arg(store.Name()));
    else
        c.Out(Columns(rows).join(QLatin1Char('\n')));
    return true;
}

bool Due(TStoreCommand& c, TRecordStore& store, const QCommandLineParser& parser) {
    bool ok = false;
    const int within = parser.value(QStringLiteral("within")).toInt(&ok);
    if (!ok || within < 0 || within > 3660)
        return Failed(c, QStringLiteral("due: --within wants 0 to 3660 days"));
    if (!parser.positionalArguments().isEmpty()) return Failed(c, QStringLiteral("due takes no arguments"));
    // Issue and due dates are UTC dates: today is counted the same way.
    const QDate today = QDateTime::currentDateTimeUtc().date();
    QString error;
    const std::optional<QList<TStoredRun>> runs = store.Due(today.addDays(within), &error);
    if (!runs) return StoreFailed(c, store, error);
    QJsonArray list;
    QStringList lines;
    for (const TStoredRun& r : *runs) {
        const qint64 days = today.daysTo(r.NextDue);
        list << QJsonObject{{QStringLiteral("unit"), r.UnitTag},
                            {QStringLiteral("next_due"), DateJson(r.NextDue)},
                            {QStringLiteral("days"), days},
                            {QStringLiteral("customer"), r.Customer},
                            {QStringLiteral("certificate"), r.Number}};
        lines << QStringLiteral("%1: %2 %3, %4 (last %5)")
                     .arg(r.UnitTag, days < 0 ? QStringLiteral("overdue since") : QStringLiteral("due"),
                          r.NextDue.toString(Qt::ISODate),
                          days < 0    ? QStringLiteral("%1 days ago").arg(-days)
                          : days == 0 ? QStringLiteral("today")
                                      : QStringLiteral("in %1 days").arg(days),
                          r.Number);
    }
    if (!c.Out) return true;
    if (c.Json)
        c.Out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
    else
        c.Out(lines.isEmpty() ? QStringLiteral("no unit is due within %1 days").arg(within)
                              : lines.join(QLatin1Char('\n')));
    return true;
}

bool History(TStoreCommand& c, TRecordStore& store, const QCommandLineParser& parser) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) return Failed(c, QStringLiteral("history: usage: mrt9dx-cli history TAG"));
    QString error;
    const std::optional<QList<TStoredRun>> runs = store.Runs(args.first(), {}, {}, false, &error);
    if (!runs) return StoreFailed(c, store, error);
    const QJsonArray history = HistoryJson(*runs);
    if (!c.Out) return true;
    if (c.Json) {
        c.Out(QString::fromUtf8(QJsonDocument(history).toJson(QJsonDocument::Compact)));
        return true;
    }
    if (history.isEmpty()) {
        c.Out(QStringLiteral("%1: no runs in %2").arg(args.first(), store.Name()));
        return true;
    }
    QList<QStringList> rows{{QStringLiteral("issued"), QStringLiteral("certificate"),
                             QStringLiteral("as found"), QStringLiteral("as left"), QStringLiteral("drift")}};
    for (const QJsonValue& v : history)
        rows << QStringList{v[QStringLiteral("issued")].toString(),
                            v[QStringLiteral("certificate")].toString(),
                            Percent(v[QStringLiteral("as_found")]), Percent(v[QStringLiteral("as_left")]),
                            Percent(v[QStringLiteral("drift")])};
    c.Out(Columns(rows).join(QLatin1Char('\n')));
    return true;
}
} // namespace

bool IsStoreCommand(const QString& name) {
    return Names.contains(name);
}

QString StoreCommandHelp(const QString& name) {
    return QLatin1String(name == QLatin1String("records") ? RecordsHelp
                         : name == QLatin1String("due")   ? DueHelp
                                                          : HistoryHelp);
}

bool RunStoreCommand(TStoreCommand& c) {
    QCommandLineParser parser;
    const QCommandLineOption store(QStringLiteral("store"), QStringLiteral("The store."),
                                   QStringLiteral("STORE"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("As JSON."));
    parser.addOptions({store, json});
    if (c.Name == QLatin1String("records"))
        parser.addOptions({{QStringLiteral("unit"), QStringLiteral("The unit."), QStringLiteral("TAG")},
                           {QStringLiteral("since"), QStringLiteral("From."), QStringLiteral("DATE")},
                           {QStringLiteral("until"), QStringLiteral("To."), QStringLiteral("DATE")},
                           {{QStringLiteral("o"), QStringLiteral("output")},
                            QStringLiteral("The file."),
                            QStringLiteral("FILE")}});
    if (c.Name == QLatin1String("due"))
        parser.addOption({QStringLiteral("within"), QStringLiteral("Days."), QStringLiteral("DAYS"),
                          QStringLiteral("30")});
    if (!parser.parse(QStringList{QStringLiteral("mrt9dx-cli")} + c.Arguments))
        return Failed(c, QStringLiteral("%1: %2").arg(c.Name, parser.errorText()));
    if (!TRecordStore::Available())
        return Failed(c, QStringLiteral("%1: this build keeps no store of records").arg(c.Name),
                      QStringLiteral("store"));
    TRecordStore records(StoreLocation(parser.value(store), c.FallbackStore));
    QString error;
    if (!records.Open(&error, true))
        return Failed(c, QStringLiteral("store %1 cannot be reached: %2").arg(records.Name(), error),
                      QStringLiteral("store"));
    if (c.Name == QLatin1String("records")) return Records(c, records, parser);
    if (c.Name == QLatin1String("due")) return Due(c, records, parser);
    return History(c, records, parser);
}
