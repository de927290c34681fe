#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The post-processing check: at the first "A" telegram of minutes 0 ... 5 of the morning and the afternoon
// check hour, the value of the check channel is compared with the hour's threshold; when it is reached, the
// post-processing program is started with "<hour>-<value>", and again with "c<hour>-<value>" at the
// follow-up times of that half of the day. Morning and afternoon check re-arm each other, so each fires once
// a day.
class PostCheck {
public:
    // Starts a command line ("Nachlauf.exe 10-24") without waiting for it.
    using Starter = std::function<std::optional<RunError>(const QString &commandLine)>;
    using Beep = std::function<void()>;
    // Receives the error of a check in which a step failed, for a kind -3 report.
    using Reporter = std::function<void(const RunError &error)>;

    static constexpr int checkChannel = 19;

    PostCheck(Starter starter, Beep beep, Reporter report);

    // One "A" telegram: its time stamp and its value of the check channel (0 when the channel was missing).
    // Numbers in the argument take the locale's decimal point ("10-23,4" in German).
    void run(const QDateTime &t, double v, const QLocale &loc = QLocale());

private:
    void startAndBeep(const QString &argument, std::optional<RunError> &failure);

    const QString morningHour = QStringLiteral("10");
    const QString afternoonHour = QStringLiteral("15");
    static constexpr double morningThreshold = 22.0;
    static constexpr double afternoonThreshold = 27.5;
    // Slots 1 and 2 follow the morning check, slots 3 and 4 the afternoon check; slot 0 is unused.
    const std::array<QString, 5> followUpTimes{QString(), QStringLiteral("10:29"), QStringLiteral("13:59"),
                                               QStringLiteral("17:29"), QStringLiteral("21:29")};

    bool morningDone = false;
    bool afternoonDone = false;
    QString morningArgument;
    QString afternoonArgument;
    int lastFollowUpSlot = 0;

    Starter starter;
    Beep beep;
    Reporter report;
};

// The starter of the running program: the program named first in the command line is taken from programDir
// (the program's own directory, also its working directory) and started detached with the rest as its
// arguments. A missing file is "Datei nicht gefunden", one that may not be executed "Zugriff verweigert", one
// that the system refuses to run an invalid argument.
PostCheck::Starter programDirStarter(const QString &programDir);
