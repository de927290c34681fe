#include "eval/measurements.h"

#include "store/database.h"
#include "store/fields.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <array>

namespace {

constexpr int lastChannel = 60;

using RowValues = std::array<QVariant, lastChannel + 1>;

// One statement for every row: all channel fields are bound, the ones without a value as Null.
QString makeInsertStatement() {
    QStringList columns{QStringLiteral("Provider"), QStringLiteral("Konfiguration"), QStringLiteral("was"),
                        QStringLiteral("MeasTime")};
    for (int channel = 1; channel <= lastChannel; ++channel)
        columns.append(QStringLiteral("Kanal%1").arg(channel));
    const QStringList placeholders(columns.size(), QStringLiteral("?"));
    return QStringLiteral("INSERT INTO tblMesswerte (%1) VALUES (%2)")
        .arg(columns.join(QStringLiteral(", ")), placeholders.join(QStringLiteral(", ")));
}

const QString &insertStatement() {
    static const QString statement = makeInsertStatement();
    return statement;
}

bool insertRow(QSqlQuery &query, qint32 provider, qint32 config, int kind, const QVariant &time,
               const RowValues &values) {
    query.bindValue(0, provider);
    query.bindValue(1, config);
    query.bindValue(2, kind);
    query.bindValue(3, time);
    for (int channel = 1; channel <= lastChannel; ++channel)
        query.bindValue(3 + channel, values[channel]);
    return query.exec();
}

bool anyAverageChannel(const HeaderCodes &headerCodes) {
    for (int channel = 1; channel <= lastChannel; ++channel) {
        if (headerCodes[channel] != 0)
            return true;
    }
    return false;
}

// The rows of kinds 2, 3 and 4 of one record, on a query prepared with the insert statement.
bool insertAverage(QSqlQuery &query, const AverageRecord &record) {
    const QVariant time = Fields::dateValue(record.recordTime);
    for (int k = 1; k <= 3; ++k) {
        RowValues row;
        for (int channel = 1; channel <= lastChannel; ++channel) {
            if (record.headerCodes[channel] != 0)
                row[channel] = record.values[channel][k];
        }
        if (!insertRow(query, record.provider, record.config, MeasKind::firstAverage + k - 1, time, row))
            return false;
    }
    return true;
}

} // namespace

std::optional<RunError> storeInstantRow(const QSqlDatabase &db, qint32 provider, qint32 config,
                                        const QDateTime &time, const InstCodes &codes,
                                        const InstValues &values) {
    RowValues row;
    for (int channel = 1; channel <= lastChannel; ++channel) {
        if (codes[channel].size() == 2)
            row[channel] = values[channel];
    }
    QSqlQuery query(db);
    if (!query.prepare(insertStatement()) ||
        !insertRow(query, provider, config, MeasKind::instant, Fields::dateValue(time), row))
        return Store::fromSqlError(query.lastError());
    return std::nullopt;
}

std::optional<RunError> storeAverageRows(const QSqlDatabase &db, const AverageRecord &record) {
    // Without a configured channel every row would be empty: none is written.
    if (!anyAverageChannel(record.headerCodes))
        return std::nullopt;
    return Store::inTransaction(db, [&](QSqlQuery &query) {
        return query.prepare(insertStatement()) && insertAverage(query, record);
    });
}

std::optional<RunError> storeAverageRecords(const QSqlDatabase &db, const QList<AverageRecord> &records,
                                            int *written) {
    int count = 0;
    // One query for both statements, so that a failure of either is the one reported. The batch is rare
    // (records kept while the database took none), so preparing per record costs nothing that matters.
    const auto error = Store::inTransaction(db, [&](QSqlQuery &query) {
        for (const AverageRecord &r : records) {
            if (!anyAverageChannel(r.headerCodes))
                continue;
            if (!query.prepare(QStringLiteral("SELECT count(*) FROM tblMesswerte WHERE Provider = ? AND "
                                              "Konfiguration = ? AND was BETWEEN 2 AND 4 AND MeasTime = ?")))
                return false;
            query.addBindValue(r.provider);
            query.addBindValue(r.config);
            query.addBindValue(Fields::dateValue(r.recordTime));
            if (!query.exec() || !query.next())
                return false;
            const bool there = query.value(0).toInt() > 0;
            query.finish();
            if (there)
                continue;
            if (!query.prepare(insertStatement()) || !insertAverage(query, r))
                return false;
            ++count;
        }
        return true;
    });
    if (written)
        *written = error ? 0 : count;
    return error;
}
