#pragma once

#include <QList>
#include <QString>

// The intervals the query dialogs offer.
namespace Intervals {

struct AverageInterval {
    QString text;
    qint32 minutes;
};

// The 26 intervals between fetches of stored averages, from "10 Minuten" to "5 Wochen", in list order.
const QList<AverageInterval> &averageIntervals();

// The list position for a stored interval: the first entry with exactly these minutes, or the first entry
// ("10 Minuten") when no entry has them.
int averageIndex(qint32 minutes);

// The instantaneous-value interval is chosen in whole seconds from 1 to 60.
inline constexpr int minSeconds = 1;
inline constexpr int maxSeconds = 60;

// The slider position for the timer's interval: whole seconds, the remainder dropped, kept within 1 to 60.
int secondsForInterval(int milliseconds);
int intervalForSeconds(int seconds);

// "Interval: 1 Sekunde", "Interval: 5 Sekunden".
QString secondsLabel(int seconds);

} // namespace Intervals
