// The post-processing check with recorded starts, and real starts of a program in the program directory.
#include "eval/postcheck.h"
#include "support/programdir.h"

#include <QFile>
#include <QTest>

namespace {

// A check whose starts (by argument), failures ("#number") and beeps are recorded.
struct Recorder {
    QStringList log;
    int beeps = 0;
    bool failing = false;
    PostCheck check{
        [this](const QString &commandLine) -> std::optional<RunError> {
            if (failing)
                return RunError::fileNotFound();
            log << (commandLine.startsWith("Nachlauf.exe ") ? commandLine.mid(13) : '?' + commandLine);
            return std::nullopt;
        },
        [this] { ++beeps; }, [this](const RunError &error) { log << '#' + QString::number(error.number); }};

    // "dd hh:mm[:ss] value [fail], ..." in December 2026; day 00: zero date-time; "fail": the start fails.
    QString run(const QString &telegrams) {
        for (const QString &telegram : telegrams.split(", ")) {
            const QStringList parts = telegram.split(' ');
            const QDateTime t(QDate(2026, 12, parts[0].toInt()), QTime::fromString(parts[1], Qt::ISODate));
            failing = parts.size() > 3;
            check.run(parts[0] == "00" ? QDateTime() : t, parts[2].toDouble());
        }
        return log.join(' ');
    }
};

} // namespace

class TestPostCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void startsAndFollowUps_data() {
        QTest::addColumn<QString>("telegrams");
        QTest::addColumn<QString>("log");
        const auto row = [](const char *name, const char *telegrams, const char *log) {
            QTest::newRow(name) << QString(telegrams) << QString(log);
        };
        row("22.0 at 10:03", "05 10:03 22", "10-22");
        row("21.9, then follow-up times", "05 10:03 21.9, 05 10:29 25, 05 13:59 25", "");
        row("follow-ups once each",
            "05 10:02 24, 05 10:03 24, 05 10:29:00 24, 05 10:29:03 24, 05 10:29:57 30, 05 10:30 24, "
            "05 13:59:01 24, 05 13:59:04 24",
            "10-24 c10-24 c10-24");
        row("last second of minute 5", "05 10:05:59 22.5", "10-22,5");
        row("10:06 is too late", "05 10:06 30, 05 10:29 30", "");
        row("afternoon 27.5", "05 15:00 27.5, 05 15:01 30, 05 17:29 20, 05 21:29 20, 05 21:29:30 20",
            "15-27,5 c15-27,5 c15-27,5");
        row("morning and afternoon re-arm each other",
            "05 10:02 24, 05 10:04 25, 06 10:02 30, 06 15:00 28, 07 10:01 23, 07 15:00 29",
            "10-24 15-28 10-23 15-29");
        row("zero date-time", "00 10:02 30", "");
        // A failed start re-arms its check for the next telegram of the minutes; a follow-up fails once.
        row("failed starts reported once",
            "05 10:02 24 fail, 05 10:03 24.5, 05 10:04 25, 05 10:29:00 25 fail, 05 10:29:03 25 fail",
            "#53 10-24,5 #53");
    }
    void startsAndFollowUps() {
        QFETCH(QString, telegrams);
        QFETCH(QString, log);
        Recorder recorder;
        QCOMPARE(recorder.run(telegrams), log);
        QCOMPARE(recorder.beeps, recorder.log.size());
    }

    void realStarter() {
        ProgramDir dir;
        const PostCheck::Starter start = programDirStarter(dir.path());
        QCOMPARE(start("Nachlauf.exe 10-24").value_or(RunError()).text, "Datei nicht gefunden");
        QFile program(dir.file("Nachlauf.exe"));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\necho \"$1\" > nachlauf.txt\n");
        program.close();
        QCOMPARE(start("Nachlauf.exe 10-24").value_or(RunError()).text, "Zugriff verweigert");
        QVERIFY(program.setPermissions(program.permissions() | QFile::ExeOwner));
        QCOMPARE(start("Nachlauf.exe 10-24"), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(dir.readFile("nachlauf.txt"), QByteArray("10-24\n"), 20000);
    }
};

QTEST_GUILESS_MAIN(TestPostCheck)
#include "tst_postcheck.moc"
