// The output format dialog, clicked through as a user would, on a real data file; the file choice is
// answered by the test.
#include "config/dialogfixture.h"
#include "publish/ui/fcformat.h"
#include "publish/ui/filechoice.h"
#include "ui_fcformat.h"

#include <QDir>
#include <QPointer>

namespace {

const QString title = QStringLiteral("Datenausgabe in ASCII-Datei");

QStringList otherSettings() {
    return DialogFixture::rows(QStringLiteral(
        "SELECT Provider, Konfiguration, MittInter, MittelAktiv, MomInter, MomAktiv, SaveMom, "
        "SaveMitt, MomTimeOut, MittTimeOut, maxTries, MailHost, MailSender, MailRec, MailMessage, "
        "MailSubject FROM tblSysConf"));
}

QStringList ownSettings() {
    return DialogFixture::rows(QStringLiteral(
        "SELECT Trennen, TrennZeichen, datname, doKanal, doSensor, doUnit, doPlus FROM tblSysConf"));
}

FcFormat *openDialog(MainWindow &f) {
    auto *dialog = new FcFormat(f);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog))
        qWarning("format dialog not exposed");
    return dialog;
}

// Answers the file choice with `answer` and records what was asked.
struct FileAnswer {
    explicit FileAnswer(const QString &answer) {
        FileChoice::setResponder([this, answer](const FileChoice::Request &request) {
            asked << request;
            return answer;
        });
    }
    ~FileAnswer() { FileChoice::setResponder({}); }
    QList<FileChoice::Request> asked;
};

} // namespace

class TestFormatDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsToolTipsAndList();
    void storedSettingsSelectTheControls_data();
    void storedSettingsSelectTheControls();
    void okIsEnabledByEachChange_data();
    void okIsEnabledByEachChange();
    void okStoresTheFormat_data();
    void okStoresTheFormat();
    void fileChoice_data();
    void fileChoice();
    void emptySettingsTableGetsOneRowOfOwnFields();
    void fetchIsHeldOffWhileOpen_data();
    void fetchIsHeldOffWhileOpen();
    void abbrechenChangesNothing_data();
    void abbrechenChangesNothing();
};

void TestFormatDialog::initTestCase() {
    pinGermanLocale();
}

void TestFormatDialog::captionsToolTipsAndList() {
    DialogFixture station;
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QCOMPARE(dialog->windowTitle(), title);
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!dialog->isModal());
    QCOMPARE(ui.labFormat->text(), QStringLiteral("Datenformat:"));
    QCOMPARE(ui.labSchreiben->text(), QStringLiteral("Schreiben:"));
    QCOMPARE(ui.labAusgabe->text(), QStringLiteral("Ausgabedatei:"));
    QCOMPARE(ui.selFormat0->text(), QStringLiteral("Feste Feldbreite"));
    QCOMPARE(ui.selFormat1->text(), QStringLiteral("Mit Trennzeichen"));
    QCOMPARE(ui.selFormat->id(ui.selFormat0), 0);
    QCOMPARE(ui.selFormat->id(ui.selFormat1), 1);
    QCOMPARE(ui.chkKanal->text(), QStringLiteral("Kanalnummer"));
    QCOMPARE(ui.chkSensor->text(), QStringLiteral("Sensorcode"));
    QCOMPARE(ui.chkUnit->text(), QStringLiteral("Meßeinheit"));
    QCOMPARE(ui.chkPlus->text(), QStringLiteral("positives Vorzeichen"));
    QCOMPARE(ui.comSelFile->text(), QStringLiteral("..."));
    QCOMPARE(ui.comSelFile->toolTip(), QStringLiteral("Klicken Sie hier, um eine Datei auszuwählen"));
    QCOMPARE(ui.comOK->text(), QStringLiteral("&OK"));
    QCOMPARE(ui.comExit->text(), QStringLiteral("&Abbrechen"));
    QCOMPARE(items(ui.cmbTrenn),
             (QStringList{"Semikolon", "Komma", "Tabulator", "Leerzeichen", "Feldtrennteichen"}));
    QList<int> codes;
    for (int i = 0; i < ui.cmbTrenn->count(); ++i)
        codes << ui.cmbTrenn->itemData(i).toInt();
    QCOMPARE(codes, (QList<int>{59, 44, 9, 32, 124}));
}

