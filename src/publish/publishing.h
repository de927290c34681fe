#pragma once

#include "eval/channels.h"
#include "eval/dataalarm.h"
#include "publish/webpages.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QLocale>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class SmtpMailer;

// Writes every active page of the intranet set; the measurement page gets the table of the shown channels.
std::optional<RunError> WriteWebPageSet(const PageContext &context, const ChannelSlots &channels,
                                        const QString &station);

// The texts that the mail report puts into its templates.
struct MailReportValues {
    QString Zeit; // "#tm#": the current date and time
    QString tmp;  // "#ct#": air temperature 2 m (sensor code 01)
    QString lff;  // "#crf#": relative humidity (sensor code 02)
    QString feff; // "#cfef#": dew point (sensor code 08)
};

// The report texts from the current values: each value with its unit, "Fehler" for the logger's error mark,
// "---" when no shown channel carries the sensor.
MailReportValues mailReportValues(const ChannelSlots &channels, const QDateTime &now,
                                  const QLocale &loc = QLocale());

// Settings that cannot give a mail switch the mail report off (SysConf.MailAktiv false, saved), so that the
// refusal is reported once instead of after every fetch. Gives the message for the error log and the
// operator; a save that failed is handed back in `error`.
QString switchMailReportOff(const QSqlDatabase &db, const QString &refusal, std::optional<RunError> &error);

// Sends the alert mail of a data-stopped report to the recipients of the mail report, when a mail host is set
// (whether the report itself is on or not). Gives the refusal when the settings cannot give a mail.
std::optional<QString> sendAlarmMail(SmtpMailer &mailer, const DataAlarm::Report &report,
                                     const QString &station, const QLocale &loc = QLocale());
