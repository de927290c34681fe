// Skylog polls and fetches from the logger simulator over a real pseudo-terminal. Expected output lines are
// computed with the simulator's own code, independent of the program's decoder.
#include "app/fprog.h"
#include "logger.h"
#include "store/database.h"
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
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    const int perChannel = threeValues ? 3 : 1;
    QByteArray lines;
    for (int i = 0; i < count; ++i) {
        const QByteArray body = logger.answer("M", StationRig::loggerStart)->body;
        QString line = QString("%1.%2.20%3 %4:%5:%6")
                           .arg(body.mid(1, 2), body.mid(3, 2), body.mid(5, 2), body.mid(9, 2),
                                body.mid(11, 2), body.mid(13, 2));
        const QList<QByteArray> values = body.mid(16).split('|');
        for (int channel = 0; channel < 3; ++channel) {
            line += "|0" + QString::number(channel + 1) + '|' + layout.section(',', channel, channel);
            for (int k = 0; k < perChannel; ++k)
                line += '|' + german.toString(values[channel * perChannel + k].toDouble(), 'g', 15);
        }
        lines += line.toLatin1() + "\r\n";
    }
    return lines;
}

} // namespace

class TestAcquisition : public QObject {
    Q_OBJECT

    std::unique_ptr<StationRig> rig;
    MainWindow *f = nullptr;

    bool start(const QStringList &arguments, const QString &settings = {}) {
        rig = std::make_unique<StationRig>();
        const bool started = rig->start(QStringList{"--layout", layout} + arguments, settings);
        f = rig->f.get();
        return started;
    }
    QByteArray file(const QString &name) const { return rig->dir->readFile(name); }

private slots:
    void cleanup() { rig.reset(); }

    void instantaneousPoll() {
        QVERIFY(start({"--fault", "ignore@A#2"}, "MomAktiv = 1"));
        f->ReadConfig();
        QVERIFY(f->OutTimer.isActive() && f->LastTransColor == 65535);
        QTRY_COMPARE_WITH_TIMEOUT(f->LastTransColor, 0, 10000);
        QVERIFY(!f->OutTimer.isActive() && !f->channelTableStale);
        QCOMPARE(f->LastOnlineColor, 65280);
        QCOMPARE(rig->sim->requests(), QStringList{"A"});
        // An unanswered poll turns the transfer lamp red, the next poll the online lamp too.
        f->GetMoment();
        QTRY_COMPARE_WITH_TIMEOUT(f->LastTransColor, 255, 10000);
        f->GetMoment();
        QCOMPARE(f->LastOnlineColor, 255);
        QCOMPARE(file("Errorlog.txt"), QByteArray());
    }

    void fetchWritesEveryRecordOnceUndisturbedByADueCheck() {
        QVERIFY(start({"--records", "3", "--three-values", "--delay", "100"}));
        f->NextAccessTime = StationRig::skylogNow.addSecs(-600);
        connect(f->controls()->prbMittel, &QProgressBar::valueChanged, this, [this](int value) {
            if (value == 1)
                f->midTimerTick();
        });
        QVERIFY(rig->fetch());
        QCOMPARE(file("Testlog.txt"), expectedLines(3, 3, true));
        QCOMPARE(rig->sim->requests(), (QStringList{"H", "M", "M", "M"}));
        QCOMPARE(rig->statusTexts.last(), "3 Datensätze erhalten.");
        QCOMPARE(file("Errorlog.txt"), QByteArray());
        QCOMPARE(f->controls()->labLastAccess->text(), "05.12.2026 10:00:30");
        QCOMPARE(f->controls()->labNextAccess->text(), "05.12.2026 11:00:00");
        QCOMPARE(sqlValue(Store::MainDb(),
                          "SELECT LastAccessTime FROM tblTemp WHERE ProviderID = 1 AND ConfigID = 1"),
                 "2026-12-05 10:00:30");
        QVERIFY(f->controls()->menExp->isEnabled() && f->controls()->Command1->isEnabled());
        QVERIFY(!f->averageAwaited && !f->headerAwaited && f->LastTransColor == 0);
        // Once the fetch is over, a due check starts the next one.
        f->NextAccessTime = StationRig::skylogNow.addSecs(-60);
        f->midTimerTick();
        QVERIFY(f->fetchCycleActive);
    }

