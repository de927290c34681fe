// Start-up, shutdown and the main window, driven as a user would, on a real program directory with a real
// SQLite file and a pseudo-terminal as the serial device.
#include "app/fprog.h"
#include "app/mainwindow.h"
#include "app/measpnt.h"
#include "link/seriallink.h"
#include "link/ui/fccom.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "support/programdir.h"
#include "support/pty.h"
#include "ui_fccom.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace {

const QString startErrorTitle = QStringLiteral("Fehler bei Programmstart");

// The template's first start shows the set-up hint and the modal serial dialog; closing it like a user does.
void closeModalDialogSoon() {
    QTimer::singleShot(0, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
}

QStringList titles(const QList<MsgBox::Request> &asked) {
    QStringList list;
    for (const auto &request : asked)
        list << request.title;
    return list;
}

void markConfigured(ProgramDir &dir) {
    QSqlDatabase db = dir.createDataFile(QStringLiteral("prepare"));
    QSqlQuery(db).exec(QStringLiteral("UPDATE tblTemp SET Configured = 1"));
    db.close();
}

bool sameImage(const QPixmap &a, const QPixmap &b) {
    return a.toImage() == b.toImage();
}

// An unplugged adapter: the link names a device that is not there.
void linkUnpluggedAdapter(const QString &programDir, int com) {
    QDir(programDir).mkpath(QStringLiteral("dosdevices"));
    QFile::link(QStringLiteral("/dev/skylog-test-unplugged"),
                QDir(programDir).filePath(QStringLiteral("dosdevices/com%1").arg(com)));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void missingDataFileIsCreatedFromTheTemplate();
    void firstStartHintComesOnce();
    void unreadableDataFileIsMovedAsideAndLogged();
    void bothFilesMissingReportsEachStepAndStillShowsTheWindow();
    void emptySettingsUseDefaultsAndMomInterSetsTheTimer();
    void messagesAreRoutedByKind_data();
    void messagesAreRoutedByKind();
    void unwritableFileShowsTheErrorBox();
    void portEventsAreReportedByCode_data();
    void portEventsAreReportedByCode();
    void indicatorsShowTheColourOfTheLastCall();
    void connectItOpensAndClosesThePseudoTerminal();
    void connectItReportsAMissingPort();
    void connectionMenuStartsAndStopsTheTimers();
    void deviceGoneLeavesTheMenuReadyToConnect();
    void secondInstanceIsRefused();
    void staleLockDoesNotBlockTheStart();
    void mainOffersTheSerialDialogWhenThePortFails();
    void mainStartsPollingWhenThePortOpens();
    void minimisedCaptionRotatesThroughShownChannels();
    void arrowKeysScrollThePanel();
    void progressWindowCloseAsksTheUser();

private:
    std::unique_ptr<MainWindow> loaded(ProgramDir &dir, MessageBoxes &boxes);
};

void TestMainWindow::initTestCase() {
    pinGermanLocale();
}

void TestMainWindow::cleanup() {
    Store::MainDb().close();
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (name != QLatin1String(QSqlDatabase::defaultConnection))
            QSqlDatabase::removeDatabase(name);
    }
    SysConf = SysConfRecord();
    FetchAbort = false;
}

std::unique_ptr<MainWindow> TestMainWindow::loaded(ProgramDir &dir, MessageBoxes &boxes) {
    boxes.onShow = [](const MsgBox::Request &request) {
        if (request.title == QLatin1String("Erster Start..."))
            closeModalDialogSoon();
    };
    auto f = std::make_unique<MainWindow>(dir.path());
    f->setClock([] { return QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)); });
    f->load();
    return f;
}

