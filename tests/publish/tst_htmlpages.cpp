// The published files byte for byte, and the pages as a real browser engine reads them.
#include "publish/html.h"
#include "publish/messwerte.h"
#include "publish/outputlatch.h"
#include "publish/publishing.h"
#include "publish/statusfile.h"
#include "publish/webpages.h"
#include "support/cases.h"
#include "support/programdir.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

const QDateTime summer(QDate(2026, 7, 14), QTime(16, 7, 38));
const QString station = QStringLiteral("Messfeld Nord, Klimahütte 2 m");

// An error mark, the largest measurement, umlauts and markup in the names, a channel that is not shown.
ChannelSlots stationChannels() {
    ChannelSlots c;
    c[1] = {1013.2, "hPa", {}, "Luftdruck", 0x03, true};
    c[2] = {67, "%", {}, "Relative Luftfeuchte", 0x02, true};
    c[3] = {4.5, "m/s", {}, "Windgeschwindigkeit", 0x04, false};
    c[5] = {99999899.5, "m/s", {}, "Windspitze", 0x0A, true};
    c[7] = {99999899, "W/m²", {}, "Globalstrahlung", 0x07, true};
    c[8] = {-7.8, "°C", {}, "Taupunkt", 0x08, true};
    c[17] = {23.5, "°C", {}, "Gehäusetemperatur", 0x11, true};
    c[19] = {-3.25, "°C", {}, "Lufttemperatur 2 m", 0x01, true};
    c[20] = {12.8, "V", {}, "Batterie <Reserve> & \"Netz\"", 0x10, true};
    return c;
}

// Root "wetter" with two children, root "archiv", an inactive root.
const QStringList webRoots{
    "DELETE FROM tblWebRoots",
    "INSERT INTO tblWebRoots (Id, ListKey, LinkTo, ListName, HeadLine, Kind, Aktiv) VALUES "
    "(1, 0, 'wetter', 'Wetter', 'Wetter in Nordheide', 0, 1), "
    "(2, 1, 'temp', 'Temperatur & Feuchte', 'Temperatur & Feuchte', 0, 1), "
    "(3, 1, 'aktuell', 'Aktuelle Werte', 'Aktuelle Messwerte', 1, 1), "
    "(4, 0, 'archiv', 'Archiv', 'Archiv der Messwerte für Überblicke', 0, 1), "
    "(5, 0, 'alt', 'Altes Archiv', 'Altes Archiv', 0, 0)"};

enum Writer { StandAlone, StandAloneEmpty, MeasurementPage, PageSet }; // the last two write to drive P:

// goldens: "file" or "file=golden file", separated by blanks; intranetFiles: the files left in the intranet
// folder; number and text: the error that ends the run.
struct Page {
    const char *name;
    Writer writer;
    QDateTime now;
    QStringList sql;
    QString goldens, intranetFiles;
    int number = 0;
    QString text = {};
};

} // namespace

