// The data file: opening, protection of unreadable files, the template, the settings record, tblTemp and the
// serial configurations, all on real SQLite files in a temporary program directory.
#include "link/comconfig.h"
#include "store/database.h"
#include "store/station.h"
#include "store/sysconf.h"
#include "support/programdir.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

class TestStore : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void openRefusesWhatIsNoSkylogDatabase_data();
    void openRefusesWhatIsNoSkylogDatabase();
    void openTakesTheTemplateCopy();
    void moveAsideKeepsFileAndJournal();
    void copyTemplateNeverOverwrites();
    void templateHoldsTheReferenceData();
    void emptySettingsTableGivesDefaultsAndWritesNothing();
    void settingsFieldsAreConverted_data();
    void settingsFieldsAreConverted();
    void mailRecipientsKeepEmptyPieces();
    void saveAddsOneRowWithTheDialogsFieldsOnly();
    void saveEditsTheFirstRowOnly();
    void stationRowsAndIdentity();
    void storeLastAccessAddsTheMissingRow();
    void comConfigSaveKeepsExactlyOneActive();
    void comConfigRefusedNameChangesNothing();
};

void TestStore::cleanup() {
    Store::MainDb().close();
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (name != QLatin1String(QSqlDatabase::defaultConnection))
            QSqlDatabase::removeDatabase(name);
    }
}

void TestStore::openRefusesWhatIsNoSkylogDatabase_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("foreignSqlite");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("text file") << QByteArray("Messwerte vom Dezember\r\n") << false;
    QTest::newRow("truncated header") << QByteArray("SQLite format 3\0\x10", 18) << false;
    QTest::newRow("another program's database") << QByteArray() << true;
}

void TestStore::openRefusesWhatIsNoSkylogDatabase() {
    QFETCH(QByteArray, contents);
    QFETCH(bool, foreignSqlite);
    ProgramDir dir;
    const QString path = dir.file(QStringLiteral("Skylog.db"));
    if (foreignSqlite) {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery(other).exec(QStringLiteral("CREATE TABLE notes (x TEXT)"));
        other.close();
    } else if (!contents.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }
    const QByteArray before = dir.readFile(QStringLiteral("Skylog.db"));

    const auto error = Store::openMainDb(path);
    QVERIFY(error.has_value());
    QVERIFY(!Store::MainDb().isOpen());
    // Nothing was created or changed in its place.
    QCOMPARE(QFile::exists(path), foreignSqlite || !contents.isEmpty());
    QCOMPARE(dir.readFile(QStringLiteral("Skylog.db")), before);
}

void TestStore::openTakesTheTemplateCopy() {
    ProgramDir dir;
    QVERIFY(!Store::copyTemplate(dir.file(QStringLiteral("SkylogIni.db")),
                                 dir.file(QStringLiteral("Skylog.db"))));
    QCOMPARE(Store::openMainDb(dir.file(QStringLiteral("Skylog.db"))), std::nullopt);
    QCOMPARE(sqlValue(Store::MainDb(), QStringLiteral("PRAGMA journal_mode")).toString(),
             QStringLiteral("wal"));
    QCOMPARE(sqlValue(Store::MainDb(), QStringLiteral("PRAGMA synchronous")).toInt(), 2);
}

void TestStore::moveAsideKeepsFileAndJournal() {
    ProgramDir dir;
    const QString path = dir.file(QStringLiteral("Skylog.db"));
    for (const auto &[name, data] :
         {std::pair{path, QByteArray("kaputt")}, {path + QStringLiteral("-wal"), "journal"}}) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    std::optional<RunError> error;
    const QString moved = Store::moveAside(path, QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)), &error);
    QVERIFY(!error);
    QCOMPARE(moved, dir.file(QStringLiteral("Skylog-defekt-20261205-160738.db")));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    QCOMPARE(dir.readFile(QStringLiteral("Skylog-defekt-20261205-160738.db")), QByteArray("kaputt"));
    QCOMPARE(dir.readFile(QStringLiteral("Skylog-defekt-20261205-160738.db-wal")), QByteArray("journal"));
}

