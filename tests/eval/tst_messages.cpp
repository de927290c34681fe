// Messages: where each kind goes, lines appended to text files, the error log's summaries and rotation, and
// the data-stopped alarm.
#include "eval/dataalarm.h"
#include "eval/errorlogfile.h"
#include "eval/messages.h"
#include "store/database.h"
#include "support/cases.h"
#include "support/filesizelimit.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QDateTime base(QDate(2026, 12, 5), QTime(16, 0, 0));

// The lines of a log without their date, "HH:mm:ss text", apart by ", ".
QString timesAndTexts(const QByteArray &log) {
    QStringList lines;
    for (const QString &line : QString::fromLatin1(log).split("\r\n", Qt::SkipEmptyParts))
        lines << line.mid(11).replace(" - ", " ");
    return lines.join(", ");
}

// Events, seconds after 16:00:00: "w <s> <kind> <text>" one message, "r <s> <step> <n> <kind> <text>" n
// messages every step seconds, "t <s>" the minute tick, "f <s>" the shutdown. Then the lines written and the
// messages counted in the hour up to the last event.
struct Summary {
    const char *name, *events;
    int lastHour;
    const char *lines;
};

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

    static QString failure(const std::optional<RunError> &e) {
        return e ? QString("%1 %2").arg(e->number).arg(e->text) : "none";
    }

