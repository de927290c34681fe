// The dialog for the polling of instantaneous values, clicked through as a user would, on a real data file.
#include "config/dialogfixture.h"
#include "config/ui/fcmoment.h"
#include "ui_fcmoment.h"

#include <QPointer>

namespace {

const QString title = QStringLiteral("Momentanwertabfrage");

QStringList otherSettings() {
    return DialogFixture::rows(QStringLiteral(
        "SELECT Provider, Konfiguration, MittInter, MittelAktiv, SaveMitt, MomTimeOut, MittTimeOut, "
        "maxTries, Trennen, TrennZeichen, datname, doKanal, doSensor, doUnit, doPlus, MailHost, "
        "MailSender, MailRec, MailMessage, MailSubject FROM tblSysConf"));
}

QStringList ownSettings() {
    return DialogFixture::rows(QStringLiteral("SELECT MomInter, MomAktiv, SaveMom FROM tblSysConf"));
}

FcMoment *openDialog(MainWindow &f) {
    auto *dialog = new FcMoment(f);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog))
        qWarning("instantaneous dialog not exposed");
    return dialog;
}

} // namespace

class TestFcMoment : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsToolTipsAndSlider();
    void timerIntervalSetsTheSlider_data();
    void timerIntervalSetsTheSlider();
    void sliderLabelFollowsTheSlider_data();
    void sliderLabelFollowsTheSlider();
    void okIsEnabledByEachChange_data();
    void okIsEnabledByEachChange();
    void okAppliesTheIntervalAtOnceAndStoresIt_data();
    void okAppliesTheIntervalAtOnceAndStoresIt();
    void emptySettingsTableGetsOneRowOfOwnFields();
    void abbrechenChangesNothing_data();
    void abbrechenChangesNothing();
};

void TestFcMoment::initTestCase() {
    pinGermanLocale();
}

void TestFcMoment::captionsToolTipsAndSlider() {
    DialogFixture station;
    QPointer<FcMoment> dialog = openDialog(*station.f);
    const Ui::FcMoment &ui = dialog->controls();
    QCOMPARE(dialog->windowTitle(), title);
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!dialog->isModal());
    QCOMPARE(ui.chkMom->text(), QStringLiteral("Momentanwerte abfragen"));
    QCOMPARE(ui.chkMom->toolTip(), QStringLiteral("Sollen Momentanwerte abgefragt und angezeigt werden?"));
    QCOMPARE(ui.chkDB->text(), QStringLiteral("in Datenbank speichern"));
    QCOMPARE(
        ui.chkDB->toolTip(),
        QStringLiteral("Sollen die abgefragten Momentanwerte auch in der Datenbank gespeichert werden?"));
    QCOMPARE(ui.slidMoment->toolTip(), QStringLiteral("Abfrageinterval"));
    QCOMPARE(ui.labInter->toolTip(), QStringLiteral("Abfrageinterval"));
    QCOMPARE(ui.slidMoment->orientation(), Qt::Horizontal);
    QCOMPARE(ui.slidMoment->minimum(), 1);
    QCOMPARE(ui.slidMoment->maximum(), 60);
    QCOMPARE(ui.slidMoment->singleStep(), 1);
    QCOMPARE(ui.slidMoment->pageStep(), 5);
    QCOMPARE(ui.comOK->text(), QStringLiteral("&OK"));
    QCOMPARE(ui.comExit->text(), QStringLiteral("&Abbrechen"));
}

void TestFcMoment::timerIntervalSetsTheSlider_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("polling");
    QTest::addColumn<bool>("store");
    QTest::newRow("template 3000") << QString() << 3 << "Interval: 3 Sekunden" << true << false;
    QTest::newRow("stored 5000") << "UPDATE tblSysConf SET MomInter = 5000" << 5 << "Interval: 5 Sekunden"
                                 << true << false;
    QTest::newRow("one second") << "UPDATE tblSysConf SET MomInter = 1000" << 1 << "Interval: 1 Sekunde"
                                << true << false;
    QTest::newRow("remainder dropped") << "UPDATE tblSysConf SET MomInter = 2500, SaveMom = 1" << 2
                                       << "Interval: 2 Sekunden" << true << true;
    QTest::newRow("polling off") << "UPDATE tblSysConf SET MomAktiv = 0, MomInter = 60000" << 60
                                 << "Interval: 60 Sekunden" << false << false;
}

