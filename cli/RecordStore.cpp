#include "RecordStore.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <cmath>

namespace {
// The schema this program writes; a store with a newer one is left alone.
constexpr int SchemaVersion = 1;
// The key of the lock under which PostgreSQL benches create the schema one at a time.
constexpr int SchemaLock = 7609;

int Connections = 0;

QString OneLine(const QString& text) {
    return text.simplified();
}

// The database's own words where it gave some, else the driver's.
QString SqlError(const QSqlError& error) {
    const QString text = OneLine(error.databaseText().isEmpty() ? error.text() : error.databaseText());
    return text.isEmpty() ? QStringLiteral("the database gave no reason") : text;
}

// Prepares `sql`, binds `values` and runs it; false with the database's reason,
// also where it is the statement that could not be prepared (a table without
// the column the statement names), which a run of it would hide behind the
// driver's "No query".
bool RunQuery(QSqlQuery& q, const QString& sql, const QVariantList& values, QString* error) {
    if (q.prepare(sql)) {
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (q.exec()) return true;
    }
    *error = SqlError(q.lastError());
    return false;
}

QVariant Nullable(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

QVariant Nullable(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

std::optional<double> OptionalDouble(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

const char* const RunColumns = "id, certificate_number, unit_tag, customer, status, issued, interval_days, "
                               "next_due, as_found_error, as_left_error, record";

TStoredRun RunOf(const QSqlQuery& q) {
    TStoredRun run;
    run.Id = q.value(0).toLongLong();
    run.Number = q.value(1).toString();
    run.UnitTag = q.value(2).toString();
    run.Customer = q.value(3).toString();
    run.Status = q.value(4).toString();
    run.Issued = QDate::fromString(q.value(5).toString(), Qt::ISODate);
    run.IntervalDays = q.value(6).toInt();
    run.NextDue = QDate::fromString(q.value(7).toString(), Qt::ISODate);
    run.AsFound = OptionalDouble(q.value(8));
    run.AsLeft = OptionalDouble(q.value(9));
    run.Record = q.value(10).toString();
    TakeRecord(run, QJsonDocument::fromJson(run.Record.toUtf8()).object());
    return run;
}
} // namespace
bool TRecordStore::Available() {
    return true;
}

QString TRecordStore::DefaultLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/records.sqlite");
}

TRecordStore::TRecordStore(const QString& location) {
    Connection = QStringLiteral("mrt9dx-store-%1").arg(++Connections);
    Location = location.isEmpty() ? DefaultLocation() : location;
    Shown = Location;
    const QUrl url(Location);
    Postgres = url.scheme() == QLatin1String("postgresql") || url.scheme() == QLatin1String("postgres");
    if (Postgres) Shown = url.toString(QUrl::RemovePassword);
}

TRecordStore::~TRecordStore() {
    if (!QSqlDatabase::contains(Connection)) return;
    QSqlDatabase::database(Connection, false).close();
    QSqlDatabase::removeDatabase(Connection);
}

bool TRecordStore::Open(QString* error, bool reading) {
    const QString driver = Postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!Postgres && Shown.contains(QStringLiteral("://"))) {
        *error = QStringLiteral("neither a SQLite file nor postgresql://user@host:port/database");
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QStringLiteral("Qt's %1 driver is not installed (Debian's %2)")
                     .arg(Postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"),
                          Postgres ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite"));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, Connection);
    if (Postgres) {
        const QUrl url(Location);
        const QString socketFolder = QUrlQuery(url).queryItemValue(QStringLiteral("host"));
        db.setHostName(socketFolder.isEmpty() ? url.host() : socketFolder);
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    } else {
        // A command that only reads makes no store where a name was mistyped.
        if (reading && !QFileInfo(Shown).isFile()) {
            *error = QStringLiteral("there is no such file");
            return false;
        }
        // The default folder is made on first use; a folder the person names must be there.
        if (Shown == DefaultLocation()) QDir().mkpath(QFileInfo(Shown).absolutePath());
        db.setDatabaseName(Shown);
        // Two benches that write at once wait for each other, not fail.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    }
    if (!db.open()) {
        *error = SqlError(db.lastError());
        return false;
    }
    // The server's notices ("already exists, skipping") are no business of the technician's.
    if (Postgres && !Exec(QStringLiteral("SET client_min_messages TO warning"), error)) return false;
    return CreateSchema(error);
}

bool TRecordStore::Exec(const QString& sql, QString* error) {
    QSqlQuery q(QSqlDatabase::database(Connection, false));
    if (q.exec(sql)) return true;
    *error = SqlError(q.lastError());
    return false;
}

// A transaction that writers take one at a time: SQLite's IMMEDIATE one takes
// the write lock at once, so that two benches never both read the same state.
bool TRecordStore::Begin(QString* error) {
    return Exec(Postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), error);
}

std::optional<int> TRecordStore::Version() {
    QSqlQuery q(QSqlDatabase::database(Connection, false));
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !q.next() ||
        q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toInt();
}

bool TRecordStore::CreateSchema(QString* error) {
    // A store whose schema is there is only read here: a bench whose account
    // may not create tables, or a file it may only read, works with it.
    if (const std::optional<int> version = Version()) {
        if (*version <= SchemaVersion) return true;
        *error = QStringLiteral("the store holds schema version %1, newer than this program's %2")
                     .arg(*version)
                     .arg(SchemaVersion);
        return false;
    }
    // PostgreSQL ends a transaction at its first failed statement: the failed
    // look above was outside one.
    if (!Begin(error)) return false;
    const QString id = Postgres ? QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                                : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    // Two PostgreSQL benches creating the tables at once would collide in the catalogue.
    const bool created =
        (!Postgres || Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(SchemaLock), error)) &&
        Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), error) &&
        Exec(QStringLiteral(
                 "CREATE TABLE IF NOT EXISTS runs (id %1, certificate_number TEXT NOT NULL UNIQUE, "
                 "unit_tag TEXT NOT NULL, customer TEXT, issued TEXT NOT NULL, interval_days INTEGER, "
                 "next_due TEXT, status TEXT NOT NULL, as_found_error DOUBLE PRECISION, "
                 "as_left_error DOUBLE PRECISION, record TEXT)")
                 .arg(id),
             error) &&
        Exec(QStringLiteral("CREATE INDEX IF NOT EXISTS runs_unit_tag ON runs (unit_tag)"), error);
    QSqlQuery q(QSqlDatabase::database(Connection, false));
    if (created && !q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")))
        *error = SqlError(q.lastError());
    else if (created && q.next() && !q.value(0).isNull() && q.value(0).toInt() > SchemaVersion)
        *error = QStringLiteral("the store holds schema version %1, newer than this program's %2")
                     .arg(q.value(0).toInt())
                     .arg(SchemaVersion);
    else if (created && q.value(0).isNull())
        Exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(SchemaVersion), error);
    q.finish();
    if (created && error->isEmpty() && Exec(QStringLiteral("COMMIT"), error)) return true;
    QString ignored;
    Exec(QStringLiteral("ROLLBACK"), &ignored);
    return false;
}