void TestMainWindow::missingDataFileIsCreatedFromTheTemplate() {
    ProgramDir dir;
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QVERIFY(QFile::exists(dir.file(QStringLiteral("Skylog.db"))));
    QVERIFY(!titles(boxes.asked).contains(startErrorTitle));
    Ui::MainWindow *ui = f->controls();
    QCOMPARE(ui->labSelStat->text(), QStringLiteral("01"));
    QCOMPARE(ui->labStation->text(), QStringLiteral("Messfeld Nord, Klimahütte 2 m"));
    QCOMPARE(ui->labLogger->text(), QStringLiteral("KLD 20  /  Nordfeld Messtechnik"));
    QCOMPARE(ui->labNextAccess->text(), QStringLiteral("05.12.2026 17:00:00"));
    QCOMPARE(ui->labLastAccess->text(), QString());
    QCOMPARE(ui->menComOn->data().toString(), QStringLiteral("0"));
    QCOMPARE(ui->labStatus->text(), QStringLiteral("O.K."));
    QCOMPARE(f->LastTransColor, 0);
    QCOMPARE(f->AktTimer.interval(), 3000);
    QVERIFY(!f->AktTimer.isActive() && !f->MidTimer.isActive());
    QCOMPARE(QDir::currentPath(), QDir(dir.path()).absolutePath());
}

void TestMainWindow::firstStartHintComesOnce() {
    ProgramDir dir;
    {
        MessageBoxes boxes;
        auto f = loaded(dir, boxes);
        QCOMPARE(titles(boxes.asked), QStringList{QStringLiteral("Erster Start...")});
        QCOMPARE(boxes.asked.first().icon, MsgBox::Icon::Information);
        QCOMPARE(boxes.asked.first().text,
                 QStringLiteral("Sie starten dieses Programm zum ersten Mal.\r\n"
                                "Überprüfen Sie deshalb bitte die Schnittstellenkonfiguration."));
    }
    Store::MainDb().close();
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QVERIFY(boxes.asked.isEmpty());
    // The other pairs have not been started yet.
    QCOMPARE(sqlValue(Store::MainDb(), QStringLiteral("SELECT group_concat(Configured, '') FROM tblTemp"))
                 .toString(),
             QStringLiteral("100000"));
}

void TestMainWindow::unreadableDataFileIsMovedAsideAndLogged() {
    ProgramDir dir;
    {
        QFile damaged(dir.file(QStringLiteral("Skylog.db")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, '\x5a'));
    }
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QCOMPARE(dir.readFile(QStringLiteral("Skylog-defekt-20261205-160738.db")), QByteArray(4096, '\x5a'));
    QCOMPARE(f->controls()->labSelStat->text(), QStringLiteral("01"));
    const QByteArray log = dir.readFile(QStringLiteral("Errorlog.txt"));
    QVERIFY2(log.startsWith("05.12.2026 16:07:38 - Die Datenbank Skylog.db konnte nicht ge\xf6"
                            "ffnet werden ("),
             log);
    QVERIFY(log.contains("Skylog-defekt-20261205-160738.db"));
    QVERIFY(log.endsWith("\r\n"));
    QCOMPARE(log.count("\r\n"), 1);
}

void TestMainWindow::bothFilesMissingReportsEachStepAndStillShowsTheWindow() {
    ProgramDir dir;
    QFile::remove(dir.file(QStringLiteral("SkylogIni.db")));
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    // Copy, second open, settings, tblTemp, identity: one message each.
    QCOMPARE(titles(boxes.asked), QStringList(5, startErrorTitle));
    QVERIFY(boxes.asked.first().text.startsWith(QStringLiteral("Fehler 53: Datei nicht gefunden")));
    QCOMPARE(boxes.asked.last().text, QStringLiteral("Fehler 91: Die Datenbank ist nicht geöffnet."));
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("Skylog.db"))));
    QCOMPARE(f->controls()->labStation->text(), QStringLiteral("---"));
    QCOMPARE(f->controls()->labSelStat->text(), QString());
    // A failing MomInter leaves the timer at its designed interval.
    QCOMPARE(f->AktTimer.interval(), 5000);
}