void TestStore::copyTemplateNeverOverwrites() {
    ProgramDir dir;
    const QString path = dir.file(QStringLiteral("Skylog.db"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("wertvoll");
    f.close();
    QVERIFY(Store::copyTemplate(dir.file(QStringLiteral("SkylogIni.db")), path).has_value());
    QCOMPARE(dir.readFile(QStringLiteral("Skylog.db")), QByteArray("wertvoll"));

    const auto missing =
        Store::copyTemplate(dir.file(QStringLiteral("fehlt.db")), dir.file(QStringLiteral("neu.db")));
    QVERIFY(missing.has_value());
    QCOMPARE(missing->number, 53);
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("neu.db"))));
}

void TestStore::templateHoldsTheReferenceData() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    QVERIFY(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblProvider")).toInt() >= 2);
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblConfigCOM WHERE aktiv = 1")).toInt(), 1);
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT Sensor FROM tblKanal WHERE ProviderID = 1 AND ConfigID = 1 "
                                         "AND KanalNr = 19")),
             QVariant(1));
    QCOMPARE(
        sqlValue(db, QStringLiteral("SELECT Beschreibung FROM tblSensorcodes WHERE Sensor = 1")).toString(),
        QStringLiteral("Lufttemperatur 2 m"));
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT Einheit FROM tblEinheiten WHERE Sensor = 7")).toString(),
             QStringLiteral("W/m²"));
    QCOMPARE(sqlValue(db, QStringLiteral(
                              "SELECT StationsNr FROM qryConfigure WHERE KonfigNr = 1 AND ProviderID = 1"))
                 .toString(),
             QStringLiteral("01"));
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblMesswerte")).toInt(), 0);
    // The trailing blank of "tblEinheiten " does not stop SQLite from finding the table.
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM \"tblEinheiten\" WHERE Sensor = 26")).toInt(),
             1);
}

void TestStore::emptySettingsTableGivesDefaultsAndWritesNothing() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("DELETE FROM tblSysConf")));
    SysConfRecord record;
    const SysConfLoad load = loadSysConf(db, record);
    QVERIFY(!load.rowFound);
    QVERIFY(load.errors.isEmpty());
    QCOMPARE(load.MomInter, std::optional<qint32>(3000));
    QCOMPARE(record.Provider, 1);
    QCOMPARE(record.Konfiguration, 1);
    QCOMPARE(record.MittInter, 60);
    QVERIFY(!record.MittelAktiv && !record.MomAktiv && !record.SaveMom && record.SaveMitt);
    QCOMPARE(record.MomTimeOut, 2000);
    QCOMPARE(record.MittTimeOut, 3000);
    QCOMPARE(record.maxTries, 5);
    QVERIFY(record.Trennen);
    QCOMPARE(record.TrennZeichen, quint8(124));
    QCOMPARE(record.datname, QStringLiteral("Testlog.txt"));
    QVERIFY(record.doKanal && record.doSensor && record.doUnit && !record.doPlus);
    QVERIFY(record.MailRecList.isEmpty());
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblSysConf")).toInt(), 0);
}

void TestStore::settingsFieldsAreConverted_data() {
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QList<int>>("errorNumbers");
    QTest::addColumn<QString>("check");
    QTest::newRow("null text loads empty") << "MailSubject = NULL" << QList<int>{} << "MailSubject=";
    QTest::newRow("null Long is reported and stays zero")
        << "maxTries = NULL" << QList<int>{94} << "maxTries=0";
    QTest::newRow("text in a Long") << "MittInter = 'stündlich'" << QList<int>{13} << "MittInter=0";
    QTest::newRow("number text in a Long") << "MittInter = ' 15 '" << QList<int>{} << "MittInter=15";
    QTest::newRow("fraction rounds half to even") << "maxTries = 2.5" << QList<int>{} << "maxTries=2";
    QTest::newRow("separator out of byte range") << "TrennZeichen = 300" << QList<int>{6} << "TrennZeichen=0";
    QTest::newRow("Yes/No as text") << "MomAktiv = 'Wahr'" << QList<int>{} << "MomAktiv=1";
    QTest::newRow("MomInter goes to the timer") << "MomInter = 5000" << QList<int>{} << "MomInter=5000";
    QTest::newRow("null MomInter leaves the timer") << "MomInter = NULL" << QList<int>{94} << "MomInter=none";
    QTest::newRow("two faults, both reported in order")
        << "Provider = 'x', MailRec = 'a,b'" << QList<int>{13} << "MailRecList=a|b";
}

