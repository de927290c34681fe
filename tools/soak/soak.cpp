#include "soak.h"

#include "device.h"
#include "eval/messages.h"
#include "link/acquisition.h"
#include "store/database.h"
#include "store/sysconf.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// The timings of the soak's station: a poll every 30 s, a fetch every 10 minutes, 10 s for every answer.
constexpr int pollMs = 30000;
constexpr int answerTimeoutMs = 10000;

// How often the error log tells of a message, its summaries of repeats included.
int reports(const QByteArray &log, const QByteArray &text) {
    static const QRegularExpression repeated(QStringLiteral("\\(wiederholt ([0-9.]+)-mal in"));
    int count = 0;
    for (const QByteArray &line : log.split('\n')) {
        if (!line.contains(text))
            continue;
        const QRegularExpressionMatch m = repeated.match(QString::fromLatin1(line));
        count += m.hasMatch() ? m.captured(1).remove(QLatin1Char('.')).toInt() : 1;
    }
    return count;
}

} // namespace

QString SoakFigures::report() const {
    return QStringLiteral(
               "%1 h simuliert in %2 s (%16 s Rechenzeit): %3 Anfragen, %4 Abfragen, %5 Geräteausfälle\n"
               "Datensätze: %6 ausgegeben, %7 gespeichert, %8 fehlen (%9 Verlustmeldungen im "
               "Fehlerprotokoll), "
               "%10 doppelt gespeichert\n"
               "längste Zeit ohne Anfrage bei offener Schnittstelle: %11 s (Grenze %12 s; Stillstand des "
               "Prozesses, nicht mitgezählt: %17 s); Header-Anfragen während einer Abfrage: %13\n"
               "Speicher (VmRSS): %14 kB nach einem Zehntel, %15 kB am Ende\n")
        .arg(simulatedHours, 0, 'f', 1)
        .arg(realSeconds, 0, 'f', 1)
        .arg(requests)
        .arg(fetches)
        .arg(vanishes)
        .arg(recordsHandedOut)
        .arg(recordsStored)
        .arg(recordsMissing)
        .arg(lossReports)
        .arg(timesStoredTwice)
        .arg(longestSilenceMs / 1000.0, 0, 'f', 1)
        .arg(silenceLimitMs / 1000)
        .arg(headersInsideFetch)
        .arg(rssEarlyKb)
        .arg(rssEndKb)
        .arg(cpuSeconds, 0, 'f', 1)
        .arg(stalledMs / 1000.0, 0, 'f', 1);
}

bool acceleratedTime(int argc, char *argv[], int speed) {
    if (qEnvironmentVariableIsSet("FAKETIME"))
        return true;
    // The library itself rather than the faketime command, so that the process stays one process.
    const char *library = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    if (!QFile::exists(QString::fromLatin1(library)))
        return false;
    ::setenv("LD_PRELOAD", library, 1);
    ::setenv("FAKETIME", ("@2026-12-05 10:00:00 x" + QByteArray::number(speed)).constData(), 1);
    std::vector<char *> arguments(argv, argv + argc);
    arguments.push_back(nullptr);
    ::execv("/proc/self/exe", arguments.data());
    return false;
}

