// The measuring station dialog, clicked through as a user would, on a real data file made from the template.
#include "config/dialogfixture.h"
#include "config/ui/fcmess.h"
#include "ui_fcmess.h"
#include "ui_mainwindow.h"

#include <QPointer>

namespace {

const QString title = QStringLiteral("Messanlage");
const QString logger1 = QStringLiteral("KLD 20  /  Nordfeld Messtechnik");
const QString logger2 = QStringLiteral("AWL 400  /  Tauern Sensorik");
const QString logger3 = QStringLiteral("MiniLog 8  /  Elbtal Elektronik");

QStringList configurations() {
    return DialogFixture::rows(
        QStringLiteral("SELECT * FROM tblConfiguration ORDER BY ProviderID, KonfigNr"));
}

QStringList mainLabels(MainWindow &f) {
    const Ui::MainWindow *ui = f.controls();
    return {ui->labSelStat->text(), ui->labStation->text(), ui->labLogger->text(), ui->labLastAccess->text(),
            ui->labNextAccess->text()};
}

FcMess *openDialog(MainWindow &f) {
    auto *dialog = new FcMess(f);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog))
        qWarning("station dialog not exposed");
    return dialog;
}

// Replaces the description as a user does: select everything, then type.
void typeName(const Ui::FcMess &ui, const QString &text) {
    ui.txtName->setFocus();
    QTest::keyClick(ui.txtName, Qt::Key_A, Qt::ControlModifier);
    typeText(ui.txtName, text);
}

} // namespace

class TestFcMess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsAndToolTips();
    void storedChoiceSelectsTheLists_data();
    void storedChoiceSelectsTheLists();
    void okIsEnabledByEachChange_data();
    void okIsEnabledByEachChange();
    void neuThenOkMakesTheNewConfigurationCurrent();
    void gapsAreSkippedAndNeuTakesTheNextNumber();
    void editsAreStoredOnOk_data();
    void editsAreStoredOnOk();
    void changedLoggerKeepsEachLoggersConfigurations();
    void emptySettingsTableGetsNoRow();
    void refusedChoiceIsExplained_data();
    void refusedChoiceIsExplained();
    void loggerWithoutConfigurationsGetsItsFirstOne();
    void unlistedLoggerGetsNoConfiguration();
    void abbrechenChangesNothing_data();
    void abbrechenChangesNothing();
};

void TestFcMess::initTestCase() {
    pinGermanLocale();
}

void TestFcMess::captionsAndToolTips() {
    DialogFixture station;
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(dialog->testAttribute(Qt::WA_DeleteOnClose), true);
    QCOMPARE(dialog->isModal(), false);
    const QList<std::pair<QWidget *, QStringList>> expected{
        {ui.labProvider, {"Daten&logger:", ""}},
        {ui.cmbProvider, {"", "Gerätename"}},
        {ui.labConfNr, {"&Konfiguration:", ""}},
        {ui.cmbConfNr, {"", "Konfigurationsnummer"}},
        {ui.labName, {"&Bezeichnung:", ""}},
        {ui.txtName, {"", "Bezeichnung der Anlagenkonfiguration"}},
        {ui.labStat, {"&Stations-Nr.:", ""}},
        {ui.selStat, {"", "Stationsnummer (1-30)"}},
        {ui.comNeuKonf, {"&Neu", "neue Konfiguration erstellen"}},
        {ui.comOK, {"&OK", ""}},
        {ui.comAbbr, {"&Abbrechen", ""}},
    };
    for (const auto &[widget, texts] : expected) {
        const QVariant caption = widget->property("text");
        if (!texts[0].isEmpty())
            QCOMPARE(caption.toString(), texts[0]);
        QCOMPARE(widget->toolTip(), texts[1]);
    }
    QCOMPARE(ui.labProvider->buddy(), ui.cmbProvider);
    QCOMPARE(ui.labStat->buddy(), ui.selStat);
    QStringList stations;
    for (int i = 1; i <= 30; ++i)
        stations << QString::asprintf("%02d", i);
    QCOMPARE(items(ui.selStat), stations);
    QCOMPARE(items(ui.cmbProvider), (QStringList{logger1, logger2, logger3}));
    QCOMPARE(ui.cmbProvider->itemData(1).toInt(), 2);
    QCOMPARE(ui.cmbProvider->itemData(2).toInt(), 3);
}

