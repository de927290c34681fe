// "skylog --headless" as a service manager runs it: against the logger simulator, in time running ten times
// faster (faketime), stopped by SIGTERM.
#include "app/measpnt.h"
#include "eval/sqlrows.h"
#include "support/stationrig.h"

#include <QtSql>
#include <QtTest>

#include <csignal>

namespace {

// The library itself, not the faketime command: the signal must reach skylog, not a wrapper.
const QString faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";

// A program directory with the program, its database and the simulator on COM 1; the service started on it.
struct Station {
    ProgramDir dir;
    Simulator sim;
    QProcess service;

    bool start(const QString &settings, const QStringList &simulator) {
        if (!QFile::copy(SKYLOG_PROGRAM_DIR "/skylog", dir.file("skylog")))
            return false;
        QSqlQuery(dir.createDataFile("prepare")).exec("UPDATE tblSysConf SET MittInter = 1, " + settings);
        QSqlDatabase::removeDatabase("prepare");
        // The logger's clock starts on an interval boundary: no record is added while a test counts them.
        if (!sim.start(dir.path(), QStringList{"--layout", "01,02", "--start",
                                               StationRig::loggerStart.toString(Qt::ISODate)} +
                                       simulator))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("LD_PRELOAD", faketime);
        env.insert("FAKETIME", "+0 x10");
        service.setProcessEnvironment(env);
        service.start(dir.file("skylog"), {"--headless"});
        return service.waitForStarted();
    }
};

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        pinGermanLocale();
        if (!QFile::exists(faketime))
            QSKIP("faketime is not installed");
    }

    // SIGTERM in the middle of a fetch ends the service like the close box: the record under way is waited
    // for, no further one is asked for; port, lock and journal are released.
    void stopsBetweenRecordsLikeTheCloseBox() {
        Station s;
        QVERIFY(s.start("MomAktiv = 0, MittTimeOut = 60000", {"--records", "20", "--delay", "400"}));
        QTRY_VERIFY_WITH_TIMEOUT(s.dir.readFile("Testlog.txt").count("\r\n") >= 2, 30000);
        QVERIFY(s.dir.readFile("skylog.prom").contains("skylog_connected 1\n"));
        // The window refuses to start beside the service.
        MessageBoxes boxes;
        QVERIFY(!MeasPnt::Main(s.dir.path()) && boxes.asked.size() == 1);
        QVERIFY(boxes.asked.first().text.startsWith(
            "Skylog läuft in diesem Programmverzeichnis bereits als Dienst"));

        ::kill(pid_t(s.service.processId()), SIGTERM);
        QVERIFY(s.service.waitForFinished(30000) && s.service.exitStatus() == QProcess::NormalExit);
        QCOMPARE(s.service.exitCode(), 0);
        const QString out = s.service.readAllStandardOutput();
        const int lines = int(s.dir.readFile("Testlog.txt").count("\r\n"));
        QVERIFY(lines < 20);
        QVERIFY2(out.startsWith("Schnittstelle geöffnet  ( 38400,n,8,1 )\n") &&
                     out.endsWith(QString("%1 Datensätze erhalten.\nSchnittstelle geschlossen\n").arg(lines)),
                 qPrintable(out));
        QCOMPARE(s.service.readAllStandardError(), QByteArray());
        for (const char *left : {"skylog.lock", "Skylog.db-wal", "Skylog.db-shm"})
            QVERIFY2(!QFile::exists(s.dir.file(left)), left);
        QVERIFY(s.dir.readFile("skylog.prom").contains("skylog_connected 0\n"));
        // The simulator's log comes through a pipe and may arrive after the program has written its lines.
        QTRY_COMPARE(s.sim.requests().count("M"), lines);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(s.dir.file("Skylog.db"));
        QVERIFY(db.open());
        QCOMPARE(sqlRows(db, "SELECT count(DISTINCT MeasTime) FROM tblMesswerte WHERE was = 2"),
                 QString::number(lines));
        // The refusal's text is the command line's test.
        QProcess wrong;
        wrong.start(s.dir.file("skylog"), {"--headless", "--verbose"});
        QVERIFY(wrong.waitForFinished(10000) && wrong.exitCode() == 2);
    }

    // Another program reads the database all the time while the service fetches; the service is killed in
    // the middle of a fetch. Every record it reported, as a text line or in "… Datensätze erhalten.", is in
    // the file, whole, and the file is sound.
    void killedWhileAnotherProgramReads() {
        if (QStandardPaths::findExecutable("sqlite3").isEmpty())
            QSKIP("sqlite3 is not installed");
        Station s;
        QVERIFY(s.start("MomInter = 1000, MittTimeOut = 60000", {"--records", "300", "--interval", "1"}));
        QProcess reader;
        reader.setWorkingDirectory(s.dir.path());
        reader.start("sh", {"-c", "while :; do sqlite3 Skylog.db 'select count(*) from tblMesswerte'; done"});
        // The first fetch brings the 300 records, or one more when a minute passed meanwhile.
        const QRegularExpression fetched("^30[01] Datensätze erhalten\\.$",
                                         QRegularExpression::MultilineOption);
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT((out += s.service.readAllStandardOutput()).contains(fetched), 30000);
        // The logger's clock jumps a day ahead: the next fetch has 1,440 records to bring.
        QVERIFY(s.sim.command("zeit " + StationRig::loggerStart.addDays(1).toString(Qt::ISODate)));
        QTRY_VERIFY_WITH_TIMEOUT(s.dir.readFile("Testlog.txt").count("\r\n") > 800, 30000);
        ::kill(pid_t(s.service.processId()), SIGKILL);
        QVERIFY(s.service.waitForFinished(10000));
        const QByteArray counts = reader.readAllStandardOutput();
        reader.kill();
        reader.waitForFinished();
        QVERIFY(counts.count('\n') > 10);

        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "afterKill");
        db.setDatabaseName(s.dir.file("Skylog.db"));
        QVERIFY(db.open());
        QCOMPARE(sqlRows(db, "PRAGMA integrity_check"), "ok");
        QCOMPARE(sqlRows(db,
                         "SELECT count(*) FROM (SELECT MeasTime FROM tblMesswerte WHERE was BETWEEN 2 AND 4 "
                         "GROUP BY MeasTime HAVING count(*) <> 3)"),
                 "0");
        // A record of midnight shows its date alone in the text output.
        const QStringList stored =
            sqlRows(db, "SELECT replace(strftime('%d.%m.%Y %H:%M:%S', MeasTime), ' 00:00:00', '') "
                        "FROM tblMesswerte WHERE was = 2")
                .split(", ");
        for (const QByteArray &line : s.dir.readFile("Testlog.txt").split('\n'))
            QVERIFY2(line.isEmpty() || stored.contains(QString::fromLatin1(line.left(line.indexOf('|')))),
                     line);
    }
};

QTEST_MAIN(TestHeadless)
#include "tst_headless.moc"
