// Polls and fetches from the logger simulator, or a device the test plays, over a real pseudo-terminal.
// Expected lines and answers come from the simulator's own code, not from the program's decoder.
#include "app/fprog.h"
#include "eval/sqlrows.h"
#include "logger.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/mailservers.h"
#include "support/stationrig.h"
#include "ui_mainwindow.h"

#include <QProgressBar>
#include <QtTest>

namespace {

const QString layout = "01,02,07";

// The text output lines of the first `count` of `stored` records the simulator hands out.
QByteArray expectedLines(int count, int stored, bool threeValues = false) {
    loggersim::LoggerSettings settings;
    settings.layout = *loggersim::parseLayout(layout);
    settings.threeValues = threeValues;
    settings.initialRecords = stored;
    loggersim::Logger logger(settings, StationRig::loggerStart);
    QByteArray lines;
    for (int i = 0; i < count; ++i) {
        const QByteArray body = logger.answer("M", StationRig::loggerStart)->body;
        QString line = logger.lastHandedOut()->toString("dd.MM.yyyy HH:mm:ss");
        const QList<QByteArray> values = body.mid(16).split('|');
        const int perChannel = threeValues ? 3 : 1;
        for (int channel = 0; channel < 3; ++channel) {
            line += "|0" + QString::number(channel + 1) + '|' + layout.section(',', channel, channel);
            for (int k = 0; k < perChannel; ++k)
                line +=
                    '|' +
                    QString::number(values[channel * perChannel + k].toDouble(), 'g', 15).replace('.', ',');
        }
        lines += line.toLatin1() + "\r\n";
    }
    return lines;
}

// Answers as the test's own device sends them: a header over channels 1 and 2, records ten minutes apart.
QByteArray header(int records) {
    return loggersim::frameAnswer(
        'H', loggersim::headerBody("Testlogger", records, StationRig::loggerStart, {{1, 1}, {2, 2}}));
}
QByteArray record(int n) {
    return loggersim::frameAnswer('M', loggersim::averageBody(false, StationRig::loggerStart.addSecs(600 * n),
                                                              {QByteArray::number(n) + ".5", "7.25"}));
}
QByteArray instant() {
    return loggersim::frameAnswer('A', loggersim::instantBody(StationRig::loggerStart, {{1, 1, "3.5"}}));
}

} // namespace

class TestAcquisition : public QObject {
    Q_OBJECT

    std::unique_ptr<StationRig> rig;
    MainWindow *f = nullptr;
    Acquisition *a = nullptr;

    // The simulator with `arguments` on the line, or without them the test's own device.
    bool start(const QStringList &arguments, const QString &settings = {}) {
        rig = std::make_unique<StationRig>();
        const bool started = arguments.isEmpty()
                                 ? rig->startWithDevice(settings)
                                 : rig->start(QStringList{"--layout", layout} + arguments, settings);
        f = rig->f.get();
        a = f ? f->engine() : nullptr;
        return started;
    }
    QByteArray file(const QString &name) const { return rig->dir->readFile(name); }
    // Rows stored and record times among them; the last access kept for the logger.
    static QString stored() {
        return sqlRows(Store::MainDb(), "SELECT count(*), count(DISTINCT MeasTime) FROM tblMesswerte");
    }
    static QString lastAccess() {
        return sqlRows(Store::MainDb(),
                       "SELECT LastAccessTime FROM tblTemp WHERE ProviderID = 1 AND ConfigID = 1");
    }
    // The device's part: waits for one request to logger 01 and answers it.
    bool answer(const QByteArray &command, const QByteArray &reply) {
        const QByteArray request = "\00201\033" + command + "\r";
        const QByteArray got = rig->device->waitForBytes(int(request.size()), 10000);
        if (got != request)
            qWarning() << "expected" << request << "got" << got;
        return got == request && (reply.isEmpty() || rig->device->write(reply));
    }

private slots:
    void cleanup() { rig.reset(); }

