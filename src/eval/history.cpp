#include "eval/history.h"

#include "eval/channeltable.h"
#include "store/database.h"
#include "store/fields.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace History {

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();
constexpr int lastChannel = 60;
constexpr qint64 msecsPerMinute = 60000;

double number(const QSqlQuery &query, int index) {
    const QVariant value = query.value(index);
    return value.isNull() ? none : value.toDouble();
}

// A time's reading, rounded up to the next whole minute: the first slot that lies wholly at or after it.
Reading readingAtOrAfter(const QDateTime &t) {
    const int rest = t.time().msecsSinceStartOfDay() % msecsPerMinute;
    return readingOf(t) + (rest > 0 ? 1 : 0);
}

// Calls `column` with the valid samples of each pixel column, in order, and whether the column begins a new
// run of the line: after a Null or a distance beyond maxDistance, when a whole column lies in between.
template <typename Valid, typename Column>
void forEachColumn(const Sample *begin, const Sample *end, qint64 from, double msecsPerPixel,
                   qint64 maxDistance, Valid valid, Column column) {
    QVector<const Sample *> inColumn;
    qint64 current = 0;
    qint64 lastTime = 0;
    bool newRun = true;
    bool broken = false;
    for (const Sample *s = begin; s != end; ++s) {
        if (!valid(*s)) {
            broken = true;
            continue;
        }
        const auto col = static_cast<qint64>(std::floor(double(s->msecs - from) / msecsPerPixel));
        if (!inColumn.isEmpty() && col != current) {
            column(inColumn, newRun);
            inColumn.clear();
            newRun = (broken || s->msecs - lastTime > maxDistance) && col > current + 1;
        }
        broken = false;
        current = col;
        lastTime = s->msecs;
        inColumn.append(s);
    }
    if (!inColumn.isEmpty())
        column(inColumn, newRun);
}

} // namespace

bool runQuery(QSqlQuery &query, const QString &sql, const QVariantList &values,
              std::optional<RunError> *error) {
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (int i = 0; ok && i < values.size(); ++i)
        query.bindValue(i, values[i]);
    ok = ok && query.exec();
    if (!ok && error)
        *error = Store::fromSqlError(query.lastError());
    return ok;
}

QList<Channel> channels(const QSqlDatabase &db, qint32 provider, qint32 config,
                        std::optional<RunError> *error) {
    if (error)
        error->reset();
    QList<Channel> result;
    QSqlQuery query(db);
    // The first catalogue row of a code, as the channel table takes it.
    const QString sql = QStringLiteral(
        "SELECT k.KanalNr, k.Sensor, s.Beschreibung, e.Einheit FROM tblKanal AS k "
        "LEFT JOIN tblSensorcodes AS s ON s.rowid = (SELECT MIN(rowid) FROM tblSensorcodes WHERE Sensor = "
        "k.Sensor) "
        "LEFT JOIN tblEinheiten AS e ON e.Id = k.EinheitID "
        "WHERE k.ProviderID = ? AND k.ConfigID = ? AND k.KanalNr BETWEEN 1 AND 60 ORDER BY k.KanalNr");
    if (!runQuery(query, sql, {provider, config}, error))
        return result;
    while (query.next()) {
        Channel channel{query.value(0).toInt(), query.value(2).toString(), query.value(3).toString()};
        if (query.isNull(2))
            channel.name = QStringLiteral("Sensor 0x%1 (unbekannt)")
                               .arg(sensorCodeText(quint8(query.value(1).toUInt())));
        result.append(channel);
    }
    return result;
}

