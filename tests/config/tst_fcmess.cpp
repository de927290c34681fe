// The measuring station dialog, clicked through as a user would, on a real data file made from the template.
#include "config/dialogfixture.h"
#include "config/ui/fcmess.h"
#include "support/cases.h"
#include "ui_fcmess.h"
#include "ui_mainwindow.h"

namespace {

const QString logger1 = QStringLiteral("KLD 20  /  Nordfeld Messtechnik");
const QString logger2 = QStringLiteral("AWL 400  /  Tauern Sensorik");
const QString logger3 = QStringLiteral("MiniLog 8  /  Elbtal Elektronik");

QString conf(int provider, int number, const QString &set) {
    return QStringLiteral("UPDATE tblConfiguration SET %1 WHERE ProviderID = %2 AND KonfigNr = %3")
        .arg(set, QString::number(provider), QString::number(number));
}

// What the dialog shows: logger, configuration list, configuration, description, station, editable.
QString shown(const Ui::FcMess &ui) {
    QStringList numbers;
    for (int i = 0; i < ui.cmbConfNr->count(); ++i)
        numbers << ui.cmbConfNr->itemText(i);
    return QStringList({ui.cmbProvider->currentText(), numbers.join(','), ui.cmbConfNr->currentText(),
                        ui.txtName->text(), ui.selStat->currentText(),
                        ui.txtName->isEnabled() ? "on" : "off"})
        .join('|');
}

// The main window's station labels and the current pair.
QString state(MainWindow &f) {
    const Ui::MainWindow *ui = f.controls();
    return QStringList({ui->labSelStat->text(), ui->labStation->text(), ui->labLogger->text(),
                        ui->labLastAccess->text(), ui->labNextAccess->text(),
                        QString("%1/%2").arg(SysConf.Provider).arg(SysConf.Konfiguration)})
        .join('|');
}

// sql prepares the data file; opened is what the dialog shows (see shown()); steps are clicked (see run()).
// What OK must do to the database (statements separated by ";"); the main window afterwards (empty: as
// before); the message that refuses the choice instead.
struct Case {
    const char *name;
    QString sql, opened, steps, effect, after, message = {};
};

} // namespace

