// The dialogs for the fetch of averages and the polling of instantaneous values, clicked through on a data
// file.
#include "config/dialogfixture.h"
#include "config/ui/fcmittel.h"
#include "config/ui/fcmoment.h"
#include "publish/ui/fcformat.h"
#include "ui_fcmittel.h"
#include "ui_fcmoment.h"
#include "ui_mainwindow.h"

namespace {

QString onOff(bool on) {
    return QString::fromLatin1(on ? "on" : "off");
}

} // namespace

class TestQueryDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }
    void offersTheTwentySixIntervals();
    void fcMittel_data();
    void fcMittel();
    void fcMoment_data();
    void fcMoment();
};

void TestQueryDialogs::offersTheTwentySixIntervals() {
    DialogFixture station;
    const QComboBox *list = station.open<FcMittel>()->controls().cmbMittel;
    QStringList offered;
    for (int i = 0; i < list->count(); ++i)
        offered << list->itemText(i) + QLatin1Char('=') + list->itemData(i).toString();
    QCOMPARE(
        offered.join(QLatin1Char(' ')),
        QStringLiteral("10 Minuten=10 20 Minuten=20 30 Minuten=30 60 Minuten=60 2 Stunden=120 3 Stunden=180 "
                       "4 Stunden=240 5 Stunden=300 6 Stunden=360 7 Stunden=420 8 Stunden=480 9 Stunden=540 "
                       "10 Stunden=600 11 Stunden=660 12 Stunden=720 24 Stunden=1440 2 Tage=2880 3 Tage=4320 "
                       "4 Tage=5760 5 Tage=7200 6 Tage=8640 7 Tage=10080 2 Wochen=20160 3 Wochen=30240 "
                       "4 Wochen=40320 5 Wochen=50400"));
}

void TestQueryDialogs::fcMittel_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("effect");
    QTest::addColumn<QString>("nextAccess");
    // With the format dialog open the fetch is held off; this dialog changes the user's setting behind it.
    QTest::addColumn<bool>("formatOpen");
    const auto add = [](const char *name, const QString &sql, const QString &opened, const QString &steps,
                        const QString &effect, const QString &next, bool formatOpen = false) {
        QTest::newRow(name) << sql << opened << steps << effect << next << formatOpen;
    };
    const QString set = QStringLiteral("UPDATE tblSysConf SET ");
    add("45 stored as 10", set + "MittInter = 45", "on|on|10 Minuten", "chkDB;chkDB;comOK",
        set + "MittInter = 10", "05.12.2026 16:10:00");
    add("last entry, then three days", set + "MittInter = 50400, SaveMitt = 0", "on|off|5 Wochen",
        "cmbMittel=3 Tage;comOK", set + "MittInter = 4320", "08.12.2026");
    add("fetch switched on", set + "MittelAktiv = 0, MittInter = 120", "off|on|2 Stunden", "chkMom;comOK",
        set + "MittelAktiv = 1", "05.12.2026 18:00:00");
    add("fetch and storing off", {}, "on|on|60 Minuten", "chkMom;chkDB;comOK",
        set + "MittelAktiv = 0, SaveMitt = 0", "deaktiviert");
    add("empty settings table gets one row", "DELETE FROM tblSysConf", "off|on|60 Minuten",
        "chkMom;cmbMittel=2 Stunden;chkDB;comOK",
        "INSERT INTO tblSysConf (MittInter, MittelAktiv, SaveMitt) VALUES (120, 1, 0)",
        "05.12.2026 18:00:00");
    add("Abbrechen", {}, "on|on|60 Minuten", "cmbMittel=5 Tage;chkMom;chkDB;comExit", {},
        "05.12.2026 17:00:00");
    add("left on behind the format dialog", {}, "on|on|60 Minuten", "cmbMittel=30 Minuten;comOK",
        set + "MittInter = 30", "05.12.2026 16:30:00", true);
    add("switched off behind the format dialog", {}, "on|on|60 Minuten", "chkMom;comOK",
        set + "MittelAktiv = 0", "deaktiviert", true);
}

void TestQueryDialogs::fcMittel() {
    QFETCH(QString, sql);
    QFETCH(QString, opened);
    QFETCH(QString, steps);
    QFETCH(QString, effect);
    QFETCH(QString, nextAccess);
    QFETCH(bool, formatOpen);
    DialogFixture station({sql});
    MainWindow &f = *station.f;
    f.engine()->MidTimer.start();
    const QStringList expected = DialogFixture::snapshotAfter({effect});
    QPointer<FcFormat> format = formatOpen ? new FcFormat(f) : nullptr;
    if (format)
        format->show();
    QPointer<FcMittel> dialog = station.open<FcMittel>();
    const Ui::FcMittel &ui = dialog->controls();
    QCOMPARE(onOff(ui.chkMom->isChecked()) + '|' + onOff(ui.chkDB->isChecked()) + '|' +
                 ui.cmbMittel->currentText(),
             opened);
    QCOMPARE(ui.cmbMittel->isEnabled(), ui.chkMom->isChecked());
    QVERIFY(!ui.comOK->isEnabled());
    run(dialog, steps.section(QLatin1Char(';'), 0, -2));
    QCOMPARE(ui.cmbMittel->isEnabled(), ui.chkMom->isChecked());
    run(dialog, steps.section(QLatin1Char(';'), -1));
    QTRY_VERIFY(dialog.isNull());

    QCOMPARE(DialogFixture::snapshot(), expected);
    QCOMPARE(f.controls()->labNextAccess->text(), nextAccess);
    if (format) {
        QVERIFY(!Acquisition::fetchingOn());
        format->close();
    }
    QCOMPARE(QStringLiteral("%1|%2|%3").arg(SysConf.MittInter).arg(SysConf.MittelAktiv).arg(SysConf.SaveMitt),
             DialogFixture::rows(QStringLiteral("SELECT MittInter, MittelAktiv, SaveMitt FROM tblSysConf"))
                 .value(0));
    // The dialog never starts or stops the fetch.
    QVERIFY(f.engine()->MidTimer.isActive());
    QVERIFY(station.boxes.asked.isEmpty());
}