void TestStore::settingsFieldsAreConverted() {
    QFETCH(QString, assignment);
    QFETCH(QList<int>, errorNumbers);
    QFETCH(QString, check);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("UPDATE tblSysConf SET ") + assignment));
    SysConfRecord record;
    const SysConfLoad load = loadSysConf(db, record);
    QVERIFY(load.rowFound);
    QList<int> numbers;
    for (const RunError &e : load.errors)
        numbers << e.number;
    QCOMPARE(numbers, errorNumbers);

    const QString field = check.section(QLatin1Char('='), 0, 0);
    const QString expected = check.section(QLatin1Char('='), 1);
    const std::map<QString, QString> actual{
        {QStringLiteral("MailSubject"), record.MailSubject},
        {QStringLiteral("maxTries"), QString::number(record.maxTries)},
        {QStringLiteral("MittInter"), QString::number(record.MittInter)},
        {QStringLiteral("TrennZeichen"), QString::number(record.TrennZeichen)},
        {QStringLiteral("MomAktiv"), QString::number(record.MomAktiv)},
        {QStringLiteral("MomInter"),
         load.MomInter ? QString::number(*load.MomInter) : QStringLiteral("none")},
        {QStringLiteral("MailRecList"), record.MailRecList.join(QLatin1Char('|'))}};
    QCOMPARE(actual.at(field), expected);
    // The fields after a faulty one are still read.
    QCOMPARE(record.datname, QStringLiteral("Testlog.txt"));
}

void TestStore::mailRecipientsKeepEmptyPieces() {
    QCOMPARE(mailRecipients(QStringLiteral("a,b,,c")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c")}));
    QCOMPARE(mailRecipients(QStringLiteral(" a ,b")),
             (QStringList{QStringLiteral(" a "), QStringLiteral("b")}));
    QCOMPARE(mailRecipients(QString()), QStringList());
}

void TestStore::saveAddsOneRowWithTheDialogsFieldsOnly() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("DELETE FROM tblSysConf")));
    SysConfRecord record = SysConfRecord::defaults();
    record.MittInter = 15;
    record.MittelAktiv = true;
    record.SaveMitt = false;
    QCOMPARE(
        saveSysConf(db, record,
                    {QStringLiteral("MittInter"), QStringLiteral("MittelAktiv"), QStringLiteral("SaveMitt")}),
        std::nullopt);
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblSysConf")).toInt(), 1);
    QCOMPARE(
        sqlValue(db, QStringLiteral("SELECT MittInter || '/' || MittelAktiv || '/' || SaveMitt || '/' || "
                                    "maxTries || '/' || datname FROM tblSysConf"))
            .toString(),
        QStringLiteral("15/1/0/5/Testlog.txt"));

    QVERIFY(QSqlQuery(db).exec(QStringLiteral("DELETE FROM tblSysConf")));
    QCOMPARE(saveSysConf(db, record, {QStringLiteral("Provider")}, defaultMomInter, true), std::nullopt);
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblSysConf")).toInt(), 0);
}

void TestStore::saveEditsTheFirstRowOnly() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("INSERT INTO tblSysConf (datname) VALUES ('zweite.txt')")));
    SysConfRecord record = SysConfRecord::defaults();
    record.datname = QStringLiteral("export.txt");
    record.TrennZeichen = 59;
    QCOMPARE(
        saveSysConf(db, record,
                    {QStringLiteral("datname"), QStringLiteral("TrennZeichen"), QStringLiteral("MomInter")},
                    7000),
        std::nullopt);
    QCOMPARE(sqlValue(db, QStringLiteral(
                              "SELECT group_concat(datname || ':' || TrennZeichen || ':' || MomInter, ' ') "
                              "FROM tblSysConf"))
                 .toString(),
             QStringLiteral("export.txt:59:7000 zweite.txt:124:3000"));
}

