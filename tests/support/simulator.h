#pragma once

#include <QProcess>

// The logger simulator as a separate process on a pseudo-terminal linked into a program directory.
class Simulator {
public:
    // Starts it with --verbose and waits until it is ready; false when it did not start.
    bool start(const QString &programDir, const QStringList &arguments);
    ~Simulator();

    // The requests it has answered (or not), in order: "A", "H", "M", "MR" per line of its log.
    QStringList requests();
    QString log();
    // Sends a command line ("zeit …", "wert …") and waits until the simulator has carried it out.
    bool command(const QString &line);

private:
    QProcess process;
    QString collected;
};
