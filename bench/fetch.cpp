// Fetch of stored averages from the logger simulator over a pseudo-terminal, as the program does it.
//   bench_fetch [--no-store] [records] [baud ...]   e.g. bench_fetch 1000 0 38400   (0 = unthrottled)
// --no-store switches the storing of the averages off (SaveMitt), to measure the link alone.
// Prints records per second, CPU seconds per record and the ratio of the fetch's wall time to the time the
// bytes of the fetch take on a 38400-baud line (10 bits per byte).
#include "app/mainwindow.h"
#include "logger.h"
#include "store/database.h"
#include "support/programdir.h"
#include "support/simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

const QDateTime loggerStart(QDate(2026, 12, 5), QTime(10, 0, 0));

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Bytes on the line for one fetch: the requests and the simulator's answers, computed with its own code.
qint64 fetchBytes(int records) {
    loggersim::LoggerSettings settings;
    settings.layout = loggersim::generatedLayout(60);
    settings.threeValues = true;
    settings.initialRecords = records;
    loggersim::Logger logger(settings, loggerStart);
    const auto framed = [](const loggersim::Answer &a) {
        return loggersim::frameAnswer(a.kind, a.body).size();
    };
    qint64 bytes = 6 + framed(*logger.answer("H", loggerStart));
    for (int i = 0; i < records; ++i)
        bytes += 6 + framed(*logger.answer("M", loggerStart));
    return bytes;
}

bool runOnce(int records, int baud, bool store) {
    ProgramDir dir;
    {
        QSqlDatabase db = dir.createDataFile(QStringLiteral("prepare"));
        QSqlQuery(db).exec(QStringLiteral("UPDATE tblTemp SET Configured = 1"));
        QSqlQuery(db).exec(
            QStringLiteral(
                "UPDATE tblSysConf SET MomAktiv = 0, MittelAktiv = 1, MittTimeOut = 5000, SaveMitt = %1")
                .arg(store ? 1 : 0));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    Simulator sim;
    QStringList arguments{QStringLiteral("--start"),        loggerStart.toString(Qt::ISODate),
                          QStringLiteral("--channels"),     QStringLiteral("60"),
                          QStringLiteral("--three-values"), QStringLiteral("--records"),
                          QString::number(records)};
    if (baud > 0)
        arguments << QStringLiteral("--baud") << QString::number(baud);
    if (!sim.start(dir.path(), arguments)) {
        std::fprintf(stderr, "logger-sim did not start\n");
        return false;
    }
    bool ok = false;
    {
        MainWindow f(dir.path());
        f.load();
        if (f.ConnectIt(true) != 1) {
            std::fprintf(stderr, "port did not open\n");
            return false;
        }
        QElapsedTimer wall;
        const double cpuBefore = cpuSeconds();
        wall.start();
        f.engine()->GetHeader();
        QTimer wake;
        wake.start(100);
        while (f.engine()->fetchCycleActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = wall.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpuBefore;
        const qint64 lines = dir.readFile(QStringLiteral("Testlog.txt")).count("\r\n");
        const double lineSeconds = fetchBytes(records) * 10.0 / 38400.0;
        QSqlQuery stored(Store::MainDb());
        stored.exec(QStringLiteral("SELECT count(*) FROM tblMesswerte"));
        stored.next();
        std::printf("%-12s %6lld records  %8.1f records/s  %9.6f CPU s/record  wall %7.2f s  "
                    "wall / 38400-baud line time %.3f  (%d rows stored)\n",
                    baud > 0 ? qPrintable(QStringLiteral("%1 baud").arg(baud)) : "unthrottled",
                    static_cast<long long>(lines), lines / seconds, cpu / lines, seconds,
                    seconds / lineSeconds, stored.value(0).toInt());
        ok = lines == records;
        stored.finish();
        Store::MainDb().close();
    }
    return ok;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << argv[i];
    const bool store = !arguments.removeOne("--no-store");
    const int records = arguments.isEmpty() ? 1000 : arguments.takeFirst().toInt();
    QList<int> bauds;
    for (const QByteArray &baud : arguments)
        bauds << baud.toInt();
    if (bauds.isEmpty())
        bauds = {0, 38400};
    bool ok = true;
    for (int baud : bauds)
        ok = runOnce(records, baud, store) && ok;
    return ok ? 0 : 1;
}