void TestMainWindow::emptySettingsUseDefaultsAndMomInterSetsTheTimer() {
    ProgramDir dir;
    {
        QSqlDatabase db = dir.createDataFile(QStringLiteral("prepare"));
        QSqlQuery(db).exec(QStringLiteral("DELETE FROM tblSysConf"));
        db.close();
    }
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QCOMPARE(f->AktTimer.interval(), 3000);
    QCOMPARE(SysConf.Provider, 1);
    QCOMPARE(f->controls()->labNextAccess->text(), QStringLiteral("deaktiviert"));
    QCOMPARE(sqlValue(Store::MainDb(), QStringLiteral("SELECT count(*) FROM tblSysConf")).toInt(), 0);
    f.reset();

    Store::MainDb().close();
    QSqlQuery(Store::MainDb()).exec(QStringLiteral("UPDATE tblSysConf SET MomInter = 5000"));
    QVERIFY(Store::openMainDb(dir.file(QStringLiteral("Skylog.db"))) == std::nullopt);
    QVERIFY(
        QSqlQuery(Store::MainDb()).exec(QStringLiteral("INSERT INTO tblSysConf (MomInter) VALUES (5000)")));
    Store::MainDb().close();
    auto g = loaded(dir, boxes);
    QCOMPARE(g->AktTimer.interval(), 5000);
}

void TestMainWindow::messagesAreRoutedByKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QByteArray>("errorLog");
    QTest::addColumn<QByteArray>("outputFile");
    const QColor unchanged = QColor(1, 2, 3);
    QTest::newRow("-3 error log") << -3 << "Überlauf"
                                  << "O.K." << unchanged
                                  << QByteArray("05.12.2026 16:07:38 - \xdc"
                                                "berlauf\r\n")
                                  << QByteArray();
    QTest::newRow("-1 check failed") << -1 << "Prüfsummenfehler (87 vs. 86)"
                                     << "O.K." << unchanged
                                     << QByteArray("05.12.2026 16:07:38 - Pr\xfc"
                                                   "fsummenfehler (87 vs. 86)\r\n")
                                     << QByteArray();
    QTest::newRow("-2 progress") << -2 << "Abfrage 2. Versuch..."
                                 << "05.12.2026 16:07:38 - Abfrage 2. Versuch..." << QColor(0, 255, 255)
                                 << QByteArray() << QByteArray();
    QTest::newRow("0 output line") << 0 << "05.12.2026 16:00:00|01|03|1013,2"
                                   << "O.K." << unchanged << QByteArray()
                                   << QByteArray("05.12.2026 16:00:00|01|03|1013,2\r\n");
    QTest::newRow("1 status") << 1 << "3 Datensätze erhalten."
                              << "3 Datensätze erhalten." << QColor(0, 0, 255) << QByteArray()
                              << QByteArray();
    QTest::newRow("1 empty clears") << 1 << ""
                                    << "" << QColor(0, 0, 255) << QByteArray() << QByteArray();
    QTest::newRow("7 plain") << 7 << "Unbekannte Meldung: 1002"
                             << "Unbekannte Meldung: 1002" << unchanged << QByteArray() << QByteArray();
}

void TestMainWindow::messagesAreRoutedByKind() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, status);
    QFETCH(QColor, colour);
    QFETCH(QByteArray, errorLog);
    QFETCH(QByteArray, outputFile);
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QLabel *labStatus = f->controls()->labStatus;
    QPalette palette = labStatus->palette();
    palette.setColor(QPalette::WindowText, QColor(1, 2, 3));
    labStatus->setPalette(palette);

    f->AddText(text, kind);
    QCOMPARE(labStatus->text(), status);
    QCOMPARE(labStatus->toolTip(), status);
    QCOMPARE(labStatus->palette().color(QPalette::WindowText), colour);
    QCOMPARE(dir.readFile(QStringLiteral("Errorlog.txt")), errorLog);
    QCOMPARE(dir.readFile(QStringLiteral("Testlog.txt")), outputFile);
    QVERIFY(boxes.asked.isEmpty());
}

