// Records kept while the database takes no data, in a spool file, and stored once.
#include "eval/recordspool.h"
#include "eval/sqlrows.h"
#include "support/filesizelimit.h"
#include "support/programdir.h"

#include <QDir>
#include <QTest>

namespace {

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

class TestRecordSpool : public QObject {
    Q_OBJECT

    static QByteArray fileLine(int minute) { return spoolLine(record(minute)) + '\n'; }

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

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

QTEST_GUILESS_MAIN(TestRecordSpool)
#include "tst_recordspool.moc"
