#include "eval/errorlogfile.h"
#include "support/cases.h"
#include "support/programdir.h"

#include <QDir>
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

class TestErrorLogFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

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
};

QTEST_GUILESS_MAIN(TestErrorLogFile)
#include "tst_errorlogfile.moc"
