#include "publish/html.h"
#include "publish/messwerte.h"
#include "publish/publishing.h"
#include "publish/webpages.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

namespace {

const QDateTime summer(QDate(2026, 7, 14), QTime(16, 7, 38));

ChannelSlot slot(const QString &name, double value, const QString &unit, quint8 code) {
    ChannelSlot s;
    s.Beschreibung = name;
    s.value = value;
    s.unit = unit;
    s.sensorCode = code;
    s.shown = true;
    return s;
}

// Channels as the station shows them: an error mark, the largest measurement, umlauts and markup in the
// names, and a channel that is not part of the table although it holds a value.
ChannelSlots stationChannels() {
    ChannelSlots channels;
    channels[1] = slot(QStringLiteral("Luftdruck"), 1013.2, QStringLiteral("hPa"), 0x03);
    channels[2] = slot(QStringLiteral("Relative Luftfeuchte"), 67, QStringLiteral("%"), 0x02);
    channels[3] = slot(QStringLiteral("Windgeschwindigkeit"), 4.5, QStringLiteral("m/s"), 0x04);
    channels[3].shown = false;
    channels[5] = slot(QStringLiteral("Windspitze"), 99999899.5, QStringLiteral("m/s"), 0x0A);
    channels[7] = slot(QStringLiteral("Globalstrahlung"), 99999899, QStringLiteral("W/m²"), 0x07);
    channels[8] = slot(QStringLiteral("Taupunkt"), -7.8, QStringLiteral("°C"), 0x08);
    channels[17] = slot(QStringLiteral("Gehäusetemperatur"), 23.5, QStringLiteral("°C"), 0x11);
    channels[19] = slot(QStringLiteral("Lufttemperatur 2 m"), -3.25, QStringLiteral("°C"), 0x01);
    channels[20] = slot(QStringLiteral("Batterie <Reserve> & \"Netz\""), 12.8, QStringLiteral("V"), 0x10);
    return channels;
}

const QString station = QStringLiteral("Messfeld Nord, Klimahütte 2 m");

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray expected(const QString &name) {
    const QString path = QFINDTESTDATA(QStringLiteral("expected/") + name);
    if (path.isEmpty())
        qWarning("golden file %s missing", qPrintable(name));
    return readAll(path);
}

// The first line in which two page texts differ, for a readable failure.
QString firstDifference(const QByteArray &actual, const QByteArray &wanted) {
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> b = wanted.split('\n');
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const QByteArray left = a.value(i);
        const QByteArray right = b.value(i);
        if (left != right) {
            return QStringLiteral("line %1:\n  written:  %2\n  expected: %3")
                .arg(i + 1)
                .arg(QString::fromLatin1(left), QString::fromLatin1(right));
        }
    }
    return {};
}

// Keeps a page that differs from its golden file beside the test, for a look with diff.
void keepActual(const QString &name, const QByteArray &bytes) {
    QDir().mkpath(QStringLiteral("publish-actual"));
    QFile file(QStringLiteral("publish-actual/") + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

#define COMPARE_GOLDEN(actual, name)                                                                         \
    do {                                                                                                     \
        const QByteArray goldenBytes = expected(name);                                                       \
        const QByteArray actualBytes = (actual);                                                             \
        if (actualBytes != goldenBytes)                                                                      \
            keepActual(name, actualBytes);                                                                   \
        QVERIFY2(!goldenBytes.isEmpty(), qPrintable(QStringLiteral("no golden file ") + (name)));            \
        QVERIFY2(                                                                                            \
            actualBytes == goldenBytes,                                                                      \
            qPrintable(                                                                                      \
                QStringLiteral("%1 differs at %2").arg(name, firstDifference(actualBytes, goldenBytes))));   \
    } while (false)

// The intranet tree: root A with the children B and the measurement page, root C, an inactive root.
void fillWebRoots(const QSqlDatabase &db) {
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("DELETE FROM tblWebRoots")));
    QVERIFY(query.exec(QStringLiteral(
        "INSERT INTO tblWebRoots (Id, ListKey, LinkTo, ListName, HeadLine, Kind, Aktiv) VALUES "
        "(1, 0, 'wetter', 'Wetter', 'Wetter in Nordheide', 0, 1), "
        "(2, 1, 'temp', 'Temperatur & Feuchte', 'Temperatur & Feuchte', 0, 1), "
        "(3, 1, 'aktuell', 'Aktuelle Werte', 'Aktuelle Messwerte', 1, 1), "
        "(4, 0, 'archiv', 'Archiv', 'Archiv der Messwerte für Überblicke', 0, 1), "
        "(5, 0, 'alt', 'Altes Archiv', 'Altes Archiv', 0, 0)")));
}

} // namespace

