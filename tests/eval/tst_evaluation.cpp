// Evaluation end to end against the logger simulator on a real database and a real pseudo-terminal, and the
// post-processing check with recorded starts.
#include "app/mainwindow.h"
#include "eval/postcheck.h"
#include "eval/sqlrows.h"
#include "eval/ui/momentpanel.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/cases.h"
#include "support/stationrig.h"

#include <QLabel>
#include <QtTest>

namespace {

// telegrams: "dd hh:mm[:ss] value [fail], ..." in December 2026, day 00 for the zero date-time, "fail" when
// the start fails; log: the starts by argument and the failures ("#number"), each with a beep.
struct Case {
    const char *name, *telegrams, *log;
};

} // namespace

class TestEvaluation : public QObject {
    Q_OBJECT

    static QString rows(const QString &sql) { return sqlRows(Store::MainDb(), sql); }
    // A post-processing program that notes its arguments in nachlauf.txt.
    static bool addPostProcessing(StationRig &rig) {
        return rig.dir->writeFile("Nachlauf.exe", "#!/bin/sh\necho \"$@\" >> nachlauf.txt\n") &&
               QFile::setPermissions(rig.dir->file("Nachlauf.exe"),
                                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void initTestCase() { pinGermanLocale(); }

    // The first poll builds the channel table and the panel and is not stored; later ones change only the
    // values and, with SaveMom, store a row. The post-processing program starts at its hours by the logger's
    // clock (the program's stays at 10:00:30); when it starts is the post-processing check's own test's. The
    // intranet pages' missing folder gives one line each, not one per poll, and one when it is back.
    void pollsFollowTheLogger() {
        StationRig rig;
        QVERIFY(rig.start({}, "SaveMom = 1, WebAktiv = 1") && addPostProcessing(rig));
        MainWindow &f = *rig.f;
        const auto started = [&] { return rig.dir->readFile("nachlauf.txt"); };
        QVERIFY(rig.sim->command("zeit 2026-12-05T10:02:00") && rig.sim->command("wert 19=24.0") &&
                rig.sim->command("wert 1=1013.2"));
        f.engine()->ReadConfig();
        QVERIFY(rig.poll());
        QVERIFY(!f.engine()->channelTableStale && f.panel->panelReady);
        QCOMPARE(f.labMW[19]->text() + f.labMW[1]->text(), "24 °C 1013,2 hPa ");
        QTRY_COMPARE(started(), QByteArray("10-24\n"));
        QCOMPARE(rows("SELECT count(*) FROM tblMesswerte"), "0");

        QVERIFY(rig.sim->command("wert 19=-3.7") && rig.poll());
        QCOMPARE(f.labMW[19]->text(), "-3,7 °C ");
        QCOMPARE(rows("SELECT Provider, Konfiguration, was, Kanal19, Kanal21, substr(MeasTime, 1, 16) FROM "
                      "tblMesswerte"),
                 "1 1 1 -3.7 NULL 2026-12-05 10:02");
        SysConf.SaveMom = false;
        QVERIFY(rig.sim->command("zeit 2026-12-05T10:29:05") && rig.poll());
        QTRY_COMPARE(started(), QByteArray("10-24\nc10-24\n"));
        QCOMPARE(rows("SELECT count(*) FROM tblMesswerte"), "1");
        QVERIFY(QDir(rig.dir->path()).mkpath("dosdevices/p:/Intranet") && rig.poll());
        const QByteArray missing = "05.12.2026 10:00:30 - Pfad nicht gefunden: " +
                                   rig.dir->file("dosdevices/p:/Intranet/").toLatin1();
        QCOMPARE(rig.dir->readFile("Errorlog.txt"),
                 missing + "index.htm\r\n" + missing +
                     "index_aktuell.htm\r\n05.12.2026 10:00:30 - Die Intranet-Messwertseite wird wieder "
                     "geschrieben.\r\n");
    }

    // After a failed step nothing more of the telegram is done: no post-processing check, no black lamp. The
    // instantaneous row fails only once the channel table is built.
    void aFailedStepEndsTheTelegram() {
        for (const QString table : {"tblKanal", "tblMesswerte"}) {
            StationRig rig;
            QVERIFY(rig.start({}, "SaveMom = 1") && addPostProcessing(rig));
            rig.f->engine()->ReadConfig();
            if (table == "tblMesswerte")
                QVERIFY(rig.poll());
            sqlValue(Store::MainDb(), "DROP TABLE " + table);
            QVERIFY(rig.sim->command("zeit 2026-12-05T10:02:00") && rig.sim->command("wert 19=24.0"));
            QVERIFY2(!rig.poll() && rig.f->engine()->LastTransColor == 65280, qPrintable(table));
            QVERIFY(rig.dir->readFile("Errorlog.txt").contains("Datenbankfehler"));
            QCOMPARE(rig.dir->readFile("nachlauf.txt"), QByteArray());
        }
    }

    void startsAndFollowUps_data() {
        addCases<Case>({
            {"last second of minute 5 at the threshold", "05 10:05:59 22", "10-22"},
            {"21.9, 10:06, then follow-up times", "05 10:03 21.9, 05 10:06 30, 05 10:29 25, 05 13:59 25", ""},
            {"follow-ups once each",
             "05 10:02 24, 05 10:03 24, 05 10:29:00 24, 05 10:29:03 24, "
             "05 10:29:57 30, 05 10:30 24, 05 13:59:01 24, 05 13:59:04 24",
             "10-24 c10-24 c10-24"},
            {"morning and afternoon re-arm each other, follow-ups do not",
             "05 10:02 24, 05 10:04 25, 06 10:02 30, 06 15:00 27.5, 06 15:01 30, 06 17:29 20, 06 21:29 20, "
             "06 21:29:30 20, 07 10:01 23, 07 15:00 29",
             "10-24 15-27,5 c15-27,5 c15-27,5 10-23 15-29"},
            {"zero date-time", "00 10:02 30", ""},
            // A failed start re-arms its check for the next telegram of the minutes; a follow-up fails once.
            {"failed starts reported once",
             "05 10:02 24 fail, 05 10:03 24.5, 05 10:04 25, 05 10:29:00 25 fail, 05 10:29:03 25 fail",
             "#53 10-24,5 #53"},
        });
    }
    void startsAndFollowUps() {
        QFETCH(Case, c);
        QStringList log;
        int beeps = 0;
        bool failing = false;
        PostCheck check{
            [&](const QString &commandLine) -> std::optional<RunError> {
                if (failing)
                    return RunError::fileNotFound();
                log << (commandLine.startsWith("Nachlauf.exe ") ? commandLine.mid(13) : '?' + commandLine);
                return std::nullopt;
            },
            [&] { ++beeps; }, [&](const RunError &error) { log << '#' + QString::number(error.number); }};
        for (const QString &telegram : QString(c.telegrams).split(", ")) {
            const QStringList parts = telegram.split(' ');
            const QDateTime t(QDate(2026, 12, parts[0].toInt()), QTime::fromString(parts[1], Qt::ISODate));
            failing = parts.size() > 3;
            check.run(parts[0] == "00" ? QDateTime() : t, parts[2].toDouble());
        }
        QCOMPARE(log.join(' '), c.log);
        QCOMPARE(beeps, log.size());
    }

    // A missing program and one that may not run; the end-to-end test above starts one.
    void realStarterFailures() {
        ProgramDir dir;
        const PostCheck::Starter start = programDirStarter(dir.path());
        QCOMPARE(start("Nachlauf.exe 10-24").value_or(RunError()).text, "Datei nicht gefunden");
        QVERIFY(dir.writeFile("Nachlauf.exe", "#!/bin/sh\n"));
        QCOMPARE(start("Nachlauf.exe 10-24").value_or(RunError()).text, "Zugriff verweigert");
    }
};

QTEST_MAIN(TestEvaluation)
#include "tst_evaluation.moc"
