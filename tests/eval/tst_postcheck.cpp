// The post-processing check with recorded starts, and real starts of a program in the program directory.
#include "eval/postcheck.h"
#include "support/cases.h"
#include "support/programdir.h"

#include <QFile>
#include <QTest>

namespace {

// telegrams: "dd hh:mm[:ss] value [fail], ..." in December 2026, day 00 for the zero date-time, "fail" when
// the start fails; log: the starts by argument and the failures ("#number"), each with a beep.
struct Case {
    const char *name, *telegrams, *log;
};

} // namespace

class TestPostCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void startsAndFollowUps_data() {
        addCases<Case>({
            {"last second of minute 5 at the threshold", "05 10:05:59 22", "10-22"},
            {"21.9, 10:06, then follow-up times", "05 10:03 21.9, 05 10:06 30, 05 10:29 25, 05 13:59 25", ""},
            {"follow-ups once each",
             "05 10:02 24, 05 10:03 24, 05 10:29:00 24, 05 10:29:03 24, "
             "05 10:29:57 30, 05 10:30 24, 05 13:59:01 24, 05 13:59:04 24",
             "10-24 c10-24 c10-24"},
            {"morning and afternoon re-arm each other, follow-ups do not",
             "05 10:02 24, 05 10:04 25, 06 10:02 30, 06 15:00 27.5, 06 15:01 30, 06 17:29 20, 06 21:29 20, "
             "06 21:29:30 20, 07 10:01 23, 07 15:00 29",
             "10-24 15-27,5 c15-27,5 c15-27,5 10-23 15-29"},
            {"zero date-time", "00 10:02 30", ""},
            // A failed start re-arms its check for the next telegram of the minutes; a follow-up fails once.
            {"failed starts reported once",
             "05 10:02 24 fail, 05 10:03 24.5, 05 10:04 25, 05 10:29:00 25 fail, 05 10:29:03 25 fail",
             "#53 10-24,5 #53"},
        });
    }
    void startsAndFollowUps() {
        QFETCH(Case, c);
        QStringList log;
        int beeps = 0;
        bool failing = false;
        PostCheck check{
            [&](const QString &commandLine) -> std::optional<RunError> {
                if (failing)
                    return RunError::fileNotFound();
                log << (commandLine.startsWith("Nachlauf.exe ") ? commandLine.mid(13) : '?' + commandLine);
                return std::nullopt;
            },
            [&] { ++beeps; }, [&](const RunError &error) { log << '#' + QString::number(error.number); }};
        for (const QString &telegram : QString(c.telegrams).split(", ")) {
            const QStringList parts = telegram.split(' ');
            const QDateTime t(QDate(2026, 12, parts[0].toInt()), QTime::fromString(parts[1], Qt::ISODate));
            failing = parts.size() > 3;
            check.run(parts[0] == "00" ? QDateTime() : t, parts[2].toDouble());
        }
        QCOMPARE(log.join(' '), c.log);
        QCOMPARE(beeps, log.size());
    }

    // A missing program and one that may not run; the evaluation's end-to-end test starts one.
    void realStarterFailures() {
        ProgramDir dir;
        const PostCheck::Starter start = programDirStarter(dir.path());
        QCOMPARE(start("Nachlauf.exe 10-24").value_or(RunError()).text, "Datei nicht gefunden");
        QVERIFY(dir.writeFile("Nachlauf.exe", "#!/bin/sh\n"));
        QCOMPARE(start("Nachlauf.exe 10-24").value_or(RunError()).text, "Zugriff verweigert");
    }
};

QTEST_GUILESS_MAIN(TestPostCheck)
#include "tst_postcheck.moc"