SoakFigures runSoak(const SoakOptions &options) {
    SoakFigures figures;
    QTemporaryDir dir;
    if (!QFile::copy(QStringLiteral(SKYLOG_TEMPLATE_DB), dir.filePath(Store::dataFileName))) {
        figures.failure = QStringLiteral("Die Vorlage %1 fehlt.").arg(QStringLiteral(SKYLOG_TEMPLATE_DB));
        return figures;
    }
    QFile::setPermissions(dir.filePath(Store::dataFileName), QFile::ReadOwner | QFile::WriteOwner);
    {
        QSqlDatabase prepare =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
        prepare.setDatabaseName(dir.filePath(Store::dataFileName));
        prepare.open();
        QSqlQuery query(prepare);
        query.exec(
            QStringLiteral("UPDATE tblSysConf SET MomAktiv = 1, MomInter = %1, MittelAktiv = 1, "
                           "MittInter = 10, SaveMitt = 1, MomTimeOut = %2, MittTimeOut = %2, maxTries = 5")
                .arg(pollMs)
                .arg(answerTimeoutMs));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (auto error = Store::openMainDb(dir.filePath(Store::dataFileName))) {
        figures.failure = error->error.text;
        return figures;
    }
    const SysConfLoad loaded = loadSysConf(Store::MainDb(), SysConf);

    loggersim::LoggerSettings loggerSettings;
    loggerSettings.initialRecords = 3;
    loggerSettings.seed = options.seed;
    loggersim::Logger logger(loggerSettings, QDateTime::currentDateTime());
    loggersim::FaultPlan plan({}, options.faultRate, options.seed);
    loggersim::LoggerDevice device({dir.filePath(QStringLiteral("dosdevices/com1"))}, logger, plan,
                                   [] { return QDateTime::currentDateTime(); });
    QString error;
    if (!device.open(&error)) {
        figures.failure = error;
        return figures;
    }
    const bool trace = qEnvironmentVariableIsSet("SOAK_TRACE");
    QObject::connect(&device, &loggersim::LoggerDevice::logged, [&figures, trace](const QString &text) {
        if (trace)
            qInfo().noquote() << QTime::currentTime().toString() << "LOGGER" << text;
        if (text.startsWith(QStringLiteral("Gerät verschwindet")))
            ++figures.vanishes;
    });

    auto engine = std::make_unique<Acquisition>(dir.path());
    Acquisition &a = *engine;
    if (trace)
        QObject::connect(&a, &Acquisition::statusShown, [](const QString &text) {
            qInfo().noquote() << QTime::currentTime().toString() << "STATUS" << text;
        });
    a.station = QStringLiteral("01");
    a.AktTimer.setInterval(*loaded.MomInter);
    a.GetNextAcc();
    figures.silenceLimitMs = std::max(answerTimeoutMs, 60000) + 5000;

    // Silence is measured only while the port is open, from the later of the last request and the opening.
    // A process that the machine did not run for a moment (a busy build beside it) stands still in fast
    // time for hundreds of times as long: a heartbeat counts such stalls, and they are not the program's.
    QElapsedTimer clock;
    clock.start();
    qint64 since = 0;
    qint64 stalledMs = 0;
    qint64 stalledSince = 0;
    qint64 lastBeat = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.start(1000);
    // After a stall the overdue timers fire in any order: the stall the heartbeat has not counted yet is
    // taken into account at once.
    const auto stalledUntil = [&](qint64 now) {
        return stalledMs + std::max<qint64>(0, now - lastBeat - 1000);
    };
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        stalledMs = stalledUntil(now);
        lastBeat = now;
    });
    bool inFetch = false;
    const auto silenceUntil = [&](qint64 now) {
        if (!a.isConnected())
            return;
        figures.longestSilenceMs =
            std::max(figures.longestSilenceMs, now - since - (stalledUntil(now) - stalledSince));
        figures.stalledMs = stalledUntil(now);
    };
    QObject::connect(&a, &Acquisition::requestSent, [&](const QByteArray &command) {
        if (trace)
            qInfo().noquote() << QTime::currentTime().toString() << "REQUEST" << command;
        silenceUntil(clock.elapsed());
        since = clock.elapsed();
        stalledSince = stalledUntil(since);
        ++figures.requests;
        if (command == "H" && inFetch)
            ++figures.headersInsideFetch;
    });
    QObject::connect(&a, &Acquisition::connectionChanged, [&](bool open) {
        if (open) {
            since = clock.elapsed();
            stalledSince = stalledUntil(since);
        }
    });
    QObject::connect(&a, &Acquisition::fetchStarted, [&] {
        inFetch = true;
        ++figures.fetches;
    });
    QObject::connect(&a, &Acquisition::fetchEnded, [&] { inFetch = false; });

    ComConfig::Entry com;
    com.Com = 0;
    if (a.ConnectIt(true, com) != 1) {
        figures.failure = QStringLiteral("Die Schnittstelle ließ sich nicht öffnen.");
        return figures;
    }
    a.startAcquisition();

    const qint64 durationMs = qint64(options.days * 86400000.0);
    QEventLoop loop;
    QTimer::singleShot(durationMs / 10, [&] { figures.rssEarlyKb = residentKb(); });
    QTimer::singleShot(durationMs, &loop, &QEventLoop::quit);
    loop.exec();
    silenceUntil(clock.elapsed());
    QObject::connect(&a, &Acquisition::stopped, &loop, &QEventLoop::quit);
    a.requestStop();
    loop.exec();
    figures.rssEndKb = residentKb();
    figures.simulatedHours = clock.elapsed() / 3600000.0;
    figures.realSeconds = figures.simulatedHours * 3600.0 / options.speed;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;

    // Every record the logger handed out is stored once, or the error log tells of its loss.
    figures.recordsHandedOut = int(device.handedOut().size());
    QSqlQuery rows(Store::MainDb());
    rows.exec(QStringLiteral("SELECT MeasTime, count(*) FROM tblMesswerte WHERE was = 2 GROUP BY MeasTime"));
    QHash<QString, int> stored;
    while (rows.next())
        stored.insert(rows.value(0).toString(), rows.value(1).toInt());
    rows.finish();
    for (const QDateTime &t : device.handedOut()) {
        const int count = stored.value(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        if (count == 0)
            ++figures.recordsMissing;
    }
    for (int count : stored)
        figures.timesStoredTwice += count > 1 ? 1 : 0;
    figures.recordsStored = int(stored.size());
    // The repeats still counted get their summary line when the acquisition ends.
    engine.reset();
    QFile logFile(dir.filePath(errorLogName));
    const QByteArray log = logFile.open(QIODevice::ReadOnly) ? logFile.readAll() : QByteArray();
    figures.lossReports =
        reports(log, "Daten k\xf6nnen nicht abgefragt werden.") + reports(log, "ist unterbrochen");
    Store::MainDb().close();
    return figures;
}
