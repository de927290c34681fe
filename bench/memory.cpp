// Resident memory (VmRSS) of the headless service, and of the window program until the browser window opens
// and after it opened.
//   bench_memory [program]      program: the executable to measure in part 1 (default: skylog of this build)
// Both parts run on a temporary program directory whose COM 1 is the logger simulator, so the program polls
// as at a station.
// 1. The program itself, copied into that directory (it takes the directory of its executable as its program
//    directory), after it has run for a while: as the service ("--headless"), then with its window.
// 2. The same start in this process (MeasPnt::Main, as main() does it), before and after the browser window
//    has opened and had 15 s to load its page; the browser process and the web engine's helper processes are
//    added up on their own.
// 3. The processor time the service takes while it waits for the simulator that has gone away.
#include "app/measpnt.h"
#include "publish/ui/browserwindow.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

namespace {

constexpr int settleMs = 8000;
constexpr int waitingMs = 30000;
constexpr int browserMs = 15000;

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A field of /proc/<pid>/status in kB, 0 when the process is gone.
qint64 statusKb(qint64 pid, const QByteArray &field) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The resident memory of the descendants of a process, but for one, and their number.
std::pair<qint64, int> descendantsKb(qint64 root, qint64 except) {
    QMap<qint64, qint64> parent;
    for (QDirIterator it(QStringLiteral("/proc")); it.hasNext();) {
        bool number = false;
        const qint64 pid = QFileInfo(it.next()).fileName().toLongLong(&number);
        if (number)
            parent[pid] = statusKb(pid, "PPid");
    }
    qint64 kb = 0;
    int count = 0;
    for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
        if (it.key() == except)
            continue;
        for (qint64 p = it.value(); p > 1; p = parent.value(p)) {
            if (p == root) {
                kb += statusKb(it.key(), "VmRSS");
                ++count;
                break;
            }
        }
    }
    return {kb, count};
}

// User and system time of a process in clock ticks (fields 14 and 15 of /proc/<pid>/stat).
qint64 cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
    return fields.value(12).toLongLong() + fields.value(13).toLongLong();
}

double mb(qint64 kb) {
    return double(kb) / 1024.0;
}

bool prepareProgramDir(const QString &dir) {
    const QString data = QDir(dir).filePath(QStringLiteral("Skylog.db"));
    if (!QFile::copy(QStringLiteral(SKYLOG_PROGRAM_DIR "/SkylogIni.db"),
                     QDir(dir).filePath("SkylogIni.db")) ||
        !QFile::copy(QStringLiteral(SKYLOG_PROGRAM_DIR "/SkylogIni.db"), data))
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
        db.setDatabaseName(data);
        ok = db.open() && QSqlQuery(db).exec(QStringLiteral("UPDATE tblTemp SET Configured = 1"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    return ok;
}

} // namespace

int main(int argc, char *argv[]) {
    // Without a display the windows are drawn off screen (which takes a little less memory than X11).
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing leaves the machine: the browser's requests go to a closed local port.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=127.0.0.1:9");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QString program =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(SKYLOG_PROGRAM_DIR "/skylog");

    QTemporaryDir dir;
    if (!prepareProgramDir(dir.path())) {
        std::fprintf(stderr, "no program directory\n");
        return 1;
    }
    QProcess sim;
    sim.start(QStringLiteral(SKYLOG_LOGGER_SIM), {"--dir", dir.path(), "--com", "1", "--station", "01"});
    while (sim.waitForReadyRead(10000) && !sim.readAllStandardOutput().contains("bereit:")) {
    }
    if (sim.state() != QProcess::Running) {
        std::fprintf(stderr, "logger-sim did not start\n");
        return 1;
    }

    const QString copy = dir.filePath(QStringLiteral("skylog"));
    if (!QFile::copy(program, copy)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(program));
        return 1;
    }
    for (const QStringList &arguments : {QStringList{QStringLiteral("--headless")}, QStringList()}) {
        QProcess own;
        own.start(copy, arguments);
        if (!own.waitForStarted(10000)) {
            std::fprintf(stderr, "%s did not start\n", qPrintable(program));
            return 1;
        }
        wait(settleMs);
        std::printf("%-58s %6.1f MB\n",
                    qPrintable(QStringLiteral("%1 %2, after %3 s on the simulator:")
                                   .arg(QFileInfo(program).fileName(), arguments.join(QLatin1Char(' ')))
                                   .arg(settleMs / 1000)),
                    mb(statusKb(own.processId(), "VmRSS")));
        own.terminate();
        own.waitForFinished(10000);
    }

    auto running = MeasPnt::Main(dir.path());
    if (!running) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    wait(settleMs);
    const qint64 self = getpid();
    std::printf("%-58s %6.1f MB\n",
                "started in this process, before the browser window:", mb(statusKb(self, "VmRSS")));

    BrowserWindow::setProgram(QStringLiteral(SKYLOG_PROGRAM_DIR "/skylog"));
    BrowserWindow::show(nullptr);
    // The browser process starts its engine and loads the page.
    wait(browserMs);
    const auto [helpersKb, helpers] = descendantsKb(self, sim.processId());
    std::printf("%-58s %6.1f MB (and %.1f MB in %d processes of the browser)\n",
                "after the browser window opened and loaded its page:", mb(statusKb(self, "VmRSS")),
                mb(helpersKb), helpers);
    running->f->close();
    running.reset();

    QProcess service;
    service.start(copy, {QStringLiteral("--headless")});
    wait(settleMs);
    sim.terminate();
    sim.waitForFinished(10000);
    wait(2000);
    const qint64 before = cpuTicks(service.processId());
    wait(waitingMs);
    const double share =
        double(cpuTicks(service.processId()) - before) / double(sysconf(_SC_CLK_TCK)) / (waitingMs / 1000.0);
    std::printf("%-58s %6.2f %% of a core\n", "the service waiting for its vanished device:", 100.0 * share);
    service.terminate();
    service.waitForFinished(10000);
    return 0;
}
