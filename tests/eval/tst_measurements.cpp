// Rows of tblMesswerte from instantaneous values and average records, on a real copy of the template
// database.
#include "eval/measurements.h"
#include "support/programdir.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

const QDateTime stamp(QDate(2026, 12, 5), QTime(10, 2, 0));

// The rows of tblMesswerte in stored order: "was MeasTime Provider Konfiguration" and every channel that is
// not Null as "KanalN=value".
QStringList measRows(const QSqlDatabase &db) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM tblMesswerte ORDER BY ID")))
        return {query.lastError().text()};
    QStringList rows;
    while (query.next()) {
        const QSqlRecord record = query.record();
        const QVariant time = record.value(QStringLiteral("MeasTime"));
        QStringList parts{record.value(QStringLiteral("was")).toString(),
                          time.isNull() ? QStringLiteral("NULL") : time.toString(),
                          record.value(QStringLiteral("Provider")).toString(),
                          record.value(QStringLiteral("Konfiguration")).toString()};
        for (int channel = 1; channel <= 60; ++channel) {
            const QString name = QStringLiteral("Kanal%1").arg(channel);
            if (record.indexOf(name) >= 0 && !record.isNull(name))
                parts << name + QLatin1Char('=') + QString::number(record.value(name).toDouble());
        }
        rows << parts.join(QLatin1Char(' '));
    }
    return rows;
}

void exec(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    QVERIFY2(query.exec(sql), qPrintable(sql + QStringLiteral(": ") + query.lastError().text()));
}

// "channel code value" for each field of an "A" telegram; the code "-" stands for no code at all.
void instantFields(const QStringList &fields, InstCodes &codes, InstValues &values) {
    for (const QString &field : fields) {
        const QStringList parts = field.split(QLatin1Char(' '));
        const int channel = parts.at(0).toInt();
        codes[channel] = parts.at(1) == QLatin1String("-") ? QByteArray() : parts.at(1).toLatin1();
        values[channel] = parts.at(2).toDouble();
    }
}

// "channel code value1 value2 value3" for each channel of an average record.
void averageFields(const QStringList &fields, HeaderCodes &codes, AverageValues &values) {
    for (const QString &field : fields) {
        const QStringList parts = field.split(QLatin1Char(' '));
        const int channel = parts.at(0).toInt();
        codes[channel] = static_cast<quint8>(parts.at(1).toInt(nullptr, 16));
        if (channel <= 60) {
            for (int k = 1; k <= 3; ++k)
                values[channel][k] = parts.at(1 + k).toDouble();
        }
    }
}

} // namespace

class TestMeasurements : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void instantRow_data();
    void instantRow();
    void averageRows_data();
    void averageRows();
    void failureLeavesNoRow_data();
    void failureLeavesNoRow();
};

void TestMeasurements::cleanup() {
    for (const QString &name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
}

void TestMeasurements::instantRow_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("row");
    QTest::newRow("present channels only")
        << QStringList{QStringLiteral("1 03 1013.5"), QStringLiteral("19 01 22"),
                       QStringLiteral("60 1a -3.25"), QStringLiteral("7 07 0")}
        << stamp << "1 2026-12-05 10:02:00 2 3 Kanal1=1013.5 Kanal7=0 Kanal19=22 Kanal60=-3.25";
    // A value without a complete code belongs to no channel of the telegram.
    QTest::newRow("incomplete codes") << QStringList{QStringLiteral("2 0 7.5"), QStringLiteral("3 - 8.5"),
                                                     QStringLiteral("4 041 9.5"), QStringLiteral("5 05 1.25")}
                                      << stamp << "1 2026-12-05 10:02:00 2 3 Kanal5=1.25";
    QTest::newRow("no channel present: the row is still written")
        << QStringList() << stamp << "1 2026-12-05 10:02:00 2 3";
    QTest::newRow("zero date-time") << QStringList{QStringLiteral("19 01 21.5")} << QDateTime()
                                    << "1 NULL 2 3 Kanal19=21.5";
}

void TestMeasurements::instantRow() {
    QFETCH(QStringList, fields);
    QFETCH(QDateTime, time);
    QFETCH(QString, row);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    InstCodes codes;
    InstValues values{};
    instantFields(fields, codes, values);

    QCOMPARE(storeInstantRow(db, 2, 3, time, codes, values), std::nullopt);

    QCOMPARE(measRows(db), QStringList{row});
}

