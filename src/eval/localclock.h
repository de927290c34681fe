#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// Stored times are local wall-clock texts ("2026-12-05 16:10:00") without an offset. Plots and exports need
// instants, and the averaging grid is laid on the wall clock; this converts between the two, quickly enough
// for a year of records, and the same way on every run.

// A reading of the local wall clock in whole minutes: Julian day * 1440 + minute of the day.
using Reading = qint64;
constexpr int minutesPerDay = 1440;

Reading readingOf(const QDate &date, int minuteOfDay);
Reading readingOf(const QDateTime &t);
QDate dateOf(Reading r);
int minuteOf(Reading r);

// A stored time text split into date and milliseconds of the day; nothing for a text of another form.
struct WallTime {
    QDate date;
    int msecsOfDay = 0;
    Reading reading() const { return readingOf(date, msecsOfDay / 60000); }
};
std::optional<WallTime> parseStoredTime(QStringView text);

class LocalClock {
public:
    // The instant at which the local clock shows the time. A time the clock shows twice (when it is put back)
    // is its first occurrence; a time it skips (when it is put forward) is read with the offset before the
    // change, so it lands the skipped hour later.
    qint64 msecs(const QDate &date, int msecsOfDay);
    qint64 msecs(Reading r) { return msecs(dateOf(r), minuteOf(r) * 60000); }
    // The offset from UTC, in seconds, of that instant.
    int offsetSeconds(const QDate &date, int msecsOfDay);
    // False for a reading the clock skips.
    bool exists(Reading r);

private:
    struct Candidates {
        qint64 wall = 0;
        qint64 first = 0;
        bool valid = true;
    };
    Candidates candidates(const QDate &date, int msecsOfDay);

    // Offsets of the cached day's neighbours; they differ only on a day on which the clock is changed.
    qint64 cachedDay = -1;
    int offsetBefore = 0;
    int offsetAfter = 0;
};
