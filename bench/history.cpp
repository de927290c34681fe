// Reading and reducing the stored averages of one channel for the history plot: a year of 10-minute records
// of 60 channels (52,560 records, 157,680 rows), plotted over the whole year and over one day.
//   bench_history [repetitions]
#include "eval/history.h"
#include "store/upgrade.h"
#include "support/measrows.h"
#include "support/programdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

constexpr int step = 10;
constexpr int plotWidth = 1000;
constexpr int channel = 19;

double cpuMsecs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Times {
    double first = 0;
    double best = 1e9;
    double cpu = 1e9;
};

// Milliseconds of the query, the gap search and the reduction of one channel over [from, to): the first of
// `repetitions` runs, the best, and the least processor time (the machine may be shared).
Times timePlot(const QSqlDatabase &db, const QDateTime &from, const QDateTime &to, const QDateTime &now,
               int repetitions, int *points) {
    Times times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMsecs();
        std::optional<RunError> error;
        const History::Rows rows = History::read(db, 1, 1, {channel}, from, to, &error);
        const auto gaps = History::storedGaps(db, 1, 1, step, rows.records, from, to, now, &error);
        const History::Plot plot = History::decimate(rows.channels[0].averages, from.toMSecsSinceEpoch(),
                                                     to.toMSecsSinceEpoch(), plotWidth, step * 90000);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (error)
            std::printf("error: %s\n", qPrintable(error->text));
        *points = 0;
        for (const auto &line : plot.lines)
            *points += int(line.size());
        times.cpu = std::min(times.cpu, cpuMsecs() - cpuStart);
        times.first = i == 0 ? ms : times.first;
        times.best = std::min(times.best, ms);
        Q_UNUSED(gaps);
    }
    return times;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? QByteArray(argv[1]).toInt() : 5;
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile(QStringLiteral("bench"));
    Store::upgradeSchema(db);

    const QDateTime now(QDate(2026, 12, 5), QTime(12, 0));
    const QDateTime start = now.addYears(-1);
    const int records = 365 * 24 * 6;
    QList<int> channels;
    for (int c = 1; c <= 60; ++c)
        channels << c;
    QElapsedTimer timer;
    timer.start();
    const bool written =
        insertAverageRecords(db, 1, 1, recordTimes(QDateTime(start.date(), QTime(0, 0)), step, records),
                             channels, [](int c, int k, int record) {
                                 const double mean = c + 10 * std::sin(record * 2 * M_PI / 144.0);
                                 return k == 1 ? mean : k == 2 ? mean - 1.5 : mean + 1.5;
                             });
    std::printf("database: %d records of 60 channels, %d rows, written in %.1f s%s\n", records, records * 3,
                timer.nsecsElapsed() / 1e9, written ? "" : " (FAILED)");

    int points = 0;
    const Times year = timePlot(db, start, now, now, repetitions, &points);
    std::printf(
        "one channel over a year: %.1f ms (first run %.1f ms, processor %.1f ms), %d points drawn, plot "
        "%d px wide\n",
        year.best, year.first, year.cpu, points, plotWidth);
    const Times day = timePlot(db, now.addDays(-1), now, now, repetitions, &points);
    std::printf("one channel over a day: %.1f ms (first run %.1f ms, processor %.1f ms), %d points drawn\n",
                day.best, day.first, day.cpu, points);
    db.close();
    return 0;
}