    void faultsAreRetriedAndLoseNoRecord() {
        QVERIFY(start({"--records", "3", "--fault", "split@M#1", "--fault", "kind@M#2", "--fault",
                       "field@MR#1", "--fault", "noise@M#3"}));
        QVERIFY(rig->fetch());
        QCOMPARE(file("Testlog.txt"), expectedLines(3, 3));
        QCOMPARE(rig->sim->requests(), (QStringList{"H", "M", "M", "MR", "MR", "M"}));
        QCOMPARE(rig->statusTexts.filter("Versuch"),
                 (QStringList{"05.12.2026 10:00:30 - Abfrage 2. Versuch...",
                              "05.12.2026 10:00:30 - Abfrage 3. Versuch..."}));
        QCOMPARE(rig->statusTexts.last(), "3 Datensätze erhalten.");
        QCOMPARE(file("Errorlog.txt"),
                 "05.12.2026 10:00:30 - Unbekanntes Kennzeichen: 'X'\r\n"
                 "05.12.2026 10:00:30 - Fehlerhafte Daten\r\n"
                 "05.12.2026 10:00:30 - Ung\xfcltiger Prozeduraufruf oder ung\xfcltiges Argument\r\n"
                 "05.12.2026 10:00:30 - Daten ohne STX erhalten\r\n");
    }

    void recordGivenUpAfterMaxTriesThenSilence() {
        QVERIFY(start({"--records", "2", "--fault", "kind@M", "--fault", "kind@MR", "--fault", "ignore@H#2"},
                      "maxTries = 2"));
        QVERIFY(rig->fetch());
        QTRY_COMPARE(rig->sim->requests(), (QStringList{"H", "M", "MR", "MR"}));
        // The answer to the last "MR" is not waited for; it is still evaluated when it comes.
        QTRY_COMPARE(file("Errorlog.txt").count("Unbekanntes Kennzeichen"), 3);
        QCOMPARE(rig->statusTexts.last(), "0 Datensätze erhalten.");
        QCOMPARE(f->controls()->labLastAccess->text(), QString());
        // The second header request goes unanswered.
        QVERIFY(rig->fetch());
        QCOMPARE(file("Errorlog.txt"), "05.12.2026 10:00:30 - Unbekanntes Kennzeichen: 'X'\r\n"
                                       "05.12.2026 10:00:30 - Unbekanntes Kennzeichen: 'X'\r\n"
                                       "05.12.2026 10:00:30 - Daten k\366nnen nicht abgefragt werden.\r\n"
                                       "05.12.2026 10:00:30 - Unbekanntes Kennzeichen: 'X'\r\n"
                                       "05.12.2026 10:00:30 - Datenlogger antwortet nicht\r\n");
        QCOMPARE(f->LastTransColor, 255);
        QVERIFY(!f->headerAwaited && f->controls()->menExp->isEnabled());
        QCOMPARE(f->controls()->labLastAccess->text(), QString());
    }

    void userStopsTheFetchFromTheProgressWindow() {
        QVERIFY(start({"--records", "6", "--delay", "200"}));
        rig->boxes->answers << MsgBox::Yes;
        connect(f->controls()->prbMittel, &QProgressBar::valueChanged, this, [this](int value) {
            if (value == 2)
                QTimer::singleShot(0, this, [this] { f->findChild<FProg *>()->close(); });
        });
        QVERIFY(rig->fetch());
        QVERIFY(rig->boxes->asked.size() == 1 && rig->boxes->asked[0].title == "Benutzerabbruch");
        QCOMPARE(rig->statusTexts.last(), "2 Datensätze erhalten.");
        QCOMPARE(file("Testlog.txt"), expectedLines(2, 6));
        QVERIFY(file("Errorlog.txt").endsWith("Daten k\xf6nnen nicht abgefragt werden.\r\n"));
        QCOMPARE(f->controls()->labLastAccess->text(), "05.12.2026 10:00:30");
        QVERIFY(!FetchAbort);
    }
};

QTEST_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