void TestMainWindow::unwritableFileShowsTheErrorBox() {
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    SysConf.datname = dir.file(QStringLiteral("fehlt/Export.txt"));
    f->AddText(QStringLiteral("05.12.2026 16:00:00|01|03|1013,2"), 0);
    QCOMPARE(boxes.asked.size(), 1);
    QCOMPARE(boxes.asked.first().title, QStringLiteral("Unerwarteter Fehler: 76"));
    QCOMPARE(boxes.asked.first().text, QStringLiteral("Pfad nicht gefunden"));
    QCOMPARE(boxes.asked.first().icon, MsgBox::Icon::Critical);
    // The program goes on: the next message is written.
    f->AddText(QStringLiteral("weiter"), -1);
    QVERIFY(dir.readFile(QStringLiteral("Errorlog.txt")).endsWith(" - weiter\r\n"));
}

void TestMainWindow::portEventsAreReportedByCode_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("errorLog");
    QTest::addColumn<QString>("status");
    QTest::newRow("break") << 1001 << QByteArray("Break on COM 3") << "O.K.";
    QTest::newRow("framing") << 1004 << QByteArray("Framing Error on COM 3") << "O.K.";
    QTest::newRow("overrun") << 1006 << QByteArray("Port Overrun - data lost on COM 3") << "O.K.";
    QTest::newRow("receive overflow") << 1008 << QByteArray("Receive Buffer Overflow on COM 3") << "O.K.";
    QTest::newRow("parity") << 1009 << QByteArray("Parity Error on COM 3") << "O.K.";
    QTest::newRow("transmit full") << 1010 << QByteArray("Transmit Buffer Full on COM 3") << "O.K.";
    QTest::newRow("control block") << 1011 << QByteArray("Device Control Block Error on COM 3") << "O.K.";
    QTest::newRow("CTS change") << 3 << QByteArray() << "O.K.";
    QTest::newRow("unknown 1002") << 1002 << QByteArray() << "Unbekannte Meldung: 1002";
    QTest::newRow("unknown 0") << 0 << QByteArray() << "Unbekannte Meldung: 0";
}

void TestMainWindow::portEventsAreReportedByCode() {
    QFETCH(int, code);
    QFETCH(QByteArray, errorLog);
    QFETCH(QString, status);
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    f->controls()->labSelCom->setText(QStringLiteral("COM 3"));
    f->onComm(code);
    QCOMPARE(dir.readFile(QStringLiteral("Errorlog.txt")),
             errorLog.isEmpty() ? QByteArray() : "05.12.2026 16:07:38 - " + errorLog + "\r\n");
    QCOMPARE(f->controls()->labStatus->text(), status);
    QCOMPARE(f->LastTransColor, 0);
}

void TestMainWindow::indicatorsShowTheColourOfTheLastCall() {
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QLabel *imgTrans = f->controls()->imgTrans;
    const QPixmap black = imgTrans->pixmap();
    f->ShowTrans(65535);
    QCOMPARE(f->LastTransColor, 65535);
    QVERIFY(!sameImage(imgTrans->pixmap(), black));
    f->ShowTrans(1);
    QVERIFY(sameImage(imgTrans->pixmap(), black));
    f->ShowOnline(255);
    const QPixmap redLamp = f->controls()->imgOnline->pixmap();
    f->ShowTrans(255);
    QVERIFY(sameImage(imgTrans->pixmap(), redLamp));
    QCOMPARE(f->LastOnlineColor, 255);
}

