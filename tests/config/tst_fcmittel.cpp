// The dialog for the fetch of stored averages, clicked through as a user would, on a real data file.
#include "config/dialogfixture.h"
#include "config/ui/fcmittel.h"
#include "publish/ui/fcformat.h"
#include "ui_fcmittel.h"
#include "ui_mainwindow.h"

#include <QPointer>

namespace {

const QString title = QStringLiteral("Mittelwertabfrage");

// The settings of every other dialog, which this one must leave alone.
QStringList otherSettings() {
    return DialogFixture::rows(QStringLiteral(
        "SELECT Provider, Konfiguration, MomInter, MomAktiv, SaveMom, MomTimeOut, MittTimeOut, "
        "maxTries, Trennen, TrennZeichen, datname, doKanal, doSensor, doUnit, doPlus, MailHost, "
        "MailSender, MailRec, MailMessage, MailSubject FROM tblSysConf"));
}

QStringList ownSettings() {
    return DialogFixture::rows(QStringLiteral("SELECT MittInter, MittelAktiv, SaveMitt FROM tblSysConf"));
}

FcMittel *openDialog(MainWindow &f) {
    auto *dialog = new FcMittel(f);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog))
        qWarning("average dialog not exposed");
    return dialog;
}

} // namespace

class TestFcMittel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsToolTipsAndList();
    void storedSettingsSelectTheControls_data();
    void storedSettingsSelectTheControls();
    void okIsEnabledByEachChange_data();
    void okIsEnabledByEachChange();
    void okStoresTheChoice_data();
    void okStoresTheChoice();
    void emptySettingsTableGetsOneRowOfOwnFields();
    void abbrechenChangesNothing_data();
    void abbrechenChangesNothing();
    void showsAndChangesTheSettingHeldByTheFormatDialog_data();
    void showsAndChangesTheSettingHeldByTheFormatDialog();
};

void TestFcMittel::initTestCase() {
    pinGermanLocale();
}

void TestFcMittel::captionsToolTipsAndList() {
    DialogFixture station;
    QPointer<FcMittel> dialog = openDialog(*station.f);
    const Ui::FcMittel &ui = dialog->controls();
    QCOMPARE(dialog->windowTitle(), title);
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!dialog->isModal());
    QCOMPARE(ui.chkMom->text(), QStringLiteral("Mittelwerte abfragen"));
    QCOMPARE(ui.chkMom->toolTip(),
             QStringLiteral("Sollen die Mittelwerte regelmäßig vom Datenlogger abgefragt werden?"));
    QCOMPARE(ui.chkDB->text(), QStringLiteral("in Datenbank speichern"));
    QCOMPARE(ui.chkDB->toolTip(),
             QStringLiteral("Sollen die abgefragten Mittelwerte in der Datenbank gespeichert "
                            "werden?"));
    QCOMPARE(ui.labInter->text(), QStringLiteral("Abfrageinterval:"));
    QCOMPARE(ui.labInter->toolTip(), QStringLiteral("Abfrageinterval"));
    QCOMPARE(ui.cmbMittel->toolTip(), QStringLiteral("Abfrageinterval"));
    QCOMPARE(ui.comOK->text(), QStringLiteral("&OK"));
    QCOMPARE(ui.comExit->text(), QStringLiteral("&Abbrechen"));
    QCOMPARE(ui.cmbMittel->count(), 26);
    QCOMPARE(ui.cmbMittel->itemText(0), QStringLiteral("10 Minuten"));
    QCOMPARE(ui.cmbMittel->itemData(15).toInt(), 1440);
    QCOMPARE(ui.cmbMittel->itemText(25), QStringLiteral("5 Wochen"));
    QCOMPARE(ui.cmbMittel->itemData(25).toInt(), 50400);
}

