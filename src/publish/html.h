#pragma once

#include "store/runerror.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// Colours (blue * 65536 + green * 256 + red) of the stand-alone page and the reload delay in milliseconds of
// the self-reloading pages; each writer sets the values it uses before it writes.
extern qint32 HtmlBgColor;
extern qint32 HtmlTextColor;
extern qint32 HtmlRefresh;

// A channel value above this is the logger's error mark, not a measurement.
inline constexpr double htmlErrorThreshold = 99999899;
inline const QString htmlErrorMarker = QStringLiteral("<font color=red>Fehler</font>");

// The text with "&", the umlauts, "ß", "<", ">" and the double quote replaced by their entities, written
// without the closing semicolon ("&auml"), the way the pages have always been read.
QString HtmlText(const QString &text);

// A measured value with its unit: the number in the locale's shortest form, a blank, the unit.
QString htmlValueText(double value, const QString &unit, const QLocale &loc = QLocale());

// The current date in the locale's short date format with a four-digit year ("05.12.2026"), and the
// current time in its short time format ("16:07").
QString shortDateText(const QDateTime &now, const QLocale &loc = QLocale());
QString shortTimeText(const QDateTime &now, const QLocale &loc = QLocale());

// The bytes of a page file: every line in ISO-8859-1 followed by CR LF; characters outside ISO-8859-1
// become "?".
QByteArray htmlFileBytes(const QStringList &lines);

// Writes a page file, replacing an earlier one. A missing folder is "Pfad nicht gefunden", a file that cannot
// be written "Zugriff verweigert"; both name the file.
std::optional<RunError> writeHtmlFile(const QString &path, const QStringList &lines);

// A path with a drive letter ("P:\Intranet\index.htm") on this system. Where there are no drive letters the
// drive is <programDir>/dosdevices/<letter>: (a folder or a link to one), as with the serial ports; a
// path without a drive letter lies in the program directory.
QString resolveDosPath(const QString &programDir, const QString &dosPath);