void TestMainWindow::connectItOpensAndClosesThePseudoTerminal() {
    ProgramDir dir;
    markConfigured(dir);
    PseudoTerminal device;
    QVERIFY(device.linkAs(dir.path(), 3));
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    const Ui::FcCOM &com = f->comDialog()->controls();
    com.selCom->setCurrentIndex(2);
    com.selBaud->setCurrentText(QStringLiteral("9600"));
    com.selPari->setCurrentText(QStringLiteral("even"));
    com.selData->setCurrentText(QStringLiteral("7"));
    com.selStop->setCurrentText(QStringLiteral("2"));
    com.selDTR->setCheckState(Qt::PartiallyChecked);
    Ui::MainWindow *ui = f->controls();

    QCOMPARE(f->ConnectIt(true), qint16(1));
    QVERIFY(f->port()->isOpen());
    QCOMPARE(ui->labStatus->text(), QStringLiteral("Schnittstelle geöffnet  ( 9600,e,7,2 )"));
    QCOMPARE(ui->labSelCom->text(), QStringLiteral("COM 3"));
    QCOMPARE(ui->menComOn->text(), QStringLiteral("&Trennen"));
    QCOMPARE(ui->menComOn->data().toString(), QStringLiteral("1"));
    QVERIFY(!ui->menCom->isEnabled());
    QVERIFY(f->port()->dtrEnable());
    QVERIFY(f->port()->write(QByteArray("\x02"
                                        "03\x1b"
                                        "A\r")) == std::nullopt);
    QCOMPARE(device.waitForBytes(6, 5000), QByteArray("\x02"
                                                      "03\x1b"
                                                      "A\r"));

    QCOMPARE(f->ConnectIt(true), qint16(-2));
    QVERIFY(ui->menCom->isEnabled());
    QCOMPARE(f->ConnectIt(false), qint16(-1));
    QVERIFY(!f->port()->isOpen());
    QCOMPARE(ui->labStatus->text(), QStringLiteral("Schnittstelle geschlossen"));
    QCOMPARE(ui->menComOn->text(), QStringLiteral("Hers&tellen"));
    QCOMPARE(ui->menComOn->data().toString(), QStringLiteral("0"));
    QVERIFY(ui->menCom->isEnabled());
    QCOMPARE(f->ConnectIt(false), qint16(2));
    QVERIFY(!ui->menCom->isEnabled());
}

void TestMainWindow::connectItReportsAMissingPort() {
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    linkUnpluggedAdapter(dir.path(), 8);
    auto f = loaded(dir, boxes);
    f->comDialog()->controls().selCom->setCurrentIndex(7);
    QCOMPARE(f->ConnectIt(true), qint16(0));
    QVERIFY(!f->port()->isOpen());
    QCOMPARE(f->controls()->menComOn->data().toString(), QStringLiteral("0"));
    QCOMPARE(f->controls()->labStatus->text(), QStringLiteral("O.K."));
    const QByteArray log = dir.readFile(QStringLiteral("Errorlog.txt"));
    QVERIFY2(log.startsWith("05.12.2026 16:07:38 - ") && log.contains("COM 8") && log.endsWith("\r\n"), log);

    // Rows but no active one: nothing is selected and there is no port number.
    f->comDialog()->controls().selCom->setCurrentIndex(-1);
    QCOMPARE(f->ConnectIt(true), qint16(0));
    QVERIFY(boxes.asked.isEmpty());
}

void TestMainWindow::connectionMenuStartsAndStopsTheTimers() {
    ProgramDir dir;
    markConfigured(dir);
    PseudoTerminal device;
    QVERIFY(device.linkAs(dir.path(), 1));
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    Ui::MainWindow *ui = f->controls();
    ui->Command1->setEnabled(false);

    ui->menComOn->trigger();
    QVERIFY(f->port()->isOpen());
    QCOMPARE(f->LastOnlineColor, 65280);
    QVERIFY(f->AktTimer.isActive() && f->MidTimer.isActive());
    QVERIFY(ui->Command1->isEnabled());
    QVERIFY(f->channelTableStale);
    // ReadConfig asked for the instantaneous values at once.
    QCOMPARE(device.waitForBytes(6, 5000), QByteArray("\x02"
                                                      "01\x1b"
                                                      "A\r"));

    ui->menComOn->trigger();
    QVERIFY(!f->port()->isOpen());
    QCOMPARE(f->LastOnlineColor, 0);
    QVERIFY(!f->AktTimer.isActive() && !f->MidTimer.isActive());

    // A tag of "1" always tries to disconnect, whatever the port's real state.
    ui->menComOn->setData(QStringLiteral("1"));
    ui->menComOn->trigger();
    QCOMPARE(f->LastOnlineColor, 255);
}

