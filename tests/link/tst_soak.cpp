// Four hours of a station whose logger spoils one answer in ten in every way the line can, and now and then
// vanishes for up to a minute, in accelerated time. Nothing may stall, nothing may be stored twice, and a
// record may only be missing where the error log tells of its loss.
#include "soak.h"

#include <QtTest>

static bool accelerated = false;

class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void fourHoursOfFaults() {
        if (!accelerated)
            QSKIP("faketime is not installed");
        // Speed, days, fault rate, seed.
        const SoakFigures figures = runSoak(SoakOptions{300, 4.0 / 24, 0.15, 7});
        qInfo().noquote() << figures.report();
        QCOMPARE(figures.failure, QString());
        QVERIFY(figures.requests > 450 && figures.fetches >= 24 && figures.vanishes >= 2);
        QVERIFY2(figures.longestSilenceMs <= figures.silenceLimitMs, qPrintable(figures.report()));
        QCOMPARE(figures.headersInsideFetch, 0);
        QCOMPARE(figures.timesStoredTwice, 0);
        QVERIFY2(figures.recordsMissing <= figures.lossReports, qPrintable(figures.report()));
    }
};

int main(int argc, char *argv[]) {
    accelerated = acceleratedTime(argc, argv, 300);
    QCoreApplication app(argc, argv);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soak.moc"
