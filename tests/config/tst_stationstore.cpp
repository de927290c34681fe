// How the station configurations are read from and stored in tblConfiguration and tblSysConf, on a real
// database made from the template.
#include "config/configlist.h"
#include "config/stationstore.h"
#include "support/programdir.h"

#include <QTest>

namespace {

QString configRows(const QSqlDatabase &db) {
    return sqlValue(db, "SELECT group_concat(printf('%d/%d/%s/%s', ProviderID, KonfigNr, Beschreibung, "
                        "StationsNr), '; ') FROM (SELECT * FROM tblConfiguration ORDER BY 1, 2)")
        .toString();
}

} // namespace

class TestStationStore : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    // A configuration number that is text, zero or beyond 32 bits: the row is reported and left out.
    void unusableRowIsReportedAndLeftOut() {
        const std::pair<const char *, const char *> cases[] = {
            {"'drei'", "13 Typen unverträglich"},
            {"0", "9 Index außerhalb des gültigen Bereichs (KonfigNr 0)"},
            {"3000000000", "6 Überlauf"}};
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        for (auto [number, expected] : cases) {
            sqlValue(db, "DELETE FROM tblConfiguration WHERE Beschreibung = 'unbrauchbar'");
            sqlValue(db,
                     QString("INSERT INTO tblConfiguration VALUES (2, %1, 'unbrauchbar', '03')").arg(number));
            std::optional<RunError> failure;
            const ConfigList list = StationStore::readConfigurations(db, 2, &failure);
            QCOMPARE(failure ? QString("%1 %2").arg(failure->number).arg(failure->text) : QString(),
                     expected);
            QVERIFY(list.configured() == (QList<qint32>{1, 2}) && list.highest() == 2);
        }
    }

    // Existing rows are edited and missing ones added, each once; numbers without a station and other loggers
    // stay untouched. A failure leaves everything as it was.
    void choiceIsStoredByKeyInOneTransaction() {
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        sqlValue(db, "DELETE FROM tblConfiguration WHERE ProviderID = 1 AND KonfigNr = 2");
        std::optional<RunError> error;
        QMap<qint32, ConfigList> lists{{1, StationStore::readConfigurations(db, 1, &error)}};
        lists[1].setName(3, "Dach Ost");
        lists[1].setStation(1, "09");
        lists[1].addNew("05");
        lists[1].setName(6, "ohne Station");
        for (int save = 0; save < 2; ++save)
            QCOMPARE(StationStore::saveChoice(db, lists, 3, 1), std::nullopt);
        const QString stored =
            "1/1/Messfeld Nord, Klimahütte 2 m/09; 1/3/Dach Ost/03; 1/4/---/05; "
            "2/1/Bergstation Hochalm/07; 2/2/Pegel Talsperre/08; 3/1/Versuchsfeld Obstbau/12";
        QVERIFY(configRows(db) == stored && sqlValue(db, "SELECT Provider FROM tblSysConf").toInt() == 3);
        // The settings row cannot be written: the configurations stay as they were.
        sqlValue(db, "ALTER TABLE tblSysConf RENAME COLUMN Provider TO ProviderAlt");
        lists[1].setName(1, "geändert");
        QVERIFY(StationStore::saveChoice(db, lists, 2, 1).has_value());
        QCOMPARE(configRows(db), stored);
    }
};

QTEST_GUILESS_MAIN(TestStationStore)
#include "tst_stationstore.moc"
