// Evaluation end to end against the logger simulator on a real database and a real pseudo-terminal.
#include "app/mainwindow.h"
#include "eval/sqlrows.h"
#include "eval/ui/momentpanel.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/stationrig.h"

#include <QLabel>
#include <QtTest>

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
    // The first poll builds the channel table and the panel and is not stored; later ones change only the
    // values and, with SaveMom, store a row. The post-processing program starts at its hours by the logger's
    // clock (the program's stays at 10:00:30). The intranet pages' missing folder gives one line each, not
    // one per poll, and one when it is back.
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
        QCOMPARE(rows("SELECT count(*), min(KanalNr), max(KanalNr) FROM tblKanal WHERE ProviderID = 1 AND "
                      "ConfigID = 1"),
                 "20 1 20");
        QCOMPARE(f.labMK[19]->text() + '/' + f.labMK[19]->toolTip(), "Lufttemperatur 2 m/Kanal 19");
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
        // An afternoon below its threshold starts nothing, nor do its follow-ups.
        QVERIFY(rig.sim->command("zeit 2026-12-05T15:01:00") && rig.poll());
        QVERIFY(rig.sim->command("zeit 2026-12-05T17:29:10") && rig.poll());
        QCOMPARE(started(), QByteArray("10-24\nc10-24\n"));
        QCOMPARE(rows("SELECT (SELECT count(*) FROM tblMesswerte), (SELECT count(*) FROM tblKanal)"), "1 20");
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
};

QTEST_MAIN(TestEvaluation)
#include "tst_evaluation.moc"