    // The user stops a fetch from its progress window; a due check and "fetch now" during it start nothing.
    void fetchStoppedByTheUserUndisturbedByADueCheck() {
        QVERIFY(start({"--records", "6", "--delay", "200", "--three-values"}));
        a->NextAccessTime = StationRig::skylogNow.addSecs(-600);
        rig->boxes->answers << MsgBox::Yes;
        connect(f->controls()->prbMittel, &QProgressBar::valueChanged, this, [this](int value) {
            if (value == 1) {
                a->midTimerTick();
                a->fetchNow();
            } else if (value == 2) {
                QTimer::singleShot(0, this, [this] { f->findChild<FProg *>()->close(); });
            }
        });
        QVERIFY(rig->fetch());
        QCOMPARE(rig->boxes->asked.size(), 1);
        QCOMPARE(rig->boxes->asked[0].title, "Benutzerabbruch");
        QCOMPARE(rig->statusTexts.last(), "2 Datensätze erhalten.");
        QCOMPARE(file("Errorlog.txt"), "05.12.2026 10:00:30 - Daten k\xf6nnen nicht abgefragt werden.\r\n");
        // The record asked for when the user stopped was handed out: it is stored when it comes.
        QTRY_COMPARE(file("Testlog.txt"), expectedLines(3, 6, true));
        QCOMPARE(sqlRows(Store::MainDb(), "SELECT count(*) FROM tblMesswerte WHERE Kanal3 IS NOT NULL"), "9");
        QCOMPARE(rig->sim->requests(), (QStringList{"H", "M", "M", "M"}));
        QCOMPARE(f->controls()->labNextAccess->text(), "05.12.2026 11:00:00");
        QCOMPARE(lastAccess(), "2026-12-05 10:00:30");
        QVERIFY(f->controls()->menExp->isEnabled() && f->controls()->Command1->isEnabled() &&
                a->phase() == Acquisition::Phase::Idle);
        f->controls()->menDatei->aboutToShow();
        QVERIFY(f->controls()->menFetchNow->isEnabled());
        f->controls()->menFetchNow->trigger();
        QVERIFY(a->fetchCycleActive());
        f->controls()->menDatei->aboutToShow();
        QVERIFY(!f->controls()->menFetchNow->isEnabled());
    }

    // Three records, three tries for each. The same message again within the hour is counted, not written.
    void faultsAreRetriedAndLoseNoRecord_data() {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QByteArray>("log");
        const QByteArray stamp = "05.12.2026 10:00:30 - ";
        QTest::newRow("spoilt answers")
            << QStringList{"split@M#1", "kind@M#2", "field@MR#1", "noise@M#3"}
            << QStringList{"H", "M", "M", "MR", "MR", "M"}
            << stamp + "Unbekanntes Kennzeichen: 'X'\r\n" + stamp + "Fehlerhafte Daten\r\n" + stamp +
                   "Ung\xfcltiger Prozeduraufruf oder ung\xfcltiges Argument\r\n" + stamp +
                   "Daten ohne STX erhalten\r\n";
        const QByteArray silent = stamp + "Datenlogger antwortet nicht\r\n";
        // The answer is lost: "MR" hands the record out again.
        QTest::newRow("answer lost") << QStringList{"silence@M#2"} << QStringList{"H", "M", "M", "MR", "M"}
                                     << silent;
        // The request is not heard: "MR" repeats the record before, which is not stored again.
        QTest::newRow("request not heard")
            << QStringList{"ignore@M#2"} << QStringList{"H", "M", "M", "MR", "M", "M"} << silent;
        // The answer comes late, after "MR" has asked again: two copies, stored once.
        QTest::newRow("late answer") << QStringList{"delay=1800@M#2"} << QStringList{"H", "M", "M", "MR", "M"}
                                     << silent;
        QTest::newRow("given up after maxTries")
            << QStringList{"kind@M", "kind@MR"} << QStringList{"H", "M", "MR", "MR", "MR"}
            << stamp + "Unbekanntes Kennzeichen: 'X'\r\n" + stamp +
                   "Daten k\366nnen nicht abgefragt werden.\r\n";
    }

    void faultsAreRetriedAndLoseNoRecord() {
        QFETCH(QStringList, faults);
        QFETCH(QStringList, requests);
        QFETCH(QByteArray, log);
        // With every "MR" answered wrongly the record is given up, and the fetch with it.
        const int arrived = faults.contains("kind@MR") ? 0 : 3;
        QStringList arguments{"--records", "3"};
        for (const QString &fault : faults)
            arguments << "--fault" << fault;
        QVERIFY(start(arguments, "MittTimeOut = 1000, maxTries = 3, MomAktiv = 1"));
        // Polls are due all the time; none goes out from the header request to the end of the fetch.
        a->AktTimer.setInterval(1);
        a->MomTimer(true);
        QTRY_VERIFY(rig->sim->requests().size() > 3);
        QVERIFY(rig->fetch());
        a->MomTimer(false);
        QTRY_COMPARE(rig->sim->requests().mid(rig->sim->requests().indexOf("H"), requests.size()), requests);
        QVERIFY(rig->statusTexts.contains("05.12.2026 10:00:30 - Abfrage 2. Versuch..."));
        QCOMPARE(file("Testlog.txt"), expectedLines(arrived, 3));
        QCOMPARE(rig->statusTexts.filter("Datensätze").last(),
                 QString("%1 Datensätze erhalten.").arg(arrived));
        QCOMPARE(stored(), QString("%1 %2").arg(arrived * 3).arg(arrived));
        QCOMPARE(file("Errorlog.txt"), log);
        QCOMPARE(f->controls()->labLastAccess->text(), arrived ? "05.12.2026 10:00:30" : "");
    }

