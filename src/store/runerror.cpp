#include "store/runerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

QString fileFailureReason(const QFileDevice &file, int err) {
    if (QFileInfo(file.fileName()).isDir())
        return QStringLiteral("%1 ist ein Ordner, keine Datei.")
            .arg(QDir::toNativeSeparators(file.fileName()));
    switch (err) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("Der Datenträger ist voll.");
    case EFBIG:
        return QStringLiteral("Die Datei hat die größte zulässige Länge erreicht.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EACCES:
    case EPERM:
        return RunError::permissionDenied().text;
    case ENOENT:
    case ENOTDIR:
        return RunError::pathNotFound().text;
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Ein-/Ausgabefehler.");
    default:
        return file.errorString();
    }
}