private slots:
    void initTestCase() { pinGermanLocale(); }

    // Where each kind of message goes: S status line, L error log (+ with time stamp), O output file.
    void routes() {
        QStringList routes;
        for (int kind = -4; kind <= 2; ++kind) {
            const MessageRoute r = messageRoute(kind);
            routes << QString::number(kind) + "LOS"[int(r.target)] + (r.timeStamped ? "+" : "") +
                          (r.colour ? " " + QString::number(*r.colour) : "");
        }
        QCOMPARE(routes.join(", "), "-4S, -3L+, -2S+ 16776960, -1L+, 0O, 1S 16711680, 2S");
    }

    // Lines are appended in Latin-1; a failed write writes nothing.
    void appendedLines() {
        ProgramDir dir;
        QCOMPARE(failure(appendTextLine(dir.file("fehlt/Testlog.txt"), "x")), "76 Pfad nicht gefunden");
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries) ==
                QStringList{"SkylogIni.db"});
        QCOMPARE(writeLog(dir.path(), QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)), "Prüfsummenfehler"),
                 std::nullopt);
        QCOMPARE(appendTextLine(resolveInDir(dir.path(), "Errorlog.txt"), "5 € ≥ 4 °C"), std::nullopt);
        QCOMPARE(dir.readFile("Errorlog.txt"),
                 "05.12.2026 16:07:38 - Pr\374fsummenfehler\r\n5 ? ? 4 \260C\r\n");
        QCOMPARE(resolveInDir(dir.path(), "/var/Testlog.txt"), QStringLiteral("/var/Testlog.txt"));

        // Opening a device for append seeks to its end, which it refuses with a warning.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("seek.*/dev/full"));
        QCOMPARE(failure(appendTextLine("/dev/full", "x")), "57 Der Datenträger ist voll.");

        // The database's files, also through a link, are never written as text: closing would drop its locks.
        dir.createDataFile().close();
        QCOMPARE(Store::openMainDb(dir.file("Skylog.db")), std::nullopt);
        QVERIFY(QFile::link(dir.file("Skylog.db"), dir.file("Verweis.txt")));
        const QByteArray data = dir.readFile("Skylog.db");
        for (const char *name :
             {"Skylog.db", "Skylog.db-wal", "Skylog.db-shm", "Skylog.db-journal", "Verweis.txt"})
            QCOMPARE(failure(appendTextLine(dir.file(name), "x")),
                     "70 " + dir.file(name) +
                         " gehört zur Datenbank und wird nicht als Textdatei beschrieben.");
        QVERIFY(dir.readFile("Skylog.db") == data && !QFile::exists(dir.file("Skylog.db-journal")));
        Store::MainDb().close();
        // The disk fills in the middle of a line: what was written of it is taken back.
        const QString path = dir.file("Testlog.txt");
        QCOMPARE(appendTextLine(path, "05.12.2026 10:00:00|01|01|1,5"), std::nullopt);
        {
            const FileSizeLimit full(40);
            QCOMPARE(failure(appendTextLine(path, "05.12.2026 10:10:00|01|01|2,5")),
                     "57 Die Datei hat die größte zulässige Länge erreicht.");
        }
        QCOMPARE(appendTextLine(path, "05.12.2026 10:20:00|01|01|3,5"), std::nullopt);
        QCOMPARE(dir.readFile("Testlog.txt"),
                 "05.12.2026 10:00:00|01|01|1,5\r\n05.12.2026 10:20:00|01|01|3,5\r\n");
    }

    void summarising_data() {
        addCases<Summary>({
            {"repeats, then quiet", "r 0 1 1235 -1 Pfad, t 1833, t 1834, w 1840 -1 Pfad", 1236,
             "16:00:00 Pfad, 16:30:34 Pfad (wiederholt 1.234-mal in 20 Minuten), 16:30:40 Pfad"},
            {"interleaved, kinds apart",
             "w 0 -1 A, w 1 -1 B, w 2 -1 A, w 3 -3 A, w 4 -1 B, w 5 -1 A, t 604, t 605", 6,
             "16:00:00 A, 16:00:01 B, 16:00:03 A, 16:10:04 B (wiederholt 1-mal in 1 Minute), "
             "16:10:05 A (wiederholt 2-mal in 1 Minute)"},
            // The repeat that falls due first brings the hourly summary; the next hour is counted from there.
            {"hourly, then shutdown", "r 0 5 1000 -1 X, w 5000 -1 Y, f 5500", 617,
             "16:00:00 X, 17:00:00 X (wiederholt 719-mal in 60 Minuten), 17:23:20 Y, "
             "17:31:40 X (wiederholt 280-mal in 23 Minuten)"},
            {"a pause longer than the quiet time",
             "w 0 -1 Z, w 599 -1 Z, w 1199 -1 Z, w 1300 -1 Z, t 1899, t 1900", 4,
             "16:00:00 Z, 16:19:59 Z (wiederholt 1-mal in 9 Minuten), 16:19:59 Z, "
             "16:31:40 Z (wiederholt 1-mal in 1 Minute)"},
        });
    }
    void summarising() {
        QFETCH(Summary, c);
        ProgramDir dir;
        ErrorLog log(dir.path());
        QDateTime last;
        for (const QString &event : QString(c.events).split(", ")) {
            QStringList f = event.split(' ');
            if (f[0] == "w") // a run of one
                f = QStringList{"r", f[1], "0", "1"} + f.mid(2);
            for (int i = 0; i < f.value(3, "1").toInt(); ++i) {
                last = base.addSecs(f[1].toInt() + i * f.value(2).toInt());
                QCOMPARE(f[0] == "r"   ? log.write(last, f.mid(5).join(' '), f[4].toInt())
                         : f[0] == "t" ? log.tick(last)
                                       : log.flush(last),
                         std::nullopt);
            }
        }
        QCOMPARE(timesAndTexts(dir.readFile("Errorlog.txt")), c.lines);
        QCOMPARE(log.messagesLastHour(last), c.lastHour);
    }

    // Lines of 40 bytes and a limit of 100: two lines to a file, the current one and two older ones kept. A
    // log that cannot be written reports each line it could not write; a repeat is only counted and reports
    // nothing.
    void rotatedAndUnwritable() {
        ProgramDir dir;
        ErrorLog log(dir.path());
        log.setRotation(100, 2);
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(log.write(base.addSecs(i), QString("Meldung Nummer %1").arg(i), -1), std::nullopt);
        QStringList files;
        for (const char *name : {"Errorlog.2.txt", "Errorlog.1.txt", "Errorlog.txt", "Errorlog.3.txt"})
            files << timesAndTexts(dir.readFile(name));
        QCOMPARE(files.join(" / "),
                 "16:00:03 Meldung Nummer 3, 16:00:04 Meldung Nummer 4 / 16:00:05 Meldung Nummer 5, "
                 "16:00:06 Meldung Nummer 6 / 16:00:07 Meldung Nummer 7 / ");

        QVERIFY(QFile::remove(dir.file("Errorlog.txt")) && QDir(dir.path()).mkdir("Errorlog.txt"));
        ErrorLog unwritable(dir.path());
        QVERIFY(unwritable.write(base, "A", -1));
        QCOMPARE(unwritable.write(base.addSecs(5), "A", -1), std::nullopt);
        QVERIFY(unwritable.flush(base.addSecs(10)));
    }

    // Events, minutes after 16:00: "s <m>" the port opens, "x" the operator closes it, "d <m>" a valid
    // telegram, "t <from> <to> <setting>" the minute ticks with AlarmMinuten. Then the reports, "HH:mm text".
    void reports_data() {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("reports");
        const QString since = QStringLiteral("Keine gültigen Daten vom Datenlogger seit 05.12.2026 ");
        QTest::newRow("stopped, repeated hourly, back, stopped again")
            << QStringList{"s 0", "d 1", "t 2 134 10", "d 135", "t 136 150 10"}
            << QStringList{"16:11 " + since + "16:01:00 (10 Min.)",
                           "17:11 Weiterhin k" + since.mid(1) + "16:01:00 (1 Std. 10 Min.)",
                           "18:11 Weiterhin k" + since.mid(1) + "16:01:00 (2 Std. 10 Min.)",
                           "18:15 Daten vom Datenlogger wieder da nach 2 Std. 14 Min. (ausgefallen seit "
                           "05.12.2026 16:01:00)",
                           "18:25 " + since + "18:15:00 (10 Min.)"};
        // Before the port opens no tick counts; closing it or the setting 0 ends an alarm without a report,
        // and a telegram starts the watch again.
        QTest::newRow("closed by the operator, switched off")
            << QString("t -20 -1 10, s 0, t 1 10 10, x, t 11 30 10, d 31, t 32 41 10, t 42 50 0, d 51")
                   .split(", ")
            << QStringList{"16:10 " + since + "16:00:00 (10 Min.)", "16:41 " + since + "16:31:00 (10 Min.)"};
    }

    void reports() {
        QFETCH(QStringList, events);
        QFETCH(QStringList, reports);
        DataAlarm alarm;
        QStringList given;
        for (const QString &event : events) {
            const QStringList f = event.split(u' ');
            for (int m = f.value(1).toInt(); m <= f.value(2, f.value(1)).toInt(); ++m) {
                const QDateTime at = base.addSecs(m * 60);
                std::optional<DataAlarm::Report> r;
                if (f[0] == "s")
                    alarm.start(at);
                else if (f[0] == "x")
                    alarm.stop();
                else
                    r = f[0] == "d" ? alarm.telegram(at) : alarm.tick(at, f[3].toInt());
                if (r)
                    given << r->now.toString(QStringLiteral("HH:mm ")) + r->text();
            }
        }
        QCOMPARE(given, reports);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