void TestQueryDialogs::fcMoment_data() {
    QTest::addColumn<QString>("sql");
    // Slider, its label, polling and storing as the dialog opens; the label before the closing click.
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("effect");
    const auto add = [](const char *name, const QString &sql, const QString &opened, const QString &steps,
                        const QString &label, int interval, const QString &effect) {
        QTest::newRow(name) << sql << opened << steps << label << interval << effect;
    };
    const QString set = QStringLiteral("UPDATE tblSysConf SET ");
    add("a second and a half, one step", set + "MomInter = 1500", "1|Interval: 1 Sekunde|on|off",
        "slidMoment=Right;comOK", "Interval: 2 Sekunden", 2000, set + "MomInter = 2000");
    add("remainder dropped, to the start", set + "MomInter = 2999, SaveMom = 1",
        "2|Interval: 2 Sekunden|on|on", "slidMoment=Home;comOK", "Interval: 1 Sekunde", 1000,
        set + "MomInter = 1000");
    add("one minute, stored", {}, "3|Interval: 3 Sekunden|on|off", "chkDB;slidMoment=End;comOK",
        "Interval: 60 Sekunden", 60000, set + "MomInter = 60000, SaveMom = 1");
    add("polling off", {}, "3|Interval: 3 Sekunden|on|off", "slidMoment=Left;chkMom;comOK",
        "Interval: 2 Sekunden", 2000, set + "MomInter = 2000, MomAktiv = 0");
    add("empty settings table gets one row", "DELETE FROM tblSysConf", "3|Interval: 3 Sekunden|off|off",
        "chkMom;slidMoment=PgUp;chkDB;comOK", "Interval: 8 Sekunden", 8000,
        "INSERT INTO tblSysConf (MomInter, MomAktiv, SaveMom) VALUES (8000, 1, 1)");
    add("Abbrechen", set + "MomAktiv = 0, MomInter = 4000", "4|Interval: 4 Sekunden|off|off",
        "chkMom;slidMoment=Home;chkDB;comExit", "Interval: 1 Sekunde", 4000, {});
}

void TestQueryDialogs::fcMoment() {
    QFETCH(QString, sql);
    QFETCH(QString, opened);
    QFETCH(QString, steps);
    QFETCH(QString, label);
    QFETCH(int, interval);
    QFETCH(QString, effect);
    DialogFixture station({sql});
    MainWindow &f = *station.f;
    f.engine()->AktTimer.start();
    const QStringList expected = DialogFixture::snapshotAfter({effect});
    QPointer<FcMoment> dialog = station.open<FcMoment>();
    const Ui::FcMoment &ui = dialog->controls();
    const auto enabled = [&ui] {
        return ui.slidMoment->isEnabled() + ui.labInter->isEnabled() + ui.chkDB->isEnabled();
    };
    QCOMPARE(QString::number(ui.slidMoment->value()) + '|' + ui.labInter->text() + '|' +
                 onOff(ui.chkMom->isChecked()) + '|' + onOff(ui.chkDB->isChecked()),
             opened);
    QCOMPARE(enabled(), 3 * ui.chkMom->isChecked());
    QVERIFY(!ui.comOK->isEnabled());
    run(dialog, steps.section(QLatin1Char(';'), 0, -2));
    QCOMPARE(ui.labInter->text(), label);
    QCOMPARE(enabled(), 3 * ui.chkMom->isChecked());
    run(dialog, steps.section(QLatin1Char(';'), -1));
    QTRY_VERIFY(dialog.isNull());

    QCOMPARE(DialogFixture::snapshot(), expected);
    QCOMPARE(QStringLiteral("%1|%2").arg(SysConf.MomAktiv).arg(SysConf.SaveMom),
             DialogFixture::rows(QStringLiteral("SELECT MomAktiv, SaveMom FROM tblSysConf")).value(0));
    QCOMPARE(f.engine()->AktTimer.interval(), interval);
    // A running timer starts over with the new interval at once (a coarse timer may be 5 % late).
    QVERIFY(f.engine()->AktTimer.isActive());
    QVERIFY(f.engine()->AktTimer.remainingTime() <= interval + interval / 20);
    QVERIFY(station.boxes.asked.isEmpty());
}

QTEST_MAIN(TestQueryDialogs)
#include "tst_querydialogs.moc"
