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

std::optional<RunError> storeAverageRows(const QSqlDatabase &db, qint32 provider, qint32 config,
                                         const QDateTime &recordTime, const HeaderCodes &headerCodes,
                                         const AverageValues &avgValues) {
    bool anyChannel = false;
    for (int channel = 1; channel <= lastChannel; ++channel)
        anyChannel = anyChannel || headerCodes[channel] != 0;
    // Without a configured channel every row would be empty: none is written.
    if (!anyChannel)
        return std::nullopt;

    return Store::inTransaction(db, [&](QSqlQuery &query) {
        if (!query.prepare(insertStatement()))
            return false;
        const QVariant time = Fields::dateValue(recordTime);
        for (int k = 1; k <= 3; ++k) {
            RowValues row;
            for (int channel = 1; channel <= lastChannel; ++channel) {
                if (headerCodes[channel] != 0)
                    row[channel] = avgValues[channel][k];
            }
            if (!insertRow(query, provider, config, MeasKind::firstAverage + k - 1, time, row))
                return false;
        }
        return true;
    });
}
