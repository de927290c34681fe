// Rows of tblMesswerte from instantaneous values and average records, on a real copy of the template
// database.
#include "eval/measurements.h"
#include "eval/sqlrows.h"
#include "eval/telegram.h"
#include "support/programdir.h"

#include <QTest>

class TestMeasurements : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    // fields: "channel code value1 [value2 value3], ..." with code "-" for none; setupSql refuses an insert.
    void store_data() {
        QTest::addColumn<bool>("average");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("setupSql");
        const auto row = [](const char *name, bool average, const char *fields, const char *rows,
                            const QString &setupSql = QString()) {
            QTest::newRow(name) << average << QString(fields) << QString(rows) << setupSql;
        };
        const QString refuse = "CREATE TRIGGER refuse BEFORE INSERT ON tblMesswerte WHEN NEW.was = %1 "
                               "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END";
        // A value without a complete code belongs to no channel of the telegram.
        row("instant", false, "1 03 1013.5, 60 1a -3.25, 7 07 0, 2 0 7.5, 3 - 8.5, 4 041 9.5",
            "1 2 1 2026-12-05 10:02:00 1013.5 NULL 0 NULL -3.25");
        row("one value per channel", true, "1 03 1013.5, 7 1A 4.5, 2 00 99 98 97",
            "1 2 2 2026-12-05 10:02:00 1013.5 NULL 4.5 NULL NULL, "
            "1 2 3 2026-12-05 10:02:00 0 NULL 0 NULL NULL, 1 2 4 2026-12-05 10:02:00 0 NULL 0 NULL NULL");
        row("three values per channel", true, "19 01 21.5 18.25 24, 60 10 12.5 12.25 12.75, 100 01 0 0 0",
            "1 2 2 2026-12-05 10:02:00 NULL NULL NULL 21.5 12.5, "
            "1 2 3 2026-12-05 10:02:00 NULL NULL NULL 18.25 12.25, "
            "1 2 4 2026-12-05 10:02:00 NULL NULL NULL 24 12.75");
        row("codes 00 and beyond channel 60 only: no row", true, "1 00 5 6 7, 61 03, 100 01", "");
        row("second average row refused", true, "1 03 1013.5 1012 1015", "", refuse.arg(3));
        row("instant row refused", false, "19 01 22", "", refuse.arg(1));
        // An unreadable time stamp stands for the zero date-time, which is stored like any other.
        row("unreadable time stamp", true, "7 1A 4.5",
            "1 2 2 1899-12-30 00:00:00 NULL NULL 4.5 NULL NULL, "
            "1 2 3 1899-12-30 00:00:00 NULL NULL 0 NULL NULL, "
            "1 2 4 1899-12-30 00:00:00 NULL NULL 0 NULL NULL");
    }
    void store() {
        QFETCH(bool, average);
        QFETCH(QString, fields);
        QFETCH(QString, rows);
        QFETCH(QString, setupSql);
        const QDateTime time = QByteArray(QTest::currentDataTag()).startsWith("unreadable")
                                   ? ExtractDate("5.12.2026", nullptr)
                                   : QDateTime(QDate(2026, 12, 5), QTime(10, 2));
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        if (!setupSql.isEmpty())
            sqlValue(db, setupSql);
        InstCodes instCodes;
        InstValues instValues{};
        HeaderCodes headerCodes{};
        AverageValues avgValues{};
        for (const QString &field : fields.split(", ")) {
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
        const auto error = average ? storeAverageRows(db, 1, 2, time, headerCodes, avgValues)
                                   : storeInstantRow(db, 1, 2, time, instCodes, instValues);
        QCOMPARE(error ? error->number : 0, setupSql.isEmpty() ? 0 : 1811);
        QCOMPARE(sqlRows(db, "SELECT Provider, Konfiguration, was, MeasTime, Kanal1, Kanal2, Kanal7, "
                             "Kanal19, Kanal60 FROM tblMesswerte ORDER BY ID"),
                 rows);
        // No transaction was left open.
        QVERIFY(db.transaction());
        QVERIFY(db.rollback());
    }
};

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"
