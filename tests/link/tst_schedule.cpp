#include "link/schedule.h"

#include <QtTest>

static QDateTime at(int day, int month, int hour, int minute, Qt::TimeSpec zone = Qt::LocalTime) {
    return QDateTime(QDate(2024, month, day), QTime(hour, minute), zone);
}

class TestSchedule : public QObject {
    Q_OBJECT

private slots:
    void nextAccess_data() {
        QTest::addColumn<QDateTime>("lastAccess");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime none;
        QTest::newRow("from the last access") << at(6, 5, 9, 5) << at(6, 5, 9, 30) << 60 << at(6, 5, 10, 0);
        QTest::newRow("last access long past") << at(6, 5, 8, 0) << at(6, 5, 9, 37) << 60 << at(6, 5, 10, 0);
        QTest::newRow("grid point stays") << at(6, 5, 9, 0) << at(6, 5, 9, 10) << 60 << at(6, 5, 10, 0);
        QTest::newRow("a day or more") << none << at(6, 5, 9, 10) << 1440 << at(7, 5, 0, 0);
        // 31 March: 02:00 becomes 03:00. 27 October: 03:00 becomes 02:00, 01:10 UTC is the second 02:10.
        QTest::newRow("clock put forward") << none << at(31, 3, 0, 30) << 120 << at(31, 3, 3, 0);
        QTest::newRow("clock put back")
            << none << at(27, 10, 1, 10, Qt::UTC) << 15 << at(27, 10, 1, 15, Qt::UTC);
        QTest::newRow("I = 0") << none << at(6, 5, 9, 30) << 0 << none;
    }
    void nextAccess() {
        QFETCH(QDateTime, lastAccess);
        QFETCH(QDateTime, now);
        QFETCH(int, interval);
        QFETCH(QDateTime, expected);
        std::optional<RunError> error = RunError::overflow();
        const std::optional<QDateTime> next = nextAccessTime(lastAccess, now, interval, &error);
        QCOMPARE(next.value_or(QDateTime()).toUTC(), expected.toUTC());
        QCOMPARE(error ? QString("%1 %2").arg(error->number).arg(error->text) : QString(),
                 expected.isValid() ? QString() : "11 Division durch Null");
    }
};

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
