#pragma once

#include "eval/localclock.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVector>

#include <optional>

// The stored values of tblMesswerte read back for plots, the gap monitor and the export.
namespace History {

// Prepares sql, binds the values in order and runs it forward only; false (and error set) on a failure.
bool runQuery(QSqlQuery &query, const QString &sql, const QVariantList &values,
              std::optional<RunError> *error);

// A channel of the current channel table, named as the panel names it.
struct Channel {
    int number = 0;
    QString name;
    QString unit;
};

// The channels of tblKanal for the logger and configuration, by number, with their long names from
// tblSensorcodes and units from tblEinheiten ("Sensor 0x1B (unbekannt)" and no unit where the catalogue
// lacks the code).
QList<Channel> channels(const QSqlDatabase &db, qint32 provider, qint32 config,
                        std::optional<RunError> *error);

// One stored value: its instant, the value (NaN for Null) and, for averages, the band of the record's second
// and third value (NaN where the record has none: a Null, or values that do not enclose the mean, as in a
// record of one value per channel, which stores 0 for them).
struct Sample {
    qint64 msecs = 0;
    double value = 0;
    double low = 0;
    double high = 0;
};

struct ChannelRows {
    QVector<Sample> averages; // kind 2 with the band from kinds 3 and 4
    QVector<Sample> instants; // kind 1
};

struct Rows {
    // The readings of every average record of the period, with or without a value of the channels asked.
    QVector<Reading> records;
    // In the order of the channel numbers asked for.
    QList<ChannelRows> channels;
};

// The rows stored in [from, to) (local times) for the channels 1 ... 60 asked for, reading only their
// columns.
Rows read(const QSqlDatabase &db, qint32 provider, qint32 config, const QList<int> &channels,
          const QDateTime &from, const QDateTime &to, std::optional<RunError> *error);

// A run of missing records on the averaging grid: the readings of the first and the last one and how many.
struct Gap {
    Reading first = 0;
    Reading last = 0;
    int missing = 0;
};

// The end of the grid slot that begins at slot: the next grid point, or the next midnight.
Reading slotEnd(Reading slot, int stepMinutes);

// The gaps among the sorted record readings in the slots from ... to (a slot is expected when its reading
// lies in [from, to)). The grid of stepMinutes minutes starts anew at every local midnight; a slot runs from
// its grid point to the next, and a record fills the slot its reading falls in, so records a few seconds off
// the grid count. A slot that the clock skips when it is put forward is not expected; one it shows twice is
// expected once.
QList<Gap> findGaps(const QVector<Reading> &records, Reading from, Reading to, int stepMinutes);

// The gaps of [from, to) among records, counting only where records can be expected: not before the first
// record ever stored for the pair, and only for slots that ended at least one interval before now (the fetch
// of the last interval may be under way). No step (0 or less) gives no gaps.
QList<Gap> storedGaps(const QSqlDatabase &db, qint32 provider, qint32 config, int stepMinutes,
                      const QVector<Reading> &records, const QDateTime &from, const QDateTime &to,
                      const QDateTime &now, std::optional<RunError> *error);

// The number of missing average records from `days` days before now up to now.
int missingRecords(const QSqlDatabase &db, qint32 provider, qint32 config, int stepMinutes,
                   const QDateTime &now, int days, std::optional<RunError> *error);

// A channel's samples reduced to the plot: x in milliseconds since the epoch.
struct Band {
    QVector<QPointF> upper;
    QVector<QPointF> lower;
};
struct Plot {
    QList<QVector<QPointF>> lines;
    QList<Band> bands;
    // The range of everything drawn; NaN when nothing is.
    double minY = 0;
    double maxY = 0;
};

// Reduces samples to the window [from, to] of a plot `width` pixels wide: per pixel column the smallest and
// the largest value in their time order, and the widest band, so a year draws as fast as a day and no peak
// is lost. One sample beyond each end is kept, so the line reaches the edges. A line breaks at a Null value
// and where two samples lie more than maxDistance milliseconds apart, unless the break is narrower than a
// pixel column.
Plot decimate(const QVector<Sample> &samples, qint64 from, qint64 to, int width, qint64 maxDistance);

} // namespace History
