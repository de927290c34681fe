#include "publish/statusfile.h"

#include <QDir>
#include <QSaveFile>

namespace {

qint64 unixTime(const QDateTime &t) {
    return t.isValid() ? t.toSecsSinceEpoch() : 0;
}

} // namespace

QByteArray prometheusText(const MonitorStatus &status) {
    const struct {
        const char *name;
        const char *help;
        qint64 value;
    } metrics[] = {
        {"skylog_connected", "1, solange die Schnittstelle zum Datenlogger geöffnet ist, sonst 0.",
         status.connected ? 1 : 0},
        {"skylog_last_telegram_timestamp_seconds",
         "Zeit des letzten gültigen Telegramms des Datenloggers (Unix-Zeit; 0: noch keins).",
         unixTime(status.lastTelegram)},
        {"skylog_last_fetch_timestamp_seconds",
         "Ende der letzten Mittelwertabfrage (Unix-Zeit; 0: noch keine).", unixTime(status.lastFetch)},
        {"skylog_last_fetch_records", "Datensätze, die die letzte Mittelwertabfrage erhalten hat.",
         status.lastFetchRecords},
        {"skylog_records_stored_today", "Heute gespeicherte Mittelwert-Datensätze.",
         status.recordsStoredToday},
        {"skylog_errors_last_hour",
         "Meldungen an das Fehlerprotokoll in der letzten Stunde, Wiederholungen mitgezählt.",
         status.errorsLastHour},
        {"skylog_data_stopped", "1, solange der Datenausfall-Alarm besteht, sonst 0.",
         status.dataStopped ? 1 : 0},
    };
    QByteArray text;
    for (const auto &metric : metrics) {
        text += QByteArray("# HELP ") + metric.name + ' ' + metric.help + '\n';
        text += QByteArray("# TYPE ") + metric.name + " gauge\n";
        text += QByteArray(metric.name) + ' ' + QByteArray::number(metric.value) + '\n';
    }
    return text;
}

std::optional<RunError> writeStatusFile(const QString &programDir, const MonitorStatus &status) {
    if (!QDir(programDir).exists())
        return RunError{RunError::pathNotFound().number, RunError::pathNotFound().text +
                                                             QStringLiteral(": ") +
                                                             QDir::toNativeSeparators(programDir)};
    QSaveFile file(QDir(programDir).filePath(statusFileName));
    const QByteArray text = prometheusText(status);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return RunError{RunError::permissionDenied().number, RunError::permissionDenied().text +
                                                                 QStringLiteral(": ") +
                                                                 QDir::toNativeSeparators(file.fileName())};
    return std::nullopt;
}
