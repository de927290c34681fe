#include "config/intervals.h"

#include <algorithm>

namespace Intervals {

const QList<AverageInterval> &averageIntervals() {
    constexpr qint32 hour = 60;
    constexpr qint32 day = 24 * hour;
    constexpr qint32 week = 7 * day;
    static const QList<AverageInterval> list = [] {
        QList<AverageInterval> intervals;
        for (qint32 minutes : {10, 20, 30, 60})
            intervals.append({QStringLiteral("%1 Minuten").arg(minutes), minutes});
        for (qint32 hours : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 24})
            intervals.append({QStringLiteral("%1 Stunden").arg(hours), hours * hour});
        for (qint32 days = 2; days <= 7; ++days)
            intervals.append({QStringLiteral("%1 Tage").arg(days), days * day});
        for (qint32 weeks = 2; weeks <= 5; ++weeks)
            intervals.append({QStringLiteral("%1 Wochen").arg(weeks), weeks * week});
        return intervals;
    }();
    return list;
}

int averageIndex(qint32 minutes) {
    const QList<AverageInterval> &list = averageIntervals();
    const auto found = std::find_if(list.cbegin(), list.cend(), [minutes](const AverageInterval &entry) {
        return entry.minutes == minutes;
    });
    return found == list.cend() ? 0 : int(found - list.cbegin());
}

int secondsForInterval(int milliseconds) {
    return std::clamp(milliseconds / 1000, minSeconds, maxSeconds);
}

int intervalForSeconds(int seconds) {
    return seconds * 1000;
}

QString secondsLabel(int seconds) {
    return QStringLiteral("Interval: %1 Sekunde%2")
        .arg(seconds)
        .arg(seconds >= 2 ? QStringLiteral("n") : QString());
}

} // namespace Intervals
