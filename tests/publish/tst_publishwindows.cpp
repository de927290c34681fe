#include "config/dialogfixture.h"
#include "publish/publisher.h"
#include "publish/ui/browserwindow.h"
#include "publish/ui/fcmail.h"
#include "publish/ui/finfo.h"
#include "store/sysconf.h"
#include "support/mailservers.h"
#include "support/programdir.h"
#include "ui_fcmail.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <csignal>

namespace {

// The browser engine shares its graphics context with the windows, said before the application object
// exists; everything it sends goes to a closed local port (the browser processes inherit that).
[[maybe_unused]] const bool engineSetUp = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=127.0.0.1:9");
    return true;
}();

// The browser processes this process started.
QList<qint64> browserProcesses() {
    QList<qint64> found;
    for (const QFileInfo &entry : QDir("/proc").entryInfoList(QDir::Dirs)) {
        QFile status(entry.filePath() + "/status");
        QFile commandLine(entry.filePath() + "/cmdline");
        if (status.open(QIODevice::ReadOnly) && commandLine.open(QIODevice::ReadOnly) &&
            status.readAll().contains("\nPPid:\t" + QByteArray::number(QCoreApplication::applicationPid()) +
                                      "\n") &&
            commandLine.readAll().split('\0').contains(BrowserWindow::option))
            found << entry.fileName().toLongLong();
    }
    return found;
}

// The web engine is mapped into the process.
bool webEngineLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

} // namespace

class TestPublishWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    // Typing in any box enables OK. A save that fails leaves the settings as they were and says so over the
    // dialog, which stays open; OK then stores the five fields in memory and in the row, the recipients split
    // at commas, semicolons and line breaks.
    void fcMailSavesItsFields() {
        DialogFixture s;
        SysConf.MailMessage = QStringLiteral("Zeile 1\r\nZeile 2");
        const QString row =
            "SELECT MailHost, MailSender, MailRec, MailSubject, MailMessage, MittInter FROM tblSysConf";
        const QStringList rowBefore = DialogFixture::rows(row);
        const auto inMemory = [] {
            return QStringList{SysConf.MailHost, SysConf.MailSender, SysConf.MailRec, SysConf.MailSubject,
                               SysConf.MailMessage};
        };
        QPointer<FcMail> dialog = s.open<FcMail>();
        const Ui::FcMail &c = dialog->controls();
        QCOMPARE(c.txtMessage->toPlainText(), "Zeile 1\nZeile 2");
        QVERIFY(!c.comOK->isEnabled());
        const char *const boxes[] = {"txtHost", "txtSender", "txtRec", "txtSubject", "txtMessage"};
        const QStringList fields{" smtp.example.org ", "wetter@station.example",
                                 "x@example.org, y@example.org;z@example.org\r\nw@example.org\r\n",
                                 "Bericht #tm#", "Station Nord\r\nTemperatur: #ct#"};
        for (int i = 0; i < 5; ++i) {
            c.comOK->setEnabled(false);
            const QString text = QString(fields[i]).replace("\r\n", "\n");
            if (auto *lines = dialog->findChild<QPlainTextEdit *>(boxes[i]))
                lines->setPlainText(text);
            else
                QTest::keyClicks(dialog->findChild<QWidget *>(boxes[i]), text);
            QVERIFY2(c.comOK->isEnabled(), boxes[i]);
        }
        sqlValue(Store::MainDb(), "CREATE TRIGGER refuse BEFORE UPDATE ON tblSysConf BEGIN "
                                  "SELECT RAISE(ABORT, 'gesperrt'); END");
        const QStringList memoryBefore = inMemory();
        c.comOK->click();
        QCOMPARE(s.boxes.asked.size(), 1);
        QCOMPARE(s.boxes.asked[0].title + '|' + s.boxes.asked[0].text.section('\n', 0, 0),
                 "Mail-Konfiguration|Die Einstellung konnte nicht gespeichert werden.");
        QVERIFY(dialog->isVisible() && s.dir.readFile("Errorlog.txt").contains("gesperrt"));
        QCOMPARE(inMemory(), memoryBefore);
        QCOMPARE(DialogFixture::rows(row), rowBefore);

        sqlValue(Store::MainDb(), "DROP TRIGGER refuse");
        c.comOK->click();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(inMemory(), fields);
        QCOMPARE(SysConf.MailRecList,
                 (QStringList{"x@example.org", " y@example.org", "z@example.org", "w@example.org"}));
        QCOMPARE(DialogFixture::rows(row), QStringList{fields.join(u'|') + QStringLiteral("|60")});
    }

    // Switched on with settings that cannot give a mail, the report switches itself off again with one
    // message; a mail that fails goes to the error log.
    void mailReportSwitch() {
        DialogFixture s;
        s.f->engine()->publication().mailer.setPort(freePort());
        s.f->menMailAktiv->trigger();
        QVERIFY(!s.f->menMailAktiv->isChecked() && !SysConf.MailAktiv);
        QCOMPARE(sqlValue(Store::MainDb(), "SELECT MailAktiv FROM tblSysConf").toInt(), 0);
        const QByteArray text = "Die E-Mail wird nicht gesendet: Es ist kein SMTP-Host eingetragen. "
                                "Der E-Mail-Bericht wurde ausgeschaltet.";
        QCOMPARE(s.boxes.asked.size(), 1);
        QCOMPARE(s.boxes.asked[0].title + ": " + s.boxes.asked[0].text, "E-Mail-Bericht: " + QString(text));
        for (QMessageBox *box : s.f->findChildren<QMessageBox *>())
            box->close(); // by the operator
        SysConf.MailHost = "127.0.0.1";
        SysConf.MailSender = "wetter@station.example";
        SysConf.MailRecList = mailRecipients("a@example.org");
        s.f->menMailAktiv->trigger();
        QTRY_COMPARE(s.boxes.asked.size(), 2);
        QVERIFY(s.f->menMailAktiv->isChecked());
        QCOMPARE(s.dir.readFile("Errorlog.txt"),
                 "05.12.2026 16:07:38 - " + text +
                     "\r\n05.12.2026 16:07:38 - E-Mail nicht gesendet: Winsock "
                     "Error number 10061 (Connection refused)\r\n");
    }

    // The gradient runs from blue 253 at the top to black at the bottom, whatever the height. Only the web
    // address opens the browser, once, in a process of its own (the engine never enters the station program),
    // or a box says why it cannot start. Last, the window the browser process shows.
    void fInfo() {
        FInfo info;
        info.show();
        for (const auto &[h, y, blue] : {std::tuple{230, 0, 253}, std::tuple{230, 229, 1},
                                         std::tuple{57, 28, 129}, std::tuple{57, 56, 4}}) {
            info.resize(380, h);
            QCOMPARE(info.grab().toImage().pixel(0, y), qRgb(0, 0, blue));
        }
        for (int i : {0, 1, 2, 3, 4})
            QTest::mouseClick(info.labInfo[i], Qt::LeftButton);
        QVERIFY(browserProcesses().isEmpty());
        {
            ProgramDir alone; // a program without the plugin beside it
            QVERIFY(QFile::copy(SKYLOG_PROGRAM_DIR "/skylog", alone.file("skylog")));
            BrowserWindow::setProgram(alone.file("skylog"));
            MessageBoxes boxes;
            QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
            QTRY_COMPARE(boxes.asked.size(), 1);
            QVERIFY2(boxes.asked[0].text.startsWith("Das Browserfenster kann nicht geöffnet werden.\n") &&
                         boxes.asked[0].text.contains("skylogbrowser"),
                     qPrintable(boxes.asked[0].text));
        }
        BrowserWindow::setProgram(SKYLOG_PROGRAM_DIR "/skylog");
        QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
        QTRY_COMPARE(browserProcesses().size(), 1);
        QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
        QTest::qWait(200);
        QCOMPARE(browserProcesses().size(), 1);
        QVERIFY(!webEngineLoaded());
        ::kill(pid_t(browserProcesses().first()), SIGTERM);
        QTRY_VERIFY(browserProcesses().isEmpty());

        QString error;
        const QPointer<QWidget> browser = BrowserWindow::open(SKYLOG_PROGRAM_DIR, &error);
        QVERIFY2(browser && webEngineLoaded(), qPrintable(error));
        browser->show();
        QCOMPARE(browser->windowTitle(), Publisher::webAddress);
        QCOMPARE(browser->findChild<QWidget *>("WebBrowser")->property("url").toUrl(),
                 QUrl(Publisher::webSite));
        browser->close();
        QTRY_VERIFY(!browser);
    }
};

QTEST_MAIN(TestPublishWindows)
#include "tst_publishwindows.moc"
