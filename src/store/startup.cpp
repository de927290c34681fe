#include "store/startup.h"

#include "store/database.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QTimer>

namespace Store {

namespace {

RunError readOnlyDirectory(const QString &dir) {
    return {
        RunError::permissionDenied().number,
        QStringLiteral("Im Programmverzeichnis %1 kann Skylog nicht schreiben (schreibgeschützt oder ohne "
                       "Schreibrecht). Skylog braucht dort Schreibrecht für seine Datenbank und deren "
                       "Journal, die Sperrdatei und die Protokolle.")
            .arg(QDir::toNativeSeparators(dir))};
}

// Below this much free space a failed write is put down to a full disk.
constexpr qint64 nearlyFull = 1024 * 1024;

// Tried, not read from the permission bits: those say nothing about a read-only file system, and root
// passes them all.
bool directoryWritable(const QString &dir) {
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".skylog-schreibprobe-XXXXXX")));
    return probe.open();
}

bool diskFull(const QString &dir) {
    const QStorageInfo storage(dir);
    return storage.isValid() && storage.bytesAvailable() < nearlyFull;
}

RunError diskFullReport(const QString &dataPath) {
    return {RunError::diskFull().number,
            QStringLiteral("Der Datenträger mit der Datenbank %1 ist voll. Schaffen Sie Platz und starten "
                           "Sie Skylog dann neu.")
                .arg(dataPath)};
}

// The report for a data file that cannot be opened, the reasons told apart as far as they can be.
RunError openReport(const OpenFailure &failure, const QString &dir, const QString &dataPath) {
    const bool unclear = failure.fault == Fault::ReadOnly || failure.fault == Fault::Other;
    if (unclear && !directoryWritable(dir))
        return readOnlyDirectory(dir);
    if (failure.fault == Fault::DiskFull || (unclear && diskFull(dir)))
        return diskFullReport(dataPath);
    switch (failure.fault) {
    case Fault::Locked:
        return {
            failure.error.number,
            QStringLiteral("Die Datenbank %1 ist von einem anderen Programm gesperrt; Skylog hat %2 Sekunden "
                           "vergeblich gewartet. Beenden Sie das andere Programm und starten Sie Skylog dann "
                           "neu.")
                .arg(dataPath)
                .arg(lockPatienceSeconds)};
    case Fault::ReadOnly:
        return {failure.error.number,
                QStringLiteral("Die Datenbank %1 ist schreibgeschützt. Skylog braucht Schreibrecht auf diese "
                               "Datei.")
                    .arg(dataPath)};
    case Fault::Foreign:
        return {failure.error.number,
                failure.error.text +
                    QStringLiteral(" Skylog ändert sie nicht. Benennen Sie sie um oder verschieben "
                                   "Sie sie, dann legt Skylog eine neue Datenbank an.")};
    default:
        return {failure.error.number, QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2")
                                          .arg(dataPath, failure.error.text)};
    }
}

} // namespace

StartClock StartClock::system() {
    return {[] { return QDateTime::currentDateTime(); },
            [](int milliseconds) {
                QEventLoop loop;
                QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
                loop.exec();
            }};
}

RunError lockFileError(const QString &lockPath, bool permissionDenied) {
    const QFileInfo lock(lockPath);
    if (permissionDenied)
        return readOnlyDirectory(lock.absolutePath());
    return RunError::fileAccess(QStringLiteral("Die Sperrdatei %1 kann nicht angelegt werden.")
                                    .arg(QDir::toNativeSeparators(lock.absoluteFilePath())));
}

StartOutcome openOrRecreate(const QString &programDir, const StartClock &clock) {
    const QString dataPath = QDir(programDir).filePath(dataFileName);
    const QDateTime giveUp = clock.now().addSecs(lockPatienceSeconds);
    std::optional<OpenFailure> failure = openMainDb(dataPath);
    while (failure && failure->fault == Fault::Locked && clock.now() < giveUp) {
        clock.wait(lockRetryMilliseconds);
        failure = openMainDb(dataPath);
    }
    StartOutcome outcome;
    if (!failure) {
        outcome.kind = StartOutcome::Kind::Opened;
        return outcome;
    }
    const auto stop = [&outcome](const RunError &error) {
        outcome.kind = StartOutcome::Kind::Stop;
        outcome.error = error;
        return outcome;
    };
    if (failure->fault == Fault::Damaged) {
        // Only a file that SQLite itself cannot read is put aside, whole, for a later rescue.
        std::optional<RunError> moveError;
        outcome.movedTo = moveAside(dataPath, clock.now(), &moveError);
        if (moveError)
            return stop(directoryWritable(programDir) ? *moveError : readOnlyDirectory(programDir));
        outcome.notice = QStringLiteral("Die Datenbank %1 konnte nicht geöffnet werden: %2 Sie wurde nach %3 "
                                        "verschoben und aus der Vorlage %4 neu angelegt.")
                             .arg(dataFileName, failure->error.text, QFileInfo(outcome.movedTo).fileName(),
                                  templateFileName);
    } else if (failure->fault != Fault::Missing) {
        return stop(openReport(*failure, programDir, dataPath));
    }

    const QString templatePath = QDir(programDir).filePath(templateFileName);
    if (auto error = copyTemplate(templatePath, dataPath)) {
        if (!QFileInfo(templatePath).isFile())
            return stop({RunError::fileNotFound().number,
                         QStringLiteral("Die Datenbank %1 fehlt, und die Vorlage %2, aus der sie angelegt "
                                        "wird, ist nicht da.")
                             .arg(dataPath, templatePath)});
        if (!directoryWritable(programDir))
            return stop(readOnlyDirectory(programDir));
        return stop(diskFull(programDir) ? diskFullReport(dataPath) : *error);
    }
    if (auto reopened = openMainDb(dataPath))
        return stop(openReport(*reopened, programDir, dataPath));
    outcome.kind = StartOutcome::Kind::Recreated;
    return outcome;
}

} // namespace Store