void TestFormatDialog::storedSettingsSelectTheControls_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("separated");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QList<bool>>("checks");
    QTest::addColumn<QString>("file");
    QTest::newRow("template") << QString() << true << "Feldtrennteichen"
                              << QList<bool>{true, true, true, false} << "Testlog.txt";
    QTest::newRow("# is no entry") << "UPDATE tblSysConf SET TrennZeichen = 35" << true << "Semikolon"
                                   << QList<bool>{true, true, true, false} << "Testlog.txt";
    QTest::newRow("tab") << "UPDATE tblSysConf SET TrennZeichen = 9" << true << "Tabulator"
                         << QList<bool>{true, true, true, false} << "Testlog.txt";
    QTest::newRow("fixed width") << "UPDATE tblSysConf SET Trennen = 0, TrennZeichen = 44, doKanal = 0, "
                                    "doSensor = 0, doUnit = 0, doPlus = 1, "
                                    "datname = '/var/log/wetter.log'"
                                 << false << "Komma" << QList<bool>{false, false, false, true}
                                 << "/var/log/wetter.log";
}

void TestFormatDialog::storedSettingsSelectTheControls() {
    QFETCH(QString, sql);
    QFETCH(bool, separated);
    QFETCH(QString, separator);
    QFETCH(QList<bool>, checks);
    QFETCH(QString, file);
    DialogFixture station(sql.isEmpty() ? QStringList() : QStringList{sql});
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QCOMPARE(ui.selFormat1->isChecked(), separated);
    QCOMPARE(ui.selFormat0->isChecked(), !separated);
    QCOMPARE(ui.cmbTrenn->isEnabled(), separated);
    QCOMPARE(ui.cmbTrenn->currentText(), separator);
    QCOMPARE((QList<bool>{ui.chkKanal->isChecked(), ui.chkSensor->isChecked(), ui.chkUnit->isChecked(),
                          ui.chkPlus->isChecked()}),
             checks);
    QCOMPARE(ui.labDatName->text(), file);
    QVERIFY(!ui.comOK->isEnabled());
}

void TestFormatDialog::okIsEnabledByEachChange_data() {
    QTest::addColumn<int>("change");
    QTest::newRow("fixed width clicked") << 0;
    QTest::newRow("separated clicked again") << 1;
    QTest::newRow("Kanalnummer") << 2;
    QTest::newRow("Sensorcode") << 3;
    QTest::newRow("Meßeinheit") << 4;
    QTest::newRow("positives Vorzeichen") << 5;
    QTest::newRow("separator chosen") << 6;
}

void TestFormatDialog::okIsEnabledByEachChange() {
    QFETCH(int, change);
    DialogFixture station;
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QVERIFY(!ui.comOK->isEnabled());
    const QList<QAbstractButton *> buttons{ui.selFormat0, ui.selFormat1, ui.chkKanal,
                                           ui.chkSensor,  ui.chkUnit,    ui.chkPlus};
    if (change < buttons.size())
        QTest::mouseClick(buttons[change], Qt::LeftButton);
    else
        choose(ui.cmbTrenn, QStringLiteral("Komma"));
    QVERIFY(ui.comOK->isEnabled());
    QCOMPARE(ui.cmbTrenn->isEnabled(), change != 0);
}

