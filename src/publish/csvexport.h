#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>

#include <optional>

class QIODevice;

// The stored averages of chosen channels as CSV for spreadsheets and scripts: the same bytes on every locale
// and machine.
struct CsvRequest {
    qint32 provider = 0;
    qint32 config = 0;
    // Channel numbers in the order of the columns; each must be in the channel table of the pair.
    QList<int> channels;
    // Local times; the records of [from, to) are written.
    QDateTime from;
    QDateTime to;
};

// Writes UTF-8 text with CR LF line ends, fields separated by commas and quoted only where they hold a comma,
// a quote or a line end. The header is "Zeit" and "Kanal <n>: <name> [<unit>]" per channel; then one line per
// average record in time order (records of the same time in the order stored): the time in ISO 8601 with its
// UTC offset ("2026-12-05T16:10:00+01:00"), then each channel's mean with "." as the decimal point and the
// fewest digits that read back as the same number, or nothing for Null. Gives the number of records written.
// A channel missing from the channel table is an error with the number of a subscript out of range.
std::optional<RunError> writeCsv(const QSqlDatabase &db, const CsvRequest &request, QIODevice &out,
                                 int *records = nullptr);

// The header text of a channel column.
QString csvChannelTitle(int number, const QString &name, const QString &unit);
