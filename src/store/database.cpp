#include "store/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace Store {

namespace {

// 'SkyL': set by the schema, checked at every opening.
constexpr qint64 skylogApplicationId = 1399552332;

// Error numbers of the database engine for the faults the program names.
constexpr int lockedNumber = 3006;
constexpr int fileNotFoundNumber = 3024;
constexpr int damagedNumber = 3049;
constexpr int unknownFormatNumber = 3343;

// SQLite's primary result codes.
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteReadOnly = 8;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteFull = 13;
constexpr int sqliteNotADatabase = 26;

const QStringList companionSuffixes{QStringLiteral("-wal"), QStringLiteral("-shm"),
                                    QStringLiteral("-journal")};

// The canonical path of the open data file; empty while none is open.
QString &openDataPath() {
    static QString path;
    return path;
}

int sqliteCode(const QSqlError &error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    // Extended result codes carry the primary code in their low byte.
    return ok ? code & 0xFF : -1;
}

RunError readOnly() {
    return {RunError::permissionDenied().number, QStringLiteral("Die Datenbank ist schreibgeschützt.")};
}

OpenFailure failureOf(const QSqlError &error) {
    return {faultOf(error), fromSqlError(error)};
}

// The first column of the first row the statement gives; nothing when it fails or gives no row.
std::optional<QVariant> firstValue(QSqlQuery &query, const QString &sql) {
    if (!query.exec(sql) || !query.next())
        return std::nullopt;
    return query.value(0);
}

// Gives up an opening: the statement and the connection are closed, the failure is passed on.
OpenFailure closedWith(QSqlQuery &query, QSqlDatabase &db, const OpenFailure &failure) {
    query.finish();
    db.close();
    return failure;
}

// Opens the file with the SQLite open mode given ("rw", "ro") and proves it is a Skylog database; mode=rw and
// mode=ro never create an empty file in place of a missing one. A lock held by another program fails at once
// when busyTimeoutMs is 0; the caller then decides how long to wait for it.
std::optional<OpenFailure> openFile(QSqlDatabase &db, const QString &path, const char *mode,
                                    int busyTimeoutMs) {
    if (!QFileInfo(path).isFile())
        return OpenFailure{Fault::Missing,
                           {fileNotFoundNumber, QStringLiteral("Datei '%1' nicht gefunden.").arg(path)}};
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString() +
                       QStringLiteral("?mode=") + QLatin1String(mode));
    if (!db.open())
        return failureOf(db.lastError());

    QSqlQuery query(db);
    const auto fail = [&](const OpenFailure &failure) { return closedWith(query, db, failure); };
    const auto applicationId = firstValue(query, QStringLiteral("PRAGMA application_id"));
    // Reading the schema finds a file whose header is intact but whose tables are not.
    const auto tables = applicationId
                            ? firstValue(query, QStringLiteral("SELECT count(*) FROM sqlite_master"))
                            : std::nullopt;
    if (!tables)
        return fail(failureOf(query.lastError()));
    if (applicationId->toLongLong() != skylogApplicationId) {
        const QString what = tables->toInt() == 0
                                 ? QStringLiteral("eine leere SQLite-Datenbank")
                                 : QStringLiteral("die SQLite-Datenbank eines anderen Programms");
        return fail({Fault::Foreign,
                     {unknownFormatNumber,
                      QStringLiteral("Die Datei %1 ist %2, keine Skylog-Datenbank.").arg(path, what)}});
    }
    query.finish();
    return std::nullopt;
}

} // namespace

