// The configuration lists of the station dialog and how they are read from and stored in tblConfiguration and
// tblSysConf, on a real database made from the template.
#include "config/configlist.h"
#include "config/stationstore.h"
#include "support/programdir.h"

#include <QSqlQuery>
#include <QTest>

#include <limits>

namespace {

// Every configuration row as "ProviderID/KonfigNr/Beschreibung/StationsNr", in key order.
QStringList configRows(const QSqlDatabase &db) {
    QStringList rows;
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT ProviderID, KonfigNr, Beschreibung, StationsNr FROM tblConfiguration "
                              "ORDER BY ProviderID, KonfigNr"));
    while (query.next())
        rows << QStringLiteral("%1/%2/%3/%4")
                    .arg(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                         query.value(3).toString());
    return rows;
}

void exec(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    QVERIFY2(query.exec(sql), qPrintable(sql));
}

} // namespace

class TestStationStore : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void listsGrowToTheHighestNumberAndSkipGaps();
    void newConfigurationTakesTheNextNumber();
    void numbersAreNeverUsedUp();
    void stationTexts_data();
    void stationTexts();
    void choiceProblems_data();
    void choiceProblems();
    void loggersAreListedWithTheirMaker();
    void configurationsKeepTheirDataInAnyRowOrder();
    void unusableRowIsReportedAndLeftOut_data();
    void unusableRowIsReportedAndLeftOut();
    void readingALoggerWithoutConfigurations();
    void savingEditsExistingRowsAndAddsMissingOnes();
    void savingNeverTouchesAnotherLogger();
    void choiceEditsTheSettingsRowOnlyWhenItExists();
    void failedChoiceStoresNothing();

private:
    QSqlDatabase templateCopy(ProgramDir &dir) { return dir.createDataFile(QStringLiteral("test")); }
};

void TestStationStore::cleanup() {
    QSqlDatabase::database(QStringLiteral("test"), false).close();
    QSqlDatabase::removeDatabase(QStringLiteral("test"));
}

void TestStationStore::listsGrowToTheHighestNumberAndSkipGaps() {
    ConfigList list;
    QVERIFY(list.take(3, QStringLiteral("Dach"), QStringLiteral("03")));
    QVERIFY(list.take(1, QStringLiteral("Feld"), QStringLiteral("7")));
    QCOMPARE(list.highest(), 3);
    QCOMPARE(list.entries(), (QList<qint32>{3, 1}));
    QCOMPARE(list.configured(), (QList<qint32>{1, 3}));
    // Number 2 has no configuration: empty texts.
    QCOMPARE(list.name(2), QString());
    QCOMPARE(list.station(2), QString());
    QCOMPARE(list.name(3), QStringLiteral("Dach"));
    QCOMPARE(list.station(1), QStringLiteral("7"));
    // A description without a station is no configuration.
    list.setName(5, QStringLiteral("nur Text"));
    QCOMPARE(list.highest(), 5);
    QCOMPARE(list.configured(), (QList<qint32>{1, 3}));
    list.setStation(5, QStringLiteral("05"));
    QCOMPARE(list.configured(), (QList<qint32>{1, 3, 5}));
    QVERIFY(!list.take(0, QStringLiteral("Null"), QStringLiteral("01")));
    QVERIFY(!list.take(-4, QStringLiteral("Negativ"), QStringLiteral("01")));
    QCOMPARE(list.entries(), (QList<qint32>{3, 1}));
}

void TestStationStore::newConfigurationTakesTheNextNumber() {
    ConfigList list;
    QCOMPARE(list.addNew(QStringLiteral("04")), std::optional<qint32>(1));
    list.take(1, QStringLiteral("Feld"), QStringLiteral("01"));
    list.take(3, QStringLiteral("Dach"), QStringLiteral("03"));
    QCOMPARE(list.addNew(QStringLiteral("12")), std::optional<qint32>(4));
    QCOMPARE(list.name(4), QStringLiteral("---"));
    QCOMPARE(list.station(4), QStringLiteral("12"));
    QCOMPARE(list.entries(), (QList<qint32>{1, 1, 3, 4}));
}

void TestStationStore::numbersAreNeverUsedUp() {
    ConfigList list;
    list.take(std::numeric_limits<qint32>::max(), QStringLiteral("Letzte"), QStringLiteral("01"));
    QCOMPARE(list.addNew(QStringLiteral("01")), std::nullopt);
    QCOMPARE(list.configured(), QList<qint32>{std::numeric_limits<qint32>::max()});
}

void TestStationStore::stationTexts_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<int>("index");
    QTest::newRow("01") << "01" << 0;
    QTest::newRow("7 without zero") << "7" << 6;
    QTest::newRow("07") << "07" << 6;
    QTest::newRow("30") << "30" << 29;
    QTest::newRow("blanks") << " 12 " << 11;
    QTest::newRow("31") << "31" << -1;
    QTest::newRow("0") << "0" << -1;
    QTest::newRow("negative") << "-3" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("letters") << "AB" << -1;
    QTest::newRow("fraction") << "2.5" << -1;
}