void TestStore::stationRowsAndIdentity() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    std::optional<RunError> error;
    auto temp = Station::readTemp(db, 1, 1, &error);
    QVERIFY(temp && temp->firstStart && !temp->LastAccessTime.isValid() && !error);
    QCOMPARE(Station::setConfigured(db, 1, 1), std::nullopt);
    QVERIFY(!Station::readTemp(db, 1, 1, &error)->firstStart);

    QVERIFY(
        QSqlQuery(db).exec(QStringLiteral("UPDATE tblTemp SET Configured = NULL, LastAccessTime = "
                                          "'2026-12-05 09:05:00' WHERE ProviderID = 2 AND ConfigID = 1")));
    temp = Station::readTemp(db, 2, 1, &error);
    QVERIFY(temp && !temp->firstStart);
    QCOMPARE(temp->LastAccessTime, QDateTime(QDate(2026, 12, 5), QTime(9, 5)));
    QVERIFY(!Station::readTemp(db, 9, 9, &error) && !error);

    const auto identity = Station::readIdentity(db, 2, 1, &error);
    QVERIFY(identity && !error);
    QCOMPARE(identity->StationsNr, QStringLiteral("07"));
    QCOMPARE(identity->Name, QStringLiteral("AWL 400"));
    QVERIFY(!Station::readIdentity(db, 1, 99, &error) && !error);
}

void TestStore::storeLastAccessAddsTheMissingRow() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    const QDateTime t(QDate(2026, 12, 5), QTime(16, 7, 38));
    QCOMPARE(Station::storeLastAccess(db, 4, 2, t), std::nullopt);
    QCOMPARE(Station::storeLastAccess(db, 4, 2, t.addSecs(3600)), std::nullopt);
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) || ' ' || max(LastAccessTime) FROM tblTemp "
                                         "WHERE ProviderID = 4 AND ConfigID = 2"))
                 .toString(),
             QStringLiteral("1 2026-12-05 17:07:38"));
}

void TestStore::comConfigSaveKeepsExactlyOneActive() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ComConfig::Entry entry = ComConfig::defaults();
    entry.ConfName = QStringLiteral("Labor COM 3");
    entry.Com = 2;
    entry.DTR = 2;
    QCOMPARE(ComConfig::saveActive(db, entry), std::nullopt);
    std::optional<RunError> error;
    const QList<ComConfig::Entry> all = ComConfig::readAll(db, &error);
    QCOMPARE(all.size(), 3);
    QCOMPARE(std::count_if(all.begin(), all.end(), [](const auto &e) { return e.aktiv; }), 1);
    QCOMPARE(all.last().ConfName, QStringLiteral("Labor COM 3"));
    QVERIFY(all.last().aktiv);
    QCOMPARE(all.last().DTR, 2);

    ComConfig::Entry first = all.first();
    first.Baudrate = 5;
    QCOMPARE(ComConfig::saveActive(db, first), std::nullopt);
    const QList<ComConfig::Entry> after = ComConfig::readAll(db, &error);
    QVERIFY(after.first().aktiv && !after.last().aktiv);
    QCOMPARE(after.first().Baudrate, 5);
    QCOMPARE(after.size(), 3);
}

void TestStore::comConfigRefusedNameChangesNothing() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ComConfig::Entry entry = ComConfig::defaults();
    entry.ConfName = QStringLiteral("  ");
    QVERIFY(ComConfig::saveActive(db, entry).has_value());
    QCOMPARE(
        sqlValue(db, QStringLiteral("SELECT group_concat(ConfName || '=' || aktiv, ';') FROM tblConfigCOM"))
            .toString(),
        QStringLiteral("Logger COM 1=1;Modem COM 2, 9600 Baud=0"));
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
