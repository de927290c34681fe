#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

class QSqlError;
class QSqlQuery;

namespace Store {

inline const QString dataFileName = QStringLiteral("Skylog.db");
inline const QString templateFileName = QStringLiteral("SkylogIni.db");

// The one handle on the data file, open from start-up to the end of the process.
QSqlDatabase MainDb();

// Why a database operation failed, as far as the start-up decides on it.
enum class Fault {
    Missing,
    // SQLite itself reports the file as not a database or as corrupt.
    Damaged,
    // A valid SQLite file of another program.
    Foreign,
    // Another connection holds a lock that keeps this one out.
    Locked,
    ReadOnly,
    DiskFull,
    Other,
};

struct OpenFailure {
    Fault fault = Fault::Other;
    RunError error;
};

// Opens the data file as MainDb and proves that it takes a write: WAL journal, full sync, one committed
// write. Fails, without creating anything, when the file is missing, is no SQLite database or is a database
// of another program; a locked file fails at once (the caller decides how long to wait).
std::optional<OpenFailure> openMainDb(const QString &path);

// Opens the data file read-only under its own connection name, for readers beside the running program; the
// same checks as openMainDb.
std::optional<RunError> openReadOnly(const QString &path, const QString &connection);

// Ends the run: the journal is written back into the data file and the handle closed, so that no journal
// is left beside the file.
void closeMainDb();

// Moves an unreadable data file (with its journal files) out of the way under a name that carries the time,
// so its contents are kept for a later rescue. Returns the new name of the data file.
QString moveAside(const QString &path, const QDateTime &now, std::optional<RunError> *error);

// Copies the template over the (absent) data file; the copy appears under its name only when complete.
std::optional<RunError> copyTemplate(const QString &templatePath, const QString &dataPath);

// An error of the database in plain German: a locked, read-only, full or damaged database is named as such.
RunError fromSqlError(const QSqlError &error);
Fault faultOf(const QSqlError &error);

// Whether path names the open data file or one of its journal files. Nothing but SQLite may open these:
// closing any other descriptor of the file would drop the locks SQLite holds on it.
bool isDataFile(const QString &path);

// Runs `work` on a query inside one transaction: everything it wrote is committed when it returns true, and
// nothing when it returns false (the query's error is then given) or the commit fails.
std::optional<RunError> inTransaction(const QSqlDatabase &db, const std::function<bool(QSqlQuery &)> &work);

} // namespace Store
