#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QString>

#include <functional>

// The start-up's decision on the data file: open it, recreate it from the template, or stop the program.
// Needs no window, so any front end can start the same way.
namespace Store {

// How long a data file that another program holds locked is waited for, and in which steps.
inline constexpr int lockPatienceSeconds = 30;
inline constexpr int lockRetryMilliseconds = 1000;

struct StartClock {
    // Names a moved-aside file and measures the patience with a locked one.
    std::function<QDateTime()> now;
    // Lets the given milliseconds pass.
    std::function<void(int milliseconds)> wait;

    // The real clock; waiting processes the pending events.
    static StartClock system();
};

struct StartOutcome {
    enum class Kind {
        // The data file is open as MainDb.
        Opened,
        // The data file was created from the template and is open as MainDb.
        Recreated,
        // The program cannot run; no database is open. Only a damaged file may have been moved aside.
        Stop,
    };
    Kind kind = Kind::Stop;
    // Where a damaged data file was moved to (empty when there was none), and the line that says so for the
    // error log.
    QString movedTo;
    QString notice;
    // Stop: the report for the operator.
    RunError error;
};

// Opens "Skylog.db" in programDir as MainDb. A missing file is copied from the template "SkylogIni.db". A
// file that SQLite reports as not a database or corrupt is moved aside with its journal as
// "Skylog-defekt-<time>.db", then copied anew. A locked file is tried again in steps for lockPatienceSeconds.
// Everything else stops the program with its own message: a locked, read-only or foreign file, a read-only
// directory, a full disk, a missing template.
StartOutcome openOrRecreate(const QString &programDir, const StartClock &clock);

// The report for the lock file that keeps a second copy out when it cannot be made: in a directory without
// write permission (permissionDenied) or for another reason.
RunError lockFileError(const QString &lockPath, bool permissionDenied);

} // namespace Store