void TestFcMittel::storedSettingsSelectTheControls_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("fetch");
    QTest::addColumn<bool>("store");
    QTest::addColumn<QString>("interval");
    QTest::newRow("template") << QString() << true << true << "60 Minuten";
    QTest::newRow("one day") << "UPDATE tblSysConf SET MittInter = 1440" << true << true << "24 Stunden";
    QTest::newRow("45 is no entry") << "UPDATE tblSysConf SET MittInter = 45" << true << true << "10 Minuten";
    QTest::newRow("five weeks") << "UPDATE tblSysConf SET MittInter = 50400" << true << true << "5 Wochen";
    QTest::newRow("fetch off") << "UPDATE tblSysConf SET MittelAktiv = 0, MittInter = 120" << false << true
                               << "2 Stunden";
    QTest::newRow("not stored") << "UPDATE tblSysConf SET SaveMitt = 0" << true << false << "60 Minuten";
}

void TestFcMittel::storedSettingsSelectTheControls() {
    QFETCH(QString, sql);
    QFETCH(bool, fetch);
    QFETCH(bool, store);
    QFETCH(QString, interval);
    DialogFixture station(sql.isEmpty() ? QStringList() : QStringList{sql});
    QPointer<FcMittel> dialog = openDialog(*station.f);
    const Ui::FcMittel &ui = dialog->controls();
    QCOMPARE(ui.chkMom->isChecked(), fetch);
    QCOMPARE(ui.cmbMittel->isEnabled(), fetch);
    QCOMPARE(ui.chkDB->isChecked(), store);
    QCOMPARE(ui.cmbMittel->currentText(), interval);
    QVERIFY(!ui.comOK->isEnabled());
}

void TestFcMittel::okIsEnabledByEachChange_data() {
    QTest::addColumn<int>("change");
    QTest::newRow("fetch ticked") << 0;
    QTest::newRow("storing ticked") << 1;
    QTest::newRow("interval chosen") << 2;
    QTest::newRow("same interval chosen again") << 3;
}

void TestFcMittel::okIsEnabledByEachChange() {
    QFETCH(int, change);
    DialogFixture station;
    QPointer<FcMittel> dialog = openDialog(*station.f);
    const Ui::FcMittel &ui = dialog->controls();
    QVERIFY(!ui.comOK->isEnabled());
    switch (change) {
    case 0:
        QTest::mouseClick(ui.chkMom, Qt::LeftButton);
        QVERIFY(!ui.cmbMittel->isEnabled());
        break;
    case 1:
        QTest::mouseClick(ui.chkDB, Qt::LeftButton);
        break;
    case 2:
        choose(ui.cmbMittel, QStringLiteral("3 Wochen"));
        break;
    default:
        choose(ui.cmbMittel, QStringLiteral("60 Minuten"));
        break;
    }
    QVERIFY(ui.comOK->isEnabled());
}

void TestFcMittel::okStoresTheChoice_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<bool>("untickFetch");
    QTest::addColumn<bool>("untickStore");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("nextAccess");
    QTest::newRow("45 stored as 10") << "UPDATE tblSysConf SET MittInter = 45" << QString() << false << false
                                     << "10|1|1"
                                     << "05.12.2026 16:10:00";
    QTest::newRow("three days") << QString() << "3 Tage" << false << false << "4320|1|1"
                                << "08.12.2026";
    QTest::newRow("fetch switched off") << QString() << QString() << true << false << "60|0|1"
                                        << "deaktiviert";
    QTest::newRow("storing switched off") << QString() << "20 Minuten" << false << true << "20|1|0"
                                          << "05.12.2026 16:20:00";
}

void TestFcMittel::okStoresTheChoice() {
    QFETCH(QString, sql);
    QFETCH(QString, interval);
    QFETCH(bool, untickFetch);
    QFETCH(bool, untickStore);
    QFETCH(QString, stored);
    QFETCH(QString, nextAccess);
    DialogFixture station(sql.isEmpty() ? QStringList() : QStringList{sql});
    MainWindow &f = *station.f;
    f.MidTimer.start();
    const QStringList others = otherSettings();
    QPointer<FcMittel> dialog = openDialog(f);
    const Ui::FcMittel &ui = dialog->controls();
    if (!interval.isEmpty())
        choose(ui.cmbMittel, interval);
    if (untickFetch)
        QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    if (untickStore)
        QTest::mouseClick(ui.chkDB, Qt::LeftButton);
    if (!ui.comOK->isEnabled()) {
        // Nothing chosen: ticking twice is a change that leaves the box as it was.
        QTest::mouseClick(ui.chkDB, Qt::LeftButton);
        QTest::mouseClick(ui.chkDB, Qt::LeftButton);
    }
    QTest::mouseClick(ui.comOK, Qt::LeftButton);

    QCOMPARE(ownSettings(), QStringList{stored});
    QCOMPARE(otherSettings(), others);
    const QStringList values = stored.split(QLatin1Char('|'));
    QCOMPARE(SysConf.MittInter, values[0].toInt());
    QCOMPARE(SysConf.MittelAktiv, values[1] == QLatin1String("1"));
    QCOMPARE(SysConf.SaveMitt, values[2] == QLatin1String("1"));
    QCOMPARE(f.controls()->labNextAccess->text(), nextAccess);
    // The dialog never starts or stops the timers.
    QVERIFY(f.MidTimer.isActive());
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(station.boxes.asked.isEmpty());
}

