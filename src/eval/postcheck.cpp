#include "eval/postcheck.h"

#include "eval/textout.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

const QString programName = QStringLiteral("Nachlauf.exe");

} // namespace

PostCheck::PostCheck(Starter starter_, Beep beep_, Reporter report_)
    : starter(std::move(starter_)), beep(std::move(beep_)), report(std::move(report_)) {}

void PostCheck::startAndBeep(const QString &argument, std::optional<RunError> &failure) {
    // A failed start is skipped like any other failing step; the beep still sounds.
    const auto error = starter(programName + QLatin1Char(' ') + argument);
    if (error)
        failure = error;
    beep();
}

void PostCheck::run(const QDateTime &t, double v, const QLocale &loc) {
    std::optional<RunError> failure;
    const QTime time = t.time();
    if (time.isValid() && time.minute() < 6) {
        const QString hour = QString::number(time.hour());
        if (!morningDone && hour == morningHour) {
            morningArgument = morningHour + QLatin1Char('-') + formatNumber(v, loc);
            morningDone = true;
            afternoonDone = false;
            if (v >= morningThreshold)
                startAndBeep(morningArgument, failure);
            else
                morningArgument.clear();
        }
        if (!afternoonDone && hour == afternoonHour) {
            afternoonArgument = afternoonHour + QLatin1Char('-') + formatNumber(v, loc);
            afternoonDone = true;
            morningDone = false;
            if (v >= afternoonThreshold)
                startAndBeep(afternoonArgument, failure);
            else
                afternoonArgument.clear();
        }
    }

    const QString clock = t.toString(QStringLiteral("HH:mm"));
    for (int slot = 1; slot <= 4; ++slot) {
        if (clock != followUpTimes[slot] || lastFollowUpSlot == slot)
            continue;
        const QString &argument = slot >= 3 ? afternoonArgument : morningArgument;
        if (!argument.isEmpty())
            startAndBeep(QLatin1Char('c') + argument, failure);
        lastFollowUpSlot = slot;
    }

    if (failure) {
        // The check of the current hour may fire again with the next telegram.
        morningDone = false;
        afternoonDone = false;
        report(*failure);
    }
}

PostCheck::Starter programDirStarter(const QString &programDir) {
    return [programDir](const QString &commandLine) -> std::optional<RunError> {
        QStringList arguments = QProcess::splitCommand(commandLine);
        if (arguments.isEmpty())
            return RunError::invalidArgument();
        const QString program = QDir(programDir).filePath(arguments.takeFirst());
        const QFileInfo file(program);
        if (!file.isFile())
            return RunError::fileNotFound();
        if (!file.isExecutable())
            return RunError::permissionDenied();
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setWorkingDirectory(programDir);
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (!process.startDetached())
            return RunError::invalidArgument();
        return std::nullopt;
    };
}
