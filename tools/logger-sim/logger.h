#pragma once

#include "telegram.h"
#include "weather.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>

#include <optional>

namespace loggersim {

// The logger's memory of average records, oldest first. A record is known by its time stamp alone: its
// values follow from the weather at that time, so a repeated record carries the same values.
class RecordMemory {
public:
    explicit RecordMemory(int capacity);

    // Stores a record; when the memory is full the oldest one is overwritten.
    void add(const QDateTime &time);
    int count() const { return static_cast<int>(times.size()); }
    std::optional<QDateTime> oldest() const;

    // "M": hands out the oldest record and forgets it.
    std::optional<QDateTime> takeNext();
    // "MR": the record handed out last, again.
    std::optional<QDateTime> lastHandedOut() const { return last; }

private:
    int capacity;
    QList<QDateTime> times;
    std::optional<QDateTime> last;
};

struct LoggerSettings {
    Layout layout = standardLayout();
    bool threeValues = false;
    int intervalMinutes = 10;
    int initialRecords = 6;
    int capacity = 10000;
    quint64 seed = 1;
    QByteArray name = "Simulator";
};

// The logger's side of the protocol without any I/O: what it answers to a command at a given time.
class Logger {
public:
    // Fills the memory with the initial records, the last one on the interval grid at or before now.
    Logger(const LoggerSettings &settings, const QDateTime &now);

    // Stores a record for every interval boundary the clock has passed; returns how many were stored.
    int catchUp(const QDateTime &now);

    // The answer to "A", "H", "M" or "MR"; none for another command, or for "M"/"MR" when there is no
    // record to hand out.
    std::optional<Answer> answer(const QByteArray &command, const QDateTime &now);

    int storedCount() const { return memory.count(); }
    // The record "M" handed out last.
    std::optional<QDateTime> lastHandedOut() const { return memory.lastHandedOut(); }
    // Holds the instantaneous value of a channel at a fixed value (for demonstrations and tests).
    void pin(int channel, double value) { pinned[channel] = value; }

private:
    Answer instantAnswer(const QDateTime &now) const;
    Answer headerAnswer(const QDateTime &now) const;
    Answer recordAnswer(const QDateTime &time) const;

    LoggerSettings settings;
    WeatherModel weather;
    RecordMemory memory;
    qint64 lastRecordSecs = 0;
    QMap<int, double> pinned;
};

} // namespace loggersim