void TestFcMittel::emptySettingsTableGetsOneRowOfOwnFields() {
    DialogFixture station({"DELETE FROM tblSysConf"});
    QPointer<FcMittel> dialog = openDialog(*station.f);
    const Ui::FcMittel &ui = dialog->controls();
    QVERIFY(!ui.chkMom->isChecked());
    QVERIFY(!ui.cmbMittel->isEnabled());
    QVERIFY(ui.chkDB->isChecked());
    QCOMPARE(ui.cmbMittel->currentText(), QStringLiteral("60 Minuten"));
    QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    choose(ui.cmbMittel, QStringLiteral("2 Stunden"));
    QTest::mouseClick(ui.chkDB, Qt::LeftButton);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    // One row: the dialog's fields as chosen, every other column at its default.
    QCOMPARE(DialogFixture::settingsRows().size(), 1);
    QCOMPARE(DialogFixture::settingsOffDefaults(),
             (QStringList{"MittInter=120", "MittelAktiv=1", "SaveMitt=0"}));
}

void TestFcMittel::abbrechenChangesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Abbrechen") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestFcMittel::abbrechenChangesNothing() {
    QFETCH(int, way);
    DialogFixture station;
    MainWindow &f = *station.f;
    const QStringList settingsBefore = DialogFixture::settingsRows();
    const QString nextBefore = f.controls()->labNextAccess->text();
    QPointer<FcMittel> dialog = openDialog(f);
    const Ui::FcMittel &ui = dialog->controls();
    choose(ui.cmbMittel, QStringLiteral("5 Tage"));
    QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    QTest::mouseClick(ui.chkDB, Qt::LeftButton);
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
    QCOMPARE(SysConf.MittInter, 60);
    QCOMPARE(SysConf.MittelAktiv, true);
    QCOMPARE(SysConf.SaveMitt, true);
    QCOMPARE(f.controls()->labNextAccess->text(), nextBefore);
}

void TestFcMittel::showsAndChangesTheSettingHeldByTheFormatDialog_data() {
    QTest::addColumn<bool>("untick");
    QTest::addColumn<bool>("afterFormat");
    QTest::newRow("left on") << false << true;
    QTest::newRow("switched off") << true << false;
}

void TestFcMittel::showsAndChangesTheSettingHeldByTheFormatDialog() {
    QFETCH(bool, untick);
    QFETCH(bool, afterFormat);
    DialogFixture station;
    MainWindow &f = *station.f;
    QPointer<FcFormat> format = new FcFormat(f);
    format->show();
    QCOMPARE(SysConf.MittelAktiv, false);
    QPointer<FcMittel> dialog = openDialog(f);
    const Ui::FcMittel &ui = dialog->controls();
    // The dialog shows the fetch as the user left it, not as the format dialog holds it.
    QVERIFY(ui.chkMom->isChecked());
    if (untick)
        QTest::mouseClick(ui.chkMom, Qt::LeftButton);
    else
        choose(ui.cmbMittel, QStringLiteral("30 Minuten"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT MittelAktiv FROM tblSysConf")),
             QStringList{afterFormat ? "1" : "0"});
    QCOMPARE(SysConf.MittelAktiv, false);
    format->close();
    QCOMPARE(SysConf.MittelAktiv, afterFormat);
}

QTEST_MAIN(TestFcMittel)
#include "tst_fcmittel.moc"
