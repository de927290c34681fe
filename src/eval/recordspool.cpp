#include "eval/recordspool.h"

#include "eval/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr int lastChannel = 60;
const QString timeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QByteArray checksum(const QByteArray &body) {
    return QByteArray::number(qChecksum(body), 16).toUpper().rightJustified(4, '0');
}

RunError fileError(const QFile &file) {
    return RunError::fileAccess(fileFailureReason(file, errno));
}

bool syncToDisk(QFile &file) {
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// A new or removed file is only durable once its folder entry is.
void syncFolder(const QString &path) {
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path)
#endif
}

} // namespace

QByteArray spoolLine(const AverageRecord &record) {
    QByteArray body = QByteArray::number(record.provider) + '|' + QByteArray::number(record.config) + '|' +
                      record.recordTime.toString(timeFormat).toLatin1();
    for (int channel = 1; channel <= lastChannel; ++channel) {
        const quint8 code = record.headerCodes[channel];
        if (code == 0)
            continue;
        body += '|' + QByteArray::number(channel) + ',' + QByteArray::number(code, 16);
        for (int k = 1; k <= 3; ++k)
            body += ',' + QByteArray::number(record.values[channel][k], 'g', 17);
    }
    return body + '|' + checksum(body);
}

std::optional<AverageRecord> parseSpoolLine(const QByteArray &line) {
    const qsizetype end = line.lastIndexOf('|');
    if (end < 0 || line.mid(end + 1) != checksum(line.left(end)))
        return std::nullopt;
    const QList<QByteArray> items = line.left(end).split('|');
    if (items.size() < 3)
        return std::nullopt;
    AverageRecord record;
    bool providerOk = false;
    bool configOk = false;
    record.provider = items[0].toInt(&providerOk);
    record.config = items[1].toInt(&configOk);
    record.recordTime = QDateTime::fromString(QString::fromLatin1(items[2]), timeFormat);
    if (!providerOk || !configOk || !record.recordTime.isValid())
        return std::nullopt;
    for (qsizetype i = 3; i < items.size(); ++i) {
        const QList<QByteArray> fields = items[i].split(',');
        if (fields.size() != 5)
            return std::nullopt;
        bool ok = false;
        const int channel = fields[0].toInt(&ok);
        if (!ok || channel < 1 || channel > lastChannel)
            return std::nullopt;
        const uint code = fields[1].toUInt(&ok, 16);
        if (!ok || code < 1 || code > 255)
            return std::nullopt;
        record.headerCodes[channel] = quint8(code);
        for (int k = 1; k <= 3; ++k) {
            record.values[channel][k] = fields[k + 1].toDouble(&ok);
            if (!ok)
                return std::nullopt;
        }
    }
    return record;
}

std::optional<SpoolContents> readSpool(const QString &path, std::optional<RunError> *error) {
    *error = std::nullopt;
    SpoolContents contents;
    QFile file(path);
    if (!file.exists())
        return contents;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = fileError(file);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = fileError(file);
        return std::nullopt;
    }
    QList<QByteArray> lines = bytes.split('\n');
    // What follows the last line end never counted.
    lines.removeLast();
    for (const QByteArray &line : lines) {
        if (const auto record = parseSpoolLine(line))
            contents.records.append(*record);
        else
            ++contents.damagedLines;
    }
    return contents;
}

std::optional<RunError> appendToSpool(const QString &path, const AverageRecord &record) {
    const bool created = !QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fileError(file);
    qint64 size = file.size();
    if (size > 0 && (!file.seek(size - 1) || file.read(1) != "\n")) {
        // A line cut off by a crash is dropped: it never counted.
        file.seek(0);
        size = file.readAll().lastIndexOf('\n') + 1;
        if (!file.resize(size))
            return fileError(file);
    }
    if (!file.seek(size))
        return fileError(file);
    if (auto reason = appendWhole(file, spoolLine(record) + '\n', syncToDisk))
        return RunError::fileAccess(*reason);
    file.close();
    if (created)
        syncFolder(path);
    return std::nullopt;
}

std::optional<QString> RecordSpool::load(const QString &damaged) {
    std::optional<RunError> error;
    const auto contents = readSpool(path, &error);
    if (!contents) {
        unreadable = true;
        return QStringLiteral("Die aufbewahrten Datensätze in %1 können nicht gelesen werden: %2")
            .arg(QDir::toNativeSeparators(path), error->text);
    }
    for (const AverageRecord &record : contents->records)
        waiting.append({record, QString()});
    if (contents->damagedLines == 0)
        return std::nullopt;
    damagedName = damaged;
    return QStringLiteral("%1 enthält %2 unlesbare Zeilen. Die %3 lesbaren Datensätze werden gespeichert, "
                          "die Datei wird danach als %4 aufbewahrt.")
        .arg(QFileInfo(path).fileName())
        .arg(contents->damagedLines)
        .arg(contents->records.size())
        .arg(damaged);
}

std::optional<RunError> RecordSpool::keep(const AverageRecord &record, const QString &line) {
    auto error = appendToSpool(path, record);
    waiting.append({record, error ? line : QString()});
    return error;
}

std::optional<RunError> RecordSpool::store(const QSqlDatabase &db, QStringList *lines, int *stored) {
    QList<AverageRecord> records;
    for (const Waiting &w : waiting)
        records.append(w.record);
    if (auto error = storeAverageRecords(db, records, stored))
        return error;
    for (const Waiting &w : waiting) {
        if (!w.line.isEmpty())
            lines->append(w.line);
    }
    waiting.clear();
    if (unreadable || !QFileInfo::exists(path))
        return std::nullopt;
    if (damagedName.isEmpty())
        QFile::remove(path);
    else
        QFile::rename(path, QFileInfo(path).dir().filePath(std::exchange(damagedName, QString())));
    syncFolder(path);
    return std::nullopt;
}
