// Start-up, shutdown and the main window, driven as a user would, on a real program directory with a real
// SQLite file and a pseudo-terminal as the serial device.
#include "app/fprog.h"
#include "app/measpnt.h"
#include "config/dialogfixture.h"
#include "link/seriallink.h"
#include "link/ui/fccom.h"
#include "support/privileges.h"
#include "support/pty.h"
#include "ui_fccom.h"
#include "ui_mainwindow.h"

namespace {

const QByteArray stamp = "05.12.2026 16:07:38 - ";
const QByteArray requestA = "\00201\033A\r";

// A configured program directory, a device on the serial line and the main window, started by load().
struct Station : DialogFixture {
    PseudoTerminal device;

    Station() : DialogFixture({}, {}, false) {}
    // COM <com> is the pseudo-terminal, or with `unplugged` a link to a device that is not there.
    bool plug(int com, bool unplugged = false) {
        if (!unplugged)
            return device.linkAs(dir.path(), com);
        return QDir(dir.path()).mkpath("dosdevices") &&
               QFile::link("/dev/skylog-test-unplugged", dir.file(QString("dosdevices/com%1").arg(com)));
    }
    Ui::MainWindow &ui() const { return *f->controls(); }
    QByteArray log() const { return dir.readFile("Errorlog.txt"); }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    // A damaged data file is moved aside and made anew from the template; the first start hint comes once.
    void damagedDataFileIsReplacedAndTheFirstStartHintComesOnce() {
        Station s;
        QVERIFY(s.dir.writeFile("Skylog.db", QByteArray(4096, 'Z')));
        s.load();
        QCOMPARE(s.dir.readFile("Skylog-defekt-20261205-160738.db"), QByteArray(4096, 'Z'));
        QCOMPARE(s.log(),
                 stamp + "Die Datenbank Skylog.db konnte nicht ge\366ffnet werden: Die Datei ist keine "
                         "Datenbank. Sie wurde nach Skylog-defekt-20261205-160738.db verschoben und aus der "
                         "Vorlage SkylogIni.db neu angelegt.\r\n");
        QCOMPARE(s.asked(), QStringList{"Erster Start...: Sie starten dieses Programm zum ersten Mal.\r\n"
                                        "Überprüfen Sie deshalb bitte die Schnittstellenkonfiguration."});
        QCOMPARE(s.ui().labStation->text(), "Messfeld Nord, Klimahütte 2 m");
        s.f.reset();
        Store::MainDb().close();
        s.boxes.asked.clear();
        QVERIFY(s.load().engine() && s.boxes.asked.isEmpty());
        // The other pairs have not been started yet.
        QCOMPARE(sqlValue(Store::MainDb(), "SELECT group_concat(Configured, '') FROM tblTemp").toString(),
                 "100000");
    }

