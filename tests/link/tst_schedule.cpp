#include "link/schedule.h"

#include <QLocale>
#include <QtTest>

namespace {

QDateTime local(int day, int month, int hour, int minute, int second = 0, int year = 2024) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

QDateTime utc(int day, int month, int hour, int minute, int year = 2024) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

} // namespace

class TestSchedule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void nextAccess_data() {
        QTest::addColumn<QDateTime>("lastAccess");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QDateTime>("expected");

        const QDateTime none;
        QTest::newRow("hourly, from the last access")
            << local(6, 5, 9, 5) << local(6, 5, 9, 30) << 60 << local(6, 5, 10, 0);
        QTest::newRow("hourly, last access long past")
            << local(6, 5, 8, 0) << local(6, 5, 9, 37) << 60 << local(6, 5, 10, 0);
        QTest::newRow("hourly, no access yet, late evening")
            << none << local(6, 5, 23, 10) << 60 << local(7, 5, 0, 0);
        QTest::newRow("quarter-hourly")
            << local(6, 5, 9, 31) << local(6, 5, 9, 40) << 15 << local(6, 5, 9, 45);
        QTest::newRow("grid point stays")
            << local(6, 5, 9, 0) << local(6, 5, 9, 10) << 60 << local(6, 5, 10, 0);
        QTest::newRow("candidate exactly now counts")
            << local(6, 5, 8, 30) << local(6, 5, 9, 30) << 60 << local(6, 5, 9, 0);
        QTest::newRow("last access not before now")
            << local(6, 5, 11, 0) << local(6, 5, 9, 30) << 60 << local(6, 5, 10, 0);
        QTest::newRow("last access equal to now")
            << local(6, 5, 9, 30) << local(6, 5, 9, 30) << 15 << local(6, 5, 9, 45);
        QTest::newRow("a day") << none << local(6, 5, 9, 10) << 1440 << local(7, 5, 0, 0);
        QTest::newRow("more than a day") << none << local(6, 5, 9, 10) << 2000 << local(7, 5, 0, 0);
        QTest::newRow("grid not dividing the hour") << none << local(6, 5, 9, 10) << 7 << local(6, 5, 9, 13);
        QTest::newRow("half minute rounds to even, down")
            << none << local(6, 5, 9, 29, 30) << 1 << local(6, 5, 9, 30);
        QTest::newRow("half minute rounds to even, up")
            << none << local(6, 5, 9, 30, 30) << 1 << local(6, 5, 9, 32);
        QTest::newRow("rounding reaches midnight")
            << none << local(6, 5, 22, 59, 30) << 60 << local(7, 5, 0, 0);
        QTest::newRow("over the year's end")
            << local(31, 12, 23, 30, 0, 2023) << local(31, 12, 23, 45, 0, 2023) << 60 << local(1, 1, 0, 0);
        // 31 March 2024: the clock goes from 02:00 to 03:00.
        QTest::newRow("clock put forward") << none << local(31, 3, 1, 30) << 60 << local(31, 3, 3, 0);
        QTest::newRow("grid point skipped by the clock")
            << none << local(31, 3, 0, 30) << 120 << local(31, 3, 3, 0);
        QTest::newRow("grid after the clock was put forward")
            << none << local(31, 3, 0, 30) << 90 << local(31, 3, 3, 0);
        // 27 October 2024: the clock goes from 03:00 back to 02:00; 01:10 UTC is the second 02:10.
        QTest::newRow("clock put back, later occurrence")
            << none << utc(27, 10, 1, 10) << 15 << utc(27, 10, 1, 15);
        QTest::newRow("clock put back, earlier occurrence")
            << none << utc(27, 10, 0, 10) << 15 << utc(27, 10, 0, 15);
        QTest::newRow("clock put back, candidate after the change")
            << none << utc(27, 10, 0, 40) << 60 << utc(27, 10, 1, 0);
    }
    void nextAccess() {
        QFETCH(QDateTime, lastAccess);
        QFETCH(QDateTime, now);
        QFETCH(int, interval);
        QFETCH(QDateTime, expected);
        std::optional<RunError> error = RunError::overflow();
        const std::optional<QDateTime> next = nextAccessTime(lastAccess, now, interval, &error);
        QVERIFY(!error);
        QVERIFY(next);
        QCOMPARE(next->toUTC(), expected.toUTC());
        QCOMPARE(next->timeSpec(), Qt::LocalTime);
    }

    void intervalNotPositive_data() {
        QTest::addColumn<int>("interval");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -15;
    }
    void intervalNotPositive() {
        QFETCH(int, interval);
        std::optional<RunError> error;
        QVERIFY(!nextAccessTime(local(6, 5, 9, 5), local(6, 5, 9, 30), interval, &error));
        QVERIFY(error);
        QCOMPARE(error->number, 11);
        QCOMPARE(error->text, QStringLiteral("Division durch Null"));
    }
};

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