void TestMainWindow::deviceGoneLeavesTheMenuReadyToConnect() {
    ProgramDir dir;
    markConfigured(dir);
    auto device = std::make_unique<PseudoTerminal>();
    QVERIFY(device->linkAs(dir.path(), 1));
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    Ui::MainWindow *ui = f->controls();
    ui->menComOn->trigger();
    QVERIFY(f->port()->isOpen());
    device->closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(f->LastOnlineColor, 255, 10000);
    QVERIFY(!f->port()->isOpen());
    QCOMPARE(ui->menComOn->data().toString(), QStringLiteral("0"));
    QCOMPARE(ui->menComOn->text(), QStringLiteral("Hers&tellen"));
    QVERIFY(ui->menCom->isEnabled());
    QVERIFY(!f->AktTimer.isActive() && !f->MidTimer.isActive());
    QCOMPARE(ui->labStatus->text(), QStringLiteral("Schnittstelle geschlossen"));
    QCOMPARE(dir.readFile(QStringLiteral("Errorlog.txt")).count("\r\n"), 1);
}

void TestMainWindow::secondInstanceIsRefused() {
    ProgramDir dir;
    QLockFile first(dir.file(QStringLiteral("skylog.lock")));
    QVERIFY(first.tryLock(0));
    MessageBoxes boxes;
    QVERIFY(!MeasPnt::Main(dir.path()));
    QCOMPARE(boxes.asked.size(), 1);
    QCOMPARE(boxes.asked.first().title, QStringLiteral("Zweite Instanz"));
    QCOMPARE(boxes.asked.first().text, QStringLiteral("Die Applikation ist bereits aktiv!"));
    QCOMPARE(boxes.asked.first().icon, MsgBox::Icon::Exclamation);
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("Skylog.db"))));
}

