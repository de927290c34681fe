#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

// Message kinds of AddText; any other number is a plain status text.
namespace MessageKind {
constexpr int unexpectedError = -3; // run-time error of a routine, to the error log
constexpr int fetchProgress = -2;   // progress of the average fetch, stamped status line in cyan
constexpr int checkFailed = -1;     // failed check on data, port or time-out, to the error log
constexpr int outputLine = 0;       // one line of the text output file
constexpr int statusMessage = 1;    // status line in blue
} // namespace MessageKind

inline constexpr QLatin1String errorLogName("Errorlog.txt");

// Colours of the status line (blue * 65536 + green * 256 + red).
constexpr quint32 statusCyan = 16776960;
constexpr quint32 statusBlue = 16711680;

// Where a message of one kind goes and how it looks.
struct MessageRoute {
    enum class Target { ErrorLog, OutputFile, StatusLine };
    Target target = Target::StatusLine;
    bool timeStamped = false;      // the text is preceded by the current date-time and " - "
    std::optional<quint32> colour; // status line colour; none leaves the colour as it is
};

MessageRoute messageRoute(int kind);

// "<general date-time> - <text>", the form of error log lines and stamped status texts.
QString stampedLine(const QDateTime &now, const QString &text, const QLocale &loc = QLocale());

// Appends one line to a text file (created when missing) in ISO-8859-1 with CR LF, opening and closing the
// file for this line alone so that other programs may read it in between. Characters outside ISO-8859-1
// become "?". Gives the error when the file cannot be opened or written, or is one of the database's files.
std::optional<RunError> appendTextLine(const QString &path, const QString &line);

// Writes all of `bytes` at the end of a file opened unbuffered (so that no failed write is tried again when
// it closes) and then calls `sync` (when given). A write cut short (a full disk) is taken back, so that the
// next line does not run into half a line. Gives the reason when it failed.
std::optional<QString> appendWhole(QFile &file, const QByteArray &bytes,
                                   const std::function<bool(QFile &)> &sync = {});

// A file name as the program uses it: a relative name lies in dir (the program directory), an absolute one
// stays as it is.
QString resolveInDir(const QString &dir, const QString &name);

// Appends a time-stamped line to the error log in the program directory.
std::optional<RunError> writeLog(const QString &programDir, const QDateTime &now, const QString &text,
                                 const QLocale &loc = QLocale());
