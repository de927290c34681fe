#include "app/instancelock.h"

#include "store/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

const QString InstanceLock::serviceOption = QStringLiteral("--headless");

InstanceLock::InstanceLock(const QString &programDir)
    : lock(std::make_unique<QLockFile>(QDir(programDir).filePath(QStringLiteral("skylog.lock")))) {
    lock->setStaleLockTime(0);
    taken = lock->tryLock(0);
    if (!taken) {
        QString host;
        QString name;
        lock->getLockInfo(&holderPid, &host, &name);
        // The lock names the holder's process; its command line tells window from service.
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(holderPid));
        if (commandLine.open(QIODevice::ReadOnly))
            holderIsService = commandLine.readAll().split('\0').contains(serviceOption.toLatin1());
    }
}

QString InstanceLock::refusal() const {
    if (taken)
        return QString();
    if (holderIsService)
        return QStringLiteral("Skylog läuft in diesem Programmverzeichnis bereits als Dienst (Prozess %1). "
                              "Beenden Sie zuerst den Dienst (systemctl stop skylog).")
            .arg(holderPid);
    if (QCoreApplication::arguments().contains(serviceOption))
        return QStringLiteral("Skylog läuft in diesem Programmverzeichnis bereits mit Fenster (Prozess %1).")
            .arg(holderPid);
    return QStringLiteral("Die Applikation ist bereits aktiv!");
}

std::optional<RunError> InstanceLock::fault() const {
    switch (lock->error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return std::nullopt;
    case QLockFile::PermissionError:
    case QLockFile::UnknownError:
        break;
    }
    return Store::lockFileError(lock->fileName(), lock->error() == QLockFile::PermissionError);
}
