#include "config/stationstore.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/sysconf.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace StationStore {

QString loggerText(const Logger &logger) {
    return logger.Name + QStringLiteral("  /  ") + logger.Hersteller;
}

QList<Logger> readLoggers(const QSqlDatabase &db, std::optional<RunError> *error) {
    *error = std::nullopt;
    QList<Logger> loggers;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM tblProvider"))) {
        *error = Store::fromSqlError(query.lastError());
        return loggers;
    }
    while (query.next()) {
        const QSqlRecord row = query.record();
        Logger logger;
        std::optional<RunError> rowError = Fields::readLong(row, QStringLiteral("Id"), logger.Id);
        if (!rowError)
            rowError = Fields::readText(row, QStringLiteral("Name"), logger.Name);
        if (!rowError)
            rowError = Fields::readText(row, QStringLiteral("Hersteller"), logger.Hersteller);
        if (rowError)
            *error = rowError;
        else
            loggers << logger;
    }
    return loggers;
}

ConfigList readConfigurations(const QSqlDatabase &db, qint32 provider, std::optional<RunError> *error) {
    *error = std::nullopt;
    ConfigList list;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT * FROM tblConfiguration WHERE ProviderID = ?"));
    query.addBindValue(provider);
    if (!query.exec()) {
        *error = Store::fromSqlError(query.lastError());
        return list;
    }
    while (query.next()) {
        const QSqlRecord row = query.record();
        qint32 number = 0;
        QString name;
        QString station;
        std::optional<RunError> rowError = Fields::readLong(row, QStringLiteral("KonfigNr"), number);
        if (!rowError)
            rowError = Fields::readText(row, QStringLiteral("Beschreibung"), name);
        if (!rowError)
            rowError = Fields::readText(row, QStringLiteral("StationsNr"), station);
        if (!rowError && !list.take(number, name, station)) {
            rowError = RunError::subscriptOutOfRange();
            rowError->text += QStringLiteral(" (KonfigNr %1)").arg(number);
        }
        if (rowError)
            *error = rowError;
    }
    return list;
}

namespace {

// Stores every configuration of the list under the logger's Id, keyed by its number: an existing row is
// edited, a missing one added. Rows of other loggers and numbers without a configuration are not touched.
bool writeConfigurations(QSqlQuery &query, qint32 provider, const ConfigList &list) {
    for (qint32 number : list.configured()) {
        query.prepare(
            QStringLiteral("SELECT rowid FROM tblConfiguration WHERE ProviderID = ? AND KonfigNr = ?"));
        query.addBindValue(provider);
        query.addBindValue(number);
        if (!query.exec())
            return false;
        const QVariant rowid = query.next() ? query.value(0) : QVariant();
        if (rowid.isValid()) {
            query.prepare(QStringLiteral(
                "UPDATE tblConfiguration SET Beschreibung = ?, StationsNr = ? WHERE rowid = ?"));
            query.addBindValue(list.name(number));
            query.addBindValue(list.station(number));
            query.addBindValue(rowid);
        } else {
            query.prepare(QStringLiteral("INSERT INTO tblConfiguration (ProviderID, KonfigNr, Beschreibung, "
                                         "StationsNr) VALUES (?, ?, ?, ?)"));
            query.addBindValue(provider);
            query.addBindValue(number);
            query.addBindValue(list.name(number));
            query.addBindValue(list.station(number));
        }
        if (!query.exec())
            return false;
    }
    return true;
}

} // namespace

std::optional<RunError> saveChoice(const QSqlDatabase &db, const QMap<qint32, ConfigList> &lists,
                                   qint32 provider, qint32 konfiguration) {
    std::optional<RunError> settingsError;
    const std::optional<RunError> error = Store::inTransaction(db, [&](QSqlQuery &query) {
        for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
            if (!writeConfigurations(query, it.key(), it.value()))
                return false;
        }
        SysConfRecord choice;
        choice.Provider = provider;
        choice.Konfiguration = konfiguration;
        settingsError = saveSysConf(db, choice, {QStringLiteral("Provider"), QStringLiteral("Konfiguration")},
                                    defaultMomInter, true);
        return !settingsError;
    });
    return settingsError ? settingsError : error;
}

} // namespace StationStore