    // The database takes no data: the record that came is kept in the spool and written once as a line; no
    // fetch starts until the database has taken it, after a restart or before the next fetch.
    void failedStoreKeepsTheRecord_data() {
        QTest::addColumn<QString>("breakSql");
        QTest::addColumn<QString>("healSql");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("refused") << "CREATE TRIGGER voll BEFORE INSERT ON tblMesswerte BEGIN "
                                    "SELECT RAISE(FAIL, 'voll'); END"
                                 << "DROP TRIGGER voll"
                                 << QByteArray("Datenbankfehler: voll Unable to fetch row");
        QTest::newRow("read-only, restart")
            << "PRAGMA query_only = 1" << QString() << QByteArray("Die Datenbank ist schreibgesch\xfctzt.");
    }
    void failedStoreKeepsTheRecord() {
        QFETCH(QString, breakSql);
        QFETCH(QString, healSql);
        QFETCH(QByteArray, reason);
        QVERIFY(start({"--records", "3"}));
        QVERIFY(QSqlQuery(Store::MainDb()).exec(breakSql));
        QVERIFY(rig->fetch());
        QCOMPARE(rig->sim->requests(), (QStringList{"H", "M"}));
        QCOMPARE(file("Testlog.txt"), expectedLines(1, 3));
        QCOMPARE(rig->statusTexts.last(), "1 Datensätze erhalten.");
        QCOMPARE(file("Skylog.spool").count('\n'), 1);
        QCOMPARE(stored(), "0 0");
        QCOMPARE(lastAccess(), "NULL");
        a->GetHeader();
        QVERIFY(!a->fetchCycleActive());
        const QByteArray stamp = "05.12.2026 10:00:30 - Die Datenbank nimmt ";
        const QByteArray because = "an (" + reason + "). ";
        QCOMPARE(
            file("Errorlog.txt"),
            stamp + "keine Daten " + because +
                "Der Datensatz vom 05.12.2026 09:40:00 ist in Skylog.spool aufbewahrt und wird gespeichert, "
                "sobald die Datenbank wieder Daten annimmt; bis dahin werden keine Mittelwerte "
                "abgefragt.\r\n" +
                stamp + "noch keine Daten " + because +
                "1 aufbewahrte Datens\xe4tze warten; die Mittelwerte werden erst danach wieder "
                "abgefragt.\r\n");

        if (healSql.isEmpty()) {
            // The program stores the kept record as it starts.
            QVERIFY(rig->load());
            QCOMPARE(stored(), "3 1");
        } else {
            QVERIFY(QSqlQuery(Store::MainDb()).exec(healSql));
        }
        QVERIFY(rig->fetch());
        QCOMPARE(rig->sim->requests(), (QStringList{"H", "M", "H", "M", "M"}));
        QCOMPARE(file("Testlog.txt"), expectedLines(3, 3));
        QCOMPARE(stored(), "9 3");
        QVERIFY(!QFile::exists(rig->dir->file("Skylog.spool")));
        QCOMPARE(rig->f->controls()->labLastAccess->text(), "05.12.2026 10:00:30");
        QVERIFY(
            file("Errorlog.txt").endsWith("1 aufbewahrte Datens\xe4tze in der Datenbank gespeichert.\r\n"));
    }

    // Whatever a header answer brings, the cycle ends with its message and the next minute asks again; a late
    // answer before the header leaves nothing behind either. The texts themselves are the telegram test's.
    void everyHeaderAnswerEndsOrContinuesTheCycle() {
        QVERIFY(start({}, "MittTimeOut = 300"));
        a->ReadConfig();
        a->NextAccessTime = StationRig::skylogNow.addSecs(-60);
        QSignalSpy cycles(a, &Acquisition::fetchCycleChanged);
        const QByteArray good = header(0);
        const auto with = [&good](int from, const char *bytes) {
            return QByteArray(good).replace(good.size() - from, qstrlen(bytes), bytes);
        };
        const QList<std::pair<QByteArray, const char *>> replies{
            {with(5, "|"), "ohne ETB"},
            {loggersim::frameAnswer('Q', good.mid(2, good.size() - 7)), "Kennzeichen: 'Q'"},
            {loggersim::frameAnswer('H', good.mid(2, 49) + "||0101"), "Fehlerhafte Daten"},
            {loggersim::frameAnswer('H', good.mid(2, 49) + "|0001"), "Bereichs"},
            {with(4, "x1y"), "Typen unvertr\xe4glich"},
            {QByteArray(), "antwortet nicht"}};
        for (const auto &[reply, log] : replies) {
            a->midTimerTick();
            QVERIFY(answer("H", reply));
            QTRY_VERIFY(!a->fetchCycleActive());
            QVERIFY2(file("Errorlog.txt").contains(log), log);
            QVERIFY(f->controls()->menExp->isEnabled() && a->phase() == Acquisition::Phase::Idle);
        }
        a->midTimerTick();
        QVERIFY(answer("H", instant() + header(1)));
        QVERIFY(answer("M", record(1)));
        QTRY_COMPARE(cycles.size(), 2 * replies.size() + 2);
        QCOMPARE(rig->statusTexts.last(), "1 Datensätze erhalten.");
        QCOMPARE(f->labMW[1]->text(), "3,5 °C ");
    }