class TestFcMess : public QObject {
    Q_OBJECT

private slots:
    void okStoresOrExplains_data() {
        const QString set = QStringLiteral("UPDATE tblSysConf SET ");
        // Pair 1/1 was last fetched at 15:30 (next 16:00), a new pair never: the labels prove the reload.
        const QString unfetched = QStringLiteral("||05.12.2026 17:00:00|");
        const QString nord = QStringLiteral("|1|Messfeld Nord, Klimahütte 2 m|"),
                      list1 = logger1 + "|1,2,3" + nord;
        addCases<Case>({
            {"Neu after a gap, then OK", "DELETE FROM tblConfiguration WHERE ProviderID = 1 AND KonfigNr = 2",
             logger1 + "|1,3" + nord + "01|on", "cmbConfNr=3;comNeuKonf;comOK",
             "INSERT INTO tblConfiguration VALUES (1, 4, '---', '03'); " + set + "Konfiguration = 4",
             "03|---|" + logger1 + unfetched + "1/4"},
            {"7 stored back as 07", conf(1, 1, "StationsNr = '7'"), list1 + "07|on", "txtName=Feld 7;comOK",
             conf(1, 1, "Beschreibung = 'Feld 7', StationsNr = '07'"),
             "07|Feld 7|" + logger1 + "|05.12.2026 15:30:00|05.12.2026 16:00:00|1/1"},
            // Each logger's edits are stored under its own Id.
            {"changed logger",
             "UPDATE tblTemp SET LastAccessTime = '2026-12-05 14:00:00' WHERE ProviderID = 2",
             list1 + "01|on", "cmbConfNr=2;txtName=Nord;cmbProvider=" + logger2 + ";txtName=Gipfel;comOK",
             conf(1, 2, "Beschreibung = 'Nord'") + "; " + conf(2, 1, "Beschreibung = 'Gipfel'") + "; " + set +
                 "Provider = 2, Konfiguration = 1",
             "07|Gipfel|" + logger2 + "|05.12.2026 14:00:00|05.12.2026 17:00:00|2/1"},
            {"first configuration of a logger", "DELETE FROM tblConfiguration WHERE ProviderID = 3",
             list1 + "01|on", "cmbProvider=" + logger3 + ";comNeuKonf;txtName=Obstbau Süd;selStat=12;comOK",
             "INSERT INTO tblConfiguration VALUES (3, 1, 'Obstbau Süd', '12'); " + set +
                 "Provider = 3, Konfiguration = 1",
             "12|Obstbau Süd|" + logger3 + unfetched + "3/1"},
            {"empty settings table gets no row", "DELETE FROM tblSysConf", list1 + "01|on",
             "cmbConfNr=2;comOK", "", "02|Messfeld Nord, Bodenmessplatz|" + logger1 + "||deaktiviert|1/2"},
            {"Abbrechen", "", list1 + "01|on",
             "txtName=weg;selStat=22;comNeuKonf;cmbProvider=" + logger2 + ";txtName=auch weg;comAbbr", "",
             ""},
            {"logger without configurations",
             "DELETE FROM tblConfiguration WHERE ProviderID = 3; " + set + "Provider = 3",
             logger3 + "|||---|01|off", "cmbProvider=" + logger3 + ";comOK", "", "",
             "Für den Datenlogger „MiniLog 8  /  Elbtal Elektronik“ ist noch keine Konfiguration angelegt.\n"
             "Legen Sie mit „Neu“ eine Konfiguration an."},
            {"no configuration selected", set + "Konfiguration = 9", logger1 + "|1,2,3||---|01|off",
             "cmbProvider=" + logger1 + ";comOK", "", "", "Bitte wählen Sie eine Konfiguration aus."},
            {"station outside 1 to 30", conf(1, 1, "StationsNr = '31'"), list1 + "|on",
             "cmbProvider=" + logger1 + ";comOK", "", "",
             "Die Stationsnummer „31“ der Konfiguration 1 liegt nicht zwischen 1 und 30.\n"
             "Bitte wählen Sie eine Stationsnummer von 01 bis 30 aus."},
            {"station empty", conf(1, 1, "StationsNr = NULL"), list1 + "|on",
             "cmbProvider=" + logger1 + ";comOK", "", "",
             "Bitte wählen Sie für die Konfiguration 1 eine Stationsnummer von 01 bis 30 aus."},
            {"numbers used up", "INSERT INTO tblConfiguration VALUES (1, 2147483647, 'Letzte', '05')",
             logger1 + "|1,2,3,2147483647" + nord + "01|on", "cmbConfNr=2;comNeuKonf", "", "",
             "Für diesen Datenlogger kann keine weitere Konfiguration angelegt werden."},
            {"no logger selected", set + "Provider = 7", "|||---|01|off", "comNeuKonf;comOK", "", "",
             "Bitte wählen Sie einen Datenlogger aus."},
        });
    }

    void okStoresOrExplains() {
        QFETCH(Case, c);
        DialogFixture station(c.sql.split(';') << "UPDATE tblTemp SET LastAccessTime = '2026-12-05 15:30:00' "
                                                  "WHERE ProviderID = 1 AND ConfigID = 1");
        const QStringList expected = DialogFixture::snapshotAfter(c.effect.split(';'));
        const QString before = state(*station.f);
        QPointer<FcMess> dialog = station.open<FcMess>();
        const Ui::FcMess &ui = dialog->controls();
        QCOMPARE(shown(ui), c.opened);
        QVERIFY(!ui.comOK->isEnabled());
        run(dialog, c.steps);

        QCOMPARE(DialogFixture::snapshot(), expected);
        QCOMPARE(state(*station.f), c.after.isEmpty() ? before : c.after);
        // A refusal is one box over the dialog, which stays open.
        QCOMPARE(station.asked(),
                 c.message.isEmpty() ? QStringList() : QStringList{"Messanlage: " + c.message});
        QTRY_VERIFY(c.message.isEmpty() ? dialog.isNull() : dialog->isVisible());
    }
};

QTEST_MAIN(TestFcMess)
#include "tst_fcmess.moc"
