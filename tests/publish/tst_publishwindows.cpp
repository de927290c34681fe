#include "publish/publisher.h"
#include "publish/ui/fbrowser.h"
#include "publish/ui/fchtml.h"
#include "publish/ui/fcmail.h"
#include "publish/ui/finfo.h"
#include "store/sysconf.h"
#include "support/programdir.h"
#include "ui_fchtml.h"
#include "ui_fcmail.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QWebEngineView>

namespace {

constexpr int Wait = 20000;

// The browser engine shares its graphics context with the windows; this has to be said before the application
// object exists.
const bool sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine sends everything to a closed port of this machine, so no host name is resolved and nothing
    // leaves the machine when it opens the publisher's web site.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=127.0.0.1:9");
    return true;
}();

int blueAt(const QImage &image, int y) {
    return qBlue(image.pixel(0, y));
}

void setMailSettings() {
    SysConf.MailHost = QStringLiteral("mail.example.org");
    SysConf.MailSender = QStringLiteral("wetter@station.example");
    SysConf.MailRec = QStringLiteral("a@example.org, b@example.org");
    SysConf.MailRecList = mailRecipients(SysConf.MailRec);
    SysConf.MailSubject = QStringLiteral("Messwerte #dt#");
    SysConf.MailMessage = QStringLiteral("Zeile 1\r\nZeile 2");
}

} // namespace

class TestPublishWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(sharedContexts);
        pinGermanLocale();
    }

    void cleanup() { QSqlDatabase::removeDatabase(QStringLiteral("mail")); }

    // The check box switches the page list and its buttons; nothing is loaded or stored.
    void fcHtmlCheckBox() {
        QPointer<FcHtml> dialog = new FcHtml;
        const Ui::FcHtml &c = dialog->controls();
        dialog->show();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("HTML-Ausgabe"));
        QCOMPARE(c.chkHtml->text(), QStringLiteral("   HTML-Dateien erzeugen"));
        QVERIFY(!c.chkHtml->isChecked());
        QCOMPARE(c.lstSeiten->count(), 0);
        for (QWidget *w : {static_cast<QWidget *>(c.lstSeiten), static_cast<QWidget *>(c.comAdd),
                           static_cast<QWidget *>(c.comConf), static_cast<QWidget *>(c.comOK)})
            QVERIFY(!w->isEnabled());

        c.chkHtml->click();
        for (QWidget *w : {static_cast<QWidget *>(c.lstSeiten), static_cast<QWidget *>(c.comAdd),
                           static_cast<QWidget *>(c.comConf), static_cast<QWidget *>(c.comOK)})
            QVERIFY(w->isEnabled());
        c.chkHtml->click();
        QVERIFY(!c.lstSeiten->isEnabled());
        QVERIFY(!c.comAdd->isEnabled());
        QVERIFY(!c.comConf->isEnabled());
        QVERIFY(c.comOK->isEnabled());

        // "OK" has no action; "Abbrechen" closes and unloads the dialog.
        c.comOK->click();
        QVERIFY(dialog->isVisible());
        c.comExit->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), Wait);
    }

    void fcMailShowsTheSettings() {
        ProgramDir dir;
        setMailSettings();
        QPointer<FcMail> dialog = new FcMail(dir.createDataFile(QStringLiteral("mail")));
        const Ui::FcMail &c = dialog->controls();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Mail-Konfiguration"));
        QCOMPARE(c.txtHost->text(), SysConf.MailHost);
        QCOMPARE(c.txtSender->text(), SysConf.MailSender);
        QCOMPARE(c.txtRec->toPlainText(), SysConf.MailRec);
        QCOMPARE(c.txtSubject->text(), SysConf.MailSubject);
        QCOMPARE(c.txtMessage->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
        QVERIFY(!c.comOK->isEnabled());
        QCOMPARE(c.labRec->text(), QStringLiteral("Empfänger (mit Komma getrennt):"));
        delete dialog;
    }

    void fcMailAnyChangeEnablesOk_data() {
        QTest::addColumn<QString>("box");
        for (const char *box : {"txtHost", "txtSender", "txtRec", "txtSubject", "txtMessage"})
            QTest::newRow(box) << QString::fromLatin1(box);
    }

    void fcMailAnyChangeEnablesOk() {
        QFETCH(QString, box);
        ProgramDir dir;
        setMailSettings();
        FcMail dialog(dir.createDataFile(QStringLiteral("mail")));
        dialog.show();
        QWidget *widget = dialog.findChild<QWidget *>(box);
        QVERIFY(widget);
        QTest::keyClicks(widget, QStringLiteral("x"));
        QVERIFY(dialog.controls().comOK->isEnabled());
    }

    // Opening and closing without typing changes nothing.
    void fcMailCancelStoresNothing() {
        ProgramDir dir;
        setMailSettings();
        QSqlDatabase db = dir.createDataFile(QStringLiteral("mail"));
        QPointer<FcMail> dialog = new FcMail(db);
        dialog->show();
        QTest::keyClicks(dialog->controls().txtHost, QStringLiteral("zz"));
        dialog->controls().comExit->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), Wait);
        QCOMPARE(SysConf.MailHost, QStringLiteral("mail.example.org"));
        QVERIFY(sqlValue(db, QStringLiteral("SELECT MailHost FROM tblSysConf")).isNull());
    }

    void fcMailOkStores_data() {
        QTest::addColumn<bool>("emptyTable");
        QTest::newRow("edits the row") << false;
        QTest::newRow("adds a row") << true;
    }

    void fcMailOkStores() {
        QFETCH(bool, emptyTable);
        ProgramDir dir;
        setMailSettings();
        QSqlDatabase db = dir.createDataFile(QStringLiteral("mail"));
        if (emptyTable)
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("DELETE FROM tblSysConf")));
        QPointer<FcMail> dialog = new FcMail(db);
        QSignalSpy failed(dialog.data(), &FcMail::failed);
        dialog->show();
        const Ui::FcMail &c = dialog->controls();
        c.txtHost->clear();
        QTest::keyClicks(c.txtHost, QStringLiteral(" smtp.example.org "));
        c.txtRec->setPlainText(QStringLiteral("x@example.org, y@example.org,z@example.org"));
        c.txtSubject->setText(QStringLiteral("Bericht #tm#"));
        c.txtMessage->setPlainText(QStringLiteral("Station Nord\nTemperatur: #ct#"));
        c.comOK->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), Wait);
        QCOMPARE(failed.count(), 0);

        QCOMPARE(SysConf.MailHost, QStringLiteral(" smtp.example.org "));
        QCOMPARE(SysConf.MailRecList,
                 (QStringList{QStringLiteral("x@example.org"), QStringLiteral(" y@example.org"),
                              QStringLiteral("z@example.org")}));
        QCOMPARE(SysConf.MailMessage, QStringLiteral("Station Nord\r\nTemperatur: #ct#"));
        QCOMPARE(sqlValue(db, QStringLiteral("SELECT count(*) FROM tblSysConf")).toInt(), 1);
        QCOMPARE(sqlValue(db, QStringLiteral("SELECT MailHost FROM tblSysConf")).toString(),
                 QStringLiteral(" smtp.example.org "));
        QCOMPARE(sqlValue(db, QStringLiteral("SELECT MailSender FROM tblSysConf")).toString(),
                 QStringLiteral("wetter@station.example"));
        QCOMPARE(sqlValue(db, QStringLiteral("SELECT MailRec FROM tblSysConf")).toString(),
                 QStringLiteral("x@example.org, y@example.org,z@example.org"));
        QCOMPARE(sqlValue(db, QStringLiteral("SELECT MailSubject FROM tblSysConf")).toString(),
                 QStringLiteral("Bericht #tm#"));
        QCOMPARE(sqlValue(db, QStringLiteral("SELECT MailMessage FROM tblSysConf")).toString(),
                 QStringLiteral("Station Nord\r\nTemperatur: #ct#"));
        if (!emptyTable)
            QCOMPARE(sqlValue(db, QStringLiteral("SELECT MittInter FROM tblSysConf")).toInt(), 60);
    }

    void fInfoTexts() {
        FInfo info;
        QCOMPARE(info.labInfo[0]->text(), Publisher::name);
        QCOMPARE(info.labInfo[3]->text(), QStringLiteral("Skylog           V1.9"));
        QCOMPARE(info.labInfo[5]->text(), Publisher::webAddress);
        for (QLabel *label : info.labInfo)
            QCOMPARE(label->font().family(), QStringLiteral("Tahoma"));
        QVERIFY(!info.Image1->pixmap().isNull());
    }

    void gradientBlue_data() {
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("blue");
        QTest::newRow("top") << 0 << 230 << 253;
        QTest::newRow("bottom") << 230 << 230 << 0;
        QTest::newRow("middle") << 115 << 230 << 127;
        QTest::newRow("rounding up") << 1 << 2 << 127;
        QTest::newRow("one line") << 0 << 1 << 253;
    }

    void gradientBlue() {
        QFETCH(int, i);
        QFETCH(int, h);
        QFETCH(int, blue);
        QCOMPARE(FInfo::gradientBlue(i, h), blue);
    }

    // The gradient is drawn for the window's current height, from blue 253 at the top to black.
    void fInfoGradientFollowsTheHeight() {
        FInfo info;
        info.show();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        for (int h : {230, 400, 57}) {
            info.resize(380, h);
            const QImage image = info.grab().toImage();
            QCOMPARE(image.height(), h);
            QCOMPARE(blueAt(image, 0), 253);
            for (int y : {1, h / 3, h / 2, h - 1})
                QCOMPARE(blueAt(image, y), FInfo::gradientBlue(y, h));
            QCOMPARE(qRed(image.pixel(image.width() - 1, h / 2)), 0);
            QCOMPARE(qGreen(image.pixel(image.width() - 1, h / 2)), 0);
        }
    }

    // Only the web address opens the browser window, and only one of it.
    void fInfoWebAddressOpensTheBrowser() {
        FInfo info;
        info.show();
        for (int i : {0, 1, 2, 3, 4})
            QTest::mouseClick(info.labInfo[i], Qt::LeftButton);
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<FBrowser *>(window));
        QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
        FBrowser *browser = FBrowser::instance();
        QVERIFY(browser->isVisible());
        QCOMPARE(browser->windowTitle(), Publisher::webAddress);
        QCOMPARE(browser->WebBrowser->url(), QUrl(Publisher::webSite));
        QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
        QCOMPARE(FBrowser::instance(), browser);
        int browsers = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            browsers += qobject_cast<FBrowser *>(window) ? 1 : 0;
        QCOMPARE(browsers, 1);
        browser->close();
    }

    // The browser control fills the window less a margin; below the margin it keeps its size.
    void fBrowserResize() {
        FBrowser browser(QUrl(QStringLiteral("about:blank")));
        browser.show();
        const int margin = qRound(120 * browser.logicalDpiY() / 1440.0);
        browser.resize(500, 300);
        QCOMPARE(browser.WebBrowser->size(), QSize(500 - margin, 300 - margin));
        browser.resize(420, margin - 1);
        QCOMPARE(browser.WebBrowser->size(), QSize(420 - margin, 300 - margin));
        browser.resize(margin - 1, 200);
        QCOMPARE(browser.WebBrowser->size(), QSize(420 - margin, 200 - margin));
        browser.resize(margin, margin);
        QCOMPARE(browser.WebBrowser->size(), QSize(0, 0));
    }

    // The embedded engine shows a page the program wrote.
    void fBrowserShowsAPage() {
        QTemporaryDir dir;
        QFile page(dir.filePath(QStringLiteral("seite.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><head><title>Messwerte f\xfcr heute</title>"
                   "<meta http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\"></head>"
                   "<body>Luftdruck 1013,2 hPa</body></html>\r\n");
        page.close();
        FBrowser browser(QUrl::fromLocalFile(page.fileName()));
        QSignalSpy loaded(browser.WebBrowser, &QWebEngineView::loadFinished);
        browser.show();
        QVERIFY(loaded.wait(Wait) || loaded.count() > 0);
        QCOMPARE(loaded.first().first().toBool(), true);
        QCOMPARE(browser.WebBrowser->title(), QStringLiteral("Messwerte für heute"));
    }
};

QTEST_MAIN(TestPublishWindows)
#include "tst_publishwindows.moc"