void TestStationStore::stationTexts() {
    QFETCH(QString, station);
    QFETCH(int, index);
    QCOMPARE(StationNumber::index(station).value_or(-1), index);
    const QStringList entries = StationNumber::entries();
    QCOMPARE(entries.size(), 30);
    QCOMPARE(entries.first(), QStringLiteral("01"));
    QCOMPARE(entries.last(), QStringLiteral("30"));
    if (index >= 0)
        QCOMPARE(entries[index].toInt(), station.trimmed().toInt());
}

void TestStationStore::choiceProblems_data() {
    QTest::addColumn<bool>("loggerSelected");
    QTest::addColumn<int>("configCount");
    QTest::addColumn<QString>("configText");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("problem");
    QTest::newRow("valid") << true << 2 << "2"
                           << "07" << QString();
    QTest::newRow("station 7 is valid") << true << 1 << "1"
                                        << "7" << QString();
    QTest::newRow("no logger") << false << 2 << "1"
                               << "01"
                               << "Bitte wählen Sie einen Datenlogger aus.";
    QTest::newRow("logger without configurations")
        << true << 0 << ""
        << "01"
        << "Für den Datenlogger „MiniLog 8  /  Elbtal Elektronik“ ist noch keine Konfiguration angelegt.\n"
           "Legen Sie mit „Neu“ eine Konfiguration an.";
    QTest::newRow("no configuration selected") << true << 3 << ""
                                               << ""
                                               << "Bitte wählen Sie eine Konfiguration aus.";
    QTest::newRow("station 31")
        << true << 3 << "2"
        << "31"
        << "Die Stationsnummer „31“ der Konfiguration 2 liegt nicht zwischen 1 und 30.\n"
           "Bitte wählen Sie eine Stationsnummer von 01 bis 30 aus.";
    QTest::newRow("station text")
        << true << 3 << "3"
        << "%1"
        << "Die Stationsnummer „%1“ der Konfiguration 3 liegt nicht zwischen 1 und 30.\n"
           "Bitte wählen Sie eine Stationsnummer von 01 bis 30 aus.";
    QTest::newRow("no station")
        << true << 1 << "4"
        << ""
        << "Bitte wählen Sie für die Konfiguration 4 eine Stationsnummer von 01 bis 30 aus.";
}

void TestStationStore::choiceProblems() {
    QFETCH(bool, loggerSelected);
    QFETCH(int, configCount);
    QFETCH(QString, configText);
    QFETCH(QString, station);
    QFETCH(QString, problem);
    StationChoice choice;
    choice.loggerSelected = loggerSelected;
    choice.loggerText = QStringLiteral("MiniLog 8  /  Elbtal Elektronik");
    choice.configCount = configCount;
    choice.configText = configText;
    choice.station = station;
    QCOMPARE(choiceProblem(choice).value_or(QString()), problem);
}

void TestStationStore::loggersAreListedWithTheirMaker() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    std::optional<RunError> error;
    const QList<StationStore::Logger> loggers = StationStore::readLoggers(db, &error);
    QVERIFY(!error);
    QStringList texts;
    for (const auto &logger : loggers)
        texts << QString::number(logger.Id) + QLatin1Char(':') + StationStore::loggerText(logger);
    QCOMPARE(texts, (QStringList{"1:KLD 20  /  Nordfeld Messtechnik", "2:AWL 400  /  Tauern Sensorik",
                                 "3:MiniLog 8  /  Elbtal Elektronik"}));
}

void TestStationStore::configurationsKeepTheirDataInAnyRowOrder() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    exec(db, QStringLiteral("DELETE FROM tblConfiguration WHERE ProviderID = 1"));
    exec(db, QStringLiteral("INSERT INTO tblConfiguration VALUES (1, 3, 'Dach', '3')"));
    exec(db, QStringLiteral("INSERT INTO tblConfiguration VALUES (1, 1, 'Feld', '07')"));
    std::optional<RunError> error;
    const ConfigList list = StationStore::readConfigurations(db, 1, &error);
    QVERIFY(!error);
    QCOMPARE(list.highest(), 3);
    QCOMPARE(list.name(3), QStringLiteral("Dach"));
    QCOMPARE(list.station(3), QStringLiteral("3"));
    QCOMPARE(list.name(1), QStringLiteral("Feld"));
    QCOMPARE(list.station(1), QStringLiteral("07"));
    QCOMPARE(list.configured(), (QList<qint32>{1, 3}));
}

void TestStationStore::unusableRowIsReportedAndLeftOut_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("text") << "'drei'" << 13 << "Typen unverträglich";
    QTest::newRow("zero") << "0" << 9 << "Index außerhalb des gültigen Bereichs (KonfigNr 0)";
    QTest::newRow("negative") << "-2" << 9 << "Index außerhalb des gültigen Bereichs (KonfigNr -2)";
    QTest::newRow("beyond 32 bits") << "3000000000" << 6 << "Überlauf";
}

