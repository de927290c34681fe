#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

// The data-stopped alarm of an unattended station: when no valid telegram has come for AlarmMinuten minutes,
// the station's data have stopped. That is reported once, again every hour while it lasts, and once more
// when data come back, with the length of the outage. The class only decides; the caller writes the error
// log, the status line and sends the mail.
class DataAlarm {
public:
    static constexpr int repeatMinutes = 60;

    struct Report {
        enum class Kind { Stopped, Continues, Resumed };
        Kind kind = Kind::Stopped;
        // The last valid telegram (or the start of the watch when none came).
        QDateTime since;
        QDateTime now;

        // For the error log and the status line: "Keine gültigen Daten vom Datenlogger seit <date-time>
        // (10 Min.)", "Weiterhin keine gültigen Daten …", "Daten vom Datenlogger wieder da nach 2 Std. 5 Min.
        // (ausgefallen seit <date-time>)".
        QString text(const QLocale &loc = QLocale()) const;
        QString mailSubject(const QString &station, const QLocale &loc = QLocale()) const;
        // Lines separated by CR LF, like the message template of the mail report.
        QString mailText(const QString &station, const QLocale &loc = QLocale()) const;
    };

    // The port is open: data are expected from now on. A running alarm goes on.
    void start(const QDateTime &now);
    // The operator closed the port: no data are expected; a running alarm ends without a report.
    void stop();
    // A valid telegram arrived.
    std::optional<Report> telegram(const QDateTime &now);
    // Called once a minute with the setting AlarmMinuten; 0 (or less) switches the alarm off.
    std::optional<Report> tick(const QDateTime &now, int minutes);

    bool stopped() const { return alarm; }

private:
    bool watching = false;
    bool alarm = false;
    QDateTime lastValid;
    QDateTime reportedAt;
};
