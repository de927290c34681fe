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
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWebEngineView>

#include <algorithm>

namespace {

// The browser engine shares its graphics context with the windows, which has to be said before the
// application object exists; it sends everything to a closed local port, so nothing leaves the machine.
[[maybe_unused]] const bool engineSetUp = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=127.0.0.1:9");
    return true;
}();

int browserWindows() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(),
                             [](QWidget *w) { return qobject_cast<FBrowser *>(w); }));
}

} // namespace

class TestPublishWindows : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase(QStringLiteral("mail")); }

    // The check box only switches the page list and its buttons; "OK" does nothing, "Abbrechen" closes.
    void fcHtmlStoresNothing() {
        QPointer<FcHtml> dialog = new FcHtml;
        const Ui::FcHtml &c = dialog->controls();
        dialog->show();
        QVERIFY(!c.lstSeiten->isEnabled() && !c.comOK->isEnabled());
        c.chkHtml->click();
        QVERIFY(c.lstSeiten->isEnabled() && c.comAdd->isEnabled() && c.comConf->isEnabled() &&
                c.comOK->isEnabled());
        c.comOK->click();
        QVERIFY(dialog->isVisible());
        c.comExit->click();
        QTRY_VERIFY(dialog.isNull());
    }

    // Typing in any box enables OK; Abbrechen stores nothing, OK the five fields in memory and in the row.
    void fcMailSavesItsFields() {
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile(QStringLiteral("mail"));
        SysConf.MailMessage = QStringLiteral("Zeile 1\r\nZeile 2");
        for (const char *box : {"txtHost", "txtSender", "txtRec", "txtSubject", "txtMessage"}) {
            QPointer<FcMail> dialog = new FcMail(db);
            dialog->show();
            QCOMPARE(dialog->controls().txtMessage->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
            QVERIFY(!dialog->controls().comOK->isEnabled());
            QTest::keyClicks(dialog->findChild<QWidget *>(box), QStringLiteral("x"));
            QVERIFY2(dialog->controls().comOK->isEnabled(), box);
            dialog->controls().comExit->click();
            QTRY_VERIFY(dialog.isNull());
            QVERIFY(sqlValue(db, QStringLiteral("SELECT MailMessage FROM tblSysConf")).isNull());
        }
        QPointer<FcMail> dialog = new FcMail(db);
        const Ui::FcMail &c = dialog->controls();
        c.txtHost->setText(QStringLiteral(" smtp.example.org "));
        c.txtSender->setText(QStringLiteral("wetter@station.example"));
        c.txtRec->setPlainText(QStringLiteral("x@example.org, y@example.org,z@example.org"));
        c.txtSubject->setText(QStringLiteral("Bericht #tm#"));
        c.txtMessage->setPlainText(QStringLiteral("Station Nord\nTemperatur: #ct#"));
        c.comOK->click();
        QTRY_VERIFY(dialog.isNull());
        const QStringList fields{" smtp.example.org ", "wetter@station.example",
                                 "x@example.org, y@example.org,z@example.org", "Bericht #tm#",
                                 "Station Nord\r\nTemperatur: #ct#"};
        QCOMPARE((QStringList{SysConf.MailHost, SysConf.MailSender, SysConf.MailRec, SysConf.MailSubject,
                              SysConf.MailMessage}),
                 fields);
        QCOMPARE(SysConf.MailRecList, (QStringList{"x@example.org", " y@example.org", "z@example.org"}));
        QCOMPARE(
            sqlValue(db, QStringLiteral("SELECT MailHost || '|' || MailSender || '|' || MailRec || '|' || "
                                        "MailSubject || '|' || MailMessage || '|' || MittInter || '|' || "
                                        "(SELECT count(*) FROM tblSysConf) FROM tblSysConf"))
                .toString(),
            fields.join(u'|') + QStringLiteral("|60|1"));
    }

    // The gradient runs from blue 253 at the top to black at the bottom of the window's current height.
    void fInfoGradientFollowsTheHeight() {
        FInfo info;
        info.show();
        for (const auto &[h, y, blue] :
             {std::tuple{230, 0, 253}, std::tuple{230, 115, 127}, std::tuple{230, 229, 1},
              std::tuple{57, 0, 253}, std::tuple{57, 28, 129}, std::tuple{57, 56, 4}}) {
            info.resize(380, h);
            QCOMPARE(info.grab().toImage().pixel(0, y), qRgb(0, 0, blue));
        }
    }

    // Only the web address opens the browser window, and only one of it.
    void fInfoWebAddressOpensTheBrowser() {
        FInfo info;
        info.show();
        QCOMPARE(info.labInfo[3]->text(), QStringLiteral("Skylog           V1.9"));
        for (int i : {0, 1, 2, 3, 4})
            QTest::mouseClick(info.labInfo[i], Qt::LeftButton);
        QCOMPARE(browserWindows(), 0);
        QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
        QTest::mouseClick(info.labInfo[5], Qt::LeftButton);
        QCOMPARE(browserWindows(), 1);
        FBrowser *browser = FBrowser::instance();
        QVERIFY(browser->isVisible());
        QCOMPARE(browser->windowTitle(), Publisher::webAddress);
        QCOMPARE(browser->WebBrowser->url(), QUrl(Publisher::webSite));
        browser->close();
    }
};

QTEST_MAIN(TestPublishWindows)
#include "tst_publishwindows.moc"