void TestMainWindow::staleLockDoesNotBlockTheStart() {
    ProgramDir dir;
    markConfigured(dir);
    PseudoTerminal device;
    QVERIFY(device.linkAs(dir.path(), 1));
    {
        // What a killed copy leaves behind: its process id, which no process has now.
        QFile lock(dir.file(QStringLiteral("skylog.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483000\nSkylog\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    MessageBoxes boxes;
    auto running = MeasPnt::Main(dir.path());
    QVERIFY(running.has_value());
    QVERIFY(boxes.asked.isEmpty());
    QVERIFY(running->f->port()->isOpen());
}

void TestMainWindow::mainOffersTheSerialDialogWhenThePortFails() {
    for (MsgBox::Answer answer : {MsgBox::Cancel, MsgBox::Ok}) {
        ProgramDir dir;
        markConfigured(dir);
        linkUnpluggedAdapter(dir.path(), 1);
        MessageBoxes boxes;
        boxes.answers << answer;
        auto running = MeasPnt::Main(dir.path());
        QCOMPARE(boxes.asked.size(), 1);
        const MsgBox::Request &asked = boxes.asked.first();
        QCOMPARE(asked.title, QStringLiteral("Fehler beim öffnen der Schnittstelle"));
        QCOMPARE(asked.text, QStringLiteral("Die Schnittstelle konnte nicht geöffnet werden.\r\n"
                                            "Überprüfen Sie die Einstellungen."));
        QCOMPARE(asked.buttons, MsgBox::Buttons::OkCancel);
        QCOMPARE(running.has_value(), answer == MsgBox::Ok);
        if (running) {
            QCOMPARE(running->f->LastOnlineColor, 255);
            QVERIFY(running->f->comDialog()->isVisible());
            QVERIFY(!running->f->AktTimer.isActive() && !running->f->MidTimer.isActive());
        }
        cleanup();
    }
}

void TestMainWindow::mainStartsPollingWhenThePortOpens() {
    ProgramDir dir;
    markConfigured(dir);
    PseudoTerminal device;
    QVERIFY(device.linkAs(dir.path(), 1));
    MessageBoxes boxes;
    auto running = MeasPnt::Main(dir.path());
    QVERIFY(running.has_value());
    MainWindow &f = *running->f;
    QCOMPARE(f.LastOnlineColor, 65280);
    QVERIFY(f.AktTimer.isActive() && f.MidTimer.isActive());
    QCOMPARE(f.controls()->labStatus->text(), QStringLiteral("Schnittstelle geöffnet  ( 38400,n,8,1 )"));
    QCOMPARE(device.waitForBytes(6, 5000), QByteArray("\x02"
                                                      "01\x1b"
                                                      "A\r"));
    QVERIFY(f.OutTimer.isActive());
}

void TestMainWindow::minimisedCaptionRotatesThroughShownChannels() {
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    QList<std::shared_ptr<QLabel>> labels;
    for (int channel : {1, 2, 5}) {
        f->channelSlots[channel].shown = true;
        f->channelSlots[channel].KurzText = QStringLiteral("K%1").arg(channel);
        labels << std::make_shared<QLabel>(QStringLiteral(" %1,5 °C ").arg(channel));
        f->labMW[channel] = labels.last().get();
    }
    f->show();
    QStringList captions;
    connect(f.get(), &QWidget::windowTitleChanged, this, [&](const QString &title) { captions << title; });
    f->showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(captions.size() >= 4, 10000);
    QCOMPARE(captions.mid(0, 4), (QStringList{QStringLiteral("K1:  1,5 °C"), QStringLiteral("K2:  2,5 °C"),
                                              QStringLiteral("K5:  5,5 °C"), QStringLiteral("K1:  1,5 °C")}));
    f->showNormal();
    QTRY_COMPARE(f->windowTitle(), QStringLiteral("Skylog"));
    QVERIFY(!f->miniTimer.isActive());
}

void TestMainWindow::arrowKeysScrollThePanel() {
    ProgramDir dir;
    markConfigured(dir);
    MessageBoxes boxes;
    auto f = loaded(dir, boxes);
    f->show();
    QScrollBar *bar = f->controls()->VScroll;
    bar->setRange(0, 2);
    QTest::keyClick(f->controls()->Command1, Qt::Key_Up);
    QCOMPARE(bar->value(), 0);
    QTest::keyClick(f->controls()->Command1, Qt::Key_Down);
    QTest::keyClick(f->controls()->Command1, Qt::Key_Down);
    QTest::keyClick(f->controls()->Command1, Qt::Key_Down);
    QCOMPARE(bar->value(), 2);
    QTest::keyClick(f->controls()->Command1, Qt::Key_Up);
    QCOMPARE(bar->value(), 1);
}

void TestMainWindow::progressWindowCloseAsksTheUser() {
    QProgressBar mainProgress;
    mainProgress.hide();
    MessageBoxes boxes;
    boxes.answers << MsgBox::No << MsgBox::Yes;

    auto *progress = new FProg(&mainProgress);
    progress->show();
    progress->close();
    QCOMPARE(boxes.asked.size(), 1);
    QCOMPARE(boxes.asked.first().title, QStringLiteral("Benutzerabbruch"));
    QCOMPARE(boxes.asked.first().text, QStringLiteral("Soll die Mittelwertabfrage beendet werden?"));
    QCOMPARE(boxes.asked.first().buttons, MsgBox::Buttons::YesNo);
    QVERIFY(!FetchAbort);
    QVERIFY(mainProgress.isVisibleTo(&mainProgress) || !mainProgress.isHidden());

    progress = new FProg(&mainProgress);
    progress->show();
    progress->close();
    QVERIFY(FetchAbort);

    FetchAbort = false;
    progress = new FProg(&mainProgress);
    progress->show();
    progress->unload();
    QVERIFY(FetchAbort);
    QCOMPARE(boxes.asked.size(), 2);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
