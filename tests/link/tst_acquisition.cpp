// The acquisition end to end: Skylog polls and fetches from the logger simulator over a real pseudo-terminal.
// Expected output lines are computed with the simulator's own code, independent of the program's decoder.
#include "app/fprog.h"
#include "app/mainwindow.h"
#include "link/seriallink.h"
#include "logger.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/stationrig.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QProgressBar>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace {

const QDateTime &loggerStart = StationRig::loggerStart;
const QDateTime &skylogNow = StationRig::skylogNow;
const QString layout = QStringLiteral("01,02,07");

QString germanNumber(const QByteArray &text) {
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    return german.toString(text.toDouble(), 'g', 15);
}

// The text output lines of the first `count` of `stored` records the simulator hands out with these settings.
QByteArray expectedLines(int count, bool threeValues, int stored = 0) {
    loggersim::LoggerSettings settings;
    settings.layout = *loggersim::parseLayout(layout);
    settings.threeValues = threeValues;
    settings.initialRecords = stored > 0 ? stored : count;
    loggersim::Logger logger(settings, loggerStart);
    const QList<int> codes{1, 2, 7};
    QByteArray lines;
    for (int i = 0; i < count; ++i) {
        const QByteArray body = logger.answer("M", loggerStart)->body;
        const QByteArray stamp = body.mid(1, 14);
        const QDateTime t(
            QDate(2000 + stamp.mid(4, 2).toInt(), stamp.mid(2, 2).toInt(), stamp.mid(0, 2).toInt()),
            QTime(stamp.mid(8, 2).toInt(), stamp.mid(10, 2).toInt(), stamp.mid(12, 2).toInt()));
        QString line = t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        const QList<QByteArray> values = body.mid(15).split('|');
        const int perChannel = threeValues ? 3 : 1;
        for (int channel = 1; channel <= 3; ++channel) {
            line += QStringLiteral("|%1|%2")
                        .arg(channel, 2, 10, QLatin1Char('0'))
                        .arg(codes[channel - 1], 2, 16, QLatin1Char('0'));
            for (int k = 0; k < perChannel; ++k)
                line += QLatin1Char('|') + germanNumber(values.value(1 + (channel - 1) * perChannel + k));
        }
        lines += line.toUpper().toLatin1() + "\r\n";
    }
    return lines;
}

} // namespace

class TestAcquisition : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void instantaneousPollIsAnsweredAndEvaluated();
    void fetchWritesEveryRecordOnceAndSchedulesTheNext();
    void rejectedRecordIsAskedForAgain();
    void faultsInTheStreamLoseNoRecord();
    void silenceEndsTheFetchCycle();
    void recordGivenUpAfterMaxTries();
    void userStopsTheFetchFromTheProgressWindow();
    void dueCheckDuringAFetchDoesNotDisturbIt();
    void fetchWithMittelAktivOffRequestsNothing();

private:
    bool startRig(const QStringList &simulatorArguments, const QString &settings);
    void runFetch();

    std::unique_ptr<StationRig> rig;
    ProgramDir *dir = nullptr;
    MessageBoxes *boxes = nullptr;
    Simulator *sim = nullptr;
    MainWindow *f = nullptr;
};

void TestAcquisition::initTestCase() {
    pinGermanLocale();
}

void TestAcquisition::cleanup() {
    rig.reset();
}

bool TestAcquisition::startRig(const QStringList &simulatorArguments, const QString &settings) {
    rig = std::make_unique<StationRig>();
    const bool started =
        rig->start(QStringList{QStringLiteral("--layout"), layout} + simulatorArguments, settings);
    dir = rig->dir.get();
    boxes = rig->boxes.get();
    sim = rig->sim.get();
    f = rig->f.get();
    return started;
}

void TestAcquisition::runFetch() {
    QVERIFY(rig->fetch());
}

void TestAcquisition::instantaneousPollIsAnsweredAndEvaluated() {
    QVERIFY(
        startRig({QStringLiteral("--fault"), QStringLiteral("ignore@A#2")}, QStringLiteral("MomAktiv = 1")));
    f->ReadConfig();
    QVERIFY(f->OutTimer.isActive());
    QCOMPARE(f->LastTransColor, 65535);
    QTRY_COMPARE_WITH_TIMEOUT(f->LastTransColor, 0, 10000);
    QVERIFY(!f->OutTimer.isActive());
    QCOMPARE(f->LastOnlineColor, 65280);
    QCOMPARE(sim->requests(), QStringList{QStringLiteral("A")});
    QCOMPARE(dir->readFile(QStringLiteral("Errorlog.txt")), QByteArray());

    // An unanswered poll turns the transfer lamp red, the next poll the online lamp too.
    f->GetMoment();
    QTRY_COMPARE_WITH_TIMEOUT(f->LastTransColor, 255, 10000);
    f->GetMoment();
    QCOMPARE(f->LastOnlineColor, 255);
    QCOMPARE(dir->readFile(QStringLiteral("Errorlog.txt")), QByteArray());
}

