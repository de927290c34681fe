// What the evaluation stores in a real copy of the template database: the channel table rebuilt from an "A"
// telegram's sensor codes, rows of tblMesswerte from instantaneous values and average records, and records
// kept in a spool file while the database takes no data, stored once.
#include "eval/channeltable.h"
#include "eval/measurements.h"
#include "eval/recordspool.h"
#include "eval/sqlrows.h"
#include "support/cases.h"
#include "support/filesizelimit.h"
#include "support/programdir.h"

#include <QDir>
#include <QTest>

namespace {

struct Fixture {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    QStringList warnings;

    // layout: "channel:code ..."; every channel's value is its number plus a tenth.
    int rebuild(int provider, int config, const QString &layout) {
        InstCodes codes;
        InstValues values{};
        for (const QString &field : layout.split(' ')) {
            const int channel = field.section(':', 0, 0).toInt();
            codes[channel] = field.section(':', 1).toLatin1();
            values[channel] = channel + 0.1;
        }
        const auto error = rebuildChannelTable(db, provider, config, codes, values, channelSlots, warnings);
        return error ? error->number : 0;
    }
    QString rows(const QString &columns = "KanalNr, Sensor, EinheitID, KanalArt") {
        return sqlRows(db, "SELECT " + columns + " FROM tblKanal ORDER BY rowid");
    }
    // The shown slots: "channel value unit|KurzText|Beschreibung|code".
    QString shown() const {
        QStringList shown;
        for (int ch = 0; ch <= 100; ++ch) {
            const ChannelSlot &s = channelSlots[ch];
            if (s.shown)
                shown << QString("%1 %2 ").arg(ch).arg(s.value) +
                             QStringList{s.unit, s.KurzText, s.Beschreibung, QString::number(s.sensorCode)}
                                 .join('|');
        }
        return shown.join(", ");
    }
};

// fields: "channel code value1 [value2 value3], ..." with code "-" for none; rows: what tblMesswerte then
// holds besides its time; refused: the database refuses the second row.
struct Case {
    const char *name, *fields, *rows;
    bool average, refused = false;
    const char *time = "2026-12-05 10:02:00";
};

// A record at 10:<minute> of channels 1 (code 03) and 7 (code 1A).
AverageRecord record(int minute) {
    AverageRecord r{
        1, 2, QDateTime(QDate(2026, 12, 5), QTime(10, minute)), {0, 0x03, 0, 0, 0, 0, 0, 0x1a}, {}};
    r.values[1] = {0, 1013.5, 1012, 1015.25};
    r.values[7] = {0, -3.5e-7, 0, 0};
    return r;
}

// A line body with its checksum, as the spool signs it.
QByteArray signedLine(const QByteArray &body) {
    return body + '|' + QByteArray::number(qChecksum(body), 16).toUpper().rightJustified(4, '0');
}

} // namespace

class TestMeasurements : public QObject {
    Q_OBJECT

