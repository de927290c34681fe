#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

// A query's result as one text for comparisons: fields separated by blanks, Null as "NULL", rows by ", ".
inline QString sqlRows(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(sql, db);
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << (query.isNull(i) ? QStringLiteral("NULL") : query.value(i).toString());
        rows << fields.join(QLatin1Char(' '));
    }
    return rows.join(QStringLiteral(", "));
}