void TestAcquisition::fetchWritesEveryRecordOnceAndSchedulesTheNext() {
    QVERIFY(
        startRig({QStringLiteral("--records"), QStringLiteral("3"), QStringLiteral("--three-values")}, {}));
    runFetch();
    QCOMPARE(dir->readFile(QStringLiteral("Testlog.txt")), expectedLines(3, true));
    QCOMPARE(sim->requests(), (QStringList{QStringLiteral("H"), QStringLiteral("M"), QStringLiteral("M"),
                                           QStringLiteral("M")}));
    QCOMPARE(rig->statusTexts.last(), QStringLiteral("3 Datensätze erhalten."));
    QCOMPARE(dir->readFile(QStringLiteral("Errorlog.txt")), QByteArray());
    Ui::MainWindow *ui = f->controls();
    QCOMPARE(ui->labLastAccess->text(), QStringLiteral("05.12.2026 10:00:30"));
    QCOMPARE(ui->labNextAccess->text(), QStringLiteral("05.12.2026 11:00:00"));
    QCOMPARE(
        sqlValue(Store::MainDb(), QStringLiteral("SELECT LastAccessTime FROM tblTemp WHERE ProviderID = 1 "
                                                 "AND ConfigID = 1"))
            .toString(),
        QStringLiteral("2026-12-05 10:00:30"));
    QCOMPARE(f->recordTime, QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
    QVERIFY(ui->menExp->isEnabled() && ui->Command1->isEnabled());
    QVERIFY(!f->averageAwaited && !f->headerAwaited && !FetchAbort);
    QCOMPARE(f->LastTransColor, 0);
    QVERIFY(!f->findChild<FProg *>() || !f->findChild<FProg *>()->isVisible());
}

void TestAcquisition::rejectedRecordIsAskedForAgain() {
    QVERIFY(startRig({QStringLiteral("--records"), QStringLiteral("3"), QStringLiteral("--fault"),
                      QStringLiteral("kind@M#2"), QStringLiteral("--fault"), QStringLiteral("field@MR#1")},
                     {}));
    runFetch();
    QCOMPARE(dir->readFile(QStringLiteral("Testlog.txt")), expectedLines(3, false));
    QCOMPARE(sim->requests(), (QStringList{QStringLiteral("H"), QStringLiteral("M"), QStringLiteral("M"),
                                           QStringLiteral("MR"), QStringLiteral("MR"), QStringLiteral("M")}));
    const QStringList retries = rig->statusTexts.filter(QStringLiteral("Versuch"));
    QCOMPARE(retries, (QStringList{QStringLiteral("05.12.2026 10:00:30 - Abfrage 2. Versuch..."),
                                   QStringLiteral("05.12.2026 10:00:30 - Abfrage 3. Versuch...")}));
    const QList<QByteArray> log = dir->readFile(QStringLiteral("Errorlog.txt")).split('\n');
    QCOMPARE(log.size(), 4);
    QVERIFY(log[0].startsWith("05.12.2026 10:00:30 - Unbekanntes Kennzeichen: '"));
    QCOMPARE(log[1], QByteArray("05.12.2026 10:00:30 - Fehlerhafte Daten\r"));
    QVERIFY(log[2].startsWith("05.12.2026 10:00:30 - Ung\xfcltiger Prozeduraufruf"));
    QCOMPARE(rig->statusTexts.last(), QStringLiteral("3 Datensätze erhalten."));
}

void TestAcquisition::faultsInTheStreamLoseNoRecord() {
    QVERIFY(
        startRig({QStringLiteral("--records"), QStringLiteral("4"), QStringLiteral("--three-values"),
                  QStringLiteral("--fault"), QStringLiteral("split@M#1"), QStringLiteral("--fault"),
                  QStringLiteral("noise@M#2"), QStringLiteral("--fault"), QStringLiteral("delay=300@M#3")},
                 {}));
    runFetch();
    QCOMPARE(dir->readFile(QStringLiteral("Testlog.txt")), expectedLines(4, true));
    QCOMPARE(rig->statusTexts.last(), QStringLiteral("4 Datensätze erhalten."));
}

void TestAcquisition::silenceEndsTheFetchCycle() {
    QVERIFY(startRig({QStringLiteral("--fault"), QStringLiteral("ignore@H")}, {}));
    f->controls()->Command1->setEnabled(false);
    runFetch();
    QCOMPARE(dir->readFile(QStringLiteral("Errorlog.txt")),
             QByteArray("05.12.2026 10:00:30 - Datenlogger antwortet nicht\r\n"));
    QCOMPARE(f->LastTransColor, 255);
    QVERIFY(!f->headerAwaited && !f->averageAwaited);
    QVERIFY(f->controls()->menExp->isEnabled() && f->controls()->Command1->isEnabled());
    QCOMPARE(f->controls()->labLastAccess->text(), QString());
    QCOMPARE(dir->readFile(QStringLiteral("Testlog.txt")), QByteArray());
}

void TestAcquisition::recordGivenUpAfterMaxTries() {
    QVERIFY(startRig({QStringLiteral("--records"), QStringLiteral("2"), QStringLiteral("--fault"),
                      QStringLiteral("kind@M"), QStringLiteral("--fault"), QStringLiteral("kind@MR")},
                     QStringLiteral("maxTries = 2")));
    runFetch();
    QTRY_COMPARE(sim->requests(), (QStringList{QStringLiteral("H"), QStringLiteral("M"), QStringLiteral("MR"),
                                           QStringLiteral("MR")}));
    // The answer to the last "MR" is not waited for; it is still evaluated when it comes.
    QTRY_COMPARE(dir->readFile(QStringLiteral("Errorlog.txt")).count("Unbekanntes Kennzeichen"), 3);
    const QByteArray log = dir->readFile(QStringLiteral("Errorlog.txt"));
    QCOMPARE(log.count("05.12.2026 10:00:30 - Daten k\xf6nnen nicht abgefragt werden.\r\n"), 1);
    QCOMPARE(rig->statusTexts.last(), QStringLiteral("0 Datensätze erhalten."));
    QCOMPARE(f->controls()->labLastAccess->text(), QString());
    QVERIFY(
        sqlValue(Store::MainDb(), QStringLiteral("SELECT LastAccessTime FROM tblTemp WHERE ProviderID = 1 "
                                                 "AND ConfigID = 1"))
            .isNull());
    QVERIFY(!FetchAbort);
}

void TestAcquisition::userStopsTheFetchFromTheProgressWindow() {
    QVERIFY(startRig(
        {QStringLiteral("--records"), QStringLiteral("6"), QStringLiteral("--delay"), QStringLiteral("200")},
        {}));
    boxes->answers << MsgBox::Yes;
    connect(f->controls()->prbMittel, &QProgressBar::valueChanged, this, [this](int value) {
        if (value == 2)
            QTimer::singleShot(0, this, [this] { f->findChild<FProg *>()->close(); });
    });
    runFetch();
    QCOMPARE(boxes->asked.size(), 1);
    QCOMPARE(boxes->asked.first().title, QStringLiteral("Benutzerabbruch"));
    QCOMPARE(rig->statusTexts.last(), QStringLiteral("2 Datensätze erhalten."));
    QCOMPARE(dir->readFile(QStringLiteral("Testlog.txt")), expectedLines(2, false, 6));
    QVERIFY(dir->readFile(QStringLiteral("Errorlog.txt"))
                .endsWith("Daten k\xf6nnen nicht abgefragt werden.\r\n"));
    QCOMPARE(f->controls()->labLastAccess->text(), QStringLiteral("05.12.2026 10:00:30"));
    QVERIFY(!FetchAbort);
}

void TestAcquisition::dueCheckDuringAFetchDoesNotDisturbIt() {
    QVERIFY(startRig(
        {QStringLiteral("--records"), QStringLiteral("3"), QStringLiteral("--delay"), QStringLiteral("100")},
        {}));
    f->NextAccessTime = skylogNow.addSecs(-600);
    connect(f->controls()->prbMittel, &QProgressBar::valueChanged, this, [this](int value) {
        if (value == 1)
            f->midTimerTick();
    });
    runFetch();
    QCOMPARE(sim->requests(), (QStringList{QStringLiteral("H"), QStringLiteral("M"), QStringLiteral("M"),
                                           QStringLiteral("M")}));
    QCOMPARE(dir->readFile(QStringLiteral("Testlog.txt")), expectedLines(3, false));
    // Once the fetch is over, a due check starts the next one.
    f->NextAccessTime = skylogNow.addSecs(-60);
    f->midTimerTick();
    QVERIFY(f->fetchCycleActive);
}

void TestAcquisition::fetchWithMittelAktivOffRequestsNothing() {
    QVERIFY(startRig({QStringLiteral("--records"), QStringLiteral("3")}, {}));
    f->GetHeader();
    SysConf.MittelAktiv = false;
    QTRY_VERIFY_WITH_TIMEOUT(!f->fetchCycleActive, 20000);
    QCOMPARE(sim->requests(), QStringList{QStringLiteral("H")});
    QCOMPARE(rig->statusTexts.last(), QStringLiteral("0 Datensätze erhalten."));
    f->NextAccessTime = skylogNow.addSecs(-60);
    f->midTimerTick();
    QVERIFY(!f->fetchCycleActive);
}

QTEST_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
