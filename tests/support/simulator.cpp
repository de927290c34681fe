#include "simulator.h"

#include <QRegularExpression>

bool Simulator::start(const QString &programDir, const QStringList &arguments) {
    process.setProgram(QStringLiteral(SKYLOG_LOGGER_SIM));
    process.setArguments(QStringList{QStringLiteral("--dir"), programDir, QStringLiteral("--verbose")} +
                         arguments);
    // Its log (standard error) and its ready line (standard output) in one stream, in order.
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted(10000))
        return false;
    while (!log().contains(QStringLiteral("bereit:"))) {
        if (!process.waitForReadyRead(10000))
            return false;
    }
    return true;
}

Simulator::~Simulator() {
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

QString Simulator::log() {
    collected += QString::fromUtf8(process.readAllStandardOutput());
    return collected;
}

QStringList Simulator::requests() {
    static const QRegularExpression request(QStringLiteral("^\\S+ (A|H|M|MR)(?: ->|: keine Antwort)"),
                                            QRegularExpression::MultilineOption);
    QStringList found;
    auto it = request.globalMatch(log());
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

bool Simulator::command(const QString &line) {
    const qsizetype before = log().count(QLatin1Char('\n'));
    process.write(line.toUtf8() + '\n');
    while (log().count(QLatin1Char('\n')) == before) {
        if (!process.waitForReadyRead(10000))
            return false;
    }
    return !log().section(QLatin1Char('\n'), int(before)).contains(QStringLiteral("Ungültig"));
}
