#include "store/station.h"

#include "store/database.h"
#include "store/fields.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace Station {

namespace {

QString pairCondition(qint32 provider, qint32 config) {
    return QStringLiteral(" WHERE ProviderID = %1 AND ConfigID = %2").arg(provider).arg(config);
}

} // namespace

std::optional<TempRow> readTemp(const QSqlDatabase &db, qint32 provider, qint32 config,
                                std::optional<RunError> *error) {
    *error = std::nullopt;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM tblTemp") + pairCondition(provider, config))) {
        *error = Store::fromSqlError(query.lastError());
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    const QSqlRecord row = query.record();
    TempRow temp;
    const QVariant configured = row.value(QStringLiteral("Configured"));
    temp.firstStart = !configured.isNull() && configured.toInt() == 0;
    if (auto e = Fields::readDate(row, QStringLiteral("LastAccessTime"), temp.LastAccessTime))
        *error = e;
    return temp;
}

std::optional<RunError> setConfigured(const QSqlDatabase &db, qint32 provider, qint32 config) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("UPDATE tblTemp SET Configured = 1") + pairCondition(provider, config)))
        return Store::fromSqlError(query.lastError());
    return std::nullopt;
}

std::optional<RunError> storeLastAccess(const QSqlDatabase &db, qint32 provider, qint32 config,
                                        const QDateTime &lastAccess) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT rowid FROM tblTemp") + pairCondition(provider, config)))
        return Store::fromSqlError(query.lastError());
    const bool exists = query.next();
    query.finish();
    if (exists) {
        query.prepare(QStringLiteral("UPDATE tblTemp SET LastAccessTime = ?") +
                      pairCondition(provider, config));
        query.addBindValue(Fields::dateValue(lastAccess));
    } else {
        query.prepare(
            QStringLiteral("INSERT INTO tblTemp (ProviderID, ConfigID, LastAccessTime) VALUES (?, ?, ?)"));
        query.addBindValue(provider);
        query.addBindValue(config);
        query.addBindValue(Fields::dateValue(lastAccess));
    }
    if (!query.exec())
        return Store::fromSqlError(query.lastError());
    return std::nullopt;
}

std::optional<Identity> readIdentity(const QSqlDatabase &db, qint32 provider, qint32 config,
                                     std::optional<RunError> *error) {
    *error = std::nullopt;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM qryConfigure WHERE KonfigNr = %1 AND ProviderID = %2")
                        .arg(config)
                        .arg(provider))) {
        *error = Store::fromSqlError(query.lastError());
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    const QSqlRecord row = query.record();
    Identity identity;
    for (auto [name, target] : {std::pair{"StationsNr", &identity.StationsNr},
                                {"Beschreibung", &identity.Beschreibung},
                                {"Name", &identity.Name},
                                {"Hersteller", &identity.Hersteller}}) {
        if (auto e = Fields::readText(row, QLatin1String(name), *target)) {
            *error = e;
            return std::nullopt;
        }
    }
    return identity;
}

} // namespace Station
