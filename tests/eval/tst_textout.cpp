#include "eval/telegram.h"
#include "eval/textout.h"
#include "support/cases.h"
#include "support/programdir.h"

#include <QTest>

namespace {

// One-digit month and hour show the German general date format in full.
const QDateTime recordTime(QDate(2026, 3, 5), QTime(6, 7, 38));

// Separator 0: fixed columns; error: the error number Forme reports.
struct FormeCase {
    const char *name;
    QVariant was;
    int separator, wie;
    const char *expected;
    int error = 0;
};

} // namespace

class TestTextOut : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    // Formats the line test below does not reach.
    void forme_data() {
        addCases<FormeCase>({
            {"fixed text cut", "Montag, 5. März 2026 06:07:38", 0, 0, "Montag, 5. März 2026 0"},
            {"unknown kind", 7, 124, 4, "", 5},
            {"no value", QVariant(), 124, 0, "", 94},
        });
    }
    void forme() {
        QFETCH(FormeCase, c);
        std::optional<RunError> failure = RunError::overflow();
        QCOMPARE(Forme(c.was, c.wie, {c.separator != 0, quint8(c.separator), true, true}, &failure),
                 QString(c.expected));
        QCOMPARE(failure ? failure->number : 0, c.error);
    }

    // The row name tells the format: separator or blank (fixed columns), K/S channel/sensor, values each.
    void textOutputLine_data() {
        QTest::addColumn<QString>("expected");
        QTest::newRow("|KS3")
            << "05.03.2026 06:07:38|01|03|23,5|0,3|-123456789,125|60|1A|12|1E-05|1,23456789012346E+17";
        QTest::newRow(";K1") << "05.03.2026 06:07:38;01;23,5;60;12";
        // Fixed columns keep the right end of a longer value.
        QTest::newRow(" KS3") << "05.03.2026 06:07:38   01 03         23,5          0,3 23456789,125 "
                                 "60 1A           12        1E-05 89012346E+17 ";
        QTest::newRow(" 1") << "05.03.2026 06:07:38           23,5           12 ";
        QTest::newRow("|KS5") << ""; // digit 2 reaches beyond the stored values
        // An unreadable time stamp stands for the zero date-time, a midnight: the date alone.
        QTest::newRow("|1 unreadable stamp") << "30.12.1899|23,5|12";
    }
    void textOutputLine() {
        QFETCH(QString, expected);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        // Channels 1 and 60 take part; entries outside 1 ... 60 and channels without a code must not show up.
        // The values are rounded to 15 digits, large and small ones written with an exponent.
        HeaderCodes codes{0x05, 0x03};
        codes[60] = 0x1A;
        codes[61] = 0x11;
        AverageValues values{{{91, 92, 93, 94}, {77, 23.5, 0.1 + 0.2, -123456789.125}, {0, 99, 98, 97}}};
        values[60] = {66, 12, 0.00001, 123456789012345678.0};
        const int separator = tag[0] == u' ' ? 0 : tag[0].unicode(); // a blank: fixed columns
        const OutputFormat out{separator != 0, quint8(separator), tag.contains('K'), tag.contains('S')};
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
