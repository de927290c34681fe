#pragma once

#include "eval/channels.h"
#include "publish/webpages.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

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
