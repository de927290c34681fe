// The channel table rebuilt from the sensor codes of an "A" telegram, on a real copy of the template
// database.
#include "eval/channeltable.h"
#include "support/programdir.h"

#include <QSqlQuery>
#include <QTest>

#include <utility>

namespace {

using Codes = QList<std::pair<int, QByteArray>>;

// The codes and values of an "A" telegram; every channel's value is its number plus a tenth.
void fill(const Codes &present, InstCodes &codes, InstValues &values) {
    for (const auto &[channel, code] : present) {
        codes[channel] = code;
        values[channel] = channel + 0.1;
    }
}

QString text(const QVariant &value) {
    return value.isNull() ? QStringLiteral("NULL") : value.toString();
}

// The tblKanal rows of a pair in stored order: "KanalNr Sensor EinheitID KanalArt".
QStringList kanalRows(const QSqlDatabase &db, int provider, int config) {
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT KanalNr, Sensor, EinheitID, KanalArt FROM tblKanal "
                                 "WHERE ProviderID = ? AND ConfigID = ? ORDER BY rowid"));
    query.addBindValue(provider);
    query.addBindValue(config);
    if (!query.exec())
        return {QStringLiteral("query failed")};
    QStringList rows;
    while (query.next()) {
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(text(query.value(0)), text(query.value(1)), text(query.value(2)),
                         text(query.value(3)));
    }
    return rows;
}

// Every row of tblKanal, for "nothing changed" checks.
QStringList allKanalRows(const QSqlDatabase &db) {
    QStringList rows;
    for (int provider = 1; provider <= 3; ++provider) {
        for (int config = 1; config <= 3; ++config)
            rows << kanalRows(db, provider, config);
    }
    return rows;
}

// The shown slots: "channel value unit|KurzText|Beschreibung|code".
QStringList shownSlots(const ChannelSlots &channelSlots) {
    QStringList shown;
    for (int channel = 0; channel <= 100; ++channel) {
        const ChannelSlot &slot = channelSlots[channel];
        if (slot.shown) {
            shown << QStringLiteral("%1 %2 %3|%4|%5|%6")
                         .arg(channel)
                         .arg(slot.value)
                         .arg(slot.unit, slot.KurzText, slot.Beschreibung)
                         .arg(slot.sensorCode);
        }
    }
    return shown;
}

void exec(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    QVERIFY2(query.exec(sql), qPrintable(sql));
}

} // namespace

class TestChannelTable : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void reportedChannelsGiveRowsAndSlotsInOrder();
    void catalogueEntryOfACode_data();
    void catalogueEntryOfACode();
    void rebuildReplacesOnlyItsOwnPair();
    void unknownCodesAreShownAndWarnedOnce();
    void failureChangesNothing_data();
    void failureChangesNothing();
};

void TestChannelTable::cleanup() {
    for (const QString &name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
}

void TestChannelTable::reportedChannelsGiveRowsAndSlotsInOrder() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    InstCodes codes;
    InstValues values{};
    // The field order of the telegram does not matter; channel 3's code is incomplete, so it is absent.
    fill({{7, "07"}, {1, "03"}, {2, "02"}}, codes, values);
    codes[3] = "0";
    values[3] = 3.5;
    ChannelSlots channelSlots{};
    // Left over from the previous table: no longer shown afterwards.
    channelSlots[5].shown = true;
    channelSlots[70].shown = true;
    QStringList warnings;

    QCOMPARE(rebuildChannelTable(db, 2, 2, codes, values, channelSlots, warnings), std::nullopt);

    QCOMPARE(kanalRows(db, 2, 2), QStringList({QStringLiteral("1 3 3 Druck"), QStringLiteral("2 2 2 Feuchte"),
                                               QStringLiteral("7 7 7 Strahlung")}));
    QCOMPARE(shownSlots(channelSlots),
             QStringList({QStringLiteral("1 1.1 hPa|Druck|Luftdruck|3"),
                          QStringLiteral("2 2.1 %|Feuchte|Relative Luftfeuchte|2"),
                          QStringLiteral("7 7.1 W/m²|Strahlung|Globalstrahlung|7")}));
    QVERIFY(warnings.isEmpty());
}

