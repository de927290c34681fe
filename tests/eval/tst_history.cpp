// Stored values read back for the plots: the gap search on the averaging grid, the reduction to the plot's
// width, and the queries on a real database (Null values, the band, a change of the clock).
#include "eval/history.h"
#include "store/upgrade.h"
#include "support/measrows.h"
#include "support/programdir.h"

#include <QtTest>

#include <cmath>

namespace {

Reading reading(const QString &text) {
    return readingOf(QDateTime::fromString(text, "yyyy-MM-dd HH:mm"));
}

QString readingText(Reading r) {
    return QString("%1 %2").arg(dateOf(r).toString("dd.MM."),
                                QTime(0, 0).addSecs(minuteOf(r) * 60).toString("HH:mm"));
}

QString gapsText(const QList<History::Gap> &gaps) {
    QStringList texts;
    for (const History::Gap &gap : gaps)
        texts << QString("%1–%2:%3").arg(readingText(gap.first), readingText(gap.last)).arg(gap.missing);
    return texts.join(", ");
}

// "t:v" or "t:v:low:high" with t in minutes and "-" for NaN.
QVector<History::Sample> samples(const QString &spec) {
    const auto number = [](const QString &text) { return text == "-" ? NAN : text.toDouble(); };
    QVector<History::Sample> result;
    for (const QString &item : spec.split(' ', Qt::SkipEmptyParts)) {
        const QStringList f = item.split(':');
        result.append({f[0].toLongLong() * 60000, number(f[1]), f.size() > 2 ? number(f[2]) : NAN,
                       f.size() > 3 ? number(f[3]) : NAN});
    }
    return result;
}

QString pointsText(const QList<QVector<QPointF>> &runs) {
    QStringList texts;
    for (const QVector<QPointF> &run : runs) {
        QStringList points;
        for (const QPointF &p : run)
            points << QString("%1:%2").arg(p.x() / 60000).arg(p.y());
        texts << points.join(' ');
    }
    return texts.join(" | ");
}

QString utcTime(qint64 msecs) {
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString("HH:mm");
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    // records: runs "yyyy-MM-dd HH:mm+n" of n records every step minutes of the wall clock.
    void gaps_data() {
        QTest::addColumn<QString>("records");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("gaps");
        const auto row = [](const char *name, const char *records, const char *from, const char *to, int step,
                            const char *gaps) {
            QTest::newRow(name) << records << from << to << step << gaps;
        };
        row("no gap", "2026-12-05 10:00+6", "2026-12-05 10:00", "2026-12-05 11:00", 10, "");
        row("a gap", "2026-12-05 10:00+2, 2026-12-05 10:40+2", "2026-12-05 10:00", "2026-12-05 11:00", 10,
            "05.12. 10:20–05.12. 10:30:2");
        row("records off the grid fill their slot", "2026-12-05 10:03+6", "2026-12-05 10:00",
            "2026-12-05 11:00", 10, "");
        row("gap over midnight", "2026-12-05 23:00+5, 2026-12-06 00:20+2", "2026-12-05 23:00",
            "2026-12-06 00:40", 10, "05.12. 23:50–06.12. 00:10:3");
        // 25 minutes: 23:45 is the last grid point of the day, the next is midnight.
        row("grid restarts at midnight", "2026-12-05 22:55+3, 2026-12-06 00:25+1", "2026-12-05 22:55",
            "2026-12-06 00:50", 25, "06.12. 00:00–06.12. 00:00:1");
        // 29 March 2026: 02:00 becomes 03:00; 25 October 2026: 03:00 becomes 02:00.
        row("skipped hour is no gap", "2026-03-29 01:00+6, 2026-03-29 03:00+6", "2026-03-29 01:00",
            "2026-03-29 04:00", 10, "");
        row("gap around the skipped hour", "2026-03-29 01:00+5, 2026-03-29 03:10+5", "2026-03-29 01:00",
            "2026-03-29 04:00", 10, "29.03. 01:50–29.03. 03:00:2");
        row("hour shown twice expected once", "2026-10-25 01:00+18", "2026-10-25 01:00", "2026-10-25 04:00",
            10, "");
        row("gap in the hour shown twice", "2026-10-25 01:00+9, 2026-10-25 02:40+8", "2026-10-25 01:00",
            "2026-10-25 04:00", 10, "25.10. 02:30–25.10. 02:30:1");
        row("empty period", "", "2026-12-05 10:00", "2026-12-05 11:00", 10, "05.12. 10:00–05.12. 10:50:6");
        row("no grid", "", "2026-12-05 10:00", "2026-12-05 11:00", 0, "");
    }
    void gaps() {
        QFETCH(QString, records);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, step);
        QFETCH(QString, gaps);
        QVector<Reading> readings;
        for (const QString &run : records.split(", ", Qt::SkipEmptyParts)) {
            const QStringList parts = run.split('+');
            for (int i = 0; i < parts[1].toInt(); ++i)
                readings << reading(parts[0]) + i * step;
        }
        QCOMPARE(gapsText(History::findGaps(readings, reading(from), reading(to), step)), gaps);
    }

