#include "simulator.h"

#include <QRegularExpression>

bool Simulator::start(const QString &programDir, const QStringList &arguments) {
    // Its log (standard error) and its ready line (standard output) in one stream, in order.
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(SKYLOG_LOGGER_SIM, QStringList{"--dir", programDir, "--verbose"} + arguments);
    bool ok = process.waitForStarted(10000);
    while (ok && !log().contains("bereit:"))
        ok = process.waitForReadyRead(10000);
    return ok;
}

Simulator::~Simulator() {
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

QString Simulator::log() {
    return collected += QString::fromUtf8(process.readAllStandardOutput());
}

QStringList Simulator::requests() {
    static const QRegularExpression request("^\\S+ (A|H|M|MR)(?: ->|: keine Antwort)",
                                            QRegularExpression::MultilineOption);
    QStringList found;
    for (auto it = request.globalMatch(log()); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

bool Simulator::command(const QString &line) {
    const qsizetype before = log().count('\n');
    process.write(line.toUtf8() + '\n');
    bool ok = true;
    while (ok && log().count('\n') == before)
        ok = process.waitForReadyRead(10000);
    return ok && !log().section('\n', int(before)).contains("Ungültig");
}