void TestStationStore::unusableRowIsReportedAndLeftOut() {
    QFETCH(QString, number);
    QFETCH(int, error);
    QFETCH(QString, text);
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    exec(db, QStringLiteral("INSERT INTO tblConfiguration VALUES (2, %1, 'unbrauchbar', '03')").arg(number));
    std::optional<RunError> failure;
    const ConfigList list = StationStore::readConfigurations(db, 2, &failure);
    QVERIFY(failure);
    QCOMPARE(failure->number, error);
    QCOMPARE(failure->text, text);
    QCOMPARE(list.configured(), (QList<qint32>{1, 2}));
    QCOMPARE(list.name(2), QStringLiteral("Pegel Talsperre"));
    QCOMPARE(list.highest(), 2);
}

void TestStationStore::readingALoggerWithoutConfigurations() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    std::optional<RunError> failure;
    const ConfigList none = StationStore::readConfigurations(db, 9, &failure);
    QVERIFY(!failure);
    QVERIFY(none.entries().isEmpty());
    QCOMPARE(none.highest(), 0);
}

void TestStationStore::savingEditsExistingRowsAndAddsMissingOnes() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    exec(db, QStringLiteral("DELETE FROM tblConfiguration WHERE ProviderID = 1 AND KonfigNr = 2"));
    std::optional<RunError> error;
    ConfigList list = StationStore::readConfigurations(db, 1, &error);
    list.setName(3, QStringLiteral("Dach Ost"));
    list.setStation(1, QStringLiteral("09"));
    list.addNew(QStringLiteral("05"));
    QVERIFY(!StationStore::saveConfigurations(db, 1, list));
    QCOMPARE(configRows(db), (QStringList{
                                 "1/1/Messfeld Nord, Klimahütte 2 m/09",
                                 "1/3/Dach Ost/03",
                                 "1/4/---/05",
                                 "2/1/Bergstation Hochalm/07",
                                 "2/2/Pegel Talsperre/08",
                                 "3/1/Versuchsfeld Obstbau/12",
                             }));
    // Saving again changes nothing and adds nothing.
    QVERIFY(!StationStore::saveConfigurations(db, 1, list));
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblConfiguration")).toInt(), 6);
}

void TestStationStore::savingNeverTouchesAnotherLogger() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    std::optional<RunError> error;
    ConfigList list = StationStore::readConfigurations(db, 3, &error);
    list.setName(1, QStringLiteral("Obstbau Süd"));
    list.addNew(QStringLiteral("13"));
    QVERIFY(!StationStore::saveConfigurations(db, 3, list));
    QCOMPARE(configRows(db), (QStringList{
                                 "1/1/Messfeld Nord, Klimahütte 2 m/01",
                                 "1/2/Messfeld Nord, Bodenmessplatz/02",
                                 "1/3/Dachstation Verwaltungsgebäude/03",
                                 "2/1/Bergstation Hochalm/07",
                                 "2/2/Pegel Talsperre/08",
                                 "3/1/Obstbau Süd/12",
                                 "3/2/---/13",
                             }));
}

void TestStationStore::choiceEditsTheSettingsRowOnlyWhenItExists() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    std::optional<RunError> error;
    QMap<qint32, ConfigList> lists;
    lists[2] = StationStore::readConfigurations(db, 2, &error);
    lists[2].setName(2, QStringLiteral("Pegel Nord"));
    QVERIFY(!StationStore::saveChoice(db, lists, 2, 2));
    QCOMPARE(
        sqlValue(db, QStringLiteral("SELECT Provider || '/' || Konfiguration || '/' || MittInter || '/' || "
                                    "datname FROM tblSysConf"))
            .toString(),
        QStringLiteral("2/2/60/Testlog.txt"));
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT Beschreibung FROM tblConfiguration WHERE ProviderID = 2 AND "
                                         "KonfigNr = 2"))
                 .toString(),
             QStringLiteral("Pegel Nord"));

    exec(db, QStringLiteral("DELETE FROM tblSysConf"));
    QVERIFY(!StationStore::saveChoice(db, lists, 1, 3));
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblSysConf")).toInt(), 0);
}

void TestStationStore::failedChoiceStoresNothing() {
    ProgramDir dir;
    QSqlDatabase db = templateCopy(dir);
    exec(db, QStringLiteral("ALTER TABLE tblSysConf RENAME COLUMN Konfiguration TO KonfigAlt"));
    const QStringList before = configRows(db);
    std::optional<RunError> error;
    QMap<qint32, ConfigList> lists;
    lists[1] = StationStore::readConfigurations(db, 1, &error);
    lists[1].setName(1, QStringLiteral("geändert"));
    lists[1].addNew(QStringLiteral("04"));
    const std::optional<RunError> failure = StationStore::saveChoice(db, lists, 1, 4);
    QVERIFY(failure);
    QVERIFY2(failure->text.contains(QStringLiteral("Konfiguration")), qPrintable(failure->text));
    QCOMPARE(configRows(db), before);
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT Provider FROM tblSysConf")).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestStationStore)
#include "tst_stationstore.moc"
