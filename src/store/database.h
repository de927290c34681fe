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

// Opens the data file as MainDb. Fails, without creating anything, when the file is missing, is no SQLite
// database or is a database of another program.
std::optional<RunError> openMainDb(const QString &path);

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

RunError fromSqlError(const QSqlError &error);

// Runs `work` on a query inside one transaction: everything it wrote is committed when it returns true, and
// nothing when it returns false (the query's error is then given) or the commit fails.
std::optional<RunError> inTransaction(const QSqlDatabase &db, const std::function<bool(QSqlQuery &)> &work);

} // namespace Store
