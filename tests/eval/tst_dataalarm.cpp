#include "eval/dataalarm.h"
#include "support/programdir.h"

#include <QTest>

class TestDataAlarm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

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
        const QDateTime base(QDate(2026, 12, 5), QTime(16, 0, 0));
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

QTEST_GUILESS_MAIN(TestDataAlarm)
#include "tst_dataalarm.moc"