QSqlDatabase MainDb() {
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

Fault faultOf(const QSqlError &error) {
    switch (sqliteCode(error)) {
    case sqliteBusy:
    case sqliteLocked:
        return Fault::Locked;
    case sqliteReadOnly:
        return Fault::ReadOnly;
    case sqliteCorrupt:
    case sqliteNotADatabase:
        return Fault::Damaged;
    case sqliteFull:
        return Fault::DiskFull;
    default:
        return Fault::Other;
    }
}

RunError fromSqlError(const QSqlError &error) {
    // A statement on a handle that never opened fails without an error of its own.
    if (error.type() == QSqlError::NoError)
        return {91, QStringLiteral("Die Datenbank ist nicht geöffnet.")};
    switch (faultOf(error)) {
    case Fault::Locked:
        return {lockedNumber, QStringLiteral("Die Datenbank ist von einem anderen Programm gesperrt.")};
    case Fault::ReadOnly:
        return readOnly();
    case Fault::DiskFull:
        return {RunError::diskFull().number,
                QStringLiteral("Der Datenträger ist voll: die Datenbank kann nicht geschrieben werden.")};
    case Fault::Damaged:
        if (sqliteCode(error) == sqliteNotADatabase)
            return {unknownFormatNumber, QStringLiteral("Die Datei ist keine Datenbank.")};
        return {damagedNumber, QStringLiteral("Die Datenbank ist beschädigt.")};
    default:
        break;
    }
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return {ok ? code : 3146, QStringLiteral("Datenbankfehler: ") + error.text()};
}

bool isDataFile(const QString &path) {
    const QString &data = openDataPath();
    if (data.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    // A link to one of the files counts as that file.
    const QString linked = info.exists() ? info.canonicalFilePath() : QString();
    for (const QString &suffix : QStringList{QString()} + companionSuffixes) {
        const QString name = data + suffix;
        if ((!dir.isEmpty() && dir + QLatin1Char('/') + info.fileName() == name) || linked == name)
            return true;
    }
    return false;
}

std::optional<RunError> inTransaction(const QSqlDatabase &db, const std::function<bool(QSqlQuery &)> &work) {
    QSqlDatabase handle = db;
    if (!handle.transaction())
        return fromSqlError(handle.lastError());
    QSqlQuery query(handle);
    const bool done = work(query);
    const RunError error = fromSqlError(query.lastError());
    query.finish();
    if (done && handle.commit())
        return std::nullopt;
    const RunError commitError = fromSqlError(handle.lastError());
    handle.rollback();
    return done ? commitError : error;
}

std::optional<OpenFailure> openMainDb(const QString &path) {
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
                          ? MainDb()
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    openDataPath().clear();
    if (auto failure = openFile(db, path, "rw", 0))
        return failure;
    QSqlQuery query(db);
    const auto fail = [&](const OpenFailure &failure) { return closedWith(query, db, failure); };
    // Committed rows must survive a killed process and a power cut; other programs may read meanwhile.
    const auto journal = firstValue(query, QStringLiteral("PRAGMA journal_mode = WAL"));
    if (!journal || !query.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        return fail(failureOf(query.lastError()));
    if (journal->toString() != QLatin1String("wal"))
        return fail({Fault::ReadOnly, readOnly()});
    // One committed write shows now, not at the first record, that the file, its journal and the disk take
    // writes.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")) ||
        !query.exec(QStringLiteral("PRAGMA application_id = %1").arg(skylogApplicationId)) ||
        !query.exec(QStringLiteral("COMMIT"))) {
        const OpenFailure failure = failureOf(query.lastError());
        query.exec(QStringLiteral("ROLLBACK"));
        return fail(failure);
    }
    // From here on a short lock of another program is waited for.
    query.exec(QStringLiteral("PRAGMA busy_timeout = 5000"));
    query.finish();
    openDataPath() = QFileInfo(path).canonicalFilePath();
    return std::nullopt;
}

std::optional<RunError> openReadOnly(const QString &path, const QString &connection) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    if (auto failure = openFile(db, path, "ro", 5000))
        return failure->error;
    return std::nullopt;
}

void closeMainDb() {
    QSqlDatabase db = MainDb();
    if (db.isOpen()) {
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
}

QString moveAside(const QString &path, const QDateTime &now, std::optional<RunError> *error) {
    MainDb().close();
    openDataPath().clear();
    const QFileInfo info(path);
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString target = info.dir().filePath(info.completeBaseName() + QStringLiteral("-defekt-") + stamp +
                                               QLatin1Char('.') + info.suffix());
    *error = std::nullopt;
    if (QFile::exists(path) && !QFile::rename(path, target)) {
        *error = RunError::fileAccess(
            QStringLiteral("'%1' kann nicht nach '%2' verschoben werden.").arg(path, target));
        return QString();
    }
    // A journal left beside the old file would be replayed into the new copy.
    for (const QString &suffix : companionSuffixes) {
        if (QFile::exists(path + suffix))
            QFile::rename(path + suffix, target + suffix);
    }
    return target;
}

std::optional<RunError> copyTemplate(const QString &templatePath, const QString &dataPath) {
    if (!QFileInfo(templatePath).isFile())
        return RunError{53, QStringLiteral("Datei nicht gefunden: ") + templatePath};
    // An existing data file is never replaced, and its journal stays with it.
    if (QFileInfo::exists(dataPath))
        return RunError{58, QStringLiteral("Datei '%1' existiert bereits.").arg(dataPath)};
    for (const QString &suffix : companionSuffixes)
        QFile::remove(dataPath + suffix);
    const QString partial = dataPath + QStringLiteral(".neu");
    QFile::remove(partial);
    QFile source(templatePath);
    if (!source.copy(partial)) {
        QFile::remove(partial);
        return RunError::fileAccess(QStringLiteral("Vorlage '%1' kann nicht kopiert werden: %2")
                                        .arg(templatePath, source.errorString()));
    }
    QFile::setPermissions(partial, QFile::permissions(partial) | QFile::WriteOwner | QFile::ReadOwner);
    if (!QFile::rename(partial, dataPath)) {
        QFile::remove(partial);
        return RunError::fileAccess(QStringLiteral("'%1' kann nicht angelegt werden.").arg(dataPath));
    }
    return std::nullopt;
}

} // namespace Store
