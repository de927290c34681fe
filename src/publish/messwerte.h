#pragma once

#include "eval/channels.h"
#include "publish/webpages.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The stand-alone measurement page in the program directory.
inline const QString measurementPageName = QStringLiteral("messwerte.html");

// The measurement table of the shown channels as an HTML fragment for the intranet page, texts escaped.
QString measurementTable(const ChannelSlots &channels, const QString &station,
                         const QLocale &loc = QLocale());

// The lines of the stand-alone page, with the colours and the reload delay as they are set.
QStringList measurementPageLines(const ChannelSlots &channels, const QString &station, const QDateTime &now,
                                 const QLocale &loc = QLocale());

// Puts the measurement table of the shown channels into the intranet page of kind 1.
std::optional<RunError> WriteHtml(const PageContext &context, const ChannelSlots &channels,
                                  const QString &station);

// Writes "messwerte.html" into the program directory: the shown channels' values on a dark page that reloads
// itself every 5 seconds.
std::optional<RunError> WriteHtmlOld(const PageContext &context, const ChannelSlots &channels,
                                     const QString &station);
