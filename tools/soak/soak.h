#pragma once

#include <QString>
#include <QtGlobal>

// A soak of the acquisition against the simulated logger with random faults, in accelerated time: the
// process runs under faketime, so that its timers and the logger's clock run many times faster than the
// wall clock while the pseudo-terminal and the database work for real.
struct SoakOptions {
    // How many times faster than the wall clock the process runs.
    int speed = 500;
    double days = 0.25;
    double faultRate = 0.1;
    quint64 seed = 1;
};

struct SoakFigures {
    double simulatedHours = 0;
    double realSeconds = 0;
    double cpuSeconds = 0;
    qint64 requests = 0;
    int fetches = 0;
    int recordsHandedOut = 0;
    int recordsStored = 0;
    int recordsMissing = 0;
    // Lines of the error log that tell of a record given up or a line lost in the middle of a fetch.
    int lossReports = 0;
    int timesStoredTwice = 0;
    int headersInsideFetch = 0;
    int vanishes = 0;
    qint64 longestSilenceMs = 0;
    qint64 stalledMs = 0;
    qint64 silenceLimitMs = 0;
    long rssEarlyKb = 0;
    long rssEndKb = 0;
    QString failure;

    QString report() const;
};

// Runs the program again under faketime at `speed` when faketime is installed and the process does not run
// under it yet; returns false when faketime is missing.
bool acceleratedTime(int argc, char *argv[], int speed);

SoakFigures runSoak(const SoakOptions &options);