    // No valid telegram for ten minutes: told once, again each hour while it lasts, and when data come back;
    // each time in the error log, on the status line and by mail to the report's recipients.
    void dataStoppedAlarm() {
        // The program works in its own directory; an earlier test's is gone, and exim needs one to start in.
        QVERIFY(start({}, "AlarmMinuten = 10, MomAktiv = 1, MailHost = '127.0.0.1', "
                          "MailSender = 'wetter@station.example', MailRec = 'a@example.org; b@example.org'"));
        EximServer exim;
        if (!exim.start())
            QSKIP("exim4 is not installed");
        auto t = std::make_shared<QDateTime>(StationRig::skylogNow);
        a->setClock([t] { return *t; });
        a->publication().mailer.setPort(exim.port);
        for (int minutes : {9, 1, 30, 31}) {
            *t = t->addSecs(60 * minutes);
            a->minuteTick();
        }
        a->GetMoment();
        QVERIFY(answer("A", instant()));
        QTRY_COMPARE(a->LastTransColor, 0);
        // The texts and times of the reports are the alarm's own test's; here they reach all three places.
        QCOMPARE(file("Errorlog.txt").count("Daten vom Datenlogger"), 3);
        QCOMPARE(rig->statusTexts.filter("Daten vom Datenlogger").size(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(exim.spool().count("\n2\na@example.org\nb@example.org\n"), 3, 10000);
    }

    // A request unanswered in a long fetch is tried again, the minute tick starts nothing. Then the port goes
    // in the middle of a record: what came counts, the half telegram is forgotten. The text file cannot be
    // written: one box tells of it, and the fetch goes on behind it.
    void timeOutThenPortLostInAFetch() {
        QVERIFY(start({}, "MittTimeOut = 300, MomAktiv = 1"));
        SysConf.datname = rig->dir->file("fehlt/Testlog.txt");
        a->reconnectTimer.setInterval(50);
        a->NextAccessTime = StationRig::skylogNow.addSecs(-60);
        a->midTimerTick();
        QVERIFY(answer("H", header(3)));
        QVERIFY(answer("M", record(1)));
        QVERIFY(answer("M", QByteArray()));
        QVERIFY(answer("MR", QByteArray()));
        a->midTimerTick();
        QVERIFY(answer("MR", record(2)));
        QVERIFY(answer("M", record(3)));
        QTRY_VERIFY(!a->fetchCycleActive());
        QCOMPARE(rig->device->waitForBytes(1, 300), QByteArray());
        QCOMPARE(rig->statusTexts.last(), "3 Datensätze erhalten.");
        QCOMPARE(stored(), "9 3");
        QCOMPARE(file("Errorlog.txt").count("Datenlogger antwortet nicht"), 1);
        QTRY_VERIFY(!f->findChild<FProg *>());

        a->GetHeader();
        QVERIFY(answer("H", header(3)));
        QVERIFY(answer("M", record(4)));
        QVERIFY(answer("M", record(5).left(20)));
        rig->device->closeMaster();
        QTRY_VERIFY(!a->fetchCycleActive());
        QCOMPARE(rig->statusTexts.filter("Datensätze").last(), "1 Datensätze erhalten.");
        QCOMPARE(stored(), "12 4");
        QVERIFY(a->isReconnecting());
        rig->device = std::make_unique<PseudoTerminal>();
        QVERIFY(rig->device->linkAs(rig->dir->path(), 1));
        QTRY_VERIFY_WITH_TIMEOUT(a->isConnected(), 10000);
        QVERIFY(answer("A", instant()));
        QTRY_COMPARE(a->LastTransColor, 0);
        QVERIFY(!file("Errorlog.txt").contains("Daten ohne"));
        QVERIFY(rig->boxes->asked.size() == 1 && rig->boxes->asked[0].text == "Pfad nicht gefunden");
        QCOMPARE(rig->boxes->asked[0].title, "Unerwarteter Fehler: 76");
        // A poll awaited is yellow, unanswered red; the next poll then turns the online lamp red.
        a->GetMoment();
        QCOMPARE(a->LastTransColor, 65535);
        QTRY_COMPARE_WITH_TIMEOUT(a->LastTransColor, 255, 10000);
        a->GetMoment();
        QCOMPARE(a->LastOnlineColor, 255);
    }
};

QTEST_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
