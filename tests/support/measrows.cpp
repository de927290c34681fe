#include "measrows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cmath>

bool insertAverageRecords(const QSqlDatabase &db, qint32 provider, qint32 config, const QStringList &times,
                          const QList<int> &channels,
                          const std::function<double(int channel, int k, int record)> &value) {
    QSqlDatabase handle = db;
    QStringList columns{"Provider", "Konfiguration", "was", "MeasTime"};
    for (int channel : channels)
        columns << QStringLiteral("Kanal%1").arg(channel);
    QSqlQuery query(handle);
    if (!handle.transaction() ||
        !query.prepare(QStringLiteral("INSERT INTO tblMesswerte (%1) VALUES (%2)")
                           .arg(columns.join(", "), QStringList(columns.size(), "?").join(", "))))
        return false;
    for (int record = 0; record < times.size(); ++record) {
        for (int k = 1; k <= 3; ++k) {
            query.bindValue(0, provider);
            query.bindValue(1, config);
            query.bindValue(2, 1 + k);
            query.bindValue(3, times[record]);
            for (int i = 0; i < channels.size(); ++i) {
                const double v = value(channels[i], k, record);
                query.bindValue(4 + i, std::isnan(v) ? QVariant() : QVariant(v));
            }
            if (!query.exec()) {
                qWarning("%s", qPrintable(query.lastError().text()));
                handle.rollback();
                return false;
            }
        }
    }
    return handle.commit();
}

QStringList recordTimes(const QDateTime &from, int stepMinutes, int count) {
    QStringList times;
    for (int i = 0; i < count; ++i)
        times << from.addSecs(qint64(i) * stepMinutes * 60).toString("yyyy-MM-dd HH:mm:ss");
    return times;
}