    static QByteArray fileLine(int minute) { return spoolLine(record(minute)) + '\n'; }

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    void tableFollowsTheReportedCodes() {
        Fixture f;
        // Slots 5 and 70 are left over, channel 3's code is incomplete; the template's 20 rows give way.
        f.channelSlots[5].shown = f.channelSlots[70].shown = true;
        QCOMPARE(f.rebuild(1, 1, "7:07 1:03 3:0 2:02"), 0);
        QCOMPARE(f.rows(), "1 3 3 Druck, 2 2 2 Feuchte, 7 7 7 Strahlung");
        QCOMPARE(f.shown(), "1 1.1 hPa|Druck|Luftdruck|3, 2 2.1 %|Feuchte|Relative Luftfeuchte|2, "
                            "7 7.1 W/m²|Strahlung|Globalstrahlung|7");
        // Other pairs, then back: only the rows of the pair rebuilt are replaced; "1a" is sensor 26.
        QVERIFY(f.rebuild(1, 2, "15:1a") == 0 && f.rebuild(2, 1, "19:01") == 0 && f.warnings.isEmpty());

        // Codes missing from the catalogue are shown under their number, each warned about once.
        sqlValue(f.db, "DELETE FROM tblEinheiten WHERE Sensor = 26");
        sqlValue(f.db, "DELETE FROM tblSensorcodes WHERE Sensor = 3");
        f.warnings << "earlier line";
        QCOMPARE(f.rebuild(1, 1, "1:03 7:1b 9:1B 15:1A"), 0);
        QCOMPARE(f.warnings, QStringList({"earlier line", "Sensorcode 03 von Kanal 1 fehlt im Sensorkatalog",
                                          "Sensorcode 1B von Kanal 7 und 9 fehlt im Sensorkatalog",
                                          "Einheit zu Sensorcode 1A von Kanal 15 fehlt im Sensorkatalog"}));
        QCOMPARE(f.shown(),
                 "1 1.1 hPa|Kanal 1|Sensor 0x03 (unbekannt)|3, 7 7.1 |Kanal 7|Sensor 0x1B (unbekannt)|27, "
                 "9 9.1 |Kanal 9|Sensor 0x1B (unbekannt)|27, 15 15.1 |UV|UV-Index|26");
        QCOMPARE(f.rows("ProviderID, ConfigID, KanalNr, Sensor, EinheitID, KanalArt"),
                 "1 2 15 26 21 Strahlung, 2 1 19 1 1 Temperatur, 1 1 1 3 3 NULL, 1 1 7 27 NULL NULL, "
                 "1 1 9 27 NULL NULL, 1 1 15 26 NULL Strahlung");

        // A failure changes nothing, even once the old rows are deleted and new ones added before a refusal.
        const QString before = f.rows("*") + " / " + f.shown();
        QCOMPARE(f.rebuild(1, 1, "2:02 7:1G"), 13); // G is no hex digit
        QCOMPARE(f.rows("*") + " / " + f.shown(), before);
        sqlValue(f.db, "CREATE TRIGGER refuse BEFORE INSERT ON tblKanal WHEN NEW.KanalNr = 7 BEGIN SELECT "
                       "RAISE(ABORT, 'gesperrt'); END");
        QCOMPARE(f.rebuild(1, 1, "2:02 7:07"), 1811);
        QCOMPARE(f.rows("*") + " / " + f.shown(), before);
        sqlValue(f.db, "DROP TRIGGER refuse");
        sqlValue(f.db, "UPDATE tblEinheiten SET Einheit = NULL WHERE Sensor = 7");
        QCOMPARE(f.rebuild(1, 1, "2:02 7:07"), 94);
        QCOMPARE(f.rows("*") + " / " + f.shown(), before);
        QCOMPARE(f.warnings.size(), 4);
    }

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
        const auto error = c.average ? storeAverageRows(db, {1, 2, time, headerCodes, avgValues})
                                     : storeInstantRow(db, 1, 2, time, instCodes, instValues);
        QCOMPARE(error ? error->number : 0, c.refused ? 1811 : 0);
        QCOMPARE(sqlRows(db,
                         "SELECT Provider, Konfiguration, was, Kanal1, Kanal2, Kanal7, Kanal19, Kanal60 FROM "
                         "tblMesswerte ORDER BY ID"),
                 c.rows);
        QCOMPARE(sqlRows(db, "SELECT DISTINCT MeasTime FROM tblMesswerte"), *c.rows ? c.time : "");
        QVERIFY2(db.transaction() && db.rollback(), "a transaction was left open");
    }

    // Kept records are stored once: not while the database refuses, not again after a crash between the
    // commit and the removal of the file. A record the file could not take waits with its text line.
    // Appending after a crash drops the cut-off line; a full disk leaves the file as it was.
    void storedOnce() {
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        const QString path = dir.file(spoolFileName);
        QVERIFY(dir.writeFile(spoolFileName, fileLine(5) + fileLine(6).left(40)));
        RecordSpool spool(path);
        QCOMPARE(spool.load("Skylog-defekt.spool"), std::nullopt);
        QCOMPARE(spool.keep(record(10), "Zeile 10"), std::nullopt);
        {
            const FileSizeLimit full(QFileInfo(path).size() + 20);
            QVERIFY(spool.keep(record(20), "Zeile 20"));
        }
        QCOMPARE(dir.readFile(spoolFileName),
                 fileLine(5) +
                     signedLine(
                         "1|2|2026-12-05T10:10:00|1,3,1013.5,1012,1015.25|7,1a,-3.4999999999999998e-07,0,0") +
                     '\n');
        sqlValue(db,
                 "CREATE TRIGGER voll BEFORE INSERT ON tblMesswerte BEGIN SELECT RAISE(FAIL, 'voll'); END");
        QStringList lines;
        int stored = -1;
        QVERIFY(spool.store(db, &lines, &stored).value_or(RunError()).text.contains("voll"));
        QVERIFY(spool.size() == 3 && lines.isEmpty() && stored == 0);
        QCOMPARE(dir.readFile(spoolFileName), fileLine(5) + fileLine(10));

        sqlValue(db, "DROP TRIGGER voll");
        QCOMPARE(spool.store(db, &lines, &stored), std::nullopt);
        QVERIFY(spool.isEmpty() && stored == 3 && !QFile::exists(path) && lines == QStringList{"Zeile 20"});
        const QString rows = "SELECT count(*), count(DISTINCT MeasTime), sum(Kanal1) FROM tblMesswerte";
        QCOMPARE(sqlRows(db, rows), "9 3 9122.25");

        // Killed after the commit: the file's records are stored already. A cut-off last line never counted;
        // a line other than as written is damaged: a changed digit, cut off, a channel or code out of range,
        // two values, no number, no time.
        QByteArray damaged =
            "Unsinn\n\n" + QByteArray(fileLine(50)).replace("1013.5", "1013.6") + fileLine(50).left(30);
        for (const char *fields : {"61,3,1,2,3", "1,0,1,2,3", "1,3,1,2", "1,3,1,x,3"})
            damaged += '\n' + signedLine(QByteArray("1|2|2026-12-05T10:10:00|") + fields);
        damaged += '\n' + signedLine("1|2|05.12.2026 10:10|1,3,1,2,3") + '\n';
        QVERIFY(dir.writeFile(spoolFileName,
                              fileLine(10) + fileLine(20) + damaged + fileLine(30) + fileLine(40).left(40)));
        RecordSpool next(path);
        QCOMPARE(next.load("Skylog-defekt.spool"),
                 "Skylog.spool enthält 9 unlesbare Zeilen. Die 3 lesbaren Datensätze werden gespeichert, die "
                 "Datei wird danach als Skylog-defekt.spool aufbewahrt.");
        QVERIFY(!next.store(db, &lines, &stored) && stored == 1);
        QCOMPARE(sqlRows(db, rows), "12 4 12163");
        QVERIFY(!QFile::exists(path) && dir.readFile("Skylog-defekt.spool").contains("Unsinn\n"));
        // A folder in the file's place cannot be read.
        QVERIFY(QDir(dir.path()).mkdir(spoolFileName));
        QCOMPARE(RecordSpool(path).load("Skylog-defekt.spool"), "Die aufbewahrten Datensätze in " + path +
                                                                    " können nicht gelesen werden: " + path +
                                                                    " ist ein Ordner, keine Datei.");
    }
};

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"