    // samples: "t:v[:low:high]" (minutes); the plot shows minutes 0 ... 10 unless from and to say otherwise.
    void decimate_data() {
        QTest::addColumn<QString>("samples");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("maxDistance");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("bands");
        const auto row = [](const char *name, const char *s, int width, const char *lines,
                            const char *bands = "", int maxDistance = 5, int from = 0, int to = 10) {
            QTest::newRow(name) << s << width << maxDistance << from << to << lines << bands;
        };
        row("a column per sample", "0:1 1:2 2:3", 10, "0:1 1:2 2:3");
        row("min and max per column in time order", "0:5 1:9 2:1 3:4 5:2 6:8 7:3", 2, "1:9 2:1 5:2 6:8");
        row("Null breaks the line", "0:1 1:2 2:- 3:4 4:5", 10, "0:1 1:2 | 3:4 4:5");
        row("break within a column joins", "0:1 1:2 2:- 3:4 4:5", 2, "0:1 4:5");
        row("records too far apart", "0:1 1:2 5:3 6:4", 10, "0:1 1:2 | 5:3 6:4", "", 2);
        row("one sample beyond each end", "0:1 1:2 2:3 3:4 4:5 5:6", 10, "1:2 2:3 3:4 4:5", "", 5, 2, 3);
        row("band where the record has one", "0:5:4:6 1:5:3:7 2:5:-:- 3:5:4:6", 10, "0:5 1:5 2:5 3:5",
            "0:4-6 1:3-7 | 3:4-6");
        row("widest band of a column", "0:5:4:6 1:5:3:7 2:5:-:- 3:5:4:6", 1, "0:5 3:5", "0:3-7 3:3-7");
        row("nothing stored", "", 10, "");
    }
    void decimate() {
        QFETCH(QString, samples);
        QFETCH(int, width);
        QFETCH(int, maxDistance);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, lines);
        QFETCH(QString, bands);
        const History::Plot plot =
            History::decimate(::samples(samples), from * 60000, to * 60000, width, maxDistance * 60000);
        QCOMPARE(pointsText(plot.lines), lines);
        QStringList bandTexts;
        for (const History::Band &band : plot.bands) {
            QStringList points;
            for (int i = 0; i < band.upper.size(); ++i)
                points << QString("%1:%2-%3")
                              .arg(band.upper[i].x() / 60000)
                              .arg(band.lower[i].y())
                              .arg(band.upper[i].y());
            bandTexts << points.join(' ');
        }
        QCOMPARE(bandTexts.join(" | "), bands);
    }

    void readStored() {
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        // A file from an older template lacks the index.
        sqlValue(db, "DROP INDEX idxMesswerteKind");
        QVERIFY(!Store::upgradeSchema(db));
        QCOMPARE(sqlValue(db, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'idxMesswerteKind'").toInt(),
                 1);
        sqlValue(db, "UPDATE tblKanal SET Sensor = 27, EinheitID = NULL WHERE KanalNr = 20");

        // Around the clock put back on 25 October 2026: 02:30 is read as its first occurrence (00:30 UTC).
        // The second record is Null, the third holds one value per channel (0 in its second and third value).
        const QStringList times{"2026-10-25 01:50:00", "2026-10-25 02:30:00", "2026-10-25 03:10:00"};
        const double values[3][3] = {{5, 4, 6}, {NAN, NAN, NAN}, {7, 0, 0}};
        QVERIFY(insertAverageRecords(db, 1, 1, times, {19, 1}, [&](int c, int k, int r) {
            return c == 19 ? values[r][k - 1] : 1000 + r;
        }));
        QVERIFY(
            insertAverageRecords(db, 2, 1, {"2026-10-25 02:00:00"}, {19}, [](int, int, int) { return 9.0; }));
        QVERIFY(
            insertAverageRecords(db, 1, 1, {"2026-10-25 05:00:00"}, {19}, [](int, int, int) { return 9.0; }));
        sqlValue(db, "INSERT INTO tblMesswerte (Provider, Konfiguration, was, MeasTime, Kanal19) VALUES "
                     "(1, 1, 1, '2026-10-25 02:05:00', 3.5), (1, 1, 1, '2026-10-25 02:06:00', NULL)");

        std::optional<RunError> error;
        QStringList names;
        for (const History::Channel &c : History::channels(db, 1, 1, &error))
            if (c.number == 1 || c.number == 19 || c.number == 20)
                names << QString("%1 %2 [%3]").arg(c.number).arg(c.name, c.unit);
        QCOMPARE(names.join(", "),
                 "1 Luftdruck [hPa], 19 Lufttemperatur 2 m [°C], 20 Sensor 0x1B (unbekannt) []");

        const QDateTime from(QDate(2026, 10, 25), QTime(0, 0));
        const QDateTime to(QDate(2026, 10, 25), QTime(4, 0));
        const History::Rows rows = History::read(db, 1, 1, {19, 1}, from, to, &error);
        QVERIFY(!error);
        QStringList texts;
        for (const History::Sample &s :
             rows.channels[0].averages + rows.channels[0].instants + rows.channels[1].averages)
            texts << QString("%1 %2 %3-%4").arg(utcTime(s.msecs)).arg(s.value).arg(s.low).arg(s.high);
        QCOMPARE(texts.join(", "), "23:50 5 4-6, 00:30 nan nan-nan, 02:10 7 nan-nan, 00:05 3.5 nan-nan, "
                                   "00:06 nan nan-nan, 23:50 1000 1000-1000, 00:30 1001 1001-1001, "
                                   "02:10 1002 1002-1002");
        QCOMPARE(rows.records.size(), 3);

        QCOMPARE(gapsText(History::storedGaps(db, 1, 1, 10, rows.records, from, to, to.addDays(1), &error)),
                 "25.10. 02:00–25.10. 02:20:3, 25.10. 02:40–25.10. 03:00:3, 25.10. 03:20–25.10. 03:50:4");
        // Before the first record nothing is expected, nor in the two intervals before now.
        const QDateTime now(QDate(2026, 10, 25), QTime(3, 15));
        QCOMPARE(History::missingRecords(db, 1, 1, 10, now, 7, &error), 5);
        QCOMPARE(History::read(db, 1, 1, {61}, from, to, &error).channels.size(), 0);
        QCOMPARE(error->number, 9);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
