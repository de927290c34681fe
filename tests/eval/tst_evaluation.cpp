// Evaluation end to end against the logger simulator: channel table, panel, stored rows and the
// post-processing program, on a real database and a real pseudo-terminal.
#include "app/mainwindow.h"
#include "eval/sqlrows.h"
#include "eval/ui/momentpanel.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/stationrig.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

namespace {

QString rows(const QString &sql) {
    return sqlRows(Store::MainDb(), sql);
}

} // namespace

class TestEvaluation : public QObject {
    Q_OBJECT

private slots:
    void channelTableAndPanelFollowTheLogger();
    void instantaneousRowsOnlyWithSaveMom();
    void aFailedStepEndsTheTelegram_data();
    void aFailedStepEndsTheTelegram();
    void averageRecordsBecomeRowsOfKindsTwoToFour_data();
    void averageRecordsBecomeRowsOfKindsTwoToFour();
    void postProcessingProgramStartsAtItsHours();
    void aMissingIntranetFolderIsToldOnceAndWhenItIsBack();
};

void TestEvaluation::channelTableAndPanelFollowTheLogger() {
    StationRig rig;
    QVERIFY(rig.start({}));
    MainWindow &f = *rig.f;
    QVERIFY(rig.sim->command("wert 19=12.5"));
    QVERIFY(rig.sim->command("wert 1=1013.2"));
    f.engine()->ReadConfig();
    QVERIFY(rig.poll());
    QVERIFY(!f.engine()->channelTableStale);
    QVERIFY(f.panel->panelReady);
    QCOMPARE(rows("SELECT count(*), min(KanalNr), max(KanalNr) FROM tblKanal WHERE ProviderID = 1 AND "
                  "ConfigID = 1"),
             "20 1 20");
    QCOMPARE(
        rows("SELECT Sensor, EinheitID, KanalArt FROM tblKanal WHERE KanalNr IN (15, 19) ORDER BY KanalNr"),
        "26 21 Strahlung, 1 1 Temperatur");
    QCOMPARE(f.labMK[19]->text(), "Lufttemperatur 2 m");
    QCOMPARE(f.labMK[19]->toolTip(), "Kanal 19");
    QCOMPARE(f.labMW[19]->text(), "12,5 °C ");
    QCOMPARE(f.labMW[1]->text(), "1013,2 hPa ");
    QCOMPARE(f.engine()->channelSlots[7].unit, "W/m²");
    QVERIFY(!f.labMK[21]);
    // Twenty rows do not fit the viewport: the scroll bar is in use.
    QVERIFY(f.controls()->VScroll->isEnabled());
    QVERIFY(f.panel->scrollMaximum() >= 1);

    // Later telegrams change only the values.
    QVERIFY(rig.sim->command("wert 19=-3.7"));
    QVERIFY(rig.poll());
    QCOMPARE(f.labMW[19]->text(), "-3,7 °C ");
    QVERIFY(rig.sim->command("wert 19=99999900"));
    QVERIFY(rig.poll());
    QCOMPARE(f.labMW[19]->text(), "Fehler ");
    QCOMPARE(rows("SELECT count(*) FROM tblKanal"), "20");
    QCOMPARE(rig.dir->readFile("Errorlog.txt"), QByteArray());
}

void TestEvaluation::instantaneousRowsOnlyWithSaveMom() {
    StationRig rig;
    QVERIFY(rig.start({"--layout", "03,02,01"}, "SaveMom = 1"));
    QVERIFY(rig.sim->command("wert 3=21.5"));
    rig.f->engine()->ReadConfig();
    QVERIFY(rig.poll()); // builds the channel table: not stored
    QVERIFY(rig.poll());
    QVERIFY(rig.poll());
    QCOMPARE(rows("SELECT Provider, Konfiguration, was, Kanal3, Kanal4, Kanal60, substr(MeasTime, 1, 15) "
                  "FROM tblMesswerte"),
             "1 1 1 21.5 NULL NULL 2026-12-05 10:0, 1 1 1 21.5 NULL NULL 2026-12-05 10:0");
    SysConf.SaveMom = false;
    QVERIFY(rig.poll());
    QCOMPARE(rows("SELECT count(*) FROM tblMesswerte"), "2");
}

void TestEvaluation::aFailedStepEndsTheTelegram_data() {
    QTest::addColumn<bool>("stale");
    QTest::addColumn<QString>("sql");
    QTest::newRow("channel table") << true << "DROP TABLE tblKanal";
    QTest::newRow("instantaneous row") << false << "DROP TABLE tblMesswerte";
}

