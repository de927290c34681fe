#include "link/comconfig.h"

#include "store/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace ComConfig {

namespace {

Entry fromRow(const QSqlRecord &row) {
    Entry e;
    e.ID = row.value(QStringLiteral("ID")).toInt();
    e.ConfName = row.value(QStringLiteral("ConfName")).toString();
    e.aktiv = row.value(QStringLiteral("aktiv")).toInt() != 0;
    e.Com = row.value(QStringLiteral("Com")).toInt();
    e.Baudrate = row.value(QStringLiteral("Baudrate")).toInt();
    e.Parity = row.value(QStringLiteral("Parity")).toInt();
    e.DataBits = row.value(QStringLiteral("DataBits")).toInt();
    e.StopBits = row.value(QStringLiteral("StopBits")).toInt();
    e.HShake = row.value(QStringLiteral("HShake")).toInt();
    e.DTR = row.value(QStringLiteral("DTR")).toInt();
    e.rts = row.value(QStringLiteral("rts")).toInt();
    return e;
}

QList<Entry> select(const QSqlDatabase &db, const QString &sql, std::optional<RunError> *error) {
    *error = std::nullopt;
    QList<Entry> entries;
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        *error = Store::fromSqlError(query.lastError());
        return entries;
    }
    while (query.next())
        entries << fromRow(query.record());
    return entries;
}

} // namespace

QList<Entry> readAll(const QSqlDatabase &db, std::optional<RunError> *error) {
    return select(db, QStringLiteral("SELECT * FROM tblConfigCOM"), error);
}

std::optional<Entry> activeEntry(const QList<Entry> &entries) {
    if (entries.isEmpty())
        return defaults();
    std::optional<Entry> active;
    for (const Entry &entry : entries) {
        if (entry.aktiv)
            active = entry;
    }
    return active;
}

std::optional<Entry> readOne(const QSqlDatabase &db, qint32 id, std::optional<RunError> *error) {
    const QList<Entry> entries =
        select(db, QStringLiteral("SELECT * FROM tblConfigCOM WHERE ID = %1").arg(id), error);
    if (entries.isEmpty())
        return std::nullopt;
    return entries.first();
}

std::optional<RunError> saveActive(const QSqlDatabase &db, const Entry &entry) {
    // A refused row (an empty name) must not leave the table without an active configuration.
    return Store::inTransaction(db, [&](QSqlQuery &query) {
        if (!query.exec(QStringLiteral("UPDATE tblConfigCOM SET aktiv = 0")))
            return false;
        if (entry.ID == 0) {
            query.prepare(QStringLiteral(
                "INSERT INTO tblConfigCOM (ConfName, Com, Baudrate, Parity, DataBits, StopBits, "
                "HShake, DTR, rts, aktiv) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"));
            query.addBindValue(entry.ConfName);
        } else {
            query.prepare(
                QStringLiteral("UPDATE tblConfigCOM SET Com = ?, Baudrate = ?, Parity = ?, DataBits = ?, "
                               "StopBits = ?, HShake = ?, DTR = ?, rts = ?, aktiv = 1 WHERE ID = ?"));
        }
        for (int value : {entry.Com, entry.Baudrate, entry.Parity, entry.DataBits, entry.StopBits,
                          entry.HShake, entry.DTR, entry.rts})
            query.addBindValue(value);
        if (entry.ID != 0)
            query.addBindValue(entry.ID);
        return query.exec();
    });
}

} // namespace ComConfig
