// The data file on real SQLite files in a temporary program directory: opening, unreadable files, the
// template, the settings record, tblTemp and the serial configurations.
#include "link/comconfig.h"
#include "store/database.h"
#include "store/station.h"
#include "store/sysconf.h"
#include "support/programdir.h"

#include <QSqlQuery>
#include <QtTest>

class TestStore : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramDir> dir;
    // A copy of the template as "Skylog.db".
    QSqlDatabase db;

    QString rows(const QString &columns, const QString &table) const {
        return sqlValue(db, QString("SELECT group_concat(%1, ' ') FROM %2").arg(columns, table)).toString();
    }

private slots:
    void init() {
        dir = std::make_unique<ProgramDir>();
        db = dir->createDataFile();
    }
    void cleanup() {
        db = QSqlDatabase();
        Store::MainDb().close();
        QSqlDatabase::removeDatabase("test");
        QSqlDatabase::removeDatabase("other");
        dir.reset();
    }

    void openRefusesWhatIsNoSkylogDatabase() {
        const QString path = dir->file("Fremd.db");
        QVERIFY(Store::openMainDb(path) && !QFile::exists(path));
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(path);
        QVERIFY(other.open() && QSqlQuery(other).exec("CREATE TABLE notes (x TEXT)"));
        other.close();
        for (const QByteArray &contents :
             {dir->readFile("Fremd.db"), QByteArray("Messwerte vom Dezember\r\n")}) {
            QVERIFY(dir->writeFile("Fremd.db", contents));
            QVERIFY(Store::openMainDb(path));
            QVERIFY(!Store::MainDb().isOpen());
            QCOMPARE(dir->readFile("Fremd.db"), contents);
        }
    }

    void templateCopyNeverOverwritesAndDamagedFilesAreMovedAside() {
        QVERIFY(!Store::copyTemplate(dir->file("SkylogIni.db"), dir->file("Neu.db")));
        QCOMPARE(Store::openMainDb(dir->file("Neu.db")), std::nullopt);
        QCOMPARE(sqlValue(Store::MainDb(), "PRAGMA journal_mode"), "wal");
        QVERIFY(dir->writeFile("Kopie.db", "wertvoll"));
        QVERIFY(Store::copyTemplate(dir->file("SkylogIni.db"), dir->file("Kopie.db")));
        QCOMPARE(dir->readFile("Kopie.db"), "wertvoll");
        QCOMPARE(Store::copyTemplate(dir->file("fehlt.db"), dir->file("X.db")).value_or(RunError{}).number,
                 53);
        QVERIFY(!QFile::exists(dir->file("X.db")));

        QVERIFY(dir->writeFile("Alt.db", "kaputt") && dir->writeFile("Alt.db-wal", "journal"));
        std::optional<RunError> error;
        const QDateTime now(QDate(2026, 12, 5), QTime(16, 7, 38));
        QCOMPARE(Store::moveAside(dir->file("Alt.db"), now, &error),
                 dir->file("Alt-defekt-20261205-160738.db"));
        QVERIFY(!error && !QFile::exists(dir->file("Alt.db")) && !QFile::exists(dir->file("Alt.db-wal")));
        QCOMPARE(dir->readFile("Alt-defekt-20261205-160738.db"), "kaputt");
        QCOMPARE(dir->readFile("Alt-defekt-20261205-160738.db-wal"), "journal");
    }

    void settingsLoad_data() {
        QTest::addColumn<QString>("assignment");
        // Provider MittInter MomInter MomTimeOut MittTimeOut maxTries TrennZeichen MomAktiv SaveMitt
        // [datname] [MailSubject] [MailRecList] A<AlarmMinuten>, then the numbers of the errors reported.
        QTest::addColumn<QString>("loaded");
        // The text of the last error, when it matters.
        QTest::addColumn<QString>("lastReport");
        const auto row = [](const char *name, const QString &assignment, const QString &loaded,
                            const QString &lastReport = {}) {
            QTest::newRow(name) << assignment << loaded << lastReport;
        };
        const QString dflt = "1 60 3000 2000 3000 5 124 11 [Testlog.txt] [] [] A10 |";
        const QString pollingOff = QString(dflt).replace(" 11 ", " 01 ");
        row("empty table: defaults", "", pollingOff);
        row("null text", "MailSubject = NULL", dflt);
        row("Yes/No as text", "MomAktiv = 'Falsch'", pollingOff);
        row("number text, half to even", "MittInter = ' 15 ', maxTries = 2.5",
            "1 15 3000 2000 3000 2 124 11 [Testlog.txt] [] [] A10 |");
        // A column that cannot be read is reported; one the program cannot work without takes its default.
        row("null Long", "maxTries = NULL", dflt + "94");
        row("null MomInter", "MomInter = NULL", dflt + "94");
        row("text in a Long", "MittInter = 'stündlich'", dflt + "13");
        row("byte out of range", "TrennZeichen = 300", dflt + "6");
        row("fault, then more", "Provider = 'x', MailSubject = 'Wetter', MailRec = 'a,,b'",
            "0 60 3000 2000 3000 5 124 11 [Testlog.txt] [Wetter] [a||b] A10 |13");
        row("lowest values",
            "MittInter = 1, MomInter = 1000, MomTimeOut = 100, MittTimeOut = 100, maxTries = 1, "
            "TrennZeichen = 9, datname = 'x'",
            "1 1 1000 100 100 1 9 11 [x] [] [] A10 |");
        row("highest values",
            "MittInter = 50400, MomInter = 60000, MomTimeOut = 600000, MittTimeOut = 600000, maxTries = 10, "
            "TrennZeichen = 255",
            "1 50400 60000 600000 600000 10 255 11 [Testlog.txt] [] [] A10 |");
        // Values the program cannot work with are reported and replaced by the defaults.
        row("too low",
            "MittInter = 0, MomInter = 999, MomTimeOut = 99, MittTimeOut = 0, maxTries = 0, "
            "TrennZeichen = 31, datname = ''",
            dflt + "380380380380380380380",
            "Ungültiger Eigenschaftswert: datname = \"\" (zulässig: ein Dateiname); es gilt Testlog.txt");
        row("too high",
            "MittInter = 50401, MomInter = 60001, MomTimeOut = 600001, MittTimeOut = 600001, maxTries = 11",
            dflt + "380380380380380",
            "Ungültiger Eigenschaftswert: maxTries = 11 (zulässig: 1 bis 10); es gilt 5");
        row("negative MomInter", "MomInter = -5", dflt + "380",
            "Ungültiger Eigenschaftswert: MomInter = -5 (zulässig: 1000 bis 60000); es gilt 3000");
        row("CR as separator", "TrennZeichen = 13", dflt + "380",
            "Ungültiger Eigenschaftswert: TrennZeichen = 13 (zulässig: 9 oder 32 bis 255); es gilt 124");
        row("recipients by line", "MailRec = 'a;b' || char(13, 10, 13, 10) || ' c,'",
            "1 60 3000 2000 3000 5 124 11 [Testlog.txt] [] [a|b| c|] A10 |");
        row("alarm off", "AlarmMinuten = 0", QString(dflt).replace("A10", "A0"));
        row("null alarm", "AlarmMinuten = NULL", QString(dflt).replace("A10", "A0") + "94");
        row("database from before the alarm", "ALTER TABLE tblSysConf DROP COLUMN AlarmMinuten", dflt);
    }
    void settingsLoad() {
        QFETCH(QString, assignment);
        QFETCH(QString, loaded);
        QFETCH(QString, lastReport);
        QVERIFY(QSqlQuery(db).exec(assignment.isEmpty()             ? "DELETE FROM tblSysConf"
                                   : assignment.startsWith("ALTER") ? assignment
                                                                    : "UPDATE tblSysConf SET " + assignment));
        SysConfRecord r;
        const SysConfLoad load = loadSysConf(db, r);
        QString text = QString::asprintf("%d %d %d %d %d %d %d %d%d [", r.Provider, r.MittInter,
                                         load.MomInter.value_or(-1), r.MomTimeOut, r.MittTimeOut, r.maxTries,
                                         r.TrennZeichen, int(r.MomAktiv), int(r.SaveMitt)) +
                       r.datname + "] [" + r.MailSubject + "] [" + r.MailRecList.join('|') + "] A" +
                       QString::number(r.AlarmMinuten) + " |";
        for (const RunError &e : load.errors)
            text += QString::number(e.number);
        QCOMPARE(text, loaded);
        if (!lastReport.isEmpty())
            QCOMPARE(load.errors.last().text, lastReport);
        // An empty table is not filled.
        QCOMPARE(load.rowFound, !assignment.isEmpty());
        QCOMPARE(rows("Provider", "tblSysConf").isEmpty(), assignment.isEmpty());
    }

    void saveWritesTheDialogsFieldsOnly() {
        const QString columns = "MittInter || ':' || SaveMitt || ':' || datname || ':' || MomInter";
        QVERIFY(QSqlQuery(db).exec("DELETE FROM tblSysConf"));
        SysConfRecord record = SysConfRecord::defaults();
        record.MittInter = 15;
        record.SaveMitt = false;
        record.datname = "export.txt";
        QCOMPARE(saveSysConf(db, record, {"Provider"}, defaultMomInter, true), std::nullopt);
        QCOMPARE(rows(columns, "tblSysConf"), QString());
        QCOMPARE(saveSysConf(db, record, {"MittInter", "SaveMitt"}), std::nullopt);
        QCOMPARE(rows(columns, "tblSysConf"), "15:0:Testlog.txt:3000");
        QVERIFY(QSqlQuery(db).exec("INSERT INTO tblSysConf (datname) VALUES ('zweite.txt')"));
        QCOMPARE(saveSysConf(db, record, {"datname", "MomInter"}, 7000), std::nullopt);
        QCOMPARE(rows(columns, "tblSysConf"), "15:0:export.txt:7000 60:1:zweite.txt:3000");
    }

    void stationRowsAndIdentity() {
        std::optional<RunError> error;
        QVERIFY(Station::readTemp(db, 1, 1, &error)->firstStart && !error);
        QCOMPARE(Station::setConfigured(db, 1, 1), std::nullopt);
        QVERIFY(!Station::readTemp(db, 1, 1, &error)->firstStart);
        QVERIFY(
            QSqlQuery(db).exec("UPDATE tblTemp SET Configured = NULL, LastAccessTime = '2026-12-05 09:05:00' "
                               "WHERE ProviderID = 2 AND ConfigID = 1"));
        const auto temp = Station::readTemp(db, 2, 1, &error);
        QVERIFY(temp && !temp->firstStart);
        QCOMPARE(temp->LastAccessTime, QDateTime(QDate(2026, 12, 5), QTime(9, 5)));
        QVERIFY(!Station::readTemp(db, 9, 9, &error) && !error);
        const auto identity = Station::readIdentity(db, 2, 1, &error);
        QCOMPARE(identity ? identity->StationsNr + '/' + identity->Name : QString(), "07/AWL 400");
        QVERIFY(!Station::readIdentity(db, 1, 99, &error) && !error);
    }

    void comConfigKeepsExactlyOneActive() {
        const QString columns = "ConfName || '=' || aktiv || Baudrate";
        ComConfig::Entry entry = ComConfig::defaults();
        entry.ConfName = "  ";
        QVERIFY(ComConfig::saveActive(db, entry));
        QCOMPARE(rows(columns, "tblConfigCOM"), "Logger COM 1=19 Modem COM 2, 9600 Baud=05");
        entry.ConfName = "Labor";
        QCOMPARE(ComConfig::saveActive(db, entry), std::nullopt);
        QCOMPARE(rows(columns, "tblConfigCOM"), "Logger COM 1=09 Modem COM 2, 9600 Baud=05 Labor=19");
        std::optional<RunError> error;
        ComConfig::Entry first = ComConfig::readAll(db, &error).first();
        first.Baudrate = 5;
        QCOMPARE(ComConfig::saveActive(db, first), std::nullopt);
        QCOMPARE(rows(columns, "tblConfigCOM"), "Logger COM 1=15 Modem COM 2, 9600 Baud=05 Labor=09");
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