void TestChannelTable::catalogueEntryOfACode_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QString>("setupSql");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("slot");
    QTest::newRow("1A is sensor 26") << QByteArray("1A") << QString() << "9 26 21 Strahlung"
                                     << "9 9.1 -|UV|UV-Index|26";
    QTest::newRow("lower case") << QByteArray("0c") << QString() << "9 12 12 Temperatur"
                                << "9 9.1 °C|Boden 20|Bodentemperatur 20 cm|12";
    QTest::newRow("first catalogue row counts")
        << QByteArray("01")
        << "INSERT INTO tblSensorcodes (Sensor, SensorCode, Beschreibung, KurzText, Sensorart) "
           "VALUES (1, '01', 'Zweiter Eintrag', 'Zweit', 'Anderes')"
        << "9 1 1 Temperatur"
        << "9 9.1 °C|Temp|Lufttemperatur 2 m|1";
    QTest::newRow("Null kind is copied")
        << QByteArray("14") << "UPDATE tblSensorcodes SET Sensorart = NULL WHERE Sensor = 20"
        << "9 20 20 NULL"
        << "9 9.1 cm|Schnee|Schneehöhe|20";
}

void TestChannelTable::catalogueEntryOfACode() {
    QFETCH(QByteArray, code);
    QFETCH(QString, setupSql);
    QFETCH(QString, row);
    QFETCH(QString, slot);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    if (!setupSql.isEmpty())
        exec(db, setupSql);
    InstCodes codes;
    InstValues values{};
    fill({{9, code}}, codes, values);
    ChannelSlots channelSlots{};
    QStringList warnings;

    QCOMPARE(rebuildChannelTable(db, 3, 1, codes, values, channelSlots, warnings), std::nullopt);

    QCOMPARE(kanalRows(db, 3, 1), QStringList{row});
    QCOMPARE(shownSlots(channelSlots), QStringList{slot});
    QVERIFY(warnings.isEmpty());
}

void TestChannelTable::rebuildReplacesOnlyItsOwnPair() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    QStringList warnings;
    InstCodes first;
    InstValues values{};
    fill({{1, "03"}, {2, "02"}, {19, "01"}}, first, values);
    QCOMPARE(rebuildChannelTable(db, 1, 2, first, values, channelSlots, warnings), std::nullopt);
    const QStringList otherPair = kanalRows(db, 1, 1);
    QCOMPARE(otherPair.size(), 20);

    // Back to the pair of the template: its 20 rows give way to the 2 of this telegram.
    InstCodes second;
    fill({{4, "05"}, {19, "01"}}, second, values);
    QCOMPARE(rebuildChannelTable(db, 1, 1, second, values, channelSlots, warnings), std::nullopt);
    QCOMPARE(kanalRows(db, 1, 1),
             QStringList({QStringLiteral("4 5 5 Wind"), QStringLiteral("19 1 1 Temperatur")}));
    QCOMPARE(kanalRows(db, 1, 2).size(), 3);

    // And once more to the first pair: replaced, not added to.
    QCOMPARE(rebuildChannelTable(db, 1, 2, second, values, channelSlots, warnings), std::nullopt);
    QCOMPARE(kanalRows(db, 1, 2), kanalRows(db, 1, 1));
    QCOMPARE(kanalRows(db, 2, 1), QStringList());
    QCOMPARE(sqlValue(db, QStringLiteral("SELECT COUNT(*) FROM tblKanal")).toInt(), 4);
    QCOMPARE(shownSlots(channelSlots).size(), 2);
}

