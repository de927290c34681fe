#include "eval/messages.h"

#include "eval/textout.h"
#include "store/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

RunError openFailure(const QFile &file) {
    const int err = errno;
    const QFileInfo info(file.fileName());
    if (!info.absoluteDir().exists())
        return RunError::pathNotFound();
    const bool writable = info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
    if (!writable)
        return RunError::permissionDenied();
    return RunError::fileAccess(fileFailureReason(file, err));
}

} // namespace

MessageRoute messageRoute(int kind) {
    using Target = MessageRoute::Target;
    switch (kind) {
    case MessageKind::unexpectedError:
    case MessageKind::checkFailed:
        return {Target::ErrorLog, true, std::nullopt};
    case MessageKind::fetchProgress:
        return {Target::StatusLine, true, statusCyan};
    case MessageKind::outputLine:
        return {Target::OutputFile, false, std::nullopt};
    case MessageKind::statusMessage:
        return {Target::StatusLine, false, statusBlue};
    default:
        return {Target::StatusLine, false, std::nullopt};
    }
}

QString stampedLine(const QDateTime &now, const QString &text, const QLocale &loc) {
    return formatDateTime(now, loc) + QStringLiteral(" - ") + text;
}

std::optional<QString> appendWhole(QFile &file, const QByteArray &bytes,
                                   const std::function<bool(QFile &)> &sync) {
    const qint64 before = file.size();
    qint64 done = 0;
    int err = 0;
    // A write cut short is continued, so that the one that fails tells why.
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        done += n;
    }
    if (done == bytes.size()) {
        if (!sync || sync(file))
            return std::nullopt;
        err = errno;
    }
    const QString reason = fileFailureReason(file, err);
    file.resize(before);
    return reason;
}

std::optional<RunError> appendTextLine(const QString &path, const QString &line) {
    // The database's files are SQLite's alone: closing any other descriptor of them drops SQLite's locks.
    if (Store::isDataFile(path))
        return RunError{RunError::permissionDenied().number,
                        QStringLiteral("%1 gehört zur Datenbank und wird nicht als Textdatei beschrieben.")
                            .arg(QDir::toNativeSeparators(path))};
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered))
        return openFailure(file);
    if (auto reason = appendWhole(file, line.toLatin1() + "\r\n"))
        return RunError::deviceIo(*reason);
    file.close();
    return std::nullopt;
}

QString resolveInDir(const QString &dir, const QString &name) {
    if (QFileInfo(name).isAbsolute())
        return name;
    return QDir(dir).filePath(name);
}

std::optional<RunError> writeLog(const QString &programDir, const QDateTime &now, const QString &text,
                                 const QLocale &loc) {
    return appendTextLine(resolveInDir(programDir, QString(errorLogName)), stampedLine(now, text, loc));
}