void TestFcMoment::timerIntervalSetsTheSlider() {
    QFETCH(QString, sql);
    QFETCH(int, seconds);
    QFETCH(QString, label);
    QFETCH(bool, polling);
    QFETCH(bool, store);
    DialogFixture station(sql.isEmpty() ? QStringList() : QStringList{sql});
    QPointer<FcMoment> dialog = openDialog(*station.f);
    const Ui::FcMoment &ui = dialog->controls();
    QCOMPARE(ui.slidMoment->value(), seconds);
    QCOMPARE(ui.labInter->text(), label);
    QCOMPARE(ui.chkMom->isChecked(), polling);
    QCOMPARE(ui.chkDB->isChecked(), store);
    for (QWidget *control : std::initializer_list<QWidget *>{ui.slidMoment, ui.labInter, ui.chkDB})
        QCOMPARE(control->isEnabled(), polling);
    QVERIFY(!ui.comOK->isEnabled());
}

void TestFcMoment::sliderLabelFollowsTheSlider_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("label");
    QTest::newRow("one step") << int(Qt::Key_Right) << 4 << "Interval: 4 Sekunden";
    QTest::newRow("one step back") << int(Qt::Key_Left) << 2 << "Interval: 2 Sekunden";
    QTest::newRow("large step") << int(Qt::Key_PageUp) << 8 << "Interval: 8 Sekunden";
    QTest::newRow("to the start") << int(Qt::Key_Home) << 1 << "Interval: 1 Sekunde";
    QTest::newRow("to the end") << int(Qt::Key_End) << 60 << "Interval: 60 Sekunden";
}

void TestFcMoment::sliderLabelFollowsTheSlider() {
    QFETCH(int, key);
    QFETCH(int, seconds);
    QFETCH(QString, label);
    DialogFixture station;
    QPointer<FcMoment> dialog = openDialog(*station.f);
    const Ui::FcMoment &ui = dialog->controls();
    QTest::keyClick(ui.slidMoment, Qt::Key(key));
    QCOMPARE(ui.slidMoment->value(), seconds);
    QCOMPARE(ui.labInter->text(), label);
    QVERIFY(ui.comOK->isEnabled());
}

void TestFcMoment::okIsEnabledByEachChange_data() {
    QTest::addColumn<int>("change");
    QTest::newRow("polling unticked") << 0;
    QTest::newRow("storing ticked") << 1;
    QTest::newRow("slider moved") << 2;
}

void TestFcMoment::okIsEnabledByEachChange() {
    QFETCH(int, change);
    DialogFixture station;
    QPointer<FcMoment> dialog = openDialog(*station.f);
    const Ui::FcMoment &ui = dialog->controls();
    QVERIFY(!ui.comOK->isEnabled());
    switch (change) {
    case 0:
        QTest::mouseClick(ui.chkMom, Qt::LeftButton);
        for (QWidget *control : std::initializer_list<QWidget *>{ui.slidMoment, ui.labInter, ui.chkDB})
            QVERIFY(!control->isEnabled());
        break;
    case 1:
        QTest::mouseClick(ui.chkDB, Qt::LeftButton);
        break;
    default:
        QTest::keyClick(ui.slidMoment, Qt::Key_Right);
        break;
    }
    QVERIFY(ui.comOK->isEnabled());
}

void TestFcMoment::okAppliesTheIntervalAtOnceAndStoresIt_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("untickPolling");
    QTest::addColumn<bool>("tickStore");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("stored");
    QTest::newRow("one second") << int(Qt::Key_Home) << false << false << 1000 << "1000|1|0";
    QTest::newRow("one minute, stored") << int(Qt::Key_End) << false << true << 60000 << "60000|1|1";
    QTest::newRow("polling off") << int(Qt::Key_Right) << true << false << 4000 << "4000|0|0";
}

