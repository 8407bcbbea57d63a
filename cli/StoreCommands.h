#pragma once
// The companion's commands on the store of calibration records: records, due
// and history. They need no port and send nothing to a unit.
#include <QString>
#include <QStringList>
#include <functional>

bool IsStoreCommand(const QString& name);
// The help of a store command.
QString StoreCommandHelp(const QString& name);

struct TStoreCommand {
    QString Name;
    QStringList Arguments; // after the command's name
    bool Json = false;
    QString FallbackStore; // where the store is when neither --store nor MRT9DX_STORE names one
    std::function<void(const QString&)> Out;
    // A failure: the message, and its kind for --json ("usage" or "store").
    QString Error, Kind;
};

// Runs the command; false with Error and Kind set when it failed.
bool RunStoreCommand(TStoreCommand& command);