    // A start that cannot have its database, or may not write in its directory, says why in one box and ends.
    void startStopsAfterOneReport_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("report");
        // The texts in full are the store's test.
        QTest::newRow("no database, no template")
            << "SkylogIni.db"
            << "Fehler bei Programmstart: Fehler 53: Die Datenbank <dir>/Skylog.db fehlt";
        QTest::newRow("read-only program directory")
            << "read-only"
            << "Fehler bei Programmstart: Fehler 70: Im Programmverzeichnis <dir> kann Skylog";
    }
    void startStopsAfterOneReport() {
        QFETCH(QString, setup);
        QFETCH(QString, report);
        Station s;
        QVERIFY(s.plug(1));
        const QFileDevice::Permissions permissions = QFile::permissions(s.dir.path());
        QVERIFY(QFile::remove(s.dir.file("Skylog.db")));
        if (setup == "read-only")
            QVERIFY(QFile::setPermissions(s.dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        else
            QVERIFY(QFile::remove(s.dir.file(setup)));
        {
            WithoutRootOverride asUser;
            QVERIFY(!MeasPnt::Main(s.dir.path()));
        }
        QFile::setPermissions(s.dir.path(), permissions);
        const QString shown = s.asked().join('\n').replace(s.dir.path(), "<dir>");
        QVERIFY2(s.boxes.asked.size() == 1 && shown.startsWith(report), qPrintable(shown));
        QVERIFY(!QFile::exists(s.dir.file("Skylog.db")) && !QFile::exists(s.dir.file("skylog.lock")));
        QVERIFY(!Store::MainDb().isOpen());
    }

    void connectItAndTheConnectionMenu() {
        Station s;
        QVERIFY(s.plug(3) && s.plug(8, true));
        MainWindow &f = s.load();
        Acquisition &a = *f.engine();
        const Ui::MainWindow &ui = s.ui();
        const Ui::FcCOM &com = f.comDialog()->controls();
        com.selCom->setCurrentIndex(7);
        QVERIFY(f.ConnectIt(true) == 0 && !a.port()->isOpen());
        QVERIFY(s.log().startsWith(stamp) && s.log().contains("COM 8"));
        com.selCom->setCurrentIndex(2);
        for (auto [box, text] :
             {std::pair{com.selBaud, "9600"}, {com.selPari, "even"}, {com.selData, "7"}, {com.selStop, "2"}})
            box->setCurrentText(text);
        QCOMPARE(f.ConnectIt(true), 1);
        QCOMPARE(ui.labStatus->text(), "Schnittstelle geöffnet  ( 9600,e,7,2 )");
        QVERIFY(a.port()->isOpen() && !ui.menCom->isEnabled() && ui.menComOn->text() == "&Trennen" &&
                s.boxes.asked.isEmpty());
        QVERIFY(f.ConnectIt(true) == -2 && f.ConnectIt(false) == -1);
        QVERIFY(!a.port()->isOpen() && ui.menCom->isEnabled());
        QCOMPARE(ui.labStatus->text(), "Schnittstelle geschlossen");

        ui.menComOn->trigger();
        QVERIFY(a.AktTimer.isActive() && a.MidTimer.isActive() && a.LastOnlineColor == 65280);
        // ReadConfig asked for the instantaneous values at once.
        QCOMPARE(s.device.waitForBytes(6, 5000), requestA);
        // The device goes away: the port is tried again until the device is back, reported once each way.
        a.reconnectTimer.setInterval(50);
        s.device.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(a.LastOnlineColor, 255, 10000);
        QVERIFY(!a.AktTimer.isActive() && a.isReconnecting() && !ui.menCom->isEnabled() &&
                ui.menComOn->text() == "&Trennen");
        QCOMPARE(ui.labStatus->text(), "Schnittstelle COM 3 nicht verfügbar, neuer Versuch alle 10 s");
        PseudoTerminal back;
        QVERIFY(back.linkAs(s.dir.path(), 3));
        QTRY_VERIFY_WITH_TIMEOUT(a.port()->isOpen(), 10000);
        QVERIFY(a.AktTimer.isActive() && a.MidTimer.isActive() && s.log().count('\n') == 3);
        QVERIFY(s.log().endsWith(stamp + "Schnittstelle COM 3 wieder verf\xfcgbar\r\n"));
        // Gone again: "Trennen" ends the attempts; the same loss within the hour is counted, not written
        // again.
        back.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(a.isReconnecting(), 10000);
        ui.menComOn->trigger();
        QVERIFY(!a.isReconnecting() && ui.menCom->isEnabled() && ui.menComOn->text() == "Hers&tellen");
        QCOMPARE(ui.labStatus->text(), "Schnittstelle geschlossen");
        QVERIFY(a.LastOnlineColor == 0 && s.log().count('\n') == 3);
    }

    void serialDialogUnloadsHoweverItCloses_data() {
        QTest::addColumn<QString>("how");
        for (const char *how : {"Escape", "Abbrechen", "close box", "OK"})
            QTest::newRow(how) << QString(how);
    }
    void serialDialogUnloadsHoweverItCloses() {
        QFETCH(QString, how);
        Station s;
        QVERIFY(s.plug(1));
        MainWindow &f = s.load();
        QPointer<FcCOM> dialog = f.comDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const Ui::FcCOM &com = dialog->controls();
        com.selCom->setFocus();
        QTest::keyClick(com.selCom, Qt::Key_Down);
        QCOMPARE(com.selCom->currentText(), "COM 2");
        if (how == "Escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (how == "close box")
            dialog->close();
        else
            (how == "OK" ? com.comOK : com.comExit)->click();
        QTRY_VERIFY(!dialog);
        // Connecting loads the dialog afresh from tblConfigCOM.
        s.ui().menComOn->trigger();
        QCOMPARE(s.ui().labSelCom->text(), how == "OK" ? "COM 2" : "COM 1");
        QCOMPARE(f.engine()->port()->isOpen(), how != "OK");
    }

    // Main takes a stale lock and starts polling; a port that cannot be opened offers the serial dialog, and
    // Abbrechen ends the start; a second copy is refused.
    void mainStartsOffersTheSerialDialogAndRefusesASecondCopy() {
        for (const QString port : {"opens", "fails, OK", "fails, Abbrechen"}) {
            Station s;
            const bool opens = port == "opens";
            QVERIFY(s.plug(1, !opens));
            // What a killed copy leaves behind: its process id, which no process has now.
            QVERIFY(s.dir.writeFile("skylog.lock",
                                    "2147483000\nSkylog\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
            s.boxes.answers << (port == "fails, OK" ? MsgBox::Ok : MsgBox::Cancel);
            auto running = MeasPnt::Main(s.dir.path());
            QCOMPARE(s.asked(), opens ? QStringList()
                                      : QStringList{"Fehler beim öffnen der Schnittstelle: Die Schnittstelle "
                                                    "konnte nicht geöffnet werden.\r\nÜberprüfen Sie die "
                                                    "Einstellungen."});
            QVERIFY(opens || s.boxes.asked[0].buttons == MsgBox::Buttons::OkCancel);
            QCOMPARE(running.has_value(), port != "fails, Abbrechen");
            if (!running)
                continue;
            const Acquisition &a = *running->f->engine();
            QVERIFY(a.LastOnlineColor == (opens ? 65280 : 255) && a.AktTimer.isActive() == opens);
            QCOMPARE(running->f->comDialog()->isVisible(), !opens);
            QVERIFY(!opens || (a.MidTimer.isActive() && s.device.waitForBytes(6, 5000) == requestA));
            s.boxes.asked.clear();
            QVERIFY(!MeasPnt::Main(s.dir.path()));
            QCOMPARE(s.asked(), QStringList{"Zweite Instanz: Die Applikation ist bereits aktiv!"});
            QCOMPARE(s.boxes.asked.first().icon, MsgBox::Icon::Exclamation);
        }
    }

    // The status line follows the message kinds and port events (the routes themselves are the message
    // table's, the files' the acquisition's). Up and Down scroll the panel, but after Alt they are the menu
    // bar's; minimised, the caption shows the values in turn.
    void statusLineKeysAndMinimisedCaption() {
        Station s;
        MainWindow &f = s.load();
        Acquisition &a = *f.engine();
        QLabel *status = s.ui().labStatus;
        a.AddText("Abfrage 2. Versuch...", -2);
        QCOMPARE(status->text() + ' ' + status->palette().color(QPalette::WindowText).name(),
                 stamp + "Abfrage 2. Versuch... #00ffff");
        a.AddText("Meldung", 1);
        QVERIFY(s.boxes.asked.isEmpty() && status->text() == "Meldung");

        QVERIFY(!a.port()->setCommPort(3));
        for (int code : {1001, 1004, 1006, 1008, 1009, 1010, 1011, 3})
            a.onComm(code);
        QByteArray expected;
        for (const char *text :
             {"Break", "Framing Error", "Port Overrun - data lost", "Receive Buffer Overflow", "Parity Error",
              "Transmit Buffer Full", "Device Control Block Error"})
            expected += stamp + text + " on COM 3\r\n";
        QCOMPARE(s.log(), expected);
        QCOMPARE(status->text(), "Meldung");
        a.onComm(1002);
        QCOMPARE(status->text(), "Unbekannte Meldung: 1002");

        for (int channel : {1, 2, 5}) {
            a.channelSlots[channel].shown = true;
            a.channelSlots[channel].KurzText = QString("K%1").arg(channel);
            f.labMW[channel] = new QLabel(QString(" %1,5 °C ").arg(channel), &f);
        }
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QScrollBar *bar = s.ui().VScroll;
        bar->setRange(0, 2);
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
            QTest::keyClick(s.ui().Command1, key);
        QCOMPARE(bar->value(), 1);
        QTest::keyClick(&f, Qt::Key_Alt);
        QTest::keyClick(s.ui().menubar, Qt::Key_Down);
        QTRY_VERIFY(s.ui().menDatei->isVisible());
        QCOMPARE(s.ui().menDatei->activeAction(), s.ui().menComOn);
        QTest::keyClick(s.ui().menDatei, Qt::Key_Escape);
        QCOMPARE(bar->value(), 1);

        QStringList captions;
        connect(&f, &QWidget::windowTitleChanged, this, [&](const QString &title) { captions << title; });
        f.showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(captions.size() >= 4, 10000);
        QCOMPARE(captions.mid(0, 4),
                 (QStringList{"K1:  1,5 °C", "K2:  2,5 °C", "K5:  5,5 °C", "K1:  1,5 °C"}));
        f.showNormal();
        QTRY_COMPARE(f.windowTitle(), "Skylog");
        QVERIFY(!f.miniTimer.isActive());
    }

    // Answered No, the fetch goes on with the main window's progress bar shown instead. (Answered Yes, the
    // fetch stops; closed by the program, the window asks nothing: the acquisition's tests.)
    void progressWindowCloseAsksTheUser() {
        QProgressBar mainProgress;
        mainProgress.hide();
        MessageBoxes boxes;
        boxes.answers << MsgBox::No;
        auto *progress = new FProg(&mainProgress);
        QSignalSpy spy(progress, &FProg::abortRequested);
        progress->show();
        progress->close();
        QVERIFY(spy.isEmpty() && !mainProgress.isHidden() && boxes.asked.size() == 1);
        QCOMPARE(boxes.asked[0].text, "Soll die Mittelwertabfrage beendet werden?");
        QCOMPARE(boxes.asked[0].buttons, MsgBox::Buttons::YesNo);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
