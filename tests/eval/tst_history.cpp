// Stored values read back for the plots: gaps on the averaging grid, reduction to the plot's width, queries.
#include "eval/history.h"
#include "store/upgrade.h"
#include "support/cases.h"
#include "support/measrows.h"
#include "support/programdir.h"

#include <QtTest>

#include <cmath>

namespace {

// Gaps as "HH:mm–HH:mm:missing"; every period here is shorter than a day.
QString gapsText(const QList<History::Gap> &gaps) {
    const auto text = [](Reading r) { return QTime(0, 0).addSecs(minuteOf(r) * 60).toString("HH:mm"); };
    QStringList texts;
    for (const History::Gap &gap : gaps)
        texts << QString("%1–%2:%3").arg(text(gap.first), text(gap.last)).arg(gap.missing);
    return texts.join(", ");
}

// "t:v" or "t:v:low:high" with t in minutes.
QVector<History::Sample> samples(const QString &items) {
    QVector<History::Sample> result;
    for (const QString &item : items.split(' ', Qt::SkipEmptyParts)) {
        const QStringList f = (item + ":nan:nan").split(':');
        result.append({f[0].toLongLong() * 60000, f[1].toDouble(), f[2].toDouble(), f[3].toDouble()});
    }
    return result;
}

// A plot as text: its lines "minute:y", then after " / " its bands "minute:low-high"; runs apart by " | ".
QString plotText(const History::Plot &plot) {
    const auto run = [](const QVector<QPointF> &upper, const QVector<QPointF> &lower) {
        QStringList points;
        for (int i = 0; i < upper.size(); ++i)
            points << QString::number(upper[i].x() / 60000) + ':' +
                          (lower.isEmpty() ? "" : QString::number(lower[i].y()) + '-') +
                          QString::number(upper[i].y());
        return points.join(' ');
    };
    QStringList lines, bands;
    for (const QVector<QPointF> &line : plot.lines)
        lines << run(line, {});
    for (const History::Band &band : plot.bands)
        bands << run(band.upper, band.lower);
    return lines.join(" | ") + " / " + bands.join(" | ");
}

// records: runs "[MM-dd ]HH:mm+n" of n records every step minutes of the wall clock, in 2026 and without a
// day on the day the period starts.
struct Gaps {
    const char *name, *records, *from, *to, *gaps;
    int step;
};

// samples: "t:v[:low:high]" (minutes); the plot shows minutes from ... to.
struct Decimate {
    const char *name, *samples, *plot;
    int width, maxDistance = 5, from = 0, to = 10;
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    void gaps_data() {
        addCases<Gaps>({
            {"a gap", "10:00+2, 10:40+2", "12-05 10:00", "11:00", "10:20–10:30:2", 10},
            {"records off the grid fill their slot", "10:03+6", "12-05 10:00", "11:00", "", 10},
            // 25 minutes: 23:45 is the last grid point of the day, the next is midnight.
            {"midnight", "22:55+3, 12-06 00:25+1", "12-05 22:55", "12-06 00:50", "00:00–00:00:1", 25},
            // 29 March 2026: 02:00 becomes 03:00, its slots are not expected; 25 October 2026: 03:00 becomes
            // 02:00, the slots shown twice are expected once.
            {"skipped hour", "01:00+5, 03:10+5", "03-29 01:00", "04:00", "01:50–03:00:2", 10},
            {"hour shown twice", "01:00+9, 02:40+8", "10-25 01:00", "04:00", "02:30–02:30:1", 10},
            {"empty period", "", "12-05 10:00", "11:00", "10:00–10:50:6", 10},
            {"no grid", "", "12-05 10:00", "11:00", "", 0},
        });
    }
    void gaps() {
        QFETCH(Gaps, c);
        const auto reading = [&c](const QString &t) {
            const QString day = t.size() == 5 ? QString(c.from).left(6) : QString();
            return readingOf(QDateTime::fromString("2026-" + day + t, "yyyy-MM-dd HH:mm"));
        };
        QVector<Reading> readings;
        for (const QString &run : QString(c.records).split(", ", Qt::SkipEmptyParts))
            for (int i = 0; i < run.section('+', 1).toInt(); ++i)
                readings << reading(run.section('+', 0, 0)) + i * c.step;
        QCOMPARE(gapsText(History::findGaps(readings, reading(c.from), reading(c.to), c.step)), c.gaps);
    }