Rows read(const QSqlDatabase &db, qint32 provider, qint32 config, const QList<int> &channels,
          const QDateTime &from, const QDateTime &to, std::optional<RunError> *error) {
    if (error)
        error->reset();
    Rows rows;
    for (int channel : channels) {
        if (channel < 1 || channel > lastChannel) {
            if (error)
                *error = RunError::subscriptOutOfRange();
            return rows;
        }
    }
    rows.channels = QList<ChannelRows>(channels.size());
    const QVariantList range{provider, config, Fields::dateValue(from), Fields::dateValue(to)};
    const QString where = QStringLiteral(" WHERE a.Provider = ? AND a.Konfiguration = ? AND a.was = %1 AND "
                                         "a.MeasTime >= ? AND a.MeasTime < ? ORDER BY a.MeasTime");
    LocalClock clock;

    // The three rows of an average record are written one after the other in one transaction: the second
    // and third value follow the mean by ID.
    QStringList columns{QStringLiteral("a.MeasTime")};
    for (int channel : channels)
        columns << QStringLiteral("a.Kanal%1, b.Kanal%1, c.Kanal%1").arg(channel);
    QString sql = QStringLiteral("SELECT %1 FROM tblMesswerte AS a").arg(columns.join(QStringLiteral(", ")));
    if (!channels.isEmpty())
        sql += QStringLiteral(
            " LEFT JOIN tblMesswerte AS b ON b.ID = a.ID + 1 AND b.was = 3 AND b.MeasTime = a.MeasTime"
            " LEFT JOIN tblMesswerte AS c ON c.ID = a.ID + 2 AND c.was = 4 AND c.MeasTime = a.MeasTime");
    QSqlQuery query(db);
    if (!runQuery(query, sql + where.arg(2), range, error))
        return rows;
    while (query.next()) {
        const auto wall = parseStoredTime(query.value(0).toString());
        if (!wall)
            continue;
        rows.records.append(wall->reading());
        const qint64 t = clock.msecs(wall->date, wall->msecsOfDay);
        for (int i = 0; i < channels.size(); ++i) {
            const double mean = number(query, 1 + 3 * i);
            const double second = number(query, 2 + 3 * i);
            const double third = number(query, 3 + 3 * i);
            double low = std::min(second, third);
            double high = std::max(second, third);
            if (!(low <= mean && mean <= high))
                low = high = none;
            rows.channels[i].averages.append({t, mean, low, high});
        }
    }
    if (channels.isEmpty())
        return rows;

    columns = QStringList{QStringLiteral("a.MeasTime")};
    for (int channel : channels)
        columns << QStringLiteral("a.Kanal%1").arg(channel);
    sql = QStringLiteral("SELECT %1 FROM tblMesswerte AS a").arg(columns.join(QStringLiteral(", ")));
    if (!runQuery(query, sql + where.arg(1), range, error))
        return rows;
    while (query.next()) {
        const auto wall = parseStoredTime(query.value(0).toString());
        if (!wall)
            continue;
        const qint64 t = clock.msecs(wall->date, wall->msecsOfDay);
        for (int i = 0; i < channels.size(); ++i)
            rows.channels[i].instants.append({t, number(query, 1 + i), none, none});
    }
    return rows;
}

Reading slotEnd(Reading slot, int stepMinutes) {
    return std::min(slot + stepMinutes, (slot / minutesPerDay + 1) * minutesPerDay);
}

QList<Gap> findGaps(const QVector<Reading> &records, Reading from, Reading to, int stepMinutes) {
    QList<Gap> gaps;
    if (stepMinutes <= 0 || from >= to)
        return gaps;
    LocalClock clock;
    auto record = records.cbegin();
    bool inGap = false;
    for (Reading day = from / minutesPerDay * minutesPerDay; day < to; day += minutesPerDay) {
        for (int minute = 0; minute < minutesPerDay; minute += stepMinutes) {
            const Reading slot = day + minute;
            if (slot < from)
                continue;
            if (slot >= to)
                break;
            const Reading next = slotEnd(slot, stepMinutes);
            while (record != records.cend() && *record < slot)
                ++record;
            if (record != records.cend() && *record < next) {
                inGap = false;
            } else if (clock.exists(slot)) {
                if (inGap) {
                    gaps.last().last = slot;
                    ++gaps.last().missing;
                } else {
                    gaps.append({slot, slot, 1});
                    inGap = true;
                }
            }
        }
    }
    return gaps;
}