class TestHtmlPages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void cleanup() { QSqlDatabase::removeDatabase(QStringLiteral("pages")); }

    // Whole pages byte for byte: ISO-8859-1, CR LF, navigation, greetings, date formats at a year's start.
    // The first failure ends a run; pages written before it stay, nothing else is created.
    void pages_data() {
        const QString set = "archiv.htm wetter.htm wetter_aktuell.htm wetter_temp.htm";
        const QStringList none;
        addCases<Page>({
            {"stand-alone", StandAlone, summer, none, "messwerte.html", ""},
            {"stand-alone, no channel", StandAloneEmpty, summer, none, "messwerte.html=messwerte-leer.html",
             ""},
            {"measurement page alone", MeasurementPage, summer, none, "index_aktuell.htm",
             "index_aktuell.htm"},
            {"page set", PageSet, summer, webRoots, set, set},
            {"9 January", PageSet, QDateTime(QDate(2027, 1, 9), QTime(8, 5, 0)), webRoots,
             "archiv.htm=archiv-neujahr.htm", set},
            {"24 December", PageSet, QDateTime(QDate(2026, 12, 24), QTime(23, 59, 59)), webRoots,
             "archiv.htm=archiv-weihnachten.htm", set},
            {"no intranet folder", PageSet, summer, none, "", "", 76,
             "Pfad nicht gefunden: <intranet>/index.htm"},
            {"page that cannot be replaced", PageSet, summer, webRoots, "", "wetter.htm", 70,
             "Zugriff verweigert: <intranet>/wetter_temp.htm"},
            {"child without active root", PageSet, summer,
             webRoots + QStringList{"UPDATE tblWebRoots SET Aktiv = 0 WHERE Id = 1"}, "", "", 3021,
             "Seite \"temp\": kein aktiver Eintrag mit ID = 1 in tblWebRoots."},
            {"no table", MeasurementPage, summer, QStringList{"DROP TABLE tblWebRoots"}, "", "", 1,
             "tblWebRoots"},
            {"no active measurement page", MeasurementPage, summer,
             QStringList{"UPDATE tblWebRoots SET Aktiv = 0 WHERE Kind = 1"}, "", ""},
        });
    }

    void pages() {
        QFETCH(Page, c);
        ProgramDir dir;
        const PageContext context{dir.createDataFile(QStringLiteral("pages")), dir.path(), c.now, QLocale()};
        for (const QString &statement : c.sql)
            sqlValue(context.db, statement);
        // Drive P: is dosdevices/p: in the program directory; a folder may stand in a page's place.
        const QString intranet = dir.file(QStringLiteral("dosdevices/p:/Intranet"));
        QVERIFY(c.number == 76 || QDir().mkpath(intranet + (c.number == 70 ? "/wetter_temp.htm" : "")));
        // An old, longer page is replaced, not overwritten in place; the colours and the delay are set anew.
        QVERIFY(dir.writeFile(measurementPageName, QByteArray(20000, 'x')));
        HtmlBgColor = HtmlTextColor = HtmlRefresh = 1;
        const ChannelSlots channels = c.writer == StandAloneEmpty ? ChannelSlots{} : stationChannels();
        const RunError error =
            (c.writer == MeasurementPage ? WriteHtml(context, channels, station)
             : c.writer == PageSet
                 ? WriteWebPageSet(context, channels, station)
                 : WriteHtmlOld(context, channels, c.writer == StandAlone ? station : "---"))
                .value_or(RunError{});
        QCOMPARE(error.number, c.number);
        QVERIFY2(error.text.contains(c.text.replace(QStringLiteral("<intranet>"), intranet)),
                 qPrintable(error.text));
        QCOMPARE(QDir(intranet).entryList(QDir::Files, QDir::Name),
                 c.intranetFiles.split(' ', Qt::SkipEmptyParts));
        QCOMPARE(QFileInfo::exists(dir.file(QStringLiteral("dosdevices"))), c.number != 76);
        for (const QString &entry : c.goldens.split(' ', Qt::SkipEmptyParts)) {
            const QString folder =
                c.writer >= MeasurementPage ? QStringLiteral("dosdevices/p:/Intranet/") : QString();
            QCOMPARE(dir.readFile(folder + entry.section(u'=', 0, 0)).split('\n'),
                     expectedFile(entry.section(u'=', -1)).split('\n'));
        }
    }

    // Each output is latched on its own: a fault is told once, another fault again, and the return once.
    // (The page writers over many polls with a missing folder: tst_evaluation.)
    void failuresReportedOnceEach() {
        using Output = OutputLatch::Output;
        OutputLatch latch;
        QStringList log;
        // S the intranet page set, M the stand-alone page; x its folder missing, d denied, - written.
        for (const char *step : {"Sx", "Sx", "Mx", "Md", "Md", "S-", "S-", "M-"}) {
            const RunError error = step[1] == 'x' ? RunError::pathNotFound() : RunError::permissionDenied();
            if (const auto report =
                    latch.attempt(step[0] == 'S' ? Output::IntranetPageSet : Output::MeasurementPage,
                                  step[1] == '-' ? std::nullopt : std::optional(error)))
                log << QString::number(report->kind) + ' ' + report->text;
        }
        QCOMPARE(log,
                 (QStringList{"-3 Pfad nicht gefunden", "-3 Pfad nicht gefunden", "-3 Zugriff verweigert",
                              "-1 Die Intranet-Seiten werden wieder geschrieben.",
                              "-1 Die Messwerte-Seite wird wieder geschrieben."}));
    }

    // The whole status file byte for byte; a time that has not been yet is 0; an older, longer file is
    // replaced.
    void statusFile() {
        ProgramDir dir;
        QVERIFY(dir.writeFile("skylog.prom", QByteArray(5000, 'x')));
        // 16:07:38 in Europe/Berlin.
        const MonitorStatus status{true, QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)), {}, 12, 1234, 3};
        QCOMPARE(writeStatusFile(dir.path(), status), std::nullopt);
        QCOMPARE(dir.readFile("skylog.prom"), expectedFile("skylog.prom"));
        QCOMPARE(writeStatusFile(dir.file("fehlt"), status).value_or(RunError{}).number, 76);
    }

    // The texts on every page: escaping, and the greetings. The golden pages show two greetings (9 January
    // the last of the new year's); here the edges of the seasons, and the days without.
    void pageTexts() {
        QCOMPARE(HtmlText("ä & äÄöÖüÜß <b>\"x\"</b> °C"),
                 "&auml &amp &auml&Auml&ouml&Ouml&uuml&Uuml&szlig &ltb&gt&quotx&quot&lt/b&gt °C");
        for (const auto &[day, text] : {std::pair{QDate(2027, 12, 20), "frohes Weihnachtsfest!"},
                                        {QDate(2027, 12, 26), "frohes Weihnachtsfest!"},
                                        {QDate(2027, 12, 30), "guten Rutsch in's neue Jahr!"}})
            QVERIFY2(greetingLines(day).value(1).endsWith(text + QStringLiteral("<br><br>")), text);
        for (const QDate day :
             {QDate(2027, 1, 10), QDate(2027, 12, 19), QDate(2027, 12, 27), QDate(2027, 12, 29)})
            QCOMPARE(greetingLines(day), QStringList());
    }

    void pageLoads_data() {
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char *file, const QStringList &texts) { QTest::newRow(file) << texts; };
        row("wetter_aktuell.htm", {"<h1 align=\"center\">Aktuelle Messwerte</h1>", "Klimahütte", "23,5 °C",
                                   "<font color=\"red\">Fehler</font>", "°&nbsp;Aktuelle Werte</a>",
                                   "onload=\"window.setTimeout('location.reload();',5000);\""});
        row("archiv-weihnachten.htm", {"Archiv der Messwerte für Überblicke", "frohes Weihnachtsfest!"});
        row("messwerte.html", {"<body bgcolor=\"#0\" text=\"#5050F0\"", "Gehäusetemperatur", "23,5 °C"});
    }

    // Headless Chromium from the distribution's packages, when it is installed, reads each golden page
    // without a script error, in its own encoding, with the structure it was written with.
    void pageLoads() {
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
                       QUrl::fromLocalFile(SKYLOG_TEST_SOURCE_DIR "/publish/expected/" +
                                           QString(QTest::currentDataTag()))
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

QTEST_GUILESS_MAIN(TestHtmlPages)
#include "tst_htmlpages.moc"
