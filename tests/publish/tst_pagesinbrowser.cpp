// The pages as a real browser engine reads them: headless Chromium from the distribution's packages, when it
// is installed. The golden files are what the page writers write, byte for byte (tst_htmlpages).
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestPagesInBrowser : public QObject {
    Q_OBJECT

private slots:
    void pageLoads_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char *file, const QStringList &texts) {
            QTest::newRow(file) << QString(file) << texts;
        };
        row("wetter_aktuell.htm", {"<h1 align=\"center\">Aktuelle Messwerte</h1>", "Klimahütte", "23,5 °C",
                                   "<font color=\"red\">Fehler</font>", "°&nbsp;Aktuelle Werte</a>",
                                   "onload=\"window.setTimeout('location.reload();',5000);\""});
        row("archiv-weihnachten.htm", {"Archiv der Messwerte für Überblicke", "frohes Weihnachtsfest!"});
        row("messwerte.html", {"<body bgcolor=\"#0\" text=\"#5050F0\"", "Gehäusetemperatur", "23,5 °C"});
    }

    // Each page is read without a script error, in its own encoding, with the structure it was written with.
    void pageLoads() {
        QFETCH(QString, file);
        QFETCH(QStringList, texts);
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (apt-get install chromium)");
        QTemporaryDir profile;
        QProcess browser; // whatever the engine might still want from the net goes to a closed local port
        browser.start(chromium,
                      {"--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                       "--disable-component-update", "--disable-sync", "--no-first-run",
                       "--proxy-server=127.0.0.1:9", "--user-data-dir=" + profile.path(),
                       "--enable-logging=stderr", "--v=0", "--dump-dom",
                       QUrl::fromLocalFile(QStringLiteral(SKYLOG_TEST_SOURCE_DIR "/publish/expected/") + file)
                           .toString()});
        QVERIFY(browser.waitForFinished(120000) && browser.exitCode() == 0);
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        for (const QString &line : QString::fromLocal8Bit(browser.readAllStandardError()).split(u'\n'))
            QVERIFY2(!line.contains(QStringLiteral("CONSOLE")) && !line.contains(QStringLiteral("Uncaught")),
                     qPrintable(line));
        for (const QString &text : texts)
            QVERIFY2(dom.contains(text), qPrintable(text + QStringLiteral(" missing in:\n") + dom));
    }
};

QTEST_GUILESS_MAIN(TestPagesInBrowser)
#include "tst_pagesinbrowser.moc"