void TestFcMess::storedChoiceSelectsTheLists_data() {
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<QString>("logger");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stationNr");
    QTest::addColumn<bool>("editable");
    QTest::newRow("template") << QStringList() << logger1 << QStringList{"1", "2", "3"} << "1"
                              << "Messfeld Nord, Klimahütte 2 m"
                              << "01" << true;
    QTest::newRow("second logger") << QStringList{"UPDATE tblSysConf SET Provider = 2, Konfiguration = 2"}
                                   << logger2 << QStringList{"1", "2"} << "2"
                                   << "Pegel Talsperre"
                                   << "08" << true;
    QTest::newRow("station without leading zero")
        << QStringList{"UPDATE tblConfiguration SET StationsNr = '7' WHERE ProviderID = 1 AND KonfigNr = 1"}
        << logger1 << QStringList{"1", "2", "3"} << "1"
        << "Messfeld Nord, Klimahütte 2 m"
        << "07" << true;
    QTest::newRow("station outside the list")
        << QStringList{"UPDATE tblConfiguration SET StationsNr = '31' WHERE ProviderID = 1 AND KonfigNr = 1"}
        << logger1 << QStringList{"1", "2", "3"} << "1"
        << "Messfeld Nord, Klimahütte 2 m"
        << "" << true;
    QTest::newRow("3 stored before 1")
        << QStringList{"DELETE FROM tblConfiguration WHERE ProviderID = 1",
                       "INSERT INTO tblConfiguration VALUES (1, 3, 'Dach', '3')",
                       "INSERT INTO tblConfiguration VALUES (1, 1, 'Feld', '11')",
                       "UPDATE tblSysConf SET Konfiguration = 3"}
        << logger1 << QStringList{"1", "3"} << "3"
        << "Dach"
        << "03" << true;
    QTest::newRow("configuration not stored") << QStringList{"UPDATE tblSysConf SET Konfiguration = 9"}
                                              << logger1 << QStringList{"1", "2", "3"} << ""
                                              << "---"
                                              << "01" << false;
    QTest::newRow("logger not stored")
        << QStringList{"UPDATE tblSysConf SET Provider = 7"} << "" << QStringList() << ""
        << "---"
        << "01" << false;
    QTest::newRow("logger without configurations")
        << QStringList{"DELETE FROM tblConfiguration WHERE ProviderID = 3",
                       "UPDATE tblSysConf SET Provider = 3"}
        << logger3 << QStringList() << ""
        << "---"
        << "01" << false;
}

void TestFcMess::storedChoiceSelectsTheLists() {
    QFETCH(QStringList, sql);
    QFETCH(QString, logger);
    QFETCH(QStringList, numbers);
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QString, stationNr);
    QFETCH(bool, editable);
    DialogFixture station(sql);
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    QCOMPARE(ui.cmbProvider->currentText(), logger);
    QCOMPARE(items(ui.cmbConfNr), numbers);
    QCOMPARE(ui.cmbConfNr->currentText(), number);
    QCOMPARE(ui.txtName->text(), name);
    QCOMPARE(ui.selStat->currentText(), stationNr);
    QCOMPARE(ui.txtName->isEnabled(), editable);
    QCOMPARE(ui.selStat->isEnabled(), editable);
    QVERIFY(!ui.comOK->isEnabled());
    QVERIFY(station.boxes.asked.isEmpty());
}

