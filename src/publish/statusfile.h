#pragma once

#include "store/runerror.h"

#include <QByteArray>
#include <QDateTime>
#include <QLatin1String>
#include <QString>

#include <optional>

// The state of the station for standard monitoring, rewritten once a minute into the program directory in
// the Prometheus text format (for example for the node exporter's textfile collector).
struct MonitorStatus {
    bool connected = false;
    // Invalid while there has been none; written as 0.
    QDateTime lastTelegram;
    QDateTime lastFetch;
    qint64 lastFetchRecords = 0;
    qint64 recordsStoredToday = 0;
    qint64 errorsLastHour = 0;
    bool dataStopped = false;
};

inline constexpr QLatin1String statusFileName("skylog.prom");

// The file's text: for every metric a HELP and a TYPE line and its value, UTF-8, lines ended by LF.
QByteArray prometheusText(const MonitorStatus &status);

// Replaces skylog.prom in the program directory as a whole, so that a reader never sees half a file.
std::optional<RunError> writeStatusFile(const QString &programDir, const MonitorStatus &status);
