#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>

#include <functional>

// Writes average records the way the fetch stores them (rows of kinds 2, 3 and 4 one after the other), all
// in one transaction, so that a year of records is written in seconds. value(channel, k, time) gives value k
// (1 ... 3) of a channel; NaN stores Null. Times are local wall-clock texts "yyyy-MM-dd HH:mm:ss".
bool insertAverageRecords(const QSqlDatabase &db, qint32 provider, qint32 config, const QStringList &times,
                          const QList<int> &channels,
                          const std::function<double(int channel, int k, int record)> &value);

// The times of records every stepMinutes minutes from `from` (a local time) for `count` records, as texts.
QStringList recordTimes(const QDateTime &from, int stepMinutes, int count);