void TestMeasurements::averageRows_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("one value per channel: zeros in kinds 3 and 4")
        << QStringList{QStringLiteral("1 03 1013.5 0 0"), QStringLiteral("7 1A 4.5 0 0"),
                       QStringLiteral("2 00 99 98 97")}
        << QStringList{QStringLiteral("2 2026-12-05 10:02:00 1 2 Kanal1=1013.5 Kanal7=4.5"),
                       QStringLiteral("3 2026-12-05 10:02:00 1 2 Kanal1=0 Kanal7=0"),
                       QStringLiteral("4 2026-12-05 10:02:00 1 2 Kanal1=0 Kanal7=0")};
    QTest::newRow("three values per channel")
        << QStringList{QStringLiteral("19 01 21.5 18.25 24"), QStringLiteral("60 10 12.5 12.25 12.75"),
                       QStringLiteral("100 01 0 0 0")}
        << QStringList{QStringLiteral("2 2026-12-05 10:02:00 1 2 Kanal19=21.5 Kanal60=12.5"),
                       QStringLiteral("3 2026-12-05 10:02:00 1 2 Kanal19=18.25 Kanal60=12.25"),
                       QStringLiteral("4 2026-12-05 10:02:00 1 2 Kanal19=24 Kanal60=12.75")};
    QTest::newRow("every code 00: no row")
        << QStringList{QStringLiteral("1 00 5 6 7"), QStringLiteral("60 00 1 2 3")} << QStringList();
    QTest::newRow("codes beyond channel 60 only: no row")
        << QStringList{QStringLiteral("61 03 0 0 0"), QStringLiteral("100 01 0 0 0")} << QStringList();
}

void TestMeasurements::averageRows() {
    QFETCH(QStringList, fields);
    QFETCH(QStringList, rows);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    HeaderCodes codes{};
    AverageValues values{};
    averageFields(fields, codes, values);

    QCOMPARE(storeAverageRows(db, 1, 2, stamp, codes, values), std::nullopt);

    QCOMPARE(measRows(db), rows);
}

void TestMeasurements::failureLeavesNoRow_data() {
    QTest::addColumn<QString>("setupSql");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("average");
    QTest::addColumn<int>("errorNumber");
    const QString refuse =
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON tblMesswerte WHEN NEW.was = %1 "
                       "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
    QTest::newRow("second average row refused") << refuse.arg(3) << false << true << 1811;
    QTest::newRow("third average row refused") << refuse.arg(4) << false << true << 1811;
    QTest::newRow("instant row refused") << refuse.arg(1) << false << false << 1811;
    QTest::newRow("column dropped, averages")
        << "ALTER TABLE tblMesswerte DROP COLUMN Kanal60" << false << true << 1;
    QTest::newRow("column dropped, instant")
        << "ALTER TABLE tblMesswerte DROP COLUMN Kanal60" << false << false << 1;
    QTest::newRow("read-only database, averages") << QString() << true << true << 8;
    QTest::newRow("read-only database, instant") << QString() << true << false << 8;
}

void TestMeasurements::failureLeavesNoRow() {
    QFETCH(QString, setupSql);
    QFETCH(bool, readOnly);
    QFETCH(bool, average);
    QFETCH(int, errorNumber);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    if (!setupSql.isEmpty())
        exec(db, setupSql);
    QSqlDatabase target = db;
    if (readOnly) {
        target = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("readonly"));
        target.setDatabaseName(db.databaseName());
        target.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QVERIFY(target.open());
    }
    HeaderCodes headerCodes{};
    AverageValues avgValues{};
    averageFields({QStringLiteral("1 03 1013.5 1012 1015"), QStringLiteral("60 10 12.5 12.25 12.75")},
                  headerCodes, avgValues);
    InstCodes instCodes;
    InstValues instValues{};
    instantFields({QStringLiteral("19 01 22")}, instCodes, instValues);

    const auto error = average ? storeAverageRows(target, 1, 1, stamp, headerCodes, avgValues)
                               : storeInstantRow(target, 1, 1, stamp, instCodes, instValues);

    QVERIFY(error.has_value());
    QCOMPARE(error->number, errorNumber);
    QVERIFY(error->text.startsWith(QStringLiteral("Datenbankfehler: ")));
    QCOMPARE(measRows(db), QStringList());
    // No transaction was left open on the connection.
    QVERIFY(target.transaction());
    QVERIFY(target.rollback());
}

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"