QList<Gap> storedGaps(const QSqlDatabase &db, qint32 provider, qint32 config, int stepMinutes,
                      const QVector<Reading> &records, const QDateTime &from, const QDateTime &to,
                      const QDateTime &now, std::optional<RunError> *error) {
    if (error)
        error->reset();
    if (stepMinutes <= 0)
        return {};
    QSqlQuery query(db);
    if (!runQuery(query,
                  QStringLiteral("SELECT MIN(MeasTime) FROM tblMesswerte WHERE Provider = ? AND "
                                 "Konfiguration = ? AND was = 2"),
                  {provider, config}, error) ||
        !query.next() || query.isNull(0))
        return {};
    const auto first = parseStoredTime(query.value(0).toString());
    if (!first)
        return {};
    const Reading firstSlot = first->reading() - minuteOf(first->reading()) % stepMinutes;
    const Reading start = std::max(readingAtOrAfter(from), firstSlot);
    const Reading end = std::min(readingAtOrAfter(to), readingOf(now) - 2 * stepMinutes + 1);
    return findGaps(records, start, end, stepMinutes);
}

int missingRecords(const QSqlDatabase &db, qint32 provider, qint32 config, int stepMinutes,
                   const QDateTime &now, int days, std::optional<RunError> *error) {
    const QDateTime from = now.addDays(-days);
    const Rows rows = read(db, provider, config, {}, from, now, error);
    if (error && *error)
        return 0;
    int missing = 0;
    for (const Gap &gap : storedGaps(db, provider, config, stepMinutes, rows.records, from, now, now, error))
        missing += gap.missing;
    return missing;
}

Plot decimate(const QVector<Sample> &samples, qint64 from, qint64 to, int width, qint64 maxDistance) {
    Plot plot{{}, {}, none, none};
    if (width < 1 || to <= from || samples.isEmpty())
        return plot;
    const auto before = [](const Sample &s, qint64 t) { return s.msecs < t; };
    const Sample *first = samples.constData();
    const Sample *last = first + samples.size();
    const Sample *begin = std::lower_bound(first, last, from, before);
    const Sample *end = std::lower_bound(begin, last, to + 1, before);
    if (begin != first)
        --begin;
    if (end != last)
        ++end;
    const double msecsPerPixel = double(to - from) / width;
    const auto extend = [&plot](double y) {
        plot.minY = std::isnan(plot.minY) ? y : std::min(plot.minY, y);
        plot.maxY = std::isnan(plot.maxY) ? y : std::max(plot.maxY, y);
    };

    forEachColumn(
        begin, end, from, msecsPerPixel, maxDistance, [](const Sample &s) { return !std::isnan(s.value); },
        [&](const QVector<const Sample *> &column, bool newRun) {
            const auto [low, high] =
                std::minmax_element(column.cbegin(), column.cend(),
                                    [](const Sample *a, const Sample *b) { return a->value < b->value; });
            if (newRun)
                plot.lines.append(QVector<QPointF>());
            QVector<QPointF> &line = plot.lines.last();
            for (const Sample *s : low < high ? std::array{*low, *high} : std::array{*high, *low}) {
                if (line.isEmpty() || line.last() != QPointF(double(s->msecs), s->value))
                    line.append(QPointF(double(s->msecs), s->value));
            }
            extend((*low)->value);
            extend((*high)->value);
        });
    forEachColumn(
        begin, end, from, msecsPerPixel, maxDistance,
        [](const Sample &s) { return !std::isnan(s.low) && !std::isnan(s.high); },
        [&](const QVector<const Sample *> &column, bool newRun) {
            double low = column.first()->low;
            double high = column.first()->high;
            for (const Sample *s : column) {
                low = std::min(low, s->low);
                high = std::max(high, s->high);
            }
            if (newRun)
                plot.bands.append(Band());
            Band &band = plot.bands.last();
            for (const Sample *s : {column.first(), column.last()}) {
                if (!band.upper.isEmpty() && band.upper.last().x() == double(s->msecs))
                    continue;
                band.upper.append(QPointF(double(s->msecs), high));
                band.lower.append(QPointF(double(s->msecs), low));
            }
            extend(low);
            extend(high);
        });
    return plot;
}

} // namespace History