// After a failed step nothing more of the telegram is done: no post-processing check, no black lamp.
void TestEvaluation::aFailedStepEndsTheTelegram() {
    QFETCH(bool, stale);
    QFETCH(QString, sql);
    StationRig rig;
    QVERIFY(rig.start({}, "SaveMom = 1"));
    QVERIFY(rig.dir->writeFile("Nachlauf.exe", "#!/bin/sh\necho \"$@\" >> nachlauf.txt\n"));
    QFile::setPermissions(rig.dir->file("Nachlauf.exe"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    rig.f->engine()->ReadConfig();
    if (!stale)
        QVERIFY(rig.poll());
    sqlValue(Store::MainDb(), sql);
    QVERIFY(rig.sim->command("zeit 2026-12-05T10:02:00"));
    QVERIFY(rig.sim->command("wert 19=24.0"));
    QVERIFY(!rig.poll());
    QCOMPARE(rig.f->engine()->LastTransColor, 65280);
    QVERIFY(rig.dir->readFile("Errorlog.txt").contains("Datenbankfehler"));
    QCOMPARE(rig.dir->readFile("nachlauf.txt"), QByteArray());
}

void TestEvaluation::averageRecordsBecomeRowsOfKindsTwoToFour_data() {
    QTest::addColumn<bool>("threeValues");
    QTest::addColumn<QString>("secondAndThird");
    QTest::newRow("three values") << true << "different";
    QTest::newRow("one value") << false << "0 0 0";
}

void TestEvaluation::averageRecordsBecomeRowsOfKindsTwoToFour() {
    QFETCH(bool, threeValues);
    QFETCH(QString, secondAndThird);
    StationRig rig;
    QStringList arguments{"--layout", "01,02,07", "--records", "2"};
    if (threeValues)
        arguments << "--three-values";
    QVERIFY(rig.start(arguments));
    QVERIFY(rig.fetch());
    QCOMPARE(rows("SELECT was, MeasTime FROM tblMesswerte ORDER BY ID"),
             "2 2026-12-05 09:50:00, 3 2026-12-05 09:50:00, 4 2026-12-05 09:50:00, "
             "2 2026-12-05 10:00:00, 3 2026-12-05 10:00:00, 4 2026-12-05 10:00:00");
    QCOMPARE(rows("SELECT count(*) FROM tblMesswerte WHERE Kanal1 IS NULL OR Kanal3 IS NULL OR "
                  "Kanal4 IS NOT NULL"),
             "0");
    const QString kinds34 = rows("SELECT Kanal1, Kanal2, Kanal3 FROM tblMesswerte WHERE was = 3");
    if (threeValues) {
        // Minimum and maximum of each channel around its mean.
        QCOMPARE(rows("SELECT count(*) FROM tblMesswerte AS lo JOIN tblMesswerte AS hi ON "
                      "hi.MeasTime = lo.MeasTime AND lo.was = 3 AND hi.was = 4 "
                      "WHERE lo.Kanal2 <= hi.Kanal2 AND lo.Kanal2 <> hi.Kanal2"),
                 "2");
    } else {
        QCOMPARE(kinds34.section(", ", 0, 0), secondAndThird);
        QCOMPARE(rows("SELECT Kanal1, Kanal2, Kanal3 FROM tblMesswerte WHERE was = 4 LIMIT 1"),
                 secondAndThird);
    }
    // The text output and the stored rows tell the same record.
    const QByteArray output = rig.dir->readFile("Testlog.txt");
    QCOMPARE(output.count("\r\n"), 2);
    const QString meanOfChannel2 = rows("SELECT Kanal2 FROM tblMesswerte WHERE was = 2 ORDER BY ID LIMIT 1")
                                       .replace(QLatin1Char('.'), QLatin1Char(','));
    QVERIFY2(output.contains("|02|02|" + meanOfChannel2.toLatin1()), output);
}

void TestEvaluation::postProcessingProgramStartsAtItsHours() {
    StationRig rig;
    QVERIFY(rig.start({}));
    {
        QFile script(rig.dir->file("Nachlauf.exe"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$@\" >> nachlauf.txt\n");
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }
    const auto started = [&] { return rig.dir->readFile("nachlauf.txt"); };
    QVERIFY(rig.sim->command("zeit 2026-12-05T10:02:00"));
    QVERIFY(rig.sim->command("wert 19=24.0"));
    rig.f->engine()->ReadConfig();
    QVERIFY(rig.poll());
    QTRY_COMPARE(started(), QByteArray("10-24\n"));
    QVERIFY(rig.poll());

    QVERIFY(rig.sim->command("zeit 2026-12-05T10:29:05"));
    QVERIFY(rig.poll());
    QTRY_COMPARE(started(), QByteArray("10-24\nc10-24\n"));
    QVERIFY(rig.poll());

    QVERIFY(rig.sim->command("zeit 2026-12-05T13:59:05"));
    QVERIFY(rig.poll());
    QVERIFY(rig.poll());
    QTRY_COMPARE(started(), QByteArray("10-24\nc10-24\nc10-24\n"));

    // An afternoon below its threshold starts nothing, nor do its follow-ups.
    QVERIFY(rig.sim->command("zeit 2026-12-05T15:01:00"));
    QVERIFY(rig.poll());
    QVERIFY(rig.sim->command("zeit 2026-12-05T17:29:10"));
    QVERIFY(rig.poll());
    QCOMPARE(started(), QByteArray("10-24\nc10-24\nc10-24\n"));
    QCOMPARE(rig.dir->readFile("Errorlog.txt"), QByteArray());
}

// The intranet's measurement page is written after every poll, the page set at the start; their missing
// folder gives one line each, not one per poll, and one more when the page is written again.
void TestEvaluation::aMissingIntranetFolderIsToldOnceAndWhenItIsBack() {
    StationRig rig;
    QVERIFY(rig.start({}, "WebAktiv = 1"));
    rig.f->engine()->ReadConfig();
    for (int poll = 0; poll < 20; ++poll)
        QVERIFY(rig.poll());
    QVERIFY(QDir(rig.dir->path()).mkpath("dosdevices/p:/Intranet"));
    QVERIFY(rig.poll());
    QVERIFY(rig.poll());
    const QByteArray log = rig.dir->readFile("Errorlog.txt");
    QVERIFY2(log.count("\r\n") == 3, log);
    QVERIFY(
        log.contains("Pfad nicht gefunden: " + rig.dir->file("dosdevices/p:/Intranet/index.htm").toLatin1()));
    QVERIFY(log.contains("Pfad nicht gefunden: " +
                         rig.dir->file("dosdevices/p:/Intranet/index_aktuell.htm").toLatin1()));
    QVERIFY(log.endsWith("Die Intranet-Messwertseite wird wieder geschrieben.\r\n"));
}

QTEST_MAIN(TestEvaluation)
#include "tst_evaluation.moc"
