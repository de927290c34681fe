#include "eval/dataalarm.h"

#include "eval/textout.h"

namespace {

// "2 Std. 5 Min.", "45 Min."
QString durationText(qint64 seconds) {
    const qint64 minutes = seconds / 60;
    const QString rest = QStringLiteral("%1 Min.").arg(minutes % 60);
    return minutes < 60 ? rest : QStringLiteral("%1 Std. ").arg(minutes / 60) + rest;
}

} // namespace

QString DataAlarm::Report::text(const QLocale &loc) const {
    const QString from = formatDateTime(since, loc);
    const QString length = durationText(since.secsTo(now));
    switch (kind) {
    case Kind::Stopped:
        return QStringLiteral("Keine gültigen Daten vom Datenlogger seit %1 (%2)").arg(from, length);
    case Kind::Continues:
        return QStringLiteral("Weiterhin keine gültigen Daten vom Datenlogger seit %1 (%2)")
            .arg(from, length);
    case Kind::Resumed:
        break;
    }
    return QStringLiteral("Daten vom Datenlogger wieder da nach %1 (ausgefallen seit %2)").arg(length, from);
}

QString DataAlarm::Report::mailSubject(const QString &station, const QLocale &loc) const {
    if (kind == Kind::Resumed)
        return QStringLiteral("Skylog: Daten von %1 wieder da").arg(station);
    return QStringLiteral("Skylog: keine Daten von %1 seit %2").arg(station, formatDateTime(since, loc));
}

QString DataAlarm::Report::mailText(const QString &station, const QLocale &loc) const {
    const QString first =
        kind == Kind::Resumed
            ? QStringLiteral("Skylog meldet das Ende eines Datenausfalls an der Station %1.")
            : QStringLiteral("Skylog meldet einen Datenausfall an der Station %1.");
    QString body = first.arg(station) + QStringLiteral("\r\n") + text(loc) + u'.';
    if (kind != Kind::Resumed)
        body += QStringLiteral("\r\nSolange der Ausfall dauert, wird diese Meldung stündlich wiederholt.");
    return body;
}

void DataAlarm::start(const QDateTime &now) {
    if (watching)
        return;
    watching = true;
    lastValid = now;
}

void DataAlarm::stop() {
    watching = false;
    alarm = false;
}

std::optional<DataAlarm::Report> DataAlarm::telegram(const QDateTime &now) {
    std::optional<Report> report;
    if (alarm)
        report = Report{Report::Kind::Resumed, lastValid, now};
    watching = true;
    alarm = false;
    lastValid = now;
    return report;
}

std::optional<DataAlarm::Report> DataAlarm::tick(const QDateTime &now, int minutes) {
    if (!watching || minutes <= 0) {
        alarm = false;
        return std::nullopt;
    }
    if (!alarm && lastValid.secsTo(now) >= qint64(minutes) * 60) {
        alarm = true;
        reportedAt = now;
        return Report{Report::Kind::Stopped, lastValid, now};
    }
    if (alarm && reportedAt.secsTo(now) >= repeatMinutes * 60) {
        reportedAt = now;
        return Report{Report::Kind::Continues, lastValid, now};
    }
    return std::nullopt;
}
