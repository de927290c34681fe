// The CSV export from a real database, run by the program from the command line without a window: the same
// bytes under every locale. (The count of records it gives is shown by the export dialog, see tst_datamenu.)
#include "support/cases.h"
#include "support/measrows.h"
#include "support/programdir.h"

#include <QtTest>

#include <cmath>

namespace {

const QByteArray expected = "Zeit,Kanal 19: Lufttemperatur 2 m [\xc2\xb0"
                            "C],\"Kanal 1: Druck, reduziert [hPa]\"\r\n"
                            "2026-10-24T00:00:00+02:00,21.5,1013.25\r\n"
                            "2026-10-25T02:30:00+02:00,,-0.1\r\n"
                            "2026-10-25T03:10:00+01:00,0.30000000000000004,0.0000001\r\n"
                            "2026-10-25T23:59:59+01:00,100,\r\n";

const QByteArray usage =
    "Aufruf: skylog --export-csv --from JJJJ-MM-TT --to JJJJ-MM-TT [--channels 1,2,7] [--out DATEI]\n";

// The program run with `arguments` under the language `lang`: the CSV, or exit status 2 and `message` on
// standard error.
struct Call {
    const char *name;
    QString arguments;
    QByteArray message;
    QString lang = "de_DE.UTF-8";
};

} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT

    ProgramDir dir;

private slots:
    void initTestCase() {
        QSqlDatabase db = dir.createDataFile();
        sqlValue(db, "UPDATE tblSensorcodes SET Beschreibung = 'Druck, reduziert' WHERE Sensor = 3");
        // Records just outside the days, of another logger, and the 25th of October with the clock put back.
        const QStringList times{"2026-10-23 23:50:00", "2026-10-24 00:00:00", "2026-10-25 02:30:00",
                                "2026-10-25 03:10:00", "2026-10-25 23:59:59", "2026-10-26 00:00:00"};
        const double t[] = {1, 21.5, NAN, 0.1 + 0.2, 100, 2};
        const double p[] = {1, 1013.25, -0.1, 1e-7, NAN, 2};
        QVERIFY(insertAverageRecords(db, 1, 1, times, {19, 1}, [&](int c, int k, int r) {
            return k > 1 ? 99 : c == 19 ? t[r] : p[r];
        }));
        QVERIFY(
            insertAverageRecords(db, 2, 1, {"2026-10-24 12:00:00"}, {19}, [](int, int, int) { return 5.0; }));
        db.close();
        QVERIFY(QFile::copy(SKYLOG_PROGRAM_DIR "/skylog", dir.file("skylog")));
    }

    void commandLine_data() {
        const QString days = "--export-csv --from 2026-10-24 --to 2026-10-25 ";
        addCases<Call>({
            {"standard output", days + "--channels 19,1", ""},
            {"file, English locale",
             "--export-csv --from=2026-10-24 --to=2026-10-25 --channels=19,1 --out x.csv", "", "en_US.UTF-8"},
            {"bad date", "--export-csv --from 2026-13-01 --to 2026-10-25",
             "Ungültiges Datum für --from: \"2026-13-01\" (erwartet JJJJ-MM-TT).\n"},
            {"missing date", "--export-csv --from 2026-10-24", "--to fehlt.\n" + usage},
            {"unknown parameter", days + "--kanal 1", "Unbekannter Parameter: --kanal\n" + usage},
            {"value missing", "--export-csv --from 2026-10-24 --to", "Zu --to fehlt der Wert.\n" + usage},
            {"days reversed", "--export-csv --from 2026-10-25 --to 2026-10-24",
             "Das Datum von --from liegt nach dem von --to.\n"},
            {"channel out of range", days + "--channels 19,61",
             "Ungültige Kanalnummer in --channels: \"61\" (erlaubt sind 1 bis 60).\n"},
            {"channel not in the table", days + "--channels 40",
             "Kanal 40 ist in der Kanaltabelle nicht enthalten.\n"},
        });
    }
    void commandLine() {
        QFETCH(Call, c);
        const QByteArray database = dir.readFile("Skylog.db");
        QProcess skylog;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // A platform that does not exist: a window system would stop the program.
        env.insert("QT_QPA_PLATFORM", "keine");
        env.insert("LANG", c.lang);
        skylog.setProcessEnvironment(env);
        skylog.setWorkingDirectory(dir.path());
        skylog.start(dir.file("skylog"), c.arguments.split(' '));
        QVERIFY(skylog.waitForFinished(30000));
        QCOMPARE(skylog.readAllStandardError(), c.message);
        QCOMPARE(skylog.exitCode(), c.message.isEmpty() ? 0 : 2);
        const bool toFile = c.arguments.contains("--out");
        QCOMPARE(skylog.readAllStandardOutput(), c.message.isEmpty() && !toFile ? expected : "");
        if (toFile)
            QCOMPARE(dir.readFile("x.csv"), expected);
        // Read only: the data file is untouched and no journal is left.
        QCOMPARE(dir.readFile("Skylog.db"), database);
        QVERIFY(!QFile::exists(dir.file("Skylog.db-journal")));
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
