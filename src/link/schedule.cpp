#include "link/schedule.h"

#include <QList>

#include <algorithm>

namespace {

constexpr qint64 msecsPerMinute = 60000;
constexpr int minutesPerDay = 1440;

// Instants are added in UTC, giving local time: adding to a local time near a change of the clock can land an
// hour off.
QDateTime minutesLater(const QDateTime &t, int minutes) {
    return QDateTime::fromMSecsSinceEpoch(t.toMSecsSinceEpoch() + minutes * msecsPerMinute);
}

// Minutes since midnight on the wall clock, rounded to the nearest minute with a half to the even one.
int wallMinutes(const QTime &time) {
    const int msecs = time.msecsSinceStartOfDay();
    int minutes = static_cast<int>(msecs / msecsPerMinute);
    const qint64 rest = msecs % msecsPerMinute;
    if (rest * 2 > msecsPerMinute || (rest * 2 == msecsPerMinute && minutes % 2 == 1))
        ++minutes;
    return minutes;
}

// The instants at which the local clock shows minutes past midnight of day (a whole number of days may be
// included): one, two when the clock is put back over that time, none when it is put forward over it. A day
// has at most one change of the clock, so the offsets of the days before and after give every reading. The
// platform's own choice for a time that occurs twice depends on what it converted last, hence the offsets.
QList<QDateTime> readingsOf(const QDate &day, int minutes) {
    const QDate date = day.addDays(minutes / minutesPerDay);
    const QTime time = QTime(0, 0).addSecs(minutes % minutesPerDay * 60);
    QList<QDateTime> instants;
    for (const QDate &neighbour : {date.addDays(-1), date.addDays(1)}) {
        const int offset = QDateTime(neighbour, QTime(12, 0)).offsetFromUtc();
        const QDateTime t = QDateTime(date, time, Qt::UTC).addSecs(-offset).toLocalTime();
        if (t.date() == date && t.time() == time && !instants.contains(t))
            instants.append(t);
    }
    std::sort(instants.begin(), instants.end());
    return instants;
}

} // namespace

std::optional<QDateTime> nextAccessTime(const QDateTime &lastAccess, const QDateTime &now,
                                        int intervalMinutes, std::optional<RunError> *error) {
    if (intervalMinutes <= 0) {
        if (error)
            *error = RunError::divisionByZero();
        return std::nullopt;
    }
    if (error)
        error->reset();

    QDateTime candidate = minutesLater(now, intervalMinutes);
    if (lastAccess.isValid() && lastAccess < now) {
        const QDateTime afterLast = minutesLater(lastAccess, intervalMinutes);
        if (afterLast >= now)
            candidate = afterLast;
    }

    const int gridMinutes = wallMinutes(candidate.time()) / intervalMinutes * intervalMinutes;
    // A grid point the clock skips becomes the first minute after it that the clock shows. Of two occurrences
    // the later one is taken when it is not after the candidate.
    int minutes = gridMinutes;
    QList<QDateTime> instants = readingsOf(candidate.date(), minutes);
    while (instants.isEmpty())
        instants = readingsOf(candidate.date(), ++minutes);
    QDateTime next = instants.first();
    for (const QDateTime &t : instants) {
        if (t <= candidate)
            next = t;
    }
    return next;
}
