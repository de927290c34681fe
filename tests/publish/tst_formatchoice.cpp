// The choices of the output format dialog without its window: the separator list and the hold that keeps the
// fetch of averages off while the format is edited.
#include "publish/outputformat.h"
#include "store/sysconf.h"

#include <QTest>

#include <memory>

class TestFormatChoice : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void separatorList();
    void storedCodeSelectsASeparator_data();
    void storedCodeSelectsASeparator();
    void holdSwitchesTheFetchOffUntilItEnds_data();
    void holdSwitchesTheFetchOffUntilItEnds();
    void overlappingHoldsRestoreOnceAtTheEnd();
    void changeWhileHeldIsWhatComesBack();
};

void TestFormatChoice::cleanup() {
    SysConf = SysConfRecord();
    QVERIFY(!AverageFetchHold::active());
}

void TestFormatChoice::separatorList() {
    QStringList entries;
    for (const auto &separator : OutputFormatChoice::separators())
        entries << separator.text + QLatin1Char('=') + QString::number(separator.code);
    QCOMPARE(entries, (QStringList{"Semikolon=59", "Komma=44", "Tabulator=9", "Leerzeichen=32",
                                   "Feldtrennteichen=124"}));
}

void TestFormatChoice::storedCodeSelectsASeparator_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("selected");
    QTest::newRow("vertical bar") << 124 << "Feldtrennteichen";
    QTest::newRow("semicolon") << 59 << "Semikolon";
    QTest::newRow("comma") << 44 << "Komma";
    QTest::newRow("tab") << 9 << "Tabulator";
    QTest::newRow("blank") << 32 << "Leerzeichen";
    QTest::newRow("# is no entry") << 35 << "Semikolon";
    QTest::newRow("zero") << 0 << "Semikolon";
}

void TestFormatChoice::storedCodeSelectsASeparator() {
    QFETCH(int, code);
    QFETCH(QString, selected);
    QCOMPARE(OutputFormatChoice::separators().at(OutputFormatChoice::separatorIndex(quint8(code))).text,
             selected);
}

void TestFormatChoice::holdSwitchesTheFetchOffUntilItEnds_data() {
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("releasedEarly");
    QTest::newRow("on, destroyed") << true << false;
    QTest::newRow("on, released") << true << true;
    QTest::newRow("off, destroyed") << false << false;
    QTest::newRow("off, released") << false << true;
}

void TestFormatChoice::holdSwitchesTheFetchOffUntilItEnds() {
    QFETCH(bool, before);
    QFETCH(bool, releasedEarly);
    SysConf.MittelAktiv = before;
    auto hold = std::make_unique<AverageFetchHold>();
    QVERIFY(AverageFetchHold::active());
    QCOMPARE(SysConf.MittelAktiv, false);
    QCOMPARE(AverageFetchHold::mittelAktiv(), before);
    if (releasedEarly) {
        hold->release();
        QCOMPARE(SysConf.MittelAktiv, before);
        // Releasing twice, or destroying afterwards, puts nothing back a second time.
        SysConf.MittelAktiv = !before;
        hold->release();
    }
    hold.reset();
    QVERIFY(!AverageFetchHold::active());
    QCOMPARE(SysConf.MittelAktiv, releasedEarly ? !before : before);
}

void TestFormatChoice::overlappingHoldsRestoreOnceAtTheEnd() {
    SysConf.MittelAktiv = true;
    auto first = std::make_unique<AverageFetchHold>();
    auto second = std::make_unique<AverageFetchHold>();
    QCOMPARE(AverageFetchHold::mittelAktiv(), true);
    first.reset();
    QCOMPARE(SysConf.MittelAktiv, false);
    second.reset();
    QCOMPARE(SysConf.MittelAktiv, true);
}

void TestFormatChoice::changeWhileHeldIsWhatComesBack() {
    SysConf.MittelAktiv = true;
    {
        AverageFetchHold hold;
        AverageFetchHold::setMittelAktiv(false);
        QCOMPARE(SysConf.MittelAktiv, false);
        QCOMPARE(AverageFetchHold::mittelAktiv(), false);
    }
    QCOMPARE(SysConf.MittelAktiv, false);
    {
        AverageFetchHold hold;
        AverageFetchHold::setMittelAktiv(true);
        QCOMPARE(SysConf.MittelAktiv, false);
    }
    QCOMPARE(SysConf.MittelAktiv, true);
    AverageFetchHold::setMittelAktiv(false);
    QCOMPARE(SysConf.MittelAktiv, false);
}

QTEST_GUILESS_MAIN(TestFormatChoice)
#include "tst_formatchoice.moc"
