// The data file on real SQLite files in a temporary program directory: opening, unreadable files, the
// template, the settings record, tblTemp and the serial configurations.
#include "link/comconfig.h"
#include "store/database.h"
#include "store/startup.h"
#include "store/station.h"
#include "store/sysconf.h"
#include "support/privileges.h"
#include "support/programdir.h"

#include <QSqlQuery>
#include <QtTest>

class TestStore : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramDir> dir;
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

    // The start-up's decision on the data file: how it is prepared, the outcome, the files afterwards. A full
    // disk is a small tmpfs, which only root may mount, as the program directory.
    void openOrRecreate_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("files");
        const auto row = [](const char *setup, const QString &outcome, const QString &files = "Skylog.db") {
            QTest::newRow(setup) << QString(setup) << outcome << files;
        };
        const QString foreign =
            "Ende: Fehler 3343: Die Datei <dir>/Skylog.db ist %1, keine Skylog-Datenbank. "
            "Skylog ändert sie nicht. Benennen Sie sie um oder verschieben Sie sie, "
            "dann legt Skylog eine neue Datenbank an.";
        const QString readOnlyDir = "Ende: Fehler 70: Im Programmverzeichnis <dir> kann Skylog nicht "
                                    "schreiben (schreibgeschützt oder ohne Schreibrecht). Skylog braucht "
                                    "dort Schreibrecht für seine Datenbank und deren Journal, die "
                                    "Sperrdatei und die Protokolle.";
        row("Skylog-Datenbank", "geöffnet");
        row("fehlt", "neu angelegt");
        row("fehlt, ohne Vorlage",
            "Ende: Fehler 53: Die Datenbank <dir>/Skylog.db fehlt, und die Vorlage <dir>/SkylogIni.db, "
            "aus der sie angelegt wird, ist nicht da.",
            "");
        row("Schema kaputt",
            "neu angelegt aus Skylog-defekt-20261205-160738.db: Die Datenbank Skylog.db konnte nicht "
            "geöffnet "
            "werden: Die Datenbank ist beschädigt. Sie wurde nach Skylog-defekt-20261205-160738.db "
            "verschoben und aus der Vorlage SkylogIni.db neu angelegt.",
            "Skylog-defekt-20261205-160738.db Skylog.db");
        row("gesperrt, nach 3 s frei", "geöffnet nach 3 s");
        row("gesperrt",
            "Ende nach 30 s: Fehler 3006: Die Datenbank <dir>/Skylog.db ist von einem anderen Programm "
            "gesperrt; Skylog hat 30 Sekunden vergeblich gewartet. Beenden Sie das andere Programm und "
            "starten Sie Skylog dann neu.");
        row("fremd", foreign.arg("die SQLite-Datenbank eines anderen Programms"));
        row("leer", foreign.arg("eine leere SQLite-Datenbank"));
        row("schreibgeschützt",
            "Ende: Fehler 70: Die Datenbank <dir>/Skylog.db ist schreibgeschützt. Skylog braucht "
            "Schreibrecht auf diese Datei.");
        row("fehlt, Verzeichnis schreibgeschützt", readOnlyDir, "");
        row("Müll, Verzeichnis schreibgeschützt", readOnlyDir);
        const QString full =
            "Ende: Fehler 61: Der Datenträger mit der Datenbank <dir>/klein/Skylog.db ist voll. "
            "Schaffen Sie Platz und starten Sie Skylog dann neu.";
        row("Datenträger voll", full);
        row("fehlt, Datenträger voll", full, "");
    }
    void openOrRecreate() {
        QFETCH(QString, setup);
        // Another program lets go of a locked file after three waits of a second, or never.
        const int releasedAfter = setup.contains("nach 3 s") ? 3 : -1;
        QFETCH(QString, outcome);
        QFETCH(QString, files);
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("test");
        const bool fullDisk = setup.endsWith("voll");
        const QString home = fullDisk ? dir->file("klein") : dir->path();
        const QString path = home + "/Skylog.db";
        const QString name = QDir(dir->path()).relativeFilePath(path);
        const auto unmount = qScopeGuard([&] {
            Store::MainDb().close();
            if (fullDisk)
                unmountSmallDisk(home);
        });
        if (fullDisk) {
            QVERIFY(QDir().mkdir(home));
            if (!mountSmallDisk(home, 256 * 1024))
                QSKIP("no tmpfs can be mounted here (needs root)");
            QVERIFY(QFile::copy(dir->file("SkylogIni.db"), home + "/SkylogIni.db"));
            QVERIFY(QFile::copy(dir->file("SkylogIni.db"), path));
        }
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "other");
        locker.setDatabaseName(path);
        if (setup.startsWith("fehlt")) {
            QVERIFY(QFile::remove(path));
        } else if (setup.startsWith("Müll")) {
            QVERIFY(dir->writeFile("Skylog.db", QByteArray(4096, 'Z')));
        } else if (setup == "Schema kaputt") {
            // The header is intact, the table definitions after it are not.
            QVERIFY(dir->writeFile("Skylog.db",
                                   dir->readFile("SkylogIni.db").replace(200, 3896, QByteArray(3896, 'Z'))));
        } else if (setup.startsWith("gesperrt")) {
            QVERIFY(locker.open() && QSqlQuery(locker).exec("BEGIN EXCLUSIVE") &&
                    QSqlQuery(locker).exec("UPDATE tblSysConf SET MittInter = 5"));
        } else if (setup == "fremd" || setup == "leer") {
            QVERIFY(QFile::remove(path) && locker.open());
            QVERIFY(setup == "leer" || QSqlQuery(locker).exec("CREATE TABLE notes (x TEXT)"));
            locker.close();
        } else if (setup == "schreibgeschützt") {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        if (setup.endsWith("ohne Vorlage"))
            QVERIFY(QFile::remove(dir->file("SkylogIni.db")));
        QFile filler(home + "/Platzhalter");
        QVERIFY(!fullDisk || filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (fullDisk && filler.write(QByteArray(4096, 'x')) == 4096) {
        }
        const QByteArray before = dir->readFile(name);
        const QFileDevice::Permissions dirPermissions = QFile::permissions(dir->path());
        if (setup.endsWith("Verzeichnis schreibgeschützt"))
            QVERIFY(QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner));

        QDateTime now(QDate(2026, 12, 5), QTime(16, 7, 38));
        int waits = 0;
        const Store::StartClock clock{[&now] { return now; },
                                      [&](int milliseconds) {
                                          now = now.addMSecs(milliseconds);
                                          if (++waits == releasedAfter)
                                              QSqlQuery(locker).exec("ROLLBACK");
                                      }};
        WithoutRootOverride asUser;
        const Store::StartOutcome result = Store::openOrRecreate(home, clock);
        QFile::setPermissions(dir->path(), dirPermissions);
        const QString waited = waits ? QString(" nach %1 s").arg(waits) : QString();
        using Kind = Store::StartOutcome::Kind;
        QString text =
            result.kind == Kind::Opened ? "geöffnet" + waited
            : result.kind == Kind::Stop
                ? QString("Ende%1: Fehler %2: %3").arg(waited).arg(result.error.number).arg(result.error.text)
            : result.movedTo.isEmpty()
                ? "neu angelegt"
                : "neu angelegt aus " + QFileInfo(result.movedTo).fileName() + ": " + result.notice;
        QCOMPARE(text.replace(dir->path(), "<dir>"), outcome);
        if (result.kind != Kind::Stop)
            QCOMPARE(sqlValue(Store::MainDb(), "SELECT MittInter || journal_mode FROM tblSysConf, "
                                               "pragma_journal_mode"),
                     "60wal");
        locker.close();
        Store::MainDb().close();
        // A file that is not damaged is never changed when the program stops, nor moved, nor replaced.
        if (result.kind == Kind::Stop)
            QCOMPARE(dir->readFile(name), before);
        QStringList left = QDir(home).entryList({"Skylog*"}, QDir::Files, QDir::Name);
        left.removeOne("SkylogIni.db");
        QCOMPARE(left.join(' '), files);
        // Nor does the template ever land on an existing file.
        if (QFile::exists(path)) {
            const QByteArray kept = dir->readFile(name);
            QVERIFY(Store::copyTemplate(dir->file("SkylogIni.db"), path));
            QCOMPARE(dir->readFile(name), kept);
        }
    }

    // A write that finds the disk full names the reason (SQLite's max_page_count stands in for the disk).
    void fullDiskIsNamedOnWrite() {
        QCOMPARE(Store::openMainDb(dir->file("Skylog.db")), std::nullopt);
        QSqlDatabase main = Store::MainDb();
        QVERIFY(QSqlQuery(main).exec("PRAGMA max_page_count = " +
                                     sqlValue(main, "PRAGMA page_count").toString()));
        const auto failure = Store::inTransaction(main, [](QSqlQuery &query) {
            return query.exec("INSERT INTO tblTemp (ProviderID, ConfigID, LastAccessTime) "
                              "VALUES (9, 9, zeroblob(200000))");
        });
        QCOMPARE(failure ? QString::number(failure->number) + ' ' + failure->text : QString(),
                 "61 Der Datenträger ist voll: die Datenbank kann nicht geschrieben werden.");
    }

    void settingsLoad_data() {
        QTest::addColumn<QString>("assignment");
        // Provider MittInter MomInter MomTimeOut MittTimeOut maxTries TrennZeichen MomAktiv SaveMitt
        // [datname] [MailSubject] [MailRecList] A<AlarmMinuten>, then the numbers of the errors reported.
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("lastReport");
        const auto row = [](const char *name, const QString &assignment, const QString &loaded,
                            const QString &lastReport = {}) {
            QTest::newRow(name) << assignment << loaded << lastReport;
        };
        const QString dflt = "1 60 3000 2000 3000 5 124 11 [Testlog.txt] [] [] A10 |";
        const QString pollingOff = QString(dflt).replace(" 11 ", " 01 ");
        row("empty table: defaults", "", pollingOff);
        row("Yes/No and number as text, null text, half to even",
            "MomAktiv = 'Falsch', MailSubject = NULL, MittInter = ' 15 ', maxTries = 2.5",
            "1 15 3000 2000 3000 2 124 01 [Testlog.txt] [] [] A10 |");
        // A column that cannot be read is reported; one the program cannot work without takes its default.
        row("null Long, MomInter, alarm", "maxTries = NULL, MomInter = NULL, AlarmMinuten = NULL",
            QString(dflt).replace("A10", "A0") + "949494");
        row("faults, then more",
            "Provider = 'x', TrennZeichen = 300, MailSubject = 'Wetter', MailRec = 'a,,b'",
            "0 60 3000 2000 3000 5 124 11 [Testlog.txt] [Wetter] [a||b] A10 |136");
        row("limits, recipients by line", // each the lowest or the highest value allowed; the alarm off
            "MittInter = 1, MomInter = 60000, MomTimeOut = 100, MittTimeOut = 600000, maxTries = 1, "
            "TrennZeichen = 255, datname = 'x', MailRec = 'a;b' || char(13, 10, 13, 10) || ' c,', "
            "AlarmMinuten = 0",
            "1 1 60000 100 600000 1 255 11 [x] [] [a|b| c|] A0 |");
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
        row("negative MomInter, CR as separator", "MomInter = -5, TrennZeichen = 13", dflt + "380380",
            "Ungültiger Eigenschaftswert: TrennZeichen = 13 (zulässig: 9 oder 32 bis 255); es gilt 124");
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
        QCOMPARE(lastReport.isEmpty() ? lastReport : load.errors.last().text, lastReport);
        // An empty table is not filled.
        QCOMPARE(rows("Provider", "tblSysConf").isEmpty(), assignment.isEmpty());
    }

    // An old file may hold a second settings row: a save changes the first only.
    void saveChangesTheFirstRowOnly() {
        QVERIFY(QSqlQuery(db).exec("INSERT INTO tblSysConf (datname) VALUES ('zweite.txt')"));
        SysConfRecord record = SysConfRecord::defaults();
        record.datname = "export.txt";
        QCOMPARE(saveSysConf(db, record, {"datname", "MomInter"}, 7000), std::nullopt);
        QCOMPARE(rows("datname || ':' || MomInter", "tblSysConf"), "export.txt:7000 zweite.txt:3000");
    }

    void stationAndSerialRows() {
        std::optional<RunError> error;
        // Null counts as configured; no row, no error.
        QVERIFY(QSqlQuery(db).exec("UPDATE tblTemp SET Configured = NULL WHERE ProviderID = 2"));
        QVERIFY(!Station::readTemp(db, 2, 1, &error).value_or(Station::TempRow{true, {}}).firstStart &&
                !error);
        QVERIFY(!Station::readTemp(db, 9, 9, &error) && !error);
        QVERIFY(!Station::readIdentity(db, 1, 99, &error) && !error);
        // Exactly one configuration is active; a blank name is refused.
        const QString columns = "ConfName || '=' || aktiv || Baudrate";
        ComConfig::Entry entry = ComConfig::defaults();
        entry.ConfName = "  ";
        QVERIFY(ComConfig::saveActive(db, entry));
        QCOMPARE(rows(columns, "tblConfigCOM"), "Logger COM 1=19 Modem COM 2, 9600 Baud=05");
        entry.ConfName = "Labor";
        QCOMPARE(ComConfig::saveActive(db, entry), std::nullopt);
        QCOMPARE(rows(columns, "tblConfigCOM"), "Logger COM 1=09 Modem COM 2, 9600 Baud=05 Labor=19");
        ComConfig::Entry first = ComConfig::readAll(db, &error).first();
        first.Baudrate = 5;
        QCOMPARE(ComConfig::saveActive(db, first), std::nullopt);
        QCOMPARE(rows(columns, "tblConfigCOM"), "Logger COM 1=15 Modem COM 2, 9600 Baud=05 Labor=09");
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