void TestChannelTable::unknownCodesAreShownAndWarnedOnce() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    // Sensor 26 loses its unit, sensor 3 its description.
    exec(db, QStringLiteral("DELETE FROM tblEinheiten WHERE Sensor = 26"));
    exec(db, QStringLiteral("DELETE FROM tblSensorcodes WHERE Sensor = 3"));
    InstCodes codes;
    InstValues values{};
    fill({{1, "03"}, {7, "1b"}, {8, "2F"}, {9, "1B"}, {15, "1A"}, {16, "1A"}, {19, "01"}}, codes, values);
    ChannelSlots channelSlots{};
    QStringList warnings{QStringLiteral("earlier line")};

    QCOMPARE(rebuildChannelTable(db, 1, 1, codes, values, channelSlots, warnings), std::nullopt);

    QCOMPARE(warnings, QStringList({QStringLiteral("earlier line"),
                                    QStringLiteral("Sensorcode 03 von Kanal 1 fehlt im Sensorkatalog"),
                                    QStringLiteral("Sensorcode 1B von Kanal 7 und 9 fehlt im Sensorkatalog"),
                                    QStringLiteral("Sensorcode 2F von Kanal 8 fehlt im Sensorkatalog"),
                                    QStringLiteral("Einheit zu Sensorcode 1A von Kanal 15 und 16 fehlt im "
                                                   "Sensorkatalog")}));
    QCOMPARE(
        shownSlots(channelSlots),
        QStringList({QStringLiteral("1 1.1 hPa|Kanal 1|Sensor 0x03 (unbekannt)|3"),
                     QStringLiteral("7 7.1 |Kanal 7|Sensor 0x1B (unbekannt)|27"),
                     QStringLiteral("8 8.1 |Kanal 8|Sensor 0x2F (unbekannt)|47"),
                     QStringLiteral("9 9.1 |Kanal 9|Sensor 0x1B (unbekannt)|27"),
                     QStringLiteral("15 15.1 |UV|UV-Index|26"), QStringLiteral("16 16.1 |UV|UV-Index|26"),
                     QStringLiteral("19 19.1 °C|Temp|Lufttemperatur 2 m|1")}));
    QCOMPARE(kanalRows(db, 1, 1),
             QStringList({QStringLiteral("1 3 3 NULL"), QStringLiteral("7 27 NULL NULL"),
                          QStringLiteral("8 47 NULL NULL"), QStringLiteral("9 27 NULL NULL"),
                          QStringLiteral("15 26 NULL Strahlung"), QStringLiteral("16 26 NULL Strahlung"),
                          QStringLiteral("19 1 1 Temperatur")}));
}

void TestChannelTable::failureChangesNothing_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QString>("setupSql");
    QTest::addColumn<int>("errorNumber");
    QTest::newRow("G is no hex digit") << QByteArray("1G") << QString() << 13;
    QTest::newRow("leading blank") << QByteArray(" 7") << QString() << 13;
    QTest::newRow("sign") << QByteArray("-1") << QString() << 13;
    QTest::newRow("Null unit") << QByteArray("07")
                               << "UPDATE tblEinheiten SET Einheit = NULL WHERE Sensor = 7" << 94;
    QTest::newRow("Null description")
        << QByteArray("07") << "UPDATE tblSensorcodes SET Beschreibung = NULL WHERE Sensor = 7" << 94;
    QTest::newRow("catalogue table missing") << QByteArray("07") << "DROP TABLE tblEinheiten" << 1;
    // The old rows are deleted and the first new ones added before the last one is refused.
    QTest::newRow("row refused after the delete")
        << QByteArray("07")
        << "CREATE TRIGGER refuse BEFORE INSERT ON tblKanal WHEN NEW.KanalNr = 7 "
           "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"
        << 1811;
}

void TestChannelTable::failureChangesNothing() {
    QFETCH(QByteArray, code);
    QFETCH(QString, setupSql);
    QFETCH(int, errorNumber);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    if (!setupSql.isEmpty())
        exec(db, setupSql);
    const QStringList rowsBefore = allKanalRows(db);
    InstCodes codes;
    InstValues values{};
    fill({{1, "03"}, {2, "02"}, {7, code}}, codes, values);
    ChannelSlots channelSlots{};
    channelSlots[19] = {
        21.5, QStringLiteral("°C"), QStringLiteral("Temp"), QStringLiteral("Lufttemperatur 2 m"), 1, true};
    const QStringList slotsBefore = shownSlots(channelSlots);
    QStringList warnings;

    const auto error = rebuildChannelTable(db, 1, 1, codes, values, channelSlots, warnings);

    QVERIFY(error.has_value());
    QCOMPARE(error->number, errorNumber);
    QVERIFY(!error->text.isEmpty());
    QCOMPARE(allKanalRows(db), rowsBefore);
    QCOMPARE(shownSlots(channelSlots), slotsBefore);
    QVERIFY(warnings.isEmpty());
    // No transaction was left open.
    QSqlDatabase handle = db;
    QVERIFY(handle.transaction());
    QVERIFY(handle.rollback());
}

QTEST_GUILESS_MAIN(TestChannelTable)
#include "tst_channeltable.moc"
