#include "eval/telegram.h"
#include "eval/textout.h"
#include "support/programdir.h"

#include <QTest>

namespace {

// One-digit month and hour show the German general date format in full.
const QDateTime recordTime(QDate(2026, 3, 5), QTime(6, 7, 38));
const QDateTime midnight(QDate(2026, 3, 5), QTime(0, 0));

// Separator 0: fixed columns.
OutputFormat format(int separator, bool doKanal = true, bool doSensor = true) {
    return {separator != 0, quint8(separator), doKanal, doSensor};
}

} // namespace

class TestTextOut : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void forme_data() {
        QTest::addColumn<int>("separator");
        QTest::addColumn<QVariant>("was");
        QTest::addColumn<int>("wie");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("error");
        const auto row = [](int sep, const QVariant &was, int wie, const char *expected, int error = 0) {
            QTest::addRow("%d %d %s", sep, wie, qPrintable(was.toString()))
                << sep << was << wie << QString(expected) << error;
        };
        row(124, recordTime, 0, "05.03.2026 06:07:38");
        row(124, midnight, 0, "05.03.2026");
        row(59, 7, 1, ";07");
        row(124, 26, 2, "|1A");
        row(124, -0.1, 3, "|-0,1");
        row(124, 0.1 + 0.2, 3, "|0,3");
        row(124, 1.0 / 3, 3, "|0,333333333333333");
        row(124, 123456789012345678.0, 3, "|1,23456789012346E+17");
        row(124, 0.00001, 3, "|1E-05");
        row(0, recordTime, 0, "05.03.2026 06:07:38   ");
        row(0, "Montag, 5. März 2026 06:07:38", 0, "Montag, 5. März 2026 0");
        row(0, 7, 1, "07 ");
        row(0, 5, 2, "05 ");
        row(0, 23.5, 3, "        23,5 ");
        row(0, -123456789.125, 3, "23456789,125 ");
        row(124, 7, 4, "", 5);
        row(124, QVariant(), 0, "", 94);
    }
    void forme() {
        QFETCH(int, separator);
        QFETCH(QVariant, was);
        QFETCH(int, wie);
        QFETCH(QString, expected);
        QFETCH(int, error);
        std::optional<RunError> failure = RunError::overflow();
        QCOMPARE(Forme(was, wie, format(separator), &failure), expected);
        QCOMPARE(failure ? failure->number : 0, error);
    }

    // The row name tells the format: the separator or a blank for fixed columns, K for the channel column,
    // S for the sensor column, then the values per channel.
    void textOutputLine_data() {
        QTest::addColumn<QString>("expected");
        QTest::newRow("|KS3") << "05.03.2026 06:07:38|01|03|23,5|-0,1|1234567,5|60|1A|12|0,25|850";
        QTest::newRow("|1") << "05.03.2026 06:07:38|23,5|12";
        QTest::newRow("|K1") << "05.03.2026 06:07:38|01|23,5|60|12";
        QTest::newRow(" KS3") << "05.03.2026 06:07:38   01 03         23,5         -0,1    1234567,5 "
                                 "60 1A           12         0,25          850 ";
        QTest::newRow(" 1") << "05.03.2026 06:07:38           23,5           12 ";
        QTest::newRow("|KS5") << ""; // digit 2 reaches beyond the stored values
        // An unreadable time stamp stands for the zero date-time, a midnight: the date alone.
        QTest::newRow("|1 unreadable stamp") << "30.12.1899|23,5|12";
        QTest::newRow(" 1 unreadable stamp")
            << "30.12.1899" + QString(20, ' ') + "23,5" + QString(11, ' ') + "12 ";
    }
    void textOutputLine() {
        QFETCH(QString, expected);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        // Channels 1 and 60 take part; entries outside 1 ... 60 and channels without a code must not show up.
        HeaderCodes codes{0x05, 0x03};
        codes[60] = 0x1A;
        codes[61] = 0x11;
        AverageValues values{{{91, 92, 93, 94}, {77, 23.5, -0.1, 1234567.5}, {0, 99, 98, 97}}};
        values[60] = {66, 12, 0.25, 850};
        const OutputFormat out =
            format(tag[0] == u' ' ? 0 : tag[0].unicode(), tag.contains('K'), tag.contains('S'));
        const QDateTime time = tag.contains("unreadable") ? ExtractDate("05.03.26", nullptr) : recordTime;
        std::optional<RunError> error = RunError::overflow();
        QCOMPARE(::textOutputLine(time, codes, values, tag.mid(1).section(' ', 0, 0).right(1).toInt(), out,
                                  &error),
                 expected);
        QCOMPARE(error ? error->number : 0, expected.isEmpty() ? 9 : 0);
    }
};

QTEST_GUILESS_MAIN(TestTextOut)
#include "tst_textout.moc"
