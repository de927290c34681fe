#include "logger.h"

#include <algorithm>

namespace loggersim {

RecordMemory::RecordMemory(int capacityValue) : capacity(std::max(1, capacityValue)) {}

void RecordMemory::add(const QDateTime &time) {
    if (times.size() >= capacity)
        times.removeFirst();
    times.append(time);
}

std::optional<QDateTime> RecordMemory::oldest() const {
    if (times.isEmpty())
        return std::nullopt;
    return times.first();
}

std::optional<QDateTime> RecordMemory::takeNext() {
    if (times.isEmpty())
        return std::nullopt;
    last = times.takeFirst();
    return last;
}

Logger::Logger(const LoggerSettings &settingsValue, const QDateTime &now)
    : settings(settingsValue), weather(settingsValue.seed), memory(settingsValue.capacity) {
    const qint64 step = qint64(std::max(1, settings.intervalMinutes)) * 60;
    const qint64 nowSecs = now.toSecsSinceEpoch();
    lastRecordSecs = nowSecs - ((nowSecs % step) + step) % step;
    const int initial = std::clamp(settings.initialRecords, 0, settings.capacity);
    for (int k = initial - 1; k >= 0; --k)
        memory.add(QDateTime::fromSecsSinceEpoch(lastRecordSecs - k * step));
}

int Logger::catchUp(const QDateTime &now) {
    const qint64 step = qint64(std::max(1, settings.intervalMinutes)) * 60;
    const qint64 nowSecs = now.toSecsSinceEpoch();
    // After a long pause of the clock only the newest records fit into the memory anyway.
    const qint64 earliest = nowSecs - qint64(settings.capacity) * step;
    if (lastRecordSecs < earliest)
        lastRecordSecs += (earliest - lastRecordSecs) / step * step;
    int added = 0;
    while (lastRecordSecs + step <= nowSecs) {
        lastRecordSecs += step;
        memory.add(QDateTime::fromSecsSinceEpoch(lastRecordSecs));
        ++added;
    }
    return added;
}

std::optional<Answer> Logger::answer(const QByteArray &command, const QDateTime &now) {
    if (command == "A")
        return instantAnswer(now);
    if (command == "H")
        return headerAnswer(now);
    if (command == "M") {
        if (const auto time = memory.takeNext())
            return recordAnswer(*time);
        return std::nullopt;
    }
    if (command == "MR") {
        if (const auto time = memory.lastHandedOut())
            return recordAnswer(*time);
        return std::nullopt;
    }
    return std::nullopt;
}

Answer Logger::instantAnswer(const QDateTime &now) const {
    QList<int> codes;
    for (const Channel &c : settings.layout)
        codes.append(c.code);
    const QList<double> values = weather.instant(codes, now);
    QList<ChannelValue> fields;
    for (qsizetype i = 0; i < settings.layout.size(); ++i) {
        const Channel &c = settings.layout.at(i);
        const double value = pinned.value(c.number, values.at(i));
        fields.append({c.number, c.code, valueText(value, sensorDecimals(c.code))});
    }
    return {'A', instantBody(now, fields)};
}

Answer Logger::headerAnswer(const QDateTime &now) const {
    QList<ChannelCode> codes;
    for (const Channel &c : settings.layout)
        codes.append({c.number, c.averaged ? c.code : 0});
    return {'H', headerBody(settings.name, memory.count(), memory.oldest().value_or(now), codes)};
}

Answer Logger::recordAnswer(const QDateTime &time) const {
    Layout averaged;
    std::copy_if(settings.layout.begin(), settings.layout.end(), std::back_inserter(averaged),
                 [](const Channel &c) { return c.averaged; });
    std::sort(averaged.begin(), averaged.end(),
              [](const Channel &a, const Channel &b) { return a.number < b.number; });
    QList<int> codes;
    for (const Channel &c : averaged)
        codes.append(c.code);
    const QList<Statistics> stats = weather.average(codes, time, settings.intervalMinutes);
    QList<QByteArray> values;
    for (qsizetype i = 0; i < averaged.size(); ++i) {
        const int decimals = sensorDecimals(codes.at(i));
        const Statistics &s = stats.at(i);
        values.append(valueText(s.mean, decimals));
        if (settings.threeValues) {
            values.append(valueText(s.minimum, decimals));
            values.append(valueText(s.maximum, decimals));
        }
    }
    return {'M', averageBody(settings.threeValues, time, values)};
}

} // namespace loggersim