void TestFcMoment::okAppliesTheIntervalAtOnceAndStoresIt() {
    QFETCH(int, key);
    QFETCH(bool, untickPolling);
    QFETCH(bool, tickStore);
    QFETCH(int, interval);
    QFETCH(QString, stored);
    DialogFixture station;
    MainWindow &f = *station.f;
    f.AktTimer.start();
    QCOMPARE(f.AktTimer.interval(), 3000);
    const QStringList others = otherSettings();
    QPointer<FcMoment> dialog = openDialog(f);
    const Ui::FcMoment &ui = dialog->controls();
    QTest::keyClick(ui.slidMoment, Qt::Key(key));
    if (tickStore)
        QTest::mouseClick(ui.chkDB, Qt::LeftButton);
    if (untickPolling)
        QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);

    QCOMPARE(f.AktTimer.interval(), interval);
    // The dialog neither starts nor stops the timer; the running timer starts over with the new interval at
    // once instead of finishing the old one of 3 s (a coarse timer may be 5 % late).
    QVERIFY(f.AktTimer.isActive());
    const int remaining = f.AktTimer.remainingTime();
    if (interval < 3000)
        QVERIFY2(remaining <= interval + interval / 20, qPrintable(QString::number(remaining)));
    else
        QVERIFY2(remaining > 3000, qPrintable(QString::number(remaining)));
    QCOMPARE(ownSettings(), QStringList{stored});
    QCOMPARE(otherSettings(), others);
    QCOMPARE(SysConf.MomAktiv, !untickPolling);
    QCOMPARE(SysConf.SaveMom, tickStore);
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(station.boxes.asked.isEmpty());
}

void TestFcMoment::emptySettingsTableGetsOneRowOfOwnFields() {
    DialogFixture station({"DELETE FROM tblSysConf"});
    MainWindow &f = *station.f;
    QPointer<FcMoment> dialog = openDialog(f);
    const Ui::FcMoment &ui = dialog->controls();
    QVERIFY(!ui.chkMom->isChecked());
    QVERIFY(!ui.slidMoment->isEnabled());
    QCOMPARE(ui.labInter->text(), QStringLiteral("Interval: 3 Sekunden"));
    QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    QTest::keyClick(ui.slidMoment, Qt::Key_PageUp);
    QTest::mouseClick(ui.chkDB, Qt::LeftButton);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QCOMPARE(f.AktTimer.interval(), 8000);
    // One row: the dialog's fields as chosen, every other column at its default.
    QCOMPARE(DialogFixture::settingsRows().size(), 1);
    QCOMPARE(DialogFixture::settingsOffDefaults(), (QStringList{"MomInter=8000", "MomAktiv=1", "SaveMom=1"}));
}

void TestFcMoment::abbrechenChangesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Abbrechen") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestFcMoment::abbrechenChangesNothing() {
    QFETCH(int, way);
    DialogFixture station;
    MainWindow &f = *station.f;
    const QStringList settingsBefore = DialogFixture::settingsRows();
    QPointer<FcMoment> dialog = openDialog(f);
    const Ui::FcMoment &ui = dialog->controls();
    QTest::keyClick(ui.slidMoment, Qt::Key_End);
    QTest::mouseClick(ui.chkDB, Qt::LeftButton);
    QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    switch (way) {
    case 0:
        QTest::mouseClick(ui.comExit, Qt::LeftButton);
        break;
    case 1:
        QTest::keyClick(dialog, Qt::Key_Escape);
        break;
    default:
        dialog->close();
        break;
    }
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(DialogFixture::settingsRows(), settingsBefore);
    QCOMPARE(f.AktTimer.interval(), 3000);
    QCOMPARE(SysConf.MomAktiv, true);
    QCOMPARE(SysConf.SaveMom, false);
}

QTEST_MAIN(TestFcMoment)
#include "tst_fcmoment.moc"
