// The store in a build without Qt SQL: there is none, and every use says so.
#include "RecordStore.h"

namespace {
const QString NoStore =
    QStringLiteral("this build of mrt9dx-cli keeps no store of records (it has no Qt SQL)");
}

bool TRecordStore::Available() {
    return false;
}

QString TRecordStore::DefaultLocation() {
    return QString();
}

TRecordStore::TRecordStore(const QString& location) : Location(location), Shown(location) {}

TRecordStore::~TRecordStore() = default;

bool TRecordStore::Open(QString* error, bool) {
    *error = NoStore;
    return false;
}

std::optional<QString> TRecordStore::Reserve(const QString&, const QString&, int, const QString&,
                                             QString* error) {
    *error = NoStore;
    return std::nullopt;
}

bool TRecordStore::Keep(const QString&, const std::optional<QJsonObject>&, QString* error) {
    *error = NoStore;
    return false;
}

std::optional<QList<TStoredRun>> TRecordStore::Runs(const QString&, QDate, QDate, bool, QString* error) {
    *error = NoStore;
    return std::nullopt;
}

std::optional<TStoredRun> TRecordStore::Run(const QString&, QString* error) {
    *error = NoStore;
    return std::nullopt;
}

std::optional<QList<TStoredRun>> TRecordStore::Due(QDate, QString* error) {
    *error = NoStore;
    return std::nullopt;
}
