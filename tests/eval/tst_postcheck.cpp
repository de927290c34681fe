// The post-processing check: which "A" telegrams start the post-processing program with which argument, what
// a failed start does, and one real start of a program in the program directory.
#include "eval/postcheck.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// "dd hh:mm[:ss] value" on a day of December 2026; "zero value" for the zero date-time.
std::pair<QDateTime, double> telegram(const QString &line) {
    const QStringList parts = line.split(QLatin1Char(' '));
    const double value = parts.last().toDouble();
    if (parts.first() == QLatin1String("zero"))
        return {QDateTime(), value};
    QTime time = QTime::fromString(parts.at(1), QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        time = QTime::fromString(parts.at(1), QStringLiteral("HH:mm"));
    return {QDateTime(QDate(2026, 12, parts.at(0).toInt()), time), value};
}

// A check whose starts, beeps and reports are recorded; starts fail while failStarts is set.
struct Recorder {
    QStringList started;
    int beeps = 0;
    QList<RunError> reports;
    bool failStarts = false;
    PostCheck check{[this](const QString &commandLine) -> std::optional<RunError> {
                        if (failStarts)
                            return RunError::fileNotFound();
                        started << commandLine;
                        return std::nullopt;
                    },
                    [this] { ++beeps; }, [this](const RunError &error) { reports << error; }};

    void run(const QString &line) {
        const auto [t, v] = telegram(line);
        check.run(t, v);
    }
};

void writeFile(const QString &path, const QByteArray &contents, QFile::Permissions permissions) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

} // namespace

class TestPostCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }
    void startsAndFollowUps_data();
    void startsAndFollowUps();
    void failedStartResetsTheChecks();
    void realStart();
    void realStarterErrors_data();
    void realStarterErrors();
};

void TestPostCheck::startsAndFollowUps_data() {
    QTest::addColumn<QStringList>("telegrams");
    QTest::addColumn<QStringList>("started");
    QTest::newRow("22.0 at 10:03 starts")
        << QStringList{QStringLiteral("05 10:03 22")} << QStringList{QStringLiteral("Nachlauf.exe 10-22")};
    QTest::newRow("21.9 starts nothing, neither do the follow-ups")
        << QStringList{QStringLiteral("05 10:03 21.9"), QStringLiteral("05 10:29 25"),
                       QStringLiteral("05 13:59 25")}
        << QStringList();
    QTest::newRow("24.0 at 10:02, follow-ups once each")
        << QStringList{QStringLiteral("05 10:02 24"),    QStringLiteral("05 10:03 24"),
                       QStringLiteral("05 10:29:00 24"), QStringLiteral("05 10:29:03 24"),
                       QStringLiteral("05 10:29:57 30"), QStringLiteral("05 10:30 24"),
                       QStringLiteral("05 13:59:01 24"), QStringLiteral("05 13:59:04 24")}
        << QStringList{QStringLiteral("Nachlauf.exe 10-24"), QStringLiteral("Nachlauf.exe c10-24"),
                       QStringLiteral("Nachlauf.exe c10-24")};
    QTest::newRow("last second of minute 5, decimal comma")
        << QStringList{QStringLiteral("05 10:05:59 22.5")}
        << QStringList{QStringLiteral("Nachlauf.exe 10-22,5")};
    QTest::newRow("10:06 is too late even as the first telegram of the hour")
        << QStringList{QStringLiteral("05 10:06 30"), QStringLiteral("05 10:29 30")} << QStringList();
    QTest::newRow("afternoon 27.5 at 15:00 with its follow-ups")
        << QStringList{QStringLiteral("05 15:00 27.5"), QStringLiteral("05 15:01 30"),
                       QStringLiteral("05 17:29 20"), QStringLiteral("05 21:29 20"),
                       QStringLiteral("05 21:29:30 20")}
        << QStringList{QStringLiteral("Nachlauf.exe 15-27,5"), QStringLiteral("Nachlauf.exe c15-27,5"),
                       QStringLiteral("Nachlauf.exe c15-27,5")};
    QTest::newRow("afternoon 27.4 starts nothing")
        << QStringList{QStringLiteral("05 15:02 27.4"), QStringLiteral("05 17:29 30"),
                       QStringLiteral("05 21:29 30")}
        << QStringList();
    QTest::newRow("each half of the day follows its own check, day after day")
        << QStringList{QStringLiteral("05 10:02 24"), QStringLiteral("05 10:29 24"),
                       QStringLiteral("05 13:59 24"), QStringLiteral("05 15:00 28"),
                       QStringLiteral("05 17:29 20"), QStringLiteral("05 21:29 20"),
                       QStringLiteral("06 10:01 21"), QStringLiteral("06 10:29 24"),
                       QStringLiteral("06 13:59 24"), QStringLiteral("06 15:02 29.25"),
                       QStringLiteral("06 17:29 20")}
        << QStringList{QStringLiteral("Nachlauf.exe 10-24"),    QStringLiteral("Nachlauf.exe c10-24"),
                       QStringLiteral("Nachlauf.exe c10-24"),   QStringLiteral("Nachlauf.exe 15-28"),
                       QStringLiteral("Nachlauf.exe c15-28"),   QStringLiteral("Nachlauf.exe c15-28"),
                       QStringLiteral("Nachlauf.exe 15-29,25"), QStringLiteral("Nachlauf.exe c15-29,25")};
    // Only the afternoon check re-arms the morning check.
    QTest::newRow("morning check once until the afternoon check")
        << QStringList{QStringLiteral("05 10:02 24"), QStringLiteral("05 10:04 25"),
                       QStringLiteral("06 10:02 30")}
        << QStringList{QStringLiteral("Nachlauf.exe 10-24")};
    QTest::newRow("zero date-time") << QStringList{QStringLiteral("zero 30")} << QStringList();
}

