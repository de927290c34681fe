#include "simulator.h"

#include <QRegularExpression>
#include <QTest>

bool Simulator::start(const QString &programDir, const QStringList &arguments) {
    process.setProgram(QStringLiteral(SKYLOG_LOGGER_SIM));
    process.setArguments(QStringList{QStringLiteral("--dir"), programDir, QStringLiteral("--verbose")} +
                         arguments);
    process.start();
    if (!process.waitForStarted(10000))
        return false;
    QByteArray out;
    while (!out.contains("bereit:")) {
        if (!process.waitForReadyRead(10000))
            return false;
        out += process.readAllStandardOutput();
    }
    return true;
}

Simulator::~Simulator() {
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

QString Simulator::log() {
    collected += QString::fromUtf8(process.readAllStandardError());
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