std::optional<QString> TRecordStore::Reserve(const QString& tag, const QString& customer, int intervalDays,
                                             const QString& number, QString* error) {
    if (!number.isEmpty() && IsStoreNumber(number)) {
        *error =
            QStringLiteral("%1 has the form of the store's own numbers: leave it to the store").arg(number);
        return std::nullopt;
    }
    if (!Begin(error)) return std::nullopt;
    const QDate today = QDateTime::currentDateTimeUtc().date();
    QSqlQuery q(QSqlDatabase::database(Connection, false));
    QString assigned = number;
    const auto fail = [&](const QString& why) -> std::optional<QString> {
        *error = why;
        q.finish();
        QString ignored;
        Exec(QStringLiteral("ROLLBACK"), &ignored);
        return std::nullopt;
    };
    if (!number.isEmpty()) {
        if (!RunQuery(q, QStringLiteral("SELECT COUNT(*) FROM runs WHERE certificate_number = ?"), {number},
                      error))
            return fail(*error);
        if (!q.next()) return fail(SqlError(q.lastError()));
        if (q.value(0).toInt() > 0)
            return fail(QStringLiteral("certificate number %1 is in the store already").arg(number));
    }
    // The row's number is the store's once the row is there.
    if (!RunQuery(
            q,
            QStringLiteral("INSERT INTO runs (certificate_number, unit_tag, customer, issued, interval_days, "
                           "status) VALUES (?, ?, ?, ?, ?, 'reserved') RETURNING id"),
            {number.isEmpty() ? QUuid::createUuid().toString() : number, tag, Nullable(customer),
             today.toString(Qt::ISODate),
             intervalDays ? QVariant(intervalDays) : QVariant(QMetaType::fromType<int>())},
            error))
        return fail(*error);
    if (!q.next()) return fail(SqlError(q.lastError()));
    const qint64 id = q.value(0).toLongLong();
    q.finish();
    if (number.isEmpty()) {
        assigned = StoreNumber(today, id);
        if (!RunQuery(q, QStringLiteral("UPDATE runs SET certificate_number = ? WHERE id = ?"),
                      {assigned, id}, error))
            return fail(*error);
    }
    if (!Exec(QStringLiteral("COMMIT"), error)) return fail(*error);
    return assigned;
}

