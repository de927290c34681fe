// The intervals of the query dialogs: the list of average intervals, the stored minutes that select an entry,
// and the slider seconds with their label.
#include "config/intervals.h"

#include <QTest>

class TestIntervals : public QObject {
    Q_OBJECT

private slots:
    void averageListHasTheTwentySixEntries();
    void storedMinutesSelectAnEntry_data();
    void storedMinutesSelectAnEntry();
    void timerIntervalGivesSliderSeconds_data();
    void timerIntervalGivesSliderSeconds();
    void secondsLabel_data();
    void secondsLabel();
};

void TestIntervals::averageListHasTheTwentySixEntries() {
    const QList<std::pair<QString, qint32>> expected{
        {"10 Minuten", 10},  {"20 Minuten", 20},  {"30 Minuten", 30},  {"60 Minuten", 60},
        {"2 Stunden", 120},  {"3 Stunden", 180},  {"4 Stunden", 240},  {"5 Stunden", 300},
        {"6 Stunden", 360},  {"7 Stunden", 420},  {"8 Stunden", 480},  {"9 Stunden", 540},
        {"10 Stunden", 600}, {"11 Stunden", 660}, {"12 Stunden", 720}, {"24 Stunden", 1440},
        {"2 Tage", 2880},    {"3 Tage", 4320},    {"4 Tage", 5760},    {"5 Tage", 7200},
        {"6 Tage", 8640},    {"7 Tage", 10080},   {"2 Wochen", 20160}, {"3 Wochen", 30240},
        {"4 Wochen", 40320}, {"5 Wochen", 50400},
    };
    const QList<Intervals::AverageInterval> &list = Intervals::averageIntervals();
    QCOMPARE(list.size(), 26);
    for (int i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i].text, expected[i].first);
        QCOMPARE(list[i].minutes, expected[i].second);
    }
}

void TestIntervals::storedMinutesSelectAnEntry_data() {
    QTest::addColumn<qint32>("minutes");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first entry") << 10 << "10 Minuten";
    QTest::newRow("one day") << 1440 << "24 Stunden";
    QTest::newRow("last entry") << 50400 << "5 Wochen";
    QTest::newRow("one week") << 10080 << "7 Tage";
    QTest::newRow("45 is no entry") << 45 << "10 Minuten";
    QTest::newRow("zero") << 0 << "10 Minuten";
    QTest::newRow("negative") << -60 << "10 Minuten";
    QTest::newRow("beyond the list") << 60480 << "10 Minuten";
}

void TestIntervals::storedMinutesSelectAnEntry() {
    QFETCH(qint32, minutes);
    QFETCH(QString, selected);
    QCOMPARE(Intervals::averageIntervals().at(Intervals::averageIndex(minutes)).text, selected);
}

void TestIntervals::timerIntervalGivesSliderSeconds_data() {
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<int>("seconds");
    QTest::newRow("default 3000") << 3000 << 3;
    QTest::newRow("stored 5000") << 5000 << 5;
    QTest::newRow("remainder dropped") << 2999 << 2;
    QTest::newRow("one second") << 1000 << 1;
    QTest::newRow("one minute") << 60000 << 60;
    QTest::newRow("below a second") << 500 << 1;
    QTest::newRow("zero") << 0 << 1;
    QTest::newRow("two minutes") << 120000 << 60;
}

void TestIntervals::timerIntervalGivesSliderSeconds() {
    QFETCH(int, milliseconds);
    QFETCH(int, seconds);
    QCOMPARE(Intervals::secondsForInterval(milliseconds), seconds);
    // Every slider position goes back to the same position.
    QCOMPARE(Intervals::secondsForInterval(Intervals::intervalForSeconds(seconds)), seconds);
}

void TestIntervals::secondsLabel_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("label");
    QTest::newRow("1") << 1 << "Interval: 1 Sekunde";
    QTest::newRow("2") << 2 << "Interval: 2 Sekunden";
    QTest::newRow("3") << 3 << "Interval: 3 Sekunden";
    QTest::newRow("60") << 60 << "Interval: 60 Sekunden";
}

void TestIntervals::secondsLabel() {
    QFETCH(int, seconds);
    QFETCH(QString, label);
    QCOMPARE(Intervals::secondsLabel(seconds), label);
}

QTEST_GUILESS_MAIN(TestIntervals)
#include "tst_intervals.moc"