void TestFormatDialog::okStoresTheFormat_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("stored");
    // Clicks: 0 fixed width, 1 separated, 2 to 5 the check boxes Kanalnummer, Sensorcode, Meßeinheit,
    // positives Vorzeichen.
    QTest::newRow("unknown code stores Semikolon")
        << "UPDATE tblSysConf SET TrennZeichen = 35" << QList<int>{5} << QString()
        << "1|59|Testlog.txt|1|1|1|1";
    QTest::newRow("fixed width keeps the separator shown")
        << QString() << QList<int>{0} << QString() << "0|124|Testlog.txt|1|1|1|0";
    QTest::newRow("tab") << QString() << QList<int>{} << "Tabulator"
                         << "1|9|Testlog.txt|1|1|1|0";
    QTest::newRow("blank, no columns") << QString() << QList<int>{2, 3, 4} << "Leerzeichen"
                                       << "1|32|Testlog.txt|0|0|0|0";
    QTest::newRow("back to separated") << "UPDATE tblSysConf SET Trennen = 0" << QList<int>{1} << "Komma"
                                       << "1|44|Testlog.txt|1|1|1|0";
}

void TestFormatDialog::okStoresTheFormat() {
    QFETCH(QString, sql);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, separator);
    QFETCH(QString, stored);
    DialogFixture station(sql.isEmpty() ? QStringList() : QStringList{sql});
    const QStringList others = otherSettings();
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    const QList<QAbstractButton *> buttons{ui.selFormat0, ui.selFormat1, ui.chkKanal,
                                           ui.chkSensor,  ui.chkUnit,    ui.chkPlus};
    for (int click : clicks)
        QTest::mouseClick(buttons[click], Qt::LeftButton);
    if (!separator.isEmpty())
        choose(ui.cmbTrenn, separator);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);

    QCOMPARE(ownSettings(), QStringList{stored});
    QCOMPARE(otherSettings(), others);
    const QStringList values = stored.split(QLatin1Char('|'));
    QCOMPARE(SysConf.Trennen, values[0] == QLatin1String("1"));
    QCOMPARE(int(SysConf.TrennZeichen), values[1].toInt());
    QCOMPARE(SysConf.datname, values[2]);
    QCOMPARE((QList<bool>{SysConf.doKanal, SysConf.doSensor, SysConf.doUnit, SysConf.doPlus}),
             (QList<bool>{values[3] == QLatin1String("1"), values[4] == QLatin1String("1"),
                          values[5] == QLatin1String("1"), values[6] == QLatin1String("1")}));
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(SysConf.MittelAktiv, true);
    QVERIFY(station.boxes.asked.isEmpty());
}

void TestFormatDialog::fileChoice_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("changes");
    QTest::newRow("cancelled") << QString() << false;
    QTest::newRow("same file by its full path") << "<dir>/Testlog.txt" << false;
    QTest::newRow("another file") << "<dir>/Ausgabe/Messwerte.log" << true;
}

void TestFormatDialog::fileChoice() {
    QFETCH(QString, answer);
    QFETCH(bool, changes);
    DialogFixture station;
    const QString dir = QDir(station.dir.path()).absolutePath();
    answer.replace(QStringLiteral("<dir>"), dir);
    FileAnswer files(answer);
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QTest::mouseClick(ui.comSelFile, Qt::LeftButton);

    QCOMPARE(files.asked.size(), 1);
    QCOMPARE(files.asked[0].title, QStringLiteral("Ausgabedatei wählen..."));
    QCOMPARE(files.asked[0].proposedFile, dir + QStringLiteral("/Testlog.txt"));
    QCOMPARE(files.asked[0].filters,
             (QStringList{"Textdateien (*.txt)", "Log-Dateien (*.log)", "Alle Dateien (*.*)"}));
    const QString shown = changes ? answer : QStringLiteral("Testlog.txt");
    QCOMPARE(ui.labDatName->text(), shown);
    QCOMPARE(ui.labDatName->toolTip(), shown);
    QCOMPARE(ui.comOK->isEnabled(), changes);
    if (!changes)
        return;
    // A second choice now proposes the file shown.
    QTest::mouseClick(ui.comSelFile, Qt::LeftButton);
    QCOMPARE(files.asked[1].proposedFile, answer);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT datname FROM tblSysConf")), QStringList{answer});
    QCOMPARE(SysConf.datname, answer);
}