class TestHtmlPages : public QObject {
    Q_OBJECT

private:
    struct Station {
        ProgramDir dir;
        QSqlDatabase db;
        PageContext context;
        QString intranet;
    };

    // A program directory with the template data and drive P: as the folder dosdevices/p: in it.
    static void makeStation(Station &s, const QDateTime &now, bool withIntranet = true) {
        s.db = s.dir.createDataFile(QStringLiteral("pages"));
        s.context = PageContext{s.db, s.dir.path(), now, QLocale()};
        s.intranet = s.dir.file(QStringLiteral("dosdevices/p:/Intranet"));
        if (withIntranet)
            QVERIFY(QDir().mkpath(s.intranet));
    }

    static QStringList pageFiles(const QString &folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase() { pinGermanLocale(); }

    void cleanup() {
        QSqlDatabase::removeDatabase(QStringLiteral("pages"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void htmlText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain") << "Luftdruck"
                               << "Luftdruck";
        QTest::newRow("umlaut inside a word") << "Müller"
                                              << "M&uumlller";
        QTest::newRow("all umlauts and sharp s") << "äÄöÖüÜß"
                                                 << "&auml&Auml&ouml&Ouml&uuml&Uuml&szlig";
        QTest::newRow("ampersand once") << "Wind & Wetter"
                                        << "Wind &amp Wetter";
        QTest::newRow("entity in the input is escaped again") << "&auml"
                                                              << "&ampauml";
        QTest::newRow("markup") << "<b>\"x\"</b>"
                                << "&ltb&gt&quotx&quot&lt/b&gt";
        QTest::newRow("case-sensitive letters stay") << "AUML auml"
                                                     << "AUML auml";
        QTest::newRow("degree sign is left as it is") << "°C"
                                                      << "°C";
        QTest::newRow("empty") << ""
                               << "";
    }

    void htmlText() {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(HtmlText(text), escaped);
    }

    void fileBytesAreLatin1WithCrLf() {
        QCOMPARE(htmlFileBytes({QStringLiteral("°C ä"), QString(), QStringLiteral("€ Ω")}),
                 QByteArray("\xb0"
                            "C \xe4\r\n\r\n? ?\r\n"));
    }

    void measurementTable_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("cell");
        QTest::newRow("decimal comma") << 23.5 << "      23,5 m&lts";
        QTest::newRow("largest measurement") << 99999899.0 << "      99999899 m&lts";
        QTest::newRow("error mark") << 99999899.5 << "<font color=red>Fehler</font>";
        QTest::newRow("negative, shortest form") << -0.25 << "      -0,25 m&lts";
    }

    // One shown channel: header, the eight row lines, the end of the table.
    void measurementTable() {
        QFETCH(double, value);
        QFETCH(QString, cell);
        ChannelSlots channels;
        channels[4] = slot(QStringLiteral("Boden & Luft"), value, QStringLiteral("m<s"), 0x09);
        const QString expectedTable =
            QStringLiteral("<br><br><table width=\"80%\" border cellpadding=6><tr><th colspan=2>St&auml"
                           "tion</th></td>  <tr>\r\n    <td>\r\n      Boden &amp Luft\r\n    </td>\r\n"
                           "    <td nowrap align=\"right\">\r\n") +
            cell + QStringLiteral("\r\n    </td>\r\n  </tr>\r\n</table>\r\n");
        QCOMPARE(::measurementTable(channels, QStringLiteral("Stätion")), expectedTable);
    }

    void measurementTableWithoutShownChannel() {
        ChannelSlots channels;
        channels[1] = slot(QStringLiteral("Luftdruck"), 1000, QStringLiteral("hPa"), 3);
        channels[1].shown = false;
        QCOMPARE(
            ::measurementTable(channels, QStringLiteral("S")),
            QStringLiteral("<br><br><table width=\"80%\" border cellpadding=6><tr><th colspan=2>S</th></td>"
                           "</table>\r\n"));
    }

    void standAlonePage() {
        Station s;
        makeStation(s, summer);
        QFile::remove(s.dir.file(measurementPageName));
        QFile stale(s.dir.file(measurementPageName));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray(20000, 'x'));
        stale.close();
        HtmlBgColor = 123;
        HtmlTextColor = 456;
        HtmlRefresh = 789;

        QVERIFY(!WriteHtmlOld(s.context, stationChannels(), station));
        COMPARE_GOLDEN(readAll(s.dir.file(measurementPageName)), QStringLiteral("messwerte.html"));
        QCOMPARE(HtmlBgColor, 0);
        QCOMPARE(HtmlTextColor, 5263600);
        QCOMPARE(HtmlRefresh, 5000);
    }

    void standAlonePageWithoutChannels() {
        Station s;
        makeStation(s, summer);
        QVERIFY(!WriteHtmlOld(s.context, ChannelSlots{}, QStringLiteral("---")));
        COMPARE_GOLDEN(readAll(s.dir.file(measurementPageName)), QStringLiteral("messwerte-leer.html"));
    }

    // The measurement page alone (mode 1), from the template's page set, where it is a child of the start
    // page: it gets the navigation of its root.
    void measurementPageOfTheTemplate() {
        Station s;
        makeStation(s, summer);
        QVERIFY(!WriteHtml(s.context, stationChannels(), station));
        QCOMPARE(pageFiles(s.intranet), QStringList{QStringLiteral("index_aktuell.htm")});
        COMPARE_GOLDEN(readAll(s.intranet + QStringLiteral("/index_aktuell.htm")),
                       QStringLiteral("index_aktuell.htm"));
        QCOMPARE(HtmlRefresh, 5000);
    }

    void measurementPageNeedsAnActivePageOfKind1() {
        Station s;
        makeStation(s, summer);
        QSqlQuery query(s.db);
        QVERIFY(query.exec(QStringLiteral("UPDATE tblWebRoots SET Aktiv = 0 WHERE Kind = 1")));
        QVERIFY(!WriteHtml(s.context, stationChannels(), station));
        QCOMPARE(pageFiles(s.intranet), QStringList());
    }

    // All pages: navigation with current root, children and other roots; overview and chart bodies; the
    // reload only on the measurement page.
    void wholePageSet() {
        Station s;
        makeStation(s, summer);
        fillWebRoots(s.db);
        QVERIFY(!WriteWebPageSet(s.context, stationChannels(), station));
        const QStringList files{QStringLiteral("archiv.htm"), QStringLiteral("wetter.htm"),
                                QStringLiteral("wetter_aktuell.htm"), QStringLiteral("wetter_temp.htm")};
        QCOMPARE(pageFiles(s.intranet), files);
        for (const QString &file : files)
            COMPARE_GOLDEN(readAll(s.intranet + u'/' + file), file);
    }

    void navigationColumn_data() {
        QTest::addColumn<QList<qint32>>("roles");
        QTest::addColumn<QStringList>("lines");
        const QString separator =
            QStringLiteral("<img src=\"linie.jpg\"  border=0 width=\"100%\" height=\"6\">");
        const QString open = QStringLiteral("<table cellpadding=1><tr><td>");
        const QString root = QStringLiteral("    <a href=\"r.htm\" id=\"dirlink\">R</a>");
        const QString current = QStringLiteral("    <a href=\"c.htm\" id=\"aktdir\">C</a>");
        const QString child = QStringLiteral("    <a href=\"c_k.htm\">°&nbsp;K</a><br>");
        const QString cellEnd = QStringLiteral("</td></tr>");
        const QString end = QStringLiteral("</table>");
        const QString closed = QStringLiteral("</td></tr></table>");

        QTest::newRow("empty") << QList<qint32>{} << QStringList{};
        QTest::newRow("other root") << QList<qint32>{1} << QStringList{separator, open, root, closed};
        QTest::newRow("current root alone")
            << QList<qint32>{2} << QStringList{separator, open, current, cellEnd, end};
        QTest::newRow("current root with two children, then a root")
            << QList<qint32>{2, 4, 4, 1}
            << QStringList{separator, open,  current, cellEnd, QStringLiteral("<tr><td>"),
                           child,     child, cellEnd, end,     separator,
                           open,      root,  closed};
        QTest::newRow("children at the end")
            << QList<qint32>{1, 2, 4} << QStringList{separator, open,      root,
                                                     closed,    separator, open,
                                                     current,   cellEnd,   QStringLiteral("<tr><td>"),
                                                     child,     cellEnd,   end};
        QTest::newRow("unknown role writes nothing but closes")
            << QList<qint32>{2, 3} << QStringList{separator, open, current, cellEnd, end};
    }

    void navigationColumn() {
        QFETCH(QList<qint32>, roles);
        QFETCH(QStringList, lines);
        QList<WSite> sites;
        for (qint32 role : roles) {
            WSite site;
            site.LinkColor = role;
            site.LinkTo = role == 1   ? QStringLiteral("r.htm")
                          : role == 2 ? QStringLiteral("c.htm")
                                      : QStringLiteral("c_k.htm");
            site.LinkName = role == 1   ? QStringLiteral("R")
                            : role == 2 ? QStringLiteral("C")
                                        : QStringLiteral("K");
            sites << site;
        }
        QCOMPARE(navigationLines(sites), lines);
    }

    void greeting_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("greeting");
        const QString newYear =
            QStringLiteral("<br>Tarvik w&uumlnscht Ihnen ein gesundes und erfolgreiches Jahr 2027!<br><br>");
        const QString christmas =
            QStringLiteral("<br>Tarvik w&uumlnscht Ihnen ein frohes Weihnachtsfest!<br><br>");
        const QString slide =
            QStringLiteral("<br>Tarvik w&uumlnscht Ihnen einen guten Rutsch in's neue Jahr!<br><br>");
        QTest::newRow("31 Dec 2026") << QDate(2026, 12, 31) << slide;
        QTest::newRow("1 Jan") << QDate(2027, 1, 1) << newYear;
        QTest::newRow("9 Jan") << QDate(2027, 1, 9) << newYear;
        QTest::newRow("10 Jan") << QDate(2027, 1, 10) << QString();
        QTest::newRow("9 Feb") << QDate(2027, 2, 9) << QString();
        QTest::newRow("19 Dec") << QDate(2027, 12, 19) << QString();
        QTest::newRow("20 Dec") << QDate(2027, 12, 20) << christmas;
        QTest::newRow("26 Dec") << QDate(2027, 12, 26) << christmas;
        QTest::newRow("27 Dec") << QDate(2027, 12, 27) << QString();
        QTest::newRow("29 Dec") << QDate(2027, 12, 29) << QString();
        QTest::newRow("30 Dec") << QDate(2027, 12, 30) << slide;
        QTest::newRow("20 Jun") << QDate(2027, 6, 20) << QString();
    }

