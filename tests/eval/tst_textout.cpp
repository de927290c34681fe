#include "eval/textout.h"

#include <QPoint>
#include <QTest>

namespace {

const QDateTime recordTime(QDate(2026, 12, 5), QTime(16, 7, 38));
const QDateTime midnight(QDate(2026, 12, 5), QTime(0, 0));

OutputFormat makeFormat(bool trennen, bool doKanal = true, bool doSensor = true, quint8 separator = 124) {
    OutputFormat format;
    format.Trennen = trennen;
    format.TrennZeichen = separator;
    format.doKanal = doKanal;
    format.doSensor = doSensor;
    return format;
}

} // namespace

class TestTextOut : public QObject {
    Q_OBJECT

private:
    HeaderCodes headerCodes{};
    AverageValues values{};

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

        // Channels 1 and 7 take part in the records; entries outside 1 ... 60 and channels without a code
        // must not show up even though they hold something.
        headerCodes[0] = 0x05;
        headerCodes[1] = 0x03;
        headerCodes[7] = 0x1A;
        headerCodes[61] = 0x11;
        headerCodes[100] = 0x01;
        values[0] = {91, 92, 93, 94};
        values[1] = {77, 23.5, -0.1, 1234567.5};
        values[2] = {0, 99, 98, 97};
        values[7] = {66, 12, 0.25, 850};
    }

    void generalDateFormat_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "dd.MM.yyyy HH:mm:ss";
        QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                    << "M/d/yyyy h:mm:ss AP";
        QTest::newRow("Chinese, zone in front")
            << QLocale(QLocale::Chinese, QLocale::China) << "yyyy/M/d HH:mm:ss";
        QTest::newRow("Bulgarian, quoted literals")
            << QLocale(QLocale::Bulgarian, QLocale::Bulgaria) << "d.MM.yyyy 'г'. H:mm:ss 'ч'.";
    }

    void generalDateFormat() {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QCOMPARE(::generalDateFormat(locale), expected);
    }

    void formatDateTime_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("expected");
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("German afternoon") << german << recordTime << "05.12.2026 16:07:38";
        QTest::newRow("German midnight") << german << midnight << "05.12.2026";
        QTest::newRow("German one second past midnight")
            << german << QDateTime(QDate(2026, 12, 5), QTime(0, 0, 1)) << "05.12.2026 00:00:01";
        QTest::newRow("German zero date-time") << german << QDateTime() << "";
        QTest::newRow("US afternoon") << us << recordTime << "12/5/2026 4:07:38 PM";
        QTest::newRow("US midnight") << us << midnight << "12/5/2026";
    }

    void formatDateTime() {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, time);
        QFETCH(QString, expected);
        QCOMPARE(::formatDateTime(time, locale), expected);
    }

    void formatNumber_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("decimal comma") << german << 23.5 << "23,5";
        QTest::newRow("negative fraction") << german << -0.1 << "-0,1";
        QTest::newRow("no group separator") << german << 1234567.5 << "1234567,5";
        QTest::newRow("whole number") << german << 12.0 << "12";
        QTest::newRow("zero") << german << 0.0 << "0";
        QTest::newRow("binary noise hidden") << german << 0.1 + 0.2 << "0,3";
        QTest::newRow("fifteen digits") << german << 1.0 / 3.0 << "0,333333333333333";
        QTest::newRow("large") << german << 123456789012345678.0 << "1,23456789012346E+17";
        QTest::newRow("small") << german << 0.00001 << "1E-05";
        QTest::newRow("US decimal point")
            << QLocale(QLocale::English, QLocale::UnitedStates) << 1234567.5 << "1234567.5";
    }

    void formatNumber() {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(::formatNumber(value, locale), expected);
    }

    void forme_data() {
        QTest::addColumn<bool>("trennen");
        QTest::addColumn<int>("separator");
        QTest::addColumn<QVariant>("was");
        QTest::addColumn<int>("wie");
        QTest::addColumn<QString>("expected");

        QTest::newRow("sep time stamp") << true << 124 << QVariant(recordTime) << 0 << "05.12.2026 16:07:38";
        QTest::newRow("sep midnight") << true << 124 << QVariant(midnight) << 0 << "05.12.2026";
        QTest::newRow("sep zero date-time") << true << 124 << QVariant(QDateTime()) << 0 << "";
        QTest::newRow("sep channel 7") << true << 124 << QVariant(7) << 1 << "|07";
        QTest::newRow("sep channel 112") << true << 124 << QVariant(112) << 1 << "|112";
        QTest::newRow("sep channel semicolon") << true << 59 << QVariant(7) << 1 << ";07";
        QTest::newRow("sep hex 26") << true << 124 << QVariant(26) << 2 << "|1A";
        QTest::newRow("sep hex 5") << true << 124 << QVariant(5) << 2 << "|05";
        QTest::newRow("sep hex 0x1FF cut") << true << 124 << QVariant(0x1FF) << 2 << "|FF";
        QTest::newRow("sep hex -1") << true << 124 << QVariant(-1) << 2 << "|FF";
        QTest::newRow("sep value") << true << 124 << QVariant(12.3) << 3 << "|12,3";
        QTest::newRow("sep negative value") << true << 124 << QVariant(-0.1) << 3 << "|-0,1";
        QTest::newRow("sep large value") << true << 124 << QVariant(1234567.5) << 3 << "|1234567,5";
        QTest::newRow("sep text value") << true << 124 << QVariant(QStringLiteral("n/a")) << 3 << "|n/a";

        QTest::newRow("fixed time stamp padded")
            << false << 124 << QVariant(recordTime) << 0 << "05.12.2026 16:07:38   ";
        QTest::newRow("fixed midnight padded")
            << false << 124 << QVariant(midnight) << 0 << "05.12.2026            ";
        QTest::newRow("fixed zero date-time")
            << false << 124 << QVariant(QDateTime()) << 0 << QString(22, u' ');
        QTest::newRow("fixed long text cut to 22")
            << false << 124 << QVariant(QStringLiteral("Montag, 5. Dezember 2026 16:07")) << 0
            << "Montag, 5. Dezember 20";
        QTest::newRow("fixed channel 7") << false << 124 << QVariant(7) << 1 << "07 ";
        QTest::newRow("fixed hex 26") << false << 124 << QVariant(26) << 2 << "1A ";
        QTest::newRow("fixed hex 5") << false << 124 << QVariant(5) << 2 << "05 ";
        QTest::newRow("fixed hex 0x1FF cut") << false << 124 << QVariant(0x1FF) << 2 << "FF ";
        QTest::newRow("fixed value right-aligned") << false << 124 << QVariant(23.5) << 3 << "        23,5 ";
        QTest::newRow("fixed value exactly 12")
            << false << 124 << QVariant(12345678.125) << 3 << "12345678,125 ";
        QTest::newRow("fixed value keeps last 12")
            << false << 124 << QVariant(-123456789.125) << 3 << "23456789,125 ";
        QTest::newRow("fixed value 14 digits keeps last 12")
            << false << 124 << QVariant(1234567.891234) << 3 << "34567,891234 ";
    }

    void forme() {
        QFETCH(bool, trennen);
        QFETCH(int, separator);
        QFETCH(QVariant, was);
        QFETCH(int, wie);
        QFETCH(QString, expected);

        std::optional<RunError> error = RunError::overflow();
        QCOMPARE(Forme(was, wie, makeFormat(trennen, true, true, static_cast<quint8>(separator)), &error),
                 expected);
        QVERIFY(!error);
    }

    void formeFailure_data() {
        QTest::addColumn<QVariant>("was");
        QTest::addColumn<int>("wie");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");

        QTest::newRow("wie 4") << QVariant(7) << 4 << 5 << RunError::invalidArgument().text;
        QTest::newRow("wie -1") << QVariant(7) << -1 << 5 << RunError::invalidArgument().text;
        QTest::newRow("channel not a number")
            << QVariant(QStringLiteral("abc")) << 1 << 13 << RunError::typeMismatch().text;
        QTest::newRow("code not a number")
            << QVariant(QPoint(1, 2)) << 2 << 13 << RunError::typeMismatch().text;
        QTest::newRow("code beyond 32 bits") << QVariant(4294967296.0) << 2 << 6 << RunError::overflow().text;
        QTest::newRow("value without text form")
            << QVariant(QPoint(1, 2)) << 3 << 13 << RunError::typeMismatch().text;
        QTest::newRow("time stamp missing") << QVariant() << 0 << 94 << RunError::invalidUseOfNull().text;
    }

    void formeFailure() {
        QFETCH(QVariant, was);
        QFETCH(int, wie);
        QFETCH(int, number);
        QFETCH(QString, text);

        for (const bool trennen : {true, false}) {
            std::optional<RunError> error;
            QCOMPARE(Forme(was, wie, makeFormat(trennen), &error), QString());
            QVERIFY(error);
            QCOMPARE(error->number, number);
            QCOMPARE(error->text, text);
        }
    }

    void textOutputLine_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<bool>("trennen");
        QTest::addColumn<bool>("doKanal");
        QTest::addColumn<bool>("doSensor");
        QTest::addColumn<int>("perChannel");
        QTest::addColumn<QString>("expected");

        QTest::newRow("sep, channel and sensor, three values")
            << recordTime << true << true << true << 3
            << "05.12.2026 16:07:38|01|03|23,5|-0,1|1234567,5|07|1A|12|0,25|850";
        QTest::newRow("sep, channel and sensor, one value")
            << recordTime << true << true << true << 1 << "05.12.2026 16:07:38|01|03|23,5|07|1A|12";
        QTest::newRow("sep, values only, one value")
            << recordTime << true << false << false << 1 << "05.12.2026 16:07:38|23,5|12";
        QTest::newRow("sep, values only, three values")
            << recordTime << true << false << false << 3
            << "05.12.2026 16:07:38|23,5|-0,1|1234567,5|12|0,25|850";
        QTest::newRow("sep, channel only")
            << recordTime << true << true << false << 1 << "05.12.2026 16:07:38|01|23,5|07|12";
        QTest::newRow("sep, sensor only")
            << recordTime << true << false << true << 1 << "05.12.2026 16:07:38|03|23,5|1A|12";
        QTest::newRow("sep, midnight") << midnight << true << false << false << 1 << "05.12.2026|23,5|12";
        QTest::newRow("fixed, channel and sensor, three values")
            << recordTime << false << true << true << 3
            << "05.12.2026 16:07:38   01 03         23,5         -0,1    1234567,5 "
               "07 1A           12         0,25          850 ";
        QTest::newRow("fixed, values only, one value") << recordTime << false << false << false << 1
                                                       << "05.12.2026 16:07:38           23,5           12 ";
        QTest::newRow("fixed, channel only, one value")
            << recordTime << false << true << false << 1
            << "05.12.2026 16:07:38   01         23,5 07           12 ";
        QTest::newRow("fixed, midnight")
            << midnight << false << false << false << 1 << "05.12.2026                    23,5           12 ";
    }

    void textOutputLine() {
        QFETCH(QDateTime, time);
        QFETCH(bool, trennen);
        QFETCH(bool, doKanal);
        QFETCH(bool, doSensor);
        QFETCH(int, perChannel);
        QFETCH(QString, expected);

        std::optional<RunError> error = RunError::overflow();
        QCOMPARE(::textOutputLine(time, headerCodes, values, perChannel,
                                  makeFormat(trennen, doKanal, doSensor), &error),
                 expected);
        QVERIFY(!error);
    }

    void textOutputLineLastChannel() {
        HeaderCodes codes{};
        codes[60] = 0x10;
        AverageValues last{};
        last[60][1] = 13.8;
        QCOMPARE(::textOutputLine(recordTime, codes, last, 1, makeFormat(true)),
                 "05.12.2026 16:07:38|60|10|13,8");
    }

    void textOutputLineBadDigit_data() {
        QTest::addColumn<int>("perChannel");
        QTest::newRow("digit 2 gives 5") << 5;
        QTest::newRow("digit 9 gives 19") << 19;
        QTest::newRow("two") << 2;
        QTest::newRow("none") << 0;
        QTest::newRow("negative") << -1;
    }

    void textOutputLineBadDigit() {
        QFETCH(int, perChannel);
        for (const bool trennen : {true, false}) {
            std::optional<RunError> error;
            QCOMPARE(
                ::textOutputLine(recordTime, headerCodes, values, perChannel, makeFormat(trennen), &error),
                QString());
            QVERIFY(error);
            QCOMPARE(error->number, RunError::subscriptOutOfRange().number);
            QCOMPARE(error->text, RunError::subscriptOutOfRange().text);
        }
    }
};

QTEST_GUILESS_MAIN(TestTextOut)
#include "tst_textout.moc"