void TestFormatDialog::emptySettingsTableGetsOneRowOfOwnFields() {
    DialogFixture station({"DELETE FROM tblSysConf"});
    FileAnswer files(QStringLiteral("/srv/wetter/Werte.txt"));
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QCOMPARE(ui.cmbTrenn->currentText(), QStringLiteral("Feldtrennteichen"));
    choose(ui.cmbTrenn, QStringLiteral("Komma"));
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             ui.selFormat0, ui.chkKanal, ui.chkSensor, ui.chkUnit, ui.chkPlus})
        QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(ui.comSelFile, Qt::LeftButton);
    QTest::mouseClick(ui.comOK, Qt::LeftButton);
    // One row: the dialog's fields as chosen, every other column at its default.
    QCOMPARE(DialogFixture::settingsRows().size(), 1);
    QCOMPARE(DialogFixture::settingsOffDefaults(),
             (QStringList{"Trennen=0", "TrennZeichen=44", "datname=/srv/wetter/Werte.txt", "doKanal=0",
                          "doSensor=0", "doUnit=0", "doPlus=1"}));
}

void TestFormatDialog::fetchIsHeldOffWhileOpen_data() {
    QTest::addColumn<bool>("before");
    QTest::addColumn<int>("way");
    const QStringList ways{
        "OK", "Abbrechen", "Escape", "window closed", "main window closed", "main window destroyed"};
    for (bool before : {true, false}) {
        for (int way = 0; way < ways.size(); ++way)
            QTest::addRow("%s, %s", before ? "on" : "off", qPrintable(ways[way])) << before << way;
    }
}

void TestFormatDialog::fetchIsHeldOffWhileOpen() {
    QFETCH(bool, before);
    QFETCH(int, way);
    DialogFixture station({QStringLiteral("UPDATE tblSysConf SET MittelAktiv = %1").arg(before ? 1 : 0)});
    QCOMPARE(SysConf.MittelAktiv, before);
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QCOMPARE(SysConf.MittelAktiv, false);
    QTest::mouseClick(ui.chkUnit, Qt::LeftButton);
    QCOMPARE(SysConf.MittelAktiv, false);
    switch (way) {
    case 0:
        QTest::mouseClick(ui.comOK, Qt::LeftButton);
        break;
    case 1:
        QTest::mouseClick(ui.comExit, Qt::LeftButton);
        break;
    case 2:
        QTest::keyClick(dialog, Qt::Key_Escape);
        break;
    case 3:
        dialog->close();
        break;
    case 4:
        station.f->close();
        break;
    default:
        station.f.reset();
        break;
    }
    QCOMPARE(SysConf.MittelAktiv, before);
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(SysConf.MittelAktiv, before);
    // The hold lives only in memory.
    QCOMPARE(DialogFixture::rows(QStringLiteral("SELECT MittelAktiv FROM tblSysConf")),
             QStringList{before ? "1" : "0"});
}

void TestFormatDialog::abbrechenChangesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Abbrechen") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestFormatDialog::abbrechenChangesNothing() {
    QFETCH(int, way);
    DialogFixture station;
    const QStringList settingsBefore = DialogFixture::settingsRows();
    const SysConfRecord before = SysConf;
    FileAnswer files(QStringLiteral("/srv/wetter/verworfen.txt"));
    QPointer<FcFormat> dialog = openDialog(*station.f);
    const Ui::FcFormat &ui = dialog->controls();
    QTest::mouseClick(ui.selFormat0, Qt::LeftButton);
    QTest::mouseClick(ui.chkSensor, Qt::LeftButton);
    QTest::mouseClick(ui.comSelFile, Qt::LeftButton);
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
    QCOMPARE(SysConf.Trennen, before.Trennen);
    QCOMPARE(SysConf.doSensor, before.doSensor);
    QCOMPARE(SysConf.datname, before.datname);
    QCOMPARE(SysConf.MittelAktiv, true);
}

QTEST_MAIN(TestFormatDialog)
#include "tst_formatdialog.moc"