void TestFcMess::okIsEnabledByEachChange_data() {
    QTest::addColumn<int>("change");
    QTest::newRow("logger chosen") << 0;
    QTest::newRow("configuration chosen") << 1;
    QTest::newRow("description typed") << 2;
    QTest::newRow("station chosen") << 3;
    QTest::newRow("Neu") << 4;
}

void TestFcMess::okIsEnabledByEachChange() {
    QFETCH(int, change);
    DialogFixture station;
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    QVERIFY(!ui.comOK->isEnabled());
    switch (change) {
    case 0:
        choose(ui.cmbProvider, logger3);
        break;
    case 1:
        choose(ui.cmbConfNr, QStringLiteral("2"));
        break;
    case 2:
        typeText(ui.txtName, QStringLiteral(" Ost"));
        break;
    case 3:
        choose(ui.selStat, QStringLiteral("04"));
        break;
    default:
        QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
        break;
    }
    QVERIFY(ui.comOK->isEnabled());
}

void TestFcMess::neuThenOkMakesTheNewConfigurationCurrent() {
    DialogFixture station(
        {"UPDATE tblTemp SET LastAccessTime = '2026-12-05 15:00:00' WHERE ProviderID = 1 AND "
         "ConfigID = 1"});
    MainWindow &f = *station.f;
    QCOMPARE(f.controls()->labLastAccess->text(), QStringLiteral("05.12.2026 15:00:00"));
    QPointer<FcMess> dialog = openDialog(f);
    const Ui::FcMess &ui = dialog->controls();
    choose(ui.cmbConfNr, QStringLiteral("3"));
    QCOMPARE(ui.txtName->text(), QStringLiteral("Dachstation Verwaltungsgebäude"));
    QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
    QCOMPARE(items(ui.cmbConfNr), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(ui.cmbConfNr->currentText(), QStringLiteral("4"));
    QCOMPARE(ui.txtName->text(), QStringLiteral("---"));
    QCOMPARE(ui.selStat->currentText(), QStringLiteral("03"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);

    QCOMPARE(configurations(), (QStringList{
                                   "1|1|Messfeld Nord, Klimahütte 2 m|01",
                                   "1|2|Messfeld Nord, Bodenmessplatz|02",
                                   "1|3|Dachstation Verwaltungsgebäude|03",
                                   "1|4|---|03",
                                   "2|1|Bergstation Hochalm|07",
                                   "2|2|Pegel Talsperre|08",
                                   "3|1|Versuchsfeld Obstbau|12",
                               }));
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT Provider, Konfiguration FROM tblSysConf")),
             QStringList{"1|4"});
    QCOMPARE(SysConf.Provider, 1);
    QCOMPARE(SysConf.Konfiguration, 4);
    // The new pair has not fetched anything yet.
    QCOMPARE(mainLabels(f), (QStringList{"03", "---", logger1, "", "05.12.2026 17:00:00"}));
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(station.boxes.asked.isEmpty());
}

void TestFcMess::gapsAreSkippedAndNeuTakesTheNextNumber() {
    DialogFixture station({"DELETE FROM tblConfiguration WHERE ProviderID = 1 AND KonfigNr = 2"});
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    QCOMPARE(items(ui.cmbConfNr), (QStringList{"1", "3"}));
    QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
    QCOMPARE(ui.cmbConfNr->currentText(), QStringLiteral("4"));
    QCOMPARE(ui.selStat->currentText(), QStringLiteral("01"));
    typeName(ui, QStringLiteral("Neue Hütte"));
    choose(ui.selStat, QStringLiteral("14"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QCOMPARE(DialogFixture::rows(QStringLiteral(
                 "SELECT KonfigNr, Beschreibung, StationsNr FROM tblConfiguration WHERE ProviderID "
                 "= 1 ORDER BY KonfigNr")),
             (QStringList{"1|Messfeld Nord, Klimahütte 2 m|01", "3|Dachstation Verwaltungsgebäude|03",
                          "4|Neue Hütte|14"}));
    QCOMPARE(mainLabels(*station.f).mid(0, 3), (QStringList{"14", "Neue Hütte", logger1}));
}

void TestFcMess::editsAreStoredOnOk_data() {
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stationNr");
    QTest::addColumn<QString>("row");
    QTest::newRow("name and station") << QStringList() << "Klimahütte Süd"
                                      << "12"
                                      << "1|1|Klimahütte Süd|12";
    QTest::newRow("name only") << QStringList() << "Klimahütte"
                               << ""
                               << "1|1|Klimahütte|01";
    QTest::newRow("7 comes back as 07")
        << QStringList{"UPDATE tblConfiguration SET StationsNr = '7' WHERE ProviderID = 1 AND KonfigNr = 1"}
        << "Feld 7"
        << ""
        << "1|1|Feld 7|07";
    QTest::newRow("31 corrected")
        << QStringList{"UPDATE tblConfiguration SET StationsNr = '31' WHERE ProviderID = 1 AND KonfigNr = 1"}
        << "Feld 30"
        << "30"
        << "1|1|Feld 30|30";
}

void TestFcMess::editsAreStoredOnOk() {
    QFETCH(QStringList, sql);
    QFETCH(QString, name);
    QFETCH(QString, stationNr);
    QFETCH(QString, row);
    DialogFixture station(sql);
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    typeName(ui, name);
    if (!stationNr.isEmpty())
        choose(ui.selStat, stationNr);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QVERIFY(station.boxes.asked.isEmpty());
    QCOMPARE(configurations().first(), row);
    QCOMPARE(configurations().size(), 6);
    QCOMPARE(mainLabels(*station.f).mid(0, 3), (QStringList{row.section('|', 3), name, logger1}));
    QTRY_VERIFY(dialog.isNull());
}

void TestFcMess::changedLoggerKeepsEachLoggersConfigurations() {
    DialogFixture station(
        {"UPDATE tblTemp SET LastAccessTime = '2026-12-05 15:00:00' WHERE ProviderID = 2 AND "
         "ConfigID = 1"});
    MainWindow &f = *station.f;
    QCOMPARE(mainLabels(f),
             (QStringList{"01", "Messfeld Nord, Klimahütte 2 m", logger1, "", "05.12.2026 17:00:00"}));
    QPointer<FcMess> dialog = openDialog(f);
    const Ui::FcMess &ui = dialog->controls();
    choose(ui.cmbConfNr, QStringLiteral("2"));
    typeName(ui, QStringLiteral("Bodenmessplatz Nord"));

    choose(ui.cmbProvider, logger2);
    QCOMPARE(items(ui.cmbConfNr), (QStringList{"1", "2"}));
    QCOMPARE(ui.cmbConfNr->currentText(), QStringLiteral("1"));
    QCOMPARE(ui.txtName->text(), QStringLiteral("Bergstation Hochalm"));
    QCOMPARE(ui.selStat->currentText(), QStringLiteral("07"));

    // Back at the first logger its edit is still there.
    choose(ui.cmbProvider, logger1);
    QCOMPARE(ui.cmbConfNr->currentText(), QStringLiteral("2"));
    QCOMPARE(ui.txtName->text(), QStringLiteral("Bodenmessplatz Nord"));

    choose(ui.cmbProvider, logger2);
    typeName(ui, QStringLiteral("Bergstation Gipfel"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);

    QCOMPARE(configurations(), (QStringList{
                                   "1|1|Messfeld Nord, Klimahütte 2 m|01",
                                   "1|2|Bodenmessplatz Nord|02",
                                   "1|3|Dachstation Verwaltungsgebäude|03",
                                   "2|1|Bergstation Gipfel|07",
                                   "2|2|Pegel Talsperre|08",
                                   "3|1|Versuchsfeld Obstbau|12",
                               }));
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT Provider, Konfiguration FROM tblSysConf")),
             QStringList{"2|1"});
    QCOMPARE(SysConf.Provider, 2);
    QCOMPARE(SysConf.Konfiguration, 1);
    // The acquisition follows the new pair: its last access and the next one.
    QCOMPARE(mainLabels(f), (QStringList{"07", "Bergstation Gipfel", logger2, "05.12.2026 15:00:00",
                                         "05.12.2026 17:00:00"}));
    QCOMPARE(f.LastAccessTime, QDateTime(QDate(2026, 12, 5), QTime(15, 0)));
}

void TestFcMess::emptySettingsTableGetsNoRow() {
    DialogFixture station({"DELETE FROM tblSysConf"});
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    QCOMPARE(ui.cmbProvider->currentText(), logger1);
    QCOMPARE(ui.cmbConfNr->currentText(), QStringLiteral("1"));
    choose(ui.cmbConfNr, QStringLiteral("2"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QCOMPARE(SysConf.Konfiguration, 2);
    QCOMPARE(station.f->controls()->labStation->text(), QStringLiteral("Messfeld Nord, Bodenmessplatz"));
    QVERIFY(DialogFixture::settingsRows().isEmpty());
}

void TestFcMess::refusedChoiceIsExplained_data() {
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<QString>("chosenLogger");
    QTest::addColumn<QString>("message");
    QTest::newRow("logger without configurations")
        << QStringList{"DELETE FROM tblConfiguration WHERE ProviderID = 3"} << logger3
        << "Für den Datenlogger „MiniLog 8  /  Elbtal Elektronik“ ist noch keine Konfiguration angelegt.\n"
           "Legen Sie mit „Neu“ eine Konfiguration an.";
    QTest::newRow("no configuration selected") << QStringList{"UPDATE tblSysConf SET Konfiguration = 9"}
                                               << logger1 << "Bitte wählen Sie eine Konfiguration aus.";
    QTest::newRow("station outside 1 to 30")
        << QStringList{"UPDATE tblConfiguration SET StationsNr = '31' WHERE ProviderID = 1 AND KonfigNr = 1"}
        << logger1
        << "Die Stationsnummer „31“ der Konfiguration 1 liegt nicht zwischen 1 und 30.\n"
           "Bitte wählen Sie eine Stationsnummer von 01 bis 30 aus.";
    QTest::newRow("station empty")
        << QStringList{"UPDATE tblConfiguration SET StationsNr = NULL WHERE ProviderID = 1 AND KonfigNr = 1"}
        << logger1 << "Bitte wählen Sie für die Konfiguration 1 eine Stationsnummer von 01 bis 30 aus.";
    QTest::newRow("no logger selected") << QStringList{"UPDATE tblSysConf SET Provider = 7"} << QString()
                                        << "Bitte wählen Sie einen Datenlogger aus.";
}

void TestFcMess::refusedChoiceIsExplained() {
    QFETCH(QStringList, sql);
    QFETCH(QString, chosenLogger);
    QFETCH(QString, message);
    DialogFixture station(sql);
    MainWindow &f = *station.f;
    const QStringList rowsBefore = configurations();
    const QStringList settingsBefore = DialogFixture::settingsRows();
    const QStringList labelsBefore = mainLabels(f);
    const SysConfRecord before = SysConf;
    QPointer<FcMess> dialog = openDialog(f);
    const Ui::FcMess &ui = dialog->controls();
    if (chosenLogger.isEmpty())
        QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
    else
        choose(ui.cmbProvider, chosenLogger);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);

    QCOMPARE(station.boxes.asked.size(), 1);
    QCOMPARE(station.boxes.asked[0].title, title);
    QCOMPARE(station.boxes.asked[0].text, message);
    QCOMPARE(station.boxes.asked[0].icon, MsgBox::Icon::Exclamation);
    QCOMPARE(station.boxes.asked[0].buttons, MsgBox::Buttons::Ok);
    QTest::qWait(0);
    QVERIFY(!dialog.isNull() && dialog->isVisible());
    QCOMPARE(configurations(), rowsBefore);
    QCOMPARE(DialogFixture::settingsRows(), settingsBefore);
    QCOMPARE(mainLabels(f), labelsBefore);
    QCOMPARE(SysConf.Provider, before.Provider);
    QCOMPARE(SysConf.Konfiguration, before.Konfiguration);
}

void TestFcMess::loggerWithoutConfigurationsGetsItsFirstOne() {
    DialogFixture station({"DELETE FROM tblConfiguration WHERE ProviderID = 3"});
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    choose(ui.cmbProvider, logger3);
    QCOMPARE(items(ui.cmbConfNr), QStringList());
    QCOMPARE(ui.txtName->text(), QStringLiteral("---"));
    QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
    QCOMPARE(items(ui.cmbConfNr), QStringList{"1"});
    QVERIFY(ui.txtName->isEnabled());
    typeName(ui, QStringLiteral("Obstbau Süd"));
    choose(ui.selStat, QStringLiteral("12"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QVERIFY(station.boxes.asked.isEmpty());
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT * FROM tblConfiguration WHERE ProviderID = 3")),
             QStringList{"3|1|Obstbau Süd|12"});
    QCOMPARE(SysConf.Provider, 3);
    QCOMPARE(SysConf.Konfiguration, 1);
    QCOMPARE(mainLabels(*station.f).mid(0, 3), (QStringList{"12", "Obstbau Süd", logger3}));
}

void TestFcMess::unlistedLoggerGetsNoConfiguration() {
    DialogFixture station({"UPDATE tblSysConf SET Provider = 7"});
    QPointer<FcMess> dialog = openDialog(*station.f);
    const Ui::FcMess &ui = dialog->controls();
    QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
    choose(ui.cmbProvider, logger2);
    choose(ui.cmbConfNr, QStringLiteral("2"));
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QVERIFY(station.boxes.asked.isEmpty());
    QCOMPARE(
        DialogFixture::rows(QStringLiteral("SELECT count(*) FROM tblConfiguration WHERE ProviderID = 7")),
        QStringList{"0"});
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT Provider, Konfiguration FROM tblSysConf")),
             QStringList{"2|2"});
    QCOMPARE(mainLabels(*station.f).mid(0, 3), (QStringList{"08", "Pegel Talsperre", logger2}));
}

void TestFcMess::abbrechenChangesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Abbrechen") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestFcMess::abbrechenChangesNothing() {
    QFETCH(int, way);
    DialogFixture station;
    MainWindow &f = *station.f;
    const QStringList rowsBefore = configurations();
    const QStringList settingsBefore = DialogFixture::settingsRows();
    const QStringList labelsBefore = mainLabels(f);
    QPointer<FcMess> dialog = openDialog(f);
    const Ui::FcMess &ui = dialog->controls();
    typeName(ui, QStringLiteral("verworfen"));
    choose(ui.selStat, QStringLiteral("22"));
    QTest::mouseClick(ui.comNeuKonf, Qt::LeftButton);
    choose(ui.cmbProvider, logger2);
    typeName(ui, QStringLiteral("auch verworfen"));
    switch (way) {
    case 0:
        QTest::mouseClick(ui.comAbbr, Qt::LeftButton);
        break;
    case 1:
        QTest::keyClick(dialog, Qt::Key_Escape);
        break;
    default:
        dialog->close();
        break;
    }
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(configurations(), rowsBefore);
    QCOMPARE(DialogFixture::settingsRows(), settingsBefore);
    QCOMPARE(mainLabels(f), labelsBefore);
    QCOMPARE(SysConf.Provider, 1);
    QCOMPARE(SysConf.Konfiguration, 1);
    QVERIFY(station.boxes.asked.isEmpty());
}

QTEST_MAIN(TestFcMess)
#include "tst_fcmess.moc"
