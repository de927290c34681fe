#pragma once

#include "eval/measurements.h"
#include "store/runerror.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// Average records that arrived while the database took no data. The logger forgets a record once it has
// handed it out, so such a record is kept until its rows are in the database: in memory and, for a killed
// process or a power cut, in the spool file beside the database. The file holds one line per record,
// appended and synced to the disk before the record counts as received:
//
//     <provider>|<configuration>|<yyyy-MM-ddTHH:mm:ss>|<channel>,<code hex>,<value 1>,<value 2>,<value
//     3>|…|<CRC>
//
// one item per channel 1 … 60 with a code other than 0, values in C notation with 17 digits, and the CRC-16
// (ISO 3309, four hex digits) of everything before the last "|".

inline const QString spoolFileName = QStringLiteral("Skylog.spool");

// One line of the file, without its line end, and the record of such a line (none when it is damaged).
QByteArray spoolLine(const AverageRecord &record);
std::optional<AverageRecord> parseSpoolLine(const QByteArray &line);

struct SpoolContents {
    QList<AverageRecord> records;
    // Complete lines that cannot be read: the file was damaged or written by something else.
    int damagedLines = 0;
};

// The records of a spool file; a missing file is an empty spool. A last line without its line end was cut off
// by a crash before its record counted as received, and is passed over. None, with the error, when the file
// cannot be read.
std::optional<SpoolContents> readSpool(const QString &path, std::optional<RunError> *error);

// Appends the record's line and syncs it (and a new file's folder entry) to the disk. A line cut off by an
// earlier crash is ended first, and a line that could not be written whole (a full disk) is taken back, so
// that no line runs into another.
std::optional<RunError> appendToSpool(const QString &path, const AverageRecord &record);

// The records waiting for the database, with the file that keeps them.
class RecordSpool {
public:
    explicit RecordSpool(const QString &filePath) : path(filePath) {}

    // Takes up the records an earlier run left in the file. Gives what the operator must be told: a file
    // that cannot be read (it is then never removed) or damaged lines (the file is then moved to
    // `damagedName`, in the same folder, once its readable records are stored).
    std::optional<QString> load(const QString &damagedName);

    // Keeps a record until it is stored. Gives the error when the file cannot take it: the record then
    // waits in memory alone, and so does its text output line, which is written only once the record is
    // stored; otherwise the caller writes the line at once.
    std::optional<RunError> keep(const AverageRecord &record, const QString &line);

    int size() const { return int(waiting.size()); }
    bool isEmpty() const { return waiting.isEmpty(); }

    // Stores every waiting record in one transaction, then empties the file; nothing changes when the
    // database refuses. A file that could not be removed after the commit gives no record twice later.
    // `lines` gets the text output lines that waited, `stored` counts the records written.
    std::optional<RunError> store(const QSqlDatabase &db, QStringList *lines, int *stored);

private:
    struct Waiting {
        AverageRecord record;
        QString line;
    };
    QString path;
    QList<Waiting> waiting;
    bool unreadable = false;
    QString damagedName;
};