    void greeting() {
        QFETCH(QDate, date);
        QFETCH(QString, greeting);
        const QStringList lines = greetingLines(date);
        if (greeting.isEmpty()) {
            QCOMPARE(lines, QStringList());
            return;
        }
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("<table cellpadding=1><tr><td align=\"center\"><font size=-1 "
                                             "color=\"#80E0FF\">"),
                              greeting, QStringLiteral("</font></td></tr></table>")}));
    }

    // Whole pages on greeting days, the new-year page also showing the date formats at a year's start.
    void pagesWithGreeting_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("golden");
        QTest::newRow("new year") << QDateTime(QDate(2027, 1, 9), QTime(8, 5, 0)) << "archiv-neujahr.htm";
        QTest::newRow("christmas") << QDateTime(QDate(2026, 12, 24), QTime(23, 59, 59))
                                   << "archiv-weihnachten.htm";
        QTest::newRow("new year's eve")
            << QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0)) << "archiv-silvester.htm";
        QTest::newRow("no greeting") << QDateTime(QDate(2027, 1, 10), QTime(0, 0, 1))
                                     << "archiv-10januar.htm";
    }

    void pagesWithGreeting() {
        QFETCH(QDateTime, now);
        QFETCH(QString, golden);
        Station s;
        makeStation(s, now);
        fillWebRoots(s.db);
        QVERIFY(!WriteWebPageSet(s.context, stationChannels(), station));
        COMPARE_GOLDEN(readAll(s.intranet + QStringLiteral("/archiv.htm")), golden);
    }

    // The drive may be a link to the real folder, as the serial ports are links to devices.
    void driveAsLink() {
        Station s;
        makeStation(s, summer, false);
        QTemporaryDir share;
        QVERIFY(QDir().mkpath(share.filePath(QStringLiteral("Intranet"))));
        QVERIFY(QDir().mkpath(s.dir.file(QStringLiteral("dosdevices"))));
        QVERIFY(QFile::link(share.path(), s.dir.file(QStringLiteral("dosdevices/p:"))));
        QVERIFY(!WriteHtml(s.context, stationChannels(), station));
        QCOMPARE(pageFiles(share.filePath(QStringLiteral("Intranet"))),
                 QStringList{QStringLiteral("index_aktuell.htm")});
    }

    void resolveDosPath_data() {
        QTest::addColumn<QString>("dosPath");
        QTest::addColumn<QString>("path");
        QTest::newRow("intranet page") << "P:\\Intranet\\index.htm"
                                       << "/prog/dosdevices/p:/Intranet/index.htm";
        QTest::newRow("lower-case drive") << "c:\\a.txt"
                                          << "/prog/dosdevices/c:/a.txt";
        QTest::newRow("relative to the drive") << "P:Intranet"
                                               << "/prog/dosdevices/p:/Intranet";
        QTest::newRow("no drive") << "messwerte.html"
                                  << "/prog/messwerte.html";
    }

    void resolveDosPath() {
        QFETCH(QString, dosPath);
        QFETCH(QString, path);
        QCOMPARE(::resolveDosPath(QStringLiteral("/prog"), dosPath), path);
    }

    // Without the folder nothing is written and the failure names the missing path.
    void missingIntranetFolder() {
        Station s;
        makeStation(s, summer, false);
        const std::optional<RunError> error = WriteWebPageSet(s.context, stationChannels(), station);
        QVERIFY(error);
        QCOMPARE(error->number, 76);
        QCOMPARE(error->text, QStringLiteral("Pfad nicht gefunden: ") +
                                  QDir::toNativeSeparators(s.intranet + QStringLiteral("/index.htm")));
        QVERIFY(!QFileInfo::exists(s.dir.file(QStringLiteral("dosdevices"))));
    }

    // A page that cannot be replaced ends the run; the pages before it stay.
    void lockedPageEndsTheRun() {
        Station s;
        makeStation(s, summer);
        fillWebRoots(s.db);
        // A folder in the place of the second page's file.
        QVERIFY(QDir().mkpath(s.intranet + QStringLiteral("/wetter_temp.htm")));
        const std::optional<RunError> error = WriteWebPageSet(s.context, stationChannels(), station);
        QVERIFY(error);
        QCOMPARE(error->number, 70);
        QVERIFY(error->text.endsWith(QStringLiteral("wetter_temp.htm")));
        QCOMPARE(pageFiles(s.intranet), QStringList{QStringLiteral("wetter.htm")});
    }

    void childWithoutActiveRoot() {
        Station s;
        makeStation(s, summer);
        fillWebRoots(s.db);
        QSqlQuery query(s.db);
        QVERIFY(query.exec(QStringLiteral("UPDATE tblWebRoots SET Aktiv = 0 WHERE Id = 1")));
        const std::optional<RunError> error = WriteHtml(s.context, stationChannels(), station);
        QVERIFY(error);
        QCOMPARE(error->text,
                 QStringLiteral("Seite \"aktuell\": kein aktiver Eintrag mit ID = 1 in tblWebRoots."));
        QCOMPARE(pageFiles(s.intranet), QStringList());
    }

    void missingTable() {
        Station s;
        makeStation(s, summer);
        QSqlQuery query(s.db);
        QVERIFY(query.exec(QStringLiteral("DROP TABLE tblWebRoots")));
        const std::optional<RunError> error = WriteHtml(s.context, stationChannels(), station);
        QVERIFY(error);
        QVERIFY2(error->text.contains(QStringLiteral("tblWebRoots")), qPrintable(error->text));
    }

    void mailReportValues() {
        const MailReportValues values = ::mailReportValues(stationChannels(), summer);
        QCOMPARE(values.Zeit, QStringLiteral("14.07.2026 16:07:38"));
        QCOMPARE(values.tmp, QStringLiteral("-3,25 °C"));
        QCOMPARE(values.lff, QStringLiteral("67 %"));
        QCOMPARE(values.feff, QStringLiteral("-7,8 °C"));

        ChannelSlots channels = stationChannels();
        channels[19].value = 99999900;
        channels[2].shown = false;
        const MailReportValues marked = ::mailReportValues(channels, summer);
        QCOMPARE(marked.tmp, QStringLiteral("Fehler"));
        QCOMPARE(marked.lff, QStringLiteral("---"));
    }
};

QTEST_GUILESS_MAIN(TestHtmlPages)
#include "tst_htmlpages.moc"