    void decimate_data() {
        addCases<Decimate>({
            {"min and max per column in time order", "0:5 1:9 2:1 3:4 5:2 6:8 7:3", "1:9 2:1 5:2 6:8 / ", 2},
            {"Null breaks the line", "0:1 1:2 2:nan 3:4 4:5", "0:1 1:2 | 3:4 4:5 / ", 10},
            {"break within a column joins", "0:1 1:2 2:nan 3:4 4:5", "0:1 4:5 / ", 2},
            {"records too far apart", "0:1 1:2 5:3 6:4", "0:1 1:2 | 5:3 6:4 / ", 10, 2},
            {"one sample beyond each end", "0:1 1:2 2:3 3:4 4:5 5:6", "1:2 2:3 3:4 4:5 / ", 10, 5, 2, 3},
            {"band where the record has one", "0:5:4:6 1:5:3:7 2:5:nan:nan 3:5:4:6",
             "0:5 1:5 2:5 3:5 / 0:4-6 1:3-7 | 3:4-6", 10},
            {"widest band of a column", "0:5:4:6 1:5:3:7 2:5:nan:nan 3:5:4:6", "0:5 3:5 / 0:3-7 3:3-7", 1},
            {"nothing stored", "", " / ", 10},
        });
    }
    void decimate() {
        QFETCH(Decimate, c);
        QCOMPARE(plotText(History::decimate(samples(c.samples), c.from * 60000, c.to * 60000, c.width,
                                            c.maxDistance * 60000)),
                 c.plot);
    }

    void readStored() {
        ProgramDir dir;
        QSqlDatabase db = dir.createDataFile();
        // A file from an older template lacks the index.
        sqlValue(db, "DROP INDEX idxMesswerteKind");
        QVERIFY(!Store::upgradeSchema(db));
        QCOMPARE(sqlValue(db, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'idxMesswerteKind'"), 1);
        sqlValue(db, "UPDATE tblKanal SET Sensor = 27, EinheitID = NULL WHERE KanalNr = 20");

        // Around the clock put back on 25 October 2026: 02:30 is read as its first occurrence (00:30 UTC).
        // The second record is Null, the third holds one value per channel (0 in its second and third value).
        const QStringList times{"2026-10-25 01:50:00", "2026-10-25 02:30:00", "2026-10-25 03:10:00"};
        const double values[3][3] = {{5, 4, 6}, {NAN, NAN, NAN}, {7, 0, 0}};
        QVERIFY(insertAverageRecords(db, 1, 1, times, {19, 1}, [&](int c, int k, int r) {
            return c == 19 ? values[r][k - 1] : 1000 + r;
        }));
        // Another logger's record and one after the period are not read.
        const auto nine = [](int, int, int) { return 9.0; };
        QVERIFY(insertAverageRecords(db, 2, 1, {"2026-10-25 02:00:00"}, {19}, nine) &&
                insertAverageRecords(db, 1, 1, {"2026-10-25 05:00:00"}, {19}, nine));
        sqlValue(db, "INSERT INTO tblMesswerte (Provider, Konfiguration, was, MeasTime, Kanal19) VALUES "
                     "(1, 1, 1, '2026-10-25 02:05:00', 3.5), (1, 1, 1, '2026-10-25 02:06:00', NULL)");

        std::optional<RunError> error;
        const QList<History::Channel> channels = History::channels(db, 1, 1, &error);
        QVERIFY(channels.size() == 20 && channels[19].name == "Sensor 0x1B (unbekannt)" &&
                channels[19].unit.isEmpty());

        const QDateTime from(QDate(2026, 10, 25), QTime(0, 0)), to(from.date(), QTime(4, 0));
        const History::Rows rows = History::read(db, 1, 1, {19, 1}, from, to, &error);
        QVERIFY(!error && rows.records.size() == 3);
        QStringList texts;
        for (const History::Sample &s :
             rows.channels[0].averages + rows.channels[0].instants + rows.channels[1].averages)
            texts << QDateTime::fromMSecsSinceEpoch(s.msecs, Qt::UTC).toString("HH:mm ") +
                         QString("%1 %2-%3").arg(s.value).arg(s.low).arg(s.high);
        QCOMPARE(texts.join(", "), "23:50 5 4-6, 00:30 nan nan-nan, 02:10 7 nan-nan, 00:05 3.5 nan-nan, "
                                   "00:06 nan nan-nan, 23:50 1000 1000-1000, 00:30 1001 1001-1001, "
                                   "02:10 1002 1002-1002");

        QCOMPARE(gapsText(History::storedGaps(db, 1, 1, 10, rows.records, from, to, to.addDays(1), &error)),
                 "02:00–02:20:3, 02:40–03:00:3, 03:20–03:50:4");
        // Before the first record nothing is expected, nor in the two intervals before now.
        QCOMPARE(History::missingRecords(db, 1, 1, 10, QDateTime(from.date(), QTime(3, 15)), 7, &error), 5);
        QVERIFY(History::read(db, 1, 1, {61}, from, to, &error).channels.isEmpty() && error->number == 9);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
