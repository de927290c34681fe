#include "eval/errorlogfile.h"

#include "eval/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

qint64 minuteOf(const QDateTime &t) {
    return t.toSecsSinceEpoch() / 60;
}

} // namespace

ErrorLog::ErrorLog(const QString &dir, const QLocale &loc) : programDir(dir), locale(loc) {}

void ErrorLog::setRotation(qint64 bytes, int copies) {
    maxBytes = bytes;
    keep = copies;
}

QString ErrorLog::path(int rotated) const {
    const QString name = rotated == 0
                             ? QString(errorLogName)
                             : QFileInfo(errorLogName).completeBaseName() +
                                   QStringLiteral(".%1.").arg(rotated) + QFileInfo(errorLogName).suffix();
    return QDir(programDir).filePath(name);
}

std::optional<RunError> ErrorLog::write(const QDateTime &now, const QString &text, int kind) {
    countMessage(now);
    std::optional<RunError> error = summarise(now, false);
    const auto same = std::find_if(repeats.begin(), repeats.end(),
                                   [&](const Repeat &r) { return r.kind == kind && r.text == text; });
    if (same != repeats.end()) {
        ++same->count;
        same->last = now;
        return error;
    }
    repeats.append(Repeat{text, kind, now, now, 0});
    auto written = append(now, text);
    return error ? error : written;
}

std::optional<RunError> ErrorLog::tick(const QDateTime &now) {
    return summarise(now, false);
}

std::optional<RunError> ErrorLog::flush(const QDateTime &now) {
    return summarise(now, true);
}

std::optional<RunError> ErrorLog::summarise(const QDateTime &now, bool all) {
    std::optional<RunError> first;
    for (auto it = repeats.begin(); it != repeats.end();) {
        const bool quiet = all || it->last.secsTo(now) >= quietMinutes * 60;
        const bool hourly = it->since.secsTo(now) >= summaryMinutes * 60;
        if (it->count > 0 && (quiet || hourly)) {
            const QDateTime end = quiet ? it->last : now;
            const qint64 minutes = std::max<qint64>(1, it->since.secsTo(end) / 60);
            const QString span = minutes == 1 ? QStringLiteral("1 Minute")
                                              : locale.toString(minutes) + QStringLiteral(" Minuten");
            auto error = append(now, QStringLiteral("%1 (wiederholt %2-mal in %3)")
                                         .arg(it->text, locale.toString(it->count), span));
            if (!first)
                first = error;
            it->count = 0;
            it->since = now;
        }
        if (quiet)
            it = repeats.erase(it);
        else
            ++it;
    }
    return first;
}

std::optional<RunError> ErrorLog::append(const QDateTime &now, const QString &text) {
    const QString line = stampedLine(now, text, locale);
    const std::optional<RunError> rotation = rotate(line.size() + 2);
    const std::optional<RunError> written = appendTextLine(path(), line);
    return written ? written : rotation;
}

std::optional<RunError> ErrorLog::rotate(qint64 incoming) {
    const QFileInfo current(path());
    if (!current.exists() || current.size() == 0 || current.size() + incoming <= maxBytes)
        return std::nullopt;
    const auto refused = [](const QString &file) {
        return RunError{RunError::permissionDenied().number,
                        RunError::permissionDenied().text + QStringLiteral(": ") + file};
    };
    QFile::remove(path(keep));
    for (int n = keep - 1; n >= 1; --n) {
        if (QFile::exists(path(n)) && !QFile::rename(path(n), path(n + 1)))
            return refused(path(n));
    }
    if (!QFile::rename(path(), path(1)))
        return refused(path());
    return std::nullopt;
}

void ErrorLog::countMessage(const QDateTime &now) {
    const qint64 minute = minuteOf(now);
    if (!perMinute.empty() && perMinute.back().first == minute)
        ++perMinute.back().second;
    else
        perMinute.emplace_back(minute, 1);
    const auto fresh = std::find_if(perMinute.begin(), perMinute.end(),
                                    [minute](const auto &m) { return m.first > minute - summaryMinutes; });
    perMinute.erase(perMinute.begin(), fresh);
}

int ErrorLog::messagesLastHour(const QDateTime &now) const {
    const qint64 minute = minuteOf(now);
    int sum = 0;
    for (const auto &[m, count] : perMinute) {
        if (m > minute - summaryMinutes && m <= minute)
            sum += count;
    }
    return sum;
}
