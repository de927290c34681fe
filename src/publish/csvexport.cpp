#include "publish/csvexport.h"

#include "eval/history.h"
#include "eval/localclock.h"
#include "store/database.h"
#include "store/fields.h"

#include <QIODevice>
#include <QLocale>
#include <QSqlError>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace {

QString csvField(const QString &text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// "2026-12-05T16:10:00+01:00"; a text of another form is written as stored.
QString isoTime(const QString &stored, LocalClock &clock) {
    const auto wall = parseStoredTime(stored);
    if (!wall)
        return stored;
    const int offset = clock.offsetSeconds(wall->date, wall->msecsOfDay);
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1T%2%3%4:%5")
        .arg(stored.left(10), stored.mid(11), offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool writeLine(QIODevice &out, const QStringList &fields) {
    const QByteArray bytes = fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    return out.write(bytes) == bytes.size();
}

RunError writeError(const QIODevice &out) {
    return RunError::deviceIo(QStringLiteral("Fehler beim Schreiben der CSV-Datei: ") + out.errorString());
}

} // namespace

QString csvChannelTitle(int number, const QString &name, const QString &unit) {
    QString title = QStringLiteral("Kanal %1: %2").arg(number).arg(name);
    if (!unit.isEmpty())
        title += QStringLiteral(" [%1]").arg(unit);
    return title;
}

std::optional<RunError> writeCsv(const QSqlDatabase &db, const CsvRequest &request, QIODevice &out,
                                 int *records) {
    std::optional<RunError> error;
    const QList<History::Channel> known = History::channels(db, request.provider, request.config, &error);
    if (error)
        return error;
    QStringList header{QStringLiteral("Zeit")};
    QStringList columns{QStringLiteral("MeasTime")};
    for (int number : request.channels) {
        const auto channel = std::find_if(known.cbegin(), known.cend(),
                                          [number](const History::Channel &c) { return c.number == number; });
        if (channel == known.cend())
            return RunError{RunError::subscriptOutOfRange().number,
                            QStringLiteral("Kanal %1 ist in der Kanaltabelle nicht enthalten.").arg(number)};
        header << csvField(csvChannelTitle(number, channel->name, channel->unit));
        columns << QStringLiteral("Kanal%1").arg(number);
    }
    if (!writeLine(out, header))
        return writeError(out);

    QSqlQuery query(db);
    const QString sql =
        QStringLiteral("SELECT %1 FROM tblMesswerte WHERE Provider = ? AND Konfiguration = ? AND "
                       "was = 2 AND MeasTime >= ? AND MeasTime < ? ORDER BY MeasTime, ID")
            .arg(columns.join(QStringLiteral(", ")));
    if (!History::runQuery(query, sql,
                           {request.provider, request.config, Fields::dateValue(request.from),
                            Fields::dateValue(request.to)},
                           &error))
        return error;
    LocalClock clock;
    int written = 0;
    while (query.next()) {
        QStringList fields{isoTime(query.value(0).toString(), clock)};
        for (int i = 1; i < columns.size(); ++i)
            fields << (query.isNull(i)
                           ? QString()
                           : QString::number(query.value(i).toDouble(), 'f', QLocale::FloatingPointShortest));
        if (!writeLine(out, fields))
            return writeError(out);
        ++written;
    }
    if (query.lastError().isValid())
        return Store::fromSqlError(query.lastError());
    if (records)
        *records = written;
    return std::nullopt;
}