bool TRecordStore::Keep(const QString& number, const std::optional<QJsonObject>& record, QString* error) {
    if (KeepOnce(number, record, error)) return true;
    // A calibration can wait at a prompt for long; a server may have closed the
    // idle connection meanwhile (a restart, a time-out): one new one is tried.
    QSqlDatabase db = QSqlDatabase::database(Connection, false);
    db.close();
    return db.open() && KeepOnce(number, record, error);
}

bool TRecordStore::KeepOnce(const QString& number, const std::optional<QJsonObject>& record, QString* error) {
    QSqlQuery q(QSqlDatabase::database(Connection, false));
    bool done = false;
    if (!record) {
        done = RunQuery(q, QStringLiteral("UPDATE runs SET status = 'void' WHERE certificate_number = ?"),
                        {number}, error);
    } else {
        const TStoredRun run = RunFromRecord(number, *record);
        done = RunQuery(
            q,
            QStringLiteral("UPDATE runs SET certificate_number = ?, status = ?, issued = ?, next_due = ?, "
                           "as_found_error = ?, as_left_error = ?, record = ? WHERE certificate_number = ?"),
            {run.Number, run.Status, run.Issued.toString(Qt::ISODate),
             Nullable(run.NextDue.toString(Qt::ISODate)), Nullable(run.AsFound), Nullable(run.AsLeft),
             run.Record, number},
            error);
    }
    if (!done) return false;
    if (q.numRowsAffected() == 1) return true;
    *error = QStringLiteral("certificate number %1 is not in the store").arg(number);
    return false;
}

std::optional<QList<TStoredRun>> TRecordStore::Runs(const QString& tag, QDate since, QDate until,
                                                    bool withVoid, QString* error) {
    QStringList where;
    QVariantList values;
    const auto add = [&](const char* condition, const QVariant& value) {
        where << QLatin1String(condition);
        values << value;
    };
    if (!tag.isEmpty()) add("unit_tag = ?", tag);
    if (since.isValid()) add("issued >= ?", since.toString(Qt::ISODate));
    if (until.isValid()) add("issued <= ?", until.toString(Qt::ISODate));
    if (!withVoid) where << QStringLiteral("status <> 'void' AND status <> 'reserved'");
    return Select(QStringLiteral("SELECT %1 FROM runs%2 ORDER BY id")
                      .arg(QLatin1String(RunColumns),
                           where.isEmpty() ? QString()
                                           : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "))),
                  values, error);
}

std::optional<TStoredRun> TRecordStore::Run(const QString& number, QString* error) {
    const std::optional<QList<TStoredRun>> runs = Select(
        QStringLiteral("SELECT %1 FROM runs WHERE certificate_number = ?").arg(QLatin1String(RunColumns)),
        {number}, error);
    if (!runs || runs->isEmpty()) return std::nullopt;
    return runs->first();
}

std::optional<QList<TStoredRun>> TRecordStore::Due(QDate until, QString* error) {
    return Select(
        QStringLiteral("SELECT %1 FROM runs r WHERE next_due <= ? AND id = (SELECT MAX(id) FROM runs s "
                       "WHERE s.unit_tag = r.unit_tag AND s.status = 'complete' AND s.next_due IS NOT NULL) "
                       "ORDER BY next_due, unit_tag")
            .arg(QLatin1String(RunColumns)),
        {until.toString(Qt::ISODate)}, error);
}

std::optional<QList<TStoredRun>> TRecordStore::Select(const QString& sql, const QVariantList& values,
                                                      QString* error) {
    QSqlQuery q(QSqlDatabase::database(Connection, false));
    if (!RunQuery(q, sql, values, error)) return std::nullopt;
    QList<TStoredRun> runs;
    while (q.next())
        runs << RunOf(q);
    return runs;
}
