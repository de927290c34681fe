#include "publish/messwerte.h"
#include "publish/publishing.h"
#include "support/programdir.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int Wait = 120000;

ChannelSlot slot(const QString &name, double value, const QString &unit) {
    ChannelSlot s;
    s.Beschreibung = name;
    s.value = value;
    s.unit = unit;
    s.shown = true;
    return s;
}

} // namespace

// The written pages as a real browser engine reads them: headless Chromium from the distribution's packages,
// when it is installed.
class TestPagesInBrowser : public QObject {
    Q_OBJECT

private:
    QString chromium;
    ProgramDir dir;
    QTemporaryDir profile;

    struct Load {
        int exitCode = -1;
        QString dom;
        QString log;
    };

    Load load(const QString &file) {
        QProcess browser;
        browser.start(
            chromium,
            {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
             QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
             QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"),
             // Whatever the engine might still want from the net goes to a closed local port.
             QStringLiteral("--proxy-server=127.0.0.1:9"),
             QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--enable-logging=stderr"),
             QStringLiteral("--v=0"), QStringLiteral("--dump-dom"), QUrl::fromLocalFile(file).toString()});
        Load result;
        if (!browser.waitForFinished(Wait))
            browser.kill();
        result.exitCode = browser.exitStatus() == QProcess::NormalExit ? browser.exitCode() : -1;
        result.dom = QString::fromUtf8(browser.readAllStandardOutput());
        result.log = QString::fromLocal8Bit(browser.readAllStandardError());
        return result;
    }

    static QStringList scriptErrors(const QString &log) {
        QStringList errors;
        for (const QString &line : log.split(u'\n')) {
            if (line.contains(QStringLiteral("CONSOLE")) || line.contains(QStringLiteral("Uncaught")))
                errors << line;
        }
        return errors;
    }

private slots:
    void initTestCase() {
        pinGermanLocale();
        chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (apt-get install chromium)");

        QSqlDatabase db = dir.createDataFile(QStringLiteral("browser"));
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("DELETE FROM tblWebRoots")));
        QVERIFY(query.exec(QStringLiteral(
            "INSERT INTO tblWebRoots (Id, ListKey, LinkTo, ListName, HeadLine, Kind, Aktiv) VALUES "
            "(1, 0, 'wetter', 'Wetter', 'Wetter in Nordheide', 0, 1), "
            "(2, 1, 'aktuell', 'Aktuelle Werte', 'Aktuelle Messwerte', 1, 1), "
            "(3, 0, 'archiv', 'Archiv', 'Archiv für Überblicke', 0, 1)")));
        QVERIFY(QDir().mkpath(dir.file(QStringLiteral("dosdevices/p:/Intranet"))));

        ChannelSlots channels;
        channels[1] = slot(QStringLiteral("Luftdruck"), 1013.2, QStringLiteral("hPa"));
        channels[17] = slot(QStringLiteral("Gehäusetemperatur"), 23.5, QStringLiteral("°C"));
        channels[18] = slot(QStringLiteral("Sichtweite"), 99999900, QStringLiteral("m"));
        const PageContext context{db, dir.path(), QDateTime(QDate(2026, 12, 24), QTime(18, 30)), QLocale()};
        const QString station = QStringLiteral("Messfeld Nord, Klimahütte 2 m");
        QVERIFY(!WriteWebPageSet(context, channels, station));
        QVERIFY(!WriteHtmlOld(context, channels, station));
    }

    void cleanupTestCase() { QSqlDatabase::removeDatabase(QStringLiteral("browser")); }

    void pageLoads_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("measurement page of the set")
            << "dosdevices/p:/Intranet/wetter_aktuell.htm"
            << QStringList{"<h1 align=\"center\">Aktuelle Messwerte</h1>",
                           "Messfeld Nord, Klimahütte 2 m",
                           "Gehäusetemperatur",
                           "23,5 °C",
                           "<font color=\"red\">Fehler</font>",
                           "id=\"aktdir\">Wetter</a>",
                           "°&nbsp;Aktuelle Werte</a>",
                           "id=\"dirlink\">Archiv</a>",
                           "onload=\"window.setTimeout('location.reload();',5000);\"",
                           "Tarvik wünscht Ihnen ein frohes Weihnachtsfest!"};
        QTest::newRow("root page with a child")
            << "dosdevices/p:/Intranet/wetter.htm"
            << QStringList{"<td>Aktuelle Werte</td>", "zuletzt aktualisiert: 24.12.2026 18:30"};
        QTest::newRow("root page with a chart")
            << "dosdevices/p:/Intranet/archiv.htm"
            << QStringList{"Archiv für Überblicke", "archiv<br><img src=\"chart.jpg\""};
        QTest::newRow("stand-alone page")
            << "messwerte.html"
            << QStringList{"<body bgcolor=\"#0\" text=\"#5050F0\"", "Klimahütte", "1013,2 hPa", "23,5 °C"};
    }

    // Each page is read without a script error, in its own encoding, with the structure it was written with.
    void pageLoads() {
        QFETCH(QString, file);
        QFETCH(QStringList, texts);
        const Load page = load(dir.file(file));
        QCOMPARE(page.exitCode, 0);
        QCOMPARE(scriptErrors(page.log), QStringList());
        for (const QString &text : texts)
            QVERIFY2(page.dom.contains(text), qPrintable(text + QStringLiteral(" missing in:\n") + page.dom));
    }
};

QTEST_GUILESS_MAIN(TestPagesInBrowser)
#include "tst_pagesinbrowser.moc"
