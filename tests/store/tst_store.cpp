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
        // Provider MittInter maxTries TrennZeichen MomAktiv SaveMitt MomInter [MailSubject] [MailRecList]
        // AlarmMinuten, then the numbers of the errors reported.
        QTest::addColumn<QString>("loaded");
        QTest::newRow("empty table: defaults") << "" << QString("1 60 5 124 01 3000 [] [] A10 |");
        QTest::newRow("null text") << "MailSubject = NULL" << QString("1 60 5 124 11 3000 [] [] A10 |");
        QTest::newRow("null Long") << "maxTries = NULL" << QString("1 60 0 124 11 3000 [] [] A10 |94");
        QTest::newRow("text in a Long")
            << "MittInter = 'stündlich'" << QString("1 0 5 124 11 3000 [] [] A10 |13");
        QTest::newRow("number text") << "MittInter = ' 15 '" << QString("1 15 5 124 11 3000 [] [] A10 |");
        QTest::newRow("half to even") << "maxTries = 2.5" << QString("1 60 2 124 11 3000 [] [] A10 |");
        QTest::newRow("byte out of range")
            << "TrennZeichen = 300" << QString("1 60 5 0 11 3000 [] [] A10 |6");
        QTest::newRow("Yes/No as text") << "MomAktiv = 'Falsch'" << QString("1 60 5 124 01 3000 [] [] A10 |");
        QTest::newRow("null MomInter") << "MomInter = NULL" << QString("1 60 5 124 11 - [] [] A10 |94");
        QTest::newRow("fault, then more") << "Provider = 'x', MailSubject = 'Wetter', MailRec = 'a,,b'"
                                          << QString("0 60 5 124 11 3000 [Wetter] [a||b] A10 |13");
        QTest::newRow("recipients by line") << "MailRec = 'a;b' || char(13, 10, 13, 10) || ' c,'"
                                            << QString("1 60 5 124 11 3000 [] [a|b| c|] A10 |");
        QTest::newRow("alarm off") << "AlarmMinuten = 0" << QString("1 60 5 124 11 3000 [] [] A0 |");
        QTest::newRow("null alarm") << "AlarmMinuten = NULL" << QString("1 60 5 124 11 3000 [] [] A0 |94");
        QTest::newRow("database from before the alarm")
            << "ALTER TABLE tblSysConf DROP COLUMN AlarmMinuten" << QString("1 60 5 124 11 3000 [] [] A10 |");
    }
    void settingsLoad() {
        QFETCH(QString, assignment);
        QFETCH(QString, loaded);
        QVERIFY(QSqlQuery(db).exec(assignment.isEmpty()             ? "DELETE FROM tblSysConf"
                                   : assignment.startsWith("ALTER") ? assignment
                                                                    : "UPDATE tblSysConf SET " + assignment));
        SysConfRecord r;
        const SysConfLoad load = loadSysConf(db, r);
        QString text = QString::asprintf("%d %d %d %d %d%d ", r.Provider, r.MittInter, r.maxTries,
                                         r.TrennZeichen, int(r.MomAktiv), int(r.SaveMitt)) +
                       (load.MomInter ? QString::number(*load.MomInter) : "-") + " [" + r.MailSubject +
                       "] [" + r.MailRecList.join('|') + "] A" + QString::number(r.AlarmMinuten) + " |";
        for (const RunError &e : load.errors)
            text += QString::number(e.number);
        QCOMPARE(text, loaded);
        QCOMPARE(r.datname + ' ' + QString::number(r.MittTimeOut), "Testlog.txt 3000");
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