void TestPostCheck::startsAndFollowUps() {
    QFETCH(QStringList, telegrams);
    QFETCH(QStringList, started);
    Recorder recorder;

    for (const QString &line : telegrams)
        recorder.run(line);

    QCOMPARE(recorder.started, started);
    QCOMPARE(recorder.beeps, started.size());
    QVERIFY(recorder.reports.isEmpty());
}

void TestPostCheck::failedStartResetsTheChecks() {
    Recorder recorder;
    recorder.failStarts = true;
    recorder.run(QStringLiteral("05 10:02 24"));
    QCOMPARE(recorder.reports.size(), 1);
    QCOMPARE(recorder.reports.first().number, 53);
    QCOMPARE(recorder.reports.first().text, QStringLiteral("Datei nicht gefunden"));
    // The step after the failed start still runs.
    QCOMPARE(recorder.beeps, 1);

    // The morning check fires again with the next telegram of its minutes, then no more.
    recorder.failStarts = false;
    recorder.run(QStringLiteral("05 10:03 24.5"));
    recorder.run(QStringLiteral("05 10:04 25"));
    QCOMPARE(recorder.started, QStringList{QStringLiteral("Nachlauf.exe 10-24,5")});
    QCOMPARE(recorder.reports.size(), 1);

    // A failed follow-up is not repeated within its minute; the next slot fires as usual.
    recorder.failStarts = true;
    recorder.run(QStringLiteral("05 10:29:00 25"));
    recorder.run(QStringLiteral("05 10:29:03 25"));
    QCOMPARE(recorder.reports.size(), 2);
    recorder.failStarts = false;
    recorder.run(QStringLiteral("05 13:59 25"));
    QCOMPARE(recorder.started,
             QStringList({QStringLiteral("Nachlauf.exe 10-24,5"), QStringLiteral("Nachlauf.exe c10-24,5")}));
    QCOMPARE(recorder.beeps, 4);
    QCOMPARE(recorder.reports.size(), 2);

    // The failure cleared the morning flag: the next morning check fires without an afternoon check.
    recorder.run(QStringLiteral("06 10:00 23"));
    QCOMPARE(recorder.started.last(), QStringLiteral("Nachlauf.exe 10-23"));
}

void TestPostCheck::realStart() {
    ProgramDir dir;
    // Appends its argument to a file in its working directory.
    writeFile(dir.file(QStringLiteral("Nachlauf.exe")), "#!/bin/sh\nprintf '%s\\n' \"$1\" >> nachlauf.txt\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QList<RunError> reports;
    int beeps = 0;
    PostCheck check(
        programDirStarter(dir.path()), [&beeps] { ++beeps; },
        [&reports](const RunError &error) { reports << error; });

    check.run(QDateTime(QDate(2026, 12, 5), QTime(10, 2)), 24.0);

    QVERIFY(reports.isEmpty());
    QCOMPARE(beeps, 1);
    QTRY_COMPARE_WITH_TIMEOUT(dir.readFile(QStringLiteral("nachlauf.txt")), QByteArray("10-24\n"), 20000);
}

void TestPostCheck::realStarterErrors_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing") << "missing" << 53 << "Datei nicht gefunden";
    QTest::newRow("a directory of that name") << "directory" << 53 << "Datei nicht gefunden";
    QTest::newRow("not executable") << "plain" << 70 << "Zugriff verweigert";
}

void TestPostCheck::realStarterErrors() {
    QFETCH(QString, kind);
    QFETCH(int, number);
    QFETCH(QString, text);
    ProgramDir dir;
    const QString program = dir.file(QStringLiteral("Nachlauf.exe"));
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Nachlauf.exe")));
    else if (kind == QLatin1String("plain"))
        writeFile(program, "#!/bin/sh\ntouch started\n", QFile::ReadOwner | QFile::WriteOwner);

    const auto error = programDirStarter(dir.path())(QStringLiteral("Nachlauf.exe 10-24"));

    QVERIFY(error.has_value());
    QCOMPARE(error->number, number);
    QCOMPARE(error->text, text);
}

QTEST_GUILESS_MAIN(TestPostCheck)
#include "tst_postcheck.moc"
