#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// The error log "Errorlog.txt" of the program directory. Every line is the local date-time, " - " and the
// text, appended as appendTextLine does (ISO-8859-1, CR LF, the file opened and closed for each line).
//
// A station that runs for months must not fill its disk with one fault repeated at every poll: a message that
// comes again with the same text and kind while its first line is less than an hour old is counted, not
// written. Once it has not come for quietMinutes, or at the latest an hour after its line (or its last
// summary), one line says how often it came meanwhile:
//     "<text> (wiederholt 1.234-mal in 60 Minuten)"
// After a quiet summary the next occurrence is written in full again. The file is rotated before it grows
// beyond maxBytes: Errorlog.txt becomes Errorlog.1.txt, Errorlog.1.txt becomes Errorlog.2.txt, and so on;
// the oldest beyond `keep` is deleted.
class ErrorLog {
public:
    static constexpr int quietMinutes = 10;
    static constexpr int summaryMinutes = 60;
    static constexpr qint64 defaultMaxBytes = 10 * 1024 * 1024;
    static constexpr int defaultKeep = 5;

    explicit ErrorLog(const QString &programDir, const QLocale &loc = QLocale());

    // keep: at least 1.
    void setRotation(qint64 maxBytes, int keep);

    // Writes one message or counts it as a repeat. Summaries that are due come first. Gives the first write
    // error, for a message box.
    std::optional<RunError> write(const QDateTime &now, const QString &text, int kind);
    // Writes the summaries that are due; called once a minute.
    std::optional<RunError> tick(const QDateTime &now);
    // Writes a summary of every repeat still counted; called at shutdown.
    std::optional<RunError> flush(const QDateTime &now);

    // Messages given to write() in the hour up to now, repeats included.
    int messagesLastHour(const QDateTime &now) const;

private:
    // The path of the log and of its rotated copy n (1 ... keep).
    QString path(int rotated = 0) const;

    struct Repeat {
        QString text;
        int kind = 0;
        QDateTime since; // time of the full line or of the last summary
        QDateTime last;  // latest occurrence
        qint64 count = 0;
    };

    std::optional<RunError> summarise(const QDateTime &now, bool all);
    std::optional<RunError> append(const QDateTime &now, const QString &text);
    std::optional<RunError> rotate(qint64 incoming);
    void countMessage(const QDateTime &now);

    QString programDir;
    QLocale locale;
    qint64 maxBytes = defaultMaxBytes;
    int keep = defaultKeep;
    QList<Repeat> repeats;
    // Messages per minute (minute since the epoch, count), oldest first.
    std::vector<std::pair<qint64, int>> perMinute;
};
