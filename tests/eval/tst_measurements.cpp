// Rows of tblMesswerte from instantaneous values and average records, on a copy of the template database.
#include "eval/measurements.h"
#include "eval/sqlrows.h"
#include "support/cases.h"
#include "support/programdir.h"

#include <QTest>

namespace {

// fields: "channel code value1 [value2 value3], ..." with code "-" for none; rows: what tblMesswerte then
// holds besides its time; refused: the database refuses the second row.
struct Case {
    const char *name, *fields, *rows;
    bool average, refused = false;
    const char *time = "2026-12-05 10:02:00";
};

} // namespace

class TestMeasurements : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    void store_data() {
        addCases<Case>({
            // A value without a complete code belongs to no channel of the telegram.
            {"instant", "1 03 1013.5, 60 1a -3.25, 7 07 0, 2 0 7.5, 3 - 8.5, 4 041 9.5",
             "1 2 1 1013.5 NULL 0 NULL -3.25", false},
            // An unreadable time stamp stands for the zero date-time, which is stored like any other.
            {"one value per channel at the zero date-time", "1 03 1013.5, 7 1A 4.5, 2 00 99 98 97",
             "1 2 2 1013.5 NULL 4.5 NULL NULL, 1 2 3 0 NULL 0 NULL NULL, 1 2 4 0 NULL 0 NULL NULL", true,
             false, "1899-12-30 00:00:00"},
            {"three values per channel", "19 01 21.5 18.25 24, 60 10 12.5 12.25 12.75, 100 01 0 0 0",
             "1 2 2 NULL NULL NULL 21.5 12.5, 1 2 3 NULL NULL NULL 18.25 12.25, "
             "1 2 4 NULL NULL NULL 24 12.75",
             true},
            {"codes 00 and beyond channel 60 only: no row", "1 00 5 6 7, 61 03, 100 01", "", true},
            {"second average row refused", "1 03 1013.5 1012 1015", "", true, true},
        });
    }
    void store() {
        QFETCH(Case, c);
        const QDateTime time = QDateTime::fromString(c.time, "yyyy-MM-dd HH:mm:ss");
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        if (c.refused) // the second average row
            sqlValue(db, "CREATE TRIGGER refuse BEFORE INSERT ON tblMesswerte WHEN NEW.was = 3 BEGIN SELECT "
                         "RAISE(ABORT, 'gesperrt'); END");
        InstCodes instCodes;
        InstValues instValues{};
        HeaderCodes headerCodes{};
        AverageValues avgValues{};
        for (const QString &field : QString(c.fields).split(", ")) {
            const QStringList parts = field.split(' ');
            const int channel = parts.at(0).toInt();
            headerCodes[channel] = quint8(parts.at(1).toInt(nullptr, 16));
            if (channel > 60)
                continue;
            instCodes[channel] = parts.at(1) == "-" ? QByteArray() : parts.at(1).toLatin1();
            for (int k = 1; k + 1 < parts.size(); ++k)
                avgValues[channel][k] = parts.at(k + 1).toDouble();
            instValues[channel] = avgValues[channel][1];
        }
        const auto error = c.average ? storeAverageRows(db, 1, 2, time, headerCodes, avgValues)
                                     : storeInstantRow(db, 1, 2, time, instCodes, instValues);
        QCOMPARE(error ? error->number : 0, c.refused ? 1811 : 0);
        QCOMPARE(sqlRows(db,
                         "SELECT Provider, Konfiguration, was, Kanal1, Kanal2, Kanal7, Kanal19, Kanal60 FROM "
                         "tblMesswerte ORDER BY ID"),
                 c.rows);
        QCOMPARE(sqlRows(db, "SELECT DISTINCT MeasTime FROM tblMesswerte"), *c.rows ? c.time : "");
        QVERIFY2(db.transaction() && db.rollback(), "a transaction was left open");
    }
};

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"
