#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// Start-up and fetch state of one logger and configuration (tblTemp) and the identity of the station.
namespace Station {

struct TempRow {
    // Null counts as done: only an explicit "not yet" shows the first-start hint.
    bool firstStart = false;
    QDateTime LastAccessTime;
};

// The row of tblTemp for the pair, or nothing when the table has none.
std::optional<TempRow> readTemp(const QSqlDatabase &db, qint32 provider, qint32 config,
                                std::optional<RunError> *error);

// Marks the first start of the pair as done (only when its row exists).
std::optional<RunError> setConfigured(const QSqlDatabase &db, qint32 provider, qint32 config);

// Stores the time of the last fetch, adding the row for the pair when there is none.
std::optional<RunError> storeLastAccess(const QSqlDatabase &db, qint32 provider, qint32 config,
                                        const QDateTime &lastAccess);

struct Identity {
    QString StationsNr;
    QString Beschreibung;
    QString Name;
    QString Hersteller;
};

std::optional<Identity> readIdentity(const QSqlDatabase &db, qint32 provider, qint32 config,
                                     std::optional<RunError> *error);

} // namespace Station
