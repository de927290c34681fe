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

const QStringList companionSuffixes{QStringLiteral("-wal"), QStringLiteral("-shm"),
                                    QStringLiteral("-journal")};

RunError unknownFormat(const QString &path, const QString &detail) {
    return {3343, QStringLiteral("Nicht erkanntes Datenbankformat '%1' (%2)").arg(path, detail)};
}

// Closes db and gives the error when the open file is no Skylog database.
std::optional<RunError> checkSkylogFile(QSqlDatabase &db, const QString &path) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next()) {
        const RunError error = unknownFormat(path, query.lastError().text());
        query.finish();
        db.close();
        return error;
    }
    const qint64 applicationId = query.value(0).toLongLong();
    query.finish();
    if (applicationId != skylogApplicationId) {
        db.close();
        return unknownFormat(path, QStringLiteral("keine Skylog-Datenbank"));
    }
    return std::nullopt;
}

// Opens the file with the SQLite open mode given ("rw", "ro"); mode=rw and mode=ro never create an empty
// file in place of a missing one.
std::optional<RunError> openFile(QSqlDatabase &db, const QString &path, const char *mode) {
    if (!QFileInfo(path).isFile())
        return RunError{3024, QStringLiteral("Datei '%1' nicht gefunden.").arg(path)};
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString() +
                       QStringLiteral("?mode=") + QLatin1String(mode));
    if (!db.open())
        return fromSqlError(db.lastError());
    return checkSkylogFile(db, path);
}

} // namespace

QSqlDatabase MainDb() {
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

RunError fromSqlError(const QSqlError &error) {
    // A statement on a handle that never opened fails without an error of its own.
    if (error.type() == QSqlError::NoError)
        return {91, QStringLiteral("Die Datenbank ist nicht geöffnet.")};
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return {ok ? code : 3146, QStringLiteral("Datenbankfehler: ") + error.text()};
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

std::optional<RunError> openMainDb(const QString &path) {
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
                          ? MainDb()
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    if (auto error = openFile(db, path, "rw"))
        return error;
    QSqlQuery query(db);
    // Committed rows must survive a killed process and a power cut; other programs may read meanwhile.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
        const RunError error = fromSqlError(query.lastError());
        query.finish();
        db.close();
        return error;
    }
    return std::nullopt;
}

std::optional<RunError> openReadOnly(const QString &path, const QString &connection) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    return openFile(db, path, "ro");
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
    const QFileInfo info(path);
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString target = info.dir().filePath(info.completeBaseName() + QStringLiteral("-defekt-") + stamp +
                                               QLatin1Char('.') + info.suffix());
    *error = std::nullopt;
    if (QFile::exists(path) && !QFile::rename(path, target)) {
        *error =
            RunError{75, QStringLiteral("'%1' kann nicht nach '%2' verschoben werden.").arg(path, target)};
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
    if (!source.copy(partial))
        return RunError{75, QStringLiteral("Vorlage '%1' kann nicht kopiert werden: %2")
                                .arg(templatePath, source.errorString())};
    QFile::setPermissions(partial, QFile::permissions(partial) | QFile::WriteOwner | QFile::ReadOwner);
    if (!QFile::rename(partial, dataPath)) {
        QFile::remove(partial);
        return RunError{75, QStringLiteral("'%1' kann nicht angelegt werden.").arg(dataPath)};
    }
    return std::nullopt;
}

} // namespace Store
