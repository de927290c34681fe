#include "eval/telegram.h"

#include <QLocale>
#include <QtTest>

#include <algorithm>

namespace {

const QByteArray stamp("050324xx093000");
// 29 characters that the header keeps in front of the record count.
const QByteArray headerFiller("Station 07 Logger Version 1.2");

// Telegrams as the logger sends them, checksums worked out by hand.
const QByteArray bareInstant("\x02"
                             "A\x17"
                             "084\r");
const QByteArray instantAnswer("\x02"
                               "A050324xx093000|0103101.5|0202 87|6001-3.25\x17"
                               "020\r");
const QByteArray headerAnswer("\x02"
                              "HStation 07 Logger Version 1.200012 050324xx093000|0103|0202|2010\x17"
                              "039\r");
const QByteArray averageAnswer("\x02"
                               "M0050324xx093000|1.5|2.5|3.5\x17"
                               "053\r");
const QByteArray threeValuesAnswer("\x02"
                                   "M1050324xx093000|1|2|3|4|5|6\x17"
                                   "100\r");
// The two characters the time stamp does not use ("aj") bring the exclusive-or to 0.
const QByteArray zeroChecksumAnswer("\x02"
                                    "A050324aj093000|0103101.5\x17"
                                    "000\r");

// STX, body, ETB, the checksum as three digits and CR.
QByteArray frame(const QByteArray &body) {
    QByteArray telegram = '\x02' + body + '\x17';
    return telegram + QByteArray::number(telegramChecksum(telegram)).rightJustified(3, '0') + '\r';
}

QByteArray headerBody(const QByteArray &count, const QByteArray &fields) {
    return "H" + headerFiller + count + " " + stamp + fields;
}

QDateTime stampTime() {
    return QDateTime(QDate(2024, 3, 5), QTime(9, 30));
}

QString line(int kind, const QString &text) {
    return QString::number(kind) + QLatin1Char(' ') + text;
}

QString runLine(const RunError &error) {
    return line(-3, error.text);
}

QStringList messagesOf(const TelegramResult &result) {
    QStringList lines;
    for (const TelegramMessage &message : result.messages)
        lines.append(line(message.kind, message.text));
    return lines;
}

QString kindOf(const TelegramResult &result) {
    return result.kind ? QString(QChar(result.kind)) : QString();
}

// The channels present in an "A" result as "channel:code=value".
QStringList instantOf(const TelegramResult &result) {
    QStringList present;
    for (int channel = 0; channel < int(result.instCodes.size()); ++channel) {
        if (result.instCodes[channel].size() == 2)
            present.append(QStringLiteral("%1:%2=%3")
                               .arg(channel)
                               .arg(QString::fromLatin1(result.instCodes[channel]))
                               .arg(result.instValues[channel]));
    }
    return present;
}

// The values of an "M" result that are not 0 as "channel/number=value".
QStringList averagesOf(const TelegramResult &result) {
    QStringList values;
    for (int channel = 0; channel < int(result.avgValues.size()); ++channel) {
        for (int k = 0; k < 4; ++k) {
            if (result.avgValues[channel][k] != 0)
                values.append(
                    QStringLiteral("%1/%2=%3").arg(channel).arg(k).arg(result.avgValues[channel][k]));
        }
    }
    return values;
}

// The codes that are not 0 as "channel=code".
QStringList codesOf(const HeaderCodes &codes) {
    QStringList present;
    for (int channel = 0; channel < int(codes.size()); ++channel) {
        if (codes[channel] != 0)
            present.append(QStringLiteral("%1=%2").arg(channel).arg(codes[channel]));
    }
    return present;
}

// Header codes with a sensor code on the given channels.
HeaderCodes configured(const QList<int> &channels) {
    HeaderCodes codes{};
    for (const int channel : channels)
        codes[channel] = 3;
    return codes;
}

} // namespace

class TestTelegram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void checksum_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        QTest::newRow("nothing") << QByteArray() << 0;
        QTest::newRow("A") << QByteArray("\x02"
                                         "A\x17")
                           << 84;
        QTest::newRow("H") << QByteArray("\x02H\x17") << 93;
        QTest::newRow("M") << QByteArray("\x02M\x17") << 88;
        QTest::newRow("a") << QByteArray("\x02"
                                         "a\x17")
                           << 116;
        QTest::newRow("bytes above 127") << QByteArray("\xff\x80") << 127;
        QTest::newRow("instantaneous values") << instantAnswer.left(instantAnswer.size() - 4) << 20;
        QTest::newRow("header") << headerAnswer.left(headerAnswer.size() - 4) << 39;
        QTest::newRow("zero") << zeroChecksumAnswer.left(zeroChecksumAnswer.size() - 4) << 0;
    }
    void checksum() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QCOMPARE(int(telegramChecksum(bytes)), expected);
    }

    // The helper that builds the other tests' telegrams agrees with telegrams written out by hand.
    void frameHelper_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("bare") << QByteArray("A") << bareInstant;
        QTest::newRow("instantaneous values")
            << QByteArray("A050324xx093000|0103101.5|0202 87|6001-3.25") << instantAnswer;
        QTest::newRow("header") << headerBody("00012", "|0103|0202|2010") << headerAnswer;
        QTest::newRow("average") << QByteArray("M0050324xx093000|1.5|2.5|3.5") << averageAnswer;
        QTest::newRow("three values") << QByteArray("M1050324xx093000|1|2|3|4|5|6") << threeValuesAnswer;
        QTest::newRow("zero") << QByteArray("A050324aj093000|0103101.5") << zeroChecksumAnswer;
    }
    void frameHelper() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame(body), expected);
    }

    void checks_data() {
        QTest::addColumn<QByteArray>("telegram");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("messages");

        const int rejected = int(TelegramOutcome::Rejected);
        const int checksumError = int(TelegramOutcome::ChecksumError);
        const int failed = int(TelegramOutcome::Failed);
        const int decoded = int(TelegramOutcome::Decoded);
        const QString invalidArgument = runLine(RunError::invalidArgument());
        const QString typeMismatch = runLine(RunError::typeMismatch());
        const QString outOfRange = runLine(RunError::subscriptOutOfRange());
        const QString malformed = line(-1, QStringLiteral("Fehlerhafte Daten"));

        QTest::newRow("nothing") << QByteArray() << failed << "" << QStringList{invalidArgument};
        QTest::newRow("no STX") << instantAnswer.mid(1) << rejected << ""
                                << QStringList{line(-1, "Daten ohne STX erhalten")};
        QTest::newRow("letters before the STX")
            << QByteArray("xy") << rejected << "" << QStringList{line(-1, "Daten ohne STX erhalten")};
        QTest::newRow("no CR") << instantAnswer.chopped(1) << rejected << ""
                               << QStringList{line(-1, "Daten ohne CR erhalten")};
        QTest::newRow("lone STX") << QByteArray("\x02") << rejected << ""
                                  << QStringList{line(-1, "Daten ohne CR erhalten")};
        QTest::newRow("STX and CR") << QByteArray("\x02\r") << failed << "" << QStringList{invalidArgument};
        QTest::newRow("four characters") << QByteArray("\x02"
                                                       "A0\r")
                                         << failed << "" << QStringList{invalidArgument};
        QTest::newRow("five characters")
            << QByteArray("\x02"
                          "084\r")
            << rejected << "" << QStringList{line(-1, "Daten ohne ETB erhalten")};
        QByteArray noEtb = instantAnswer;
        noEtb[noEtb.size() - 5] = '\x18';
        QTest::newRow("no ETB") << noEtb << rejected << ""
                                << QStringList{line(-1, "Daten ohne ETB erhalten")};
        QTest::newRow("ETB one place early")
            << QByteArray("\x02"
                          "A\x17"
                          "0840\r")
            << rejected << "" << QStringList{line(-1, "Daten ohne ETB erhalten")};

        QTest::newRow("checksum differs")
            << QByteArray("\x02"
                          "A\x17"
                          "085\r")
            << checksumError << "" << QStringList{line(-1, QStringLiteral("Prüfsummenfehler (85 vs. 84)"))};
        QTest::newRow("checksum shown without leading zeros")
            << QByteArray("\x02H\x17"
                          "007\r")
            << checksumError << "" << QStringList{line(-1, QStringLiteral("Prüfsummenfehler (7 vs. 93)"))};
        QTest::newRow("checksum differs in a kind not known")
            << QByteArray("\x02Z\x17"
                          "000\r")
            << checksumError << "" << QStringList{line(-1, QStringLiteral("Prüfsummenfehler (0 vs. 79)"))};
        QTest::newRow("checksum not a number") << QByteArray("\x02"
                                                             "A\x17"
                                                             "08x\r")
                                               << failed << "" << QStringList{typeMismatch};
        QTest::newRow("checksum 000") << zeroChecksumAnswer << decoded << "A" << QStringList();

        QTest::newRow("kind a") << frame("a" + stamp) << decoded << "A" << QStringList();
        QTest::newRow("kind h") << frame("h" + headerFiller + "00001 " + stamp + "|0103") << decoded << "H"
                                << QStringList();
        QTest::newRow("kind m") << frame("m0" + stamp + "|1.5") << decoded << "M" << QStringList();
        QTest::newRow("unknown letter")
            << frame("X" + stamp) << rejected << "" << QStringList{line(-1, "Unbekanntes Kennzeichen: 'X'")};
        QTest::newRow("unknown lower-case letter as received")
            << frame("q" + stamp) << rejected << "" << QStringList{line(-1, "Unbekanntes Kennzeichen: 'q'")};
        QTest::newRow("unknown Latin-1 letter")
            << frame("\xe4" + stamp) << rejected << ""
            << QStringList{line(-1, QStringLiteral("Unbekanntes Kennzeichen: 'ä'"))};

        QTest::newRow("A without fields") << frame("A" + stamp) << decoded << "A" << QStringList();
        QTest::newRow("A without time stamp") << bareInstant << decoded << "A" << QStringList{typeMismatch};
        QTest::newRow("A unreadable time stamp")
            << frame("A050324xx09300x|0103101.5") << decoded << "A" << QStringList{typeMismatch};
        QTest::newRow("A short last field")
            << frame("A" + stamp + "|0103101.5|0203") << decoded << "A" << QStringList();
        QTest::newRow("A lone separator at the end")
            << frame("A" + stamp + "|") << decoded << "A" << QStringList();
        QTest::newRow("A short field before another") << frame("A" + stamp + "|0203|0103101.5") << failed
                                                      << "A" << QStringList{malformed, invalidArgument};
        QTest::newRow("A empty field")
            << frame("A" + stamp + "||0103101.5") << failed << "A" << QStringList{malformed, invalidArgument};
        QTest::newRow("A unreadable time stamp, then a short field")
            << frame("A05a324xx093000|0203|0103101.5") << failed << "A"
            << QStringList{typeMismatch, malformed, invalidArgument};
        QTest::newRow("A channel not a number")
            << frame("A" + stamp + "|x103101.5") << failed << "A" << QStringList{typeMismatch};
        QTest::newRow("A channel 60") << frame("A" + stamp + "|6003101.5") << decoded << "A" << QStringList();
        QTest::newRow("A channel 61")
            << frame("A" + stamp + "|6103101.5") << failed << "A" << QStringList{outOfRange};

        QTest::newRow("H channel 00")
            << frame(headerBody("00001", "|0003")) << failed << "H" << QStringList{outOfRange};
        QTest::newRow("H channel 99")
            << frame(headerBody("00001", "|9903")) << decoded << "H" << QStringList();
        QTest::newRow("H channel not a number")
            << frame(headerBody("00001", "|ab03")) << failed << "H" << QStringList{typeMismatch};
        QTest::newRow("H empty field") << frame(headerBody("00001", "||0103")) << failed << "H"
                                       << QStringList{malformed, invalidArgument};
        QTest::newRow("H record count too large") << frame(headerBody("9E+99", "|0103")) << failed << "H"
                                                  << QStringList{runLine(RunError::overflow())};
        QTest::newRow("H unreadable time stamp")
            << frame("H" + headerFiller + "00001 0503") << decoded << "H" << QStringList{typeMismatch};

        // Channels 1, 3 and 5 are configured; channel 60 takes a fourth field.
        QTest::newRow("M a field for every channel")
            << frame("M0" + stamp + "|1|2|3|4") << decoded << "M" << QStringList();
        QTest::newRow("M more fields than channels")
            << frame("M0" + stamp + "|1|2|3|4|5") << failed << "M" << QStringList{outOfRange};
        QTest::newRow("M empty field")
            << frame("M0" + stamp + "||1") << failed << "M" << QStringList{malformed, invalidArgument};
        QTest::newRow("M short last field") << frame("M0" + stamp + "|1|") << decoded << "M" << QStringList();
    }
    void checks() {
        QFETCH(QByteArray, telegram);
        QFETCH(int, outcome);
        QFETCH(QString, kind);
        QFETCH(QStringList, messages);
        const TelegramResult result = evaluateTelegram(telegram, configured({1, 3, 5}));
        QCOMPARE(messagesOf(result), messages);
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(kindOf(result), kind);
    }

    void instant_data() {
        QTest::addColumn<QByteArray>("telegram");
        QTest::addColumn<QStringList>("present");
        QTest::newRow("as sent") << instantAnswer << QStringList{"1:03=101.5", "2:02=87", "60:01=-3.25"};
        QTest::newRow("lower-case kind") << frame("a" + stamp + "|0103101.5") << QStringList{"1:03=101.5"};
        QTest::newRow("no fields") << frame("A" + stamp) << QStringList();
        QTest::newRow("channel 0") << frame("A" + stamp + "|000112") << QStringList{"0:01=12"};
        QTest::newRow("short last field skipped")
            << frame("A" + stamp + "|0103101.5|0203") << QStringList{"1:03=101.5"};
        QTest::newRow("later field of the same channel")
            << frame("A" + stamp + "|0103 1|0104 2") << QStringList{"1:04=2"};
        QTest::newRow("value with blanks and a tail")
            << frame("A" + stamp + "|0507 1 2.5x") << QStringList{"5:07=12.5"};
        QTest::newRow("value without a number") << frame("A" + stamp + "|0507abc") << QStringList{"5:07=0"};
        QTest::newRow("sensor code kept as received")
            << frame("A" + stamp + "|051a7|06zz8") << QStringList{"5:1a=7", "6:zz=8"};
    }
    void instant() {
        QFETCH(QByteArray, telegram);
        QFETCH(QStringList, present);
        const TelegramResult result = evaluateTelegram(telegram, HeaderCodes{});
        QCOMPARE(result.outcome, TelegramOutcome::Decoded);
        QCOMPARE(result.kind, 'A');
        QCOMPARE(result.timeStamp, stampTime());
        QCOMPARE(instantOf(result), present);
        const int nonZero = int(std::count_if(result.instValues.begin(), result.instValues.end(),
                                              [](double v) { return v != 0; }));
        QVERIFY(nonZero <= present.size());
    }

    // A malformed field abandons the whole telegram, the fields before it too.
    void failedTelegramYieldsNothing() {
        HeaderCodes current = configured({1, 2});
        const TelegramResult result =
            evaluateTelegram(frame("A" + stamp + "|0103101.5|0203|0202 87"), current);
        QCOMPARE(result.outcome, TelegramOutcome::Failed);
        QVERIFY(!result.timeStamp.isValid());
        QCOMPARE(instantOf(result), QStringList());
        QVERIFY(
            std::all_of(result.instValues.begin(), result.instValues.end(), [](double v) { return v == 0; }));
        QCOMPARE(codesOf(result.headerCodes), codesOf(current));

        const TelegramResult header = evaluateTelegram(frame(headerBody("00012", "|0103|0000")), current);
        QCOMPARE(header.outcome, TelegramOutcome::Failed);
        QCOMPARE(header.storedRecordCount, 0);
        QVERIFY(!header.recordTime.isValid());
        QCOMPARE(codesOf(header.headerCodes), codesOf(current));
    }

    void header_data() {
        QTest::addColumn<QByteArray>("telegram");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("codes");
        // Entry 0 comes from the current codes; channel 50 of the current codes is cleared by every header.
        QTest::newRow("as sent") << headerAnswer << 12 << QStringList{"0=7", "1=3", "2=2", "20=16"};
        QTest::newRow("lower-case kind")
            << frame("h" + headerFiller + "00012 " + stamp + "|0103") << 12 << QStringList{"0=7", "1=3"};
        QTest::newRow("count half rounds down to even")
            << frame(headerBody("  2.5", "")) << 2 << QStringList{"0=7"};
        QTest::newRow("count half rounds up to even")
            << frame(headerBody("  3.5", "")) << 4 << QStringList{"0=7"};
        QTest::newRow("count with a tail") << frame(headerBody("12abc", "")) << 12 << QStringList{"0=7"};
        QTest::newRow("count blank") << frame(headerBody("     ", "")) << 0 << QStringList{"0=7"};
        QTest::newRow("count negative") << frame(headerBody("   -4", "")) << -4 << QStringList{"0=7"};
        QTest::newRow("lower-case hex digits")
            << frame(headerBody("00001", "|05ff")) << 1 << QStringList{"0=7", "5=255"};
        QTest::newRow("upper-case hex digits")
            << frame(headerBody("00001", "|99FF")) << 1 << QStringList{"0=7", "99=255"};
        QTest::newRow("no hex digit")
            << frame(headerBody("00001", "|07zz|0801")) << 1 << QStringList{"0=7", "8=1"};
        QTest::newRow("one hex digit")
            << frame(headerBody("00001", "|07A|0801")) << 1 << QStringList{"0=7", "7=10", "8=1"};
        QTest::newRow("code 00") << frame(headerBody("00001", "|0700|0801")) << 1
                                 << QStringList{"0=7", "8=1"};
        QTest::newRow("channel without code")
            << frame(headerBody("00001", "|07|0801")) << 1 << QStringList{"0=7", "8=1"};
    }
    void header() {
        QFETCH(QByteArray, telegram);
        QFETCH(int, count);
        QFETCH(QStringList, codes);
        HeaderCodes current{};
        current[0] = 7;
        current[50] = 9;
        const TelegramResult result = evaluateTelegram(telegram, current);
        QCOMPARE(messagesOf(result), QStringList());
        QCOMPARE(result.outcome, TelegramOutcome::Decoded);
        QCOMPARE(result.kind, 'H');
        QCOMPARE(result.recordTime, stampTime());
        QCOMPARE(result.storedRecordCount, count);
        QCOMPARE(codesOf(result.headerCodes), codes);
    }

    void average_data() {
        QTest::addColumn<QList<int>>("channels");
        QTest::addColumn<QByteArray>("telegram");
        QTest::addColumn<int>("valuesPerChannel");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("one value per channel")
            << QList<int>{1, 3, 5} << averageAnswer << 1 << QStringList{"1/1=1.5", "3/1=2.5", "5/1=3.5"};
        QTest::newRow("three values per channel")
            << QList<int>{1, 3} << threeValuesAnswer << 3
            << QStringList{"1/1=1", "1/2=2", "1/3=3", "3/1=4", "3/2=5", "3/3=6"};
        QTest::newRow("fewer fields than channels")
            << QList<int>{1, 3, 5} << frame("M0" + stamp + "|7") << 1 << QStringList{"1/1=7"};
        QTest::newRow("short last field skipped")
            << QList<int>{1, 3} << frame("M0" + stamp + "|7|") << 1 << QStringList{"1/1=7"};
        QTest::newRow("channel 60 taken without a code")
            << QList<int>{1} << frame("M0" + stamp + "|1|2") << 1 << QStringList{"1/1=1", "60/1=2"};
        QTest::newRow("no configured channel")
            << QList<int>{} << frame("M0" + stamp + "|1") << 1 << QStringList{"60/1=1"};
        QTest::newRow("three values up to channel 60")
            << QList<int>{59} << frame("M1" + stamp + "|1|2|3|4|5|6") << 3
            << QStringList{"59/1=1", "59/2=2", "59/3=3", "60/1=4", "60/2=5", "60/3=6"};
        QTest::newRow("codes beyond channel 60 do not count")
            << QList<int>{2, 70} << frame("M0" + stamp + "|1|2") << 1 << QStringList{"2/1=1", "60/1=2"};
        QTest::newRow("digit 2") << QList<int>{1} << frame("M2" + stamp + "|1|2|3") << 5
                                 << QStringList{"1/1=1", "1/2=2", "1/3=3"};
        QTest::newRow("values read as numbers") << QList<int>{4, 6} << frame("m0" + stamp + "| -1.5 |2,5")
                                                << 1 << QStringList{"4/1=-1.5", "6/1=2"};
    }
    void average() {
        QFETCH(QList<int>, channels);
        QFETCH(QByteArray, telegram);
        QFETCH(int, valuesPerChannel);
        QFETCH(QStringList, values);
        const TelegramResult result = evaluateTelegram(telegram, configured(channels));
        QCOMPARE(messagesOf(result), QStringList());
        QCOMPARE(result.outcome, TelegramOutcome::Decoded);
        QCOMPARE(result.kind, 'M');
        QCOMPARE(result.recordTime, stampTime());
        QCOMPARE(result.valuesPerChannel, valuesPerChannel);
        QCOMPARE(averagesOf(result), values);
        QCOMPARE(codesOf(result.headerCodes), codesOf(configured(channels)));
    }

    void extractDate_data() {
        QTest::addColumn<QByteArray>("was");
        QTest::addColumn<QDateTime>("expected");
        const auto at = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
        };
        const QDateTime zero;
        QTest::newRow("plain") << QByteArray("050324xx093000") << at(2024, 3, 5, 9, 30, 0);
        QTest::newRow("unread characters ignored")
            << QByteArray("050324??093015") << at(2024, 3, 5, 9, 30, 15);
        QTest::newRow("year 00") << QByteArray("010100xx000000") << at(2000, 1, 1, 0, 0, 0);
        QTest::newRow("year 29") << QByteArray("311229xx235959") << at(2029, 12, 31, 23, 59, 59);
        QTest::newRow("year 30") << QByteArray("010130xx000000") << at(1930, 1, 1, 0, 0, 0);
        QTest::newRow("year 99") << QByteArray("150699xx120000") << at(1999, 6, 15, 12, 0, 0);
        QTest::newRow("month 13") << QByteArray("011324xx080000") << at(2025, 1, 1, 8, 0, 0);
        QTest::newRow("month 0") << QByteArray("150024xx080000") << at(2023, 12, 15, 8, 0, 0);
        QTest::newRow("day 32") << QByteArray("320124xx080000") << at(2024, 2, 1, 8, 0, 0);
        QTest::newRow("day 31 in February") << QByteArray("310223xx080000") << at(2023, 3, 3, 8, 0, 0);
        QTest::newRow("day 0") << QByteArray("000324xx080000") << at(2024, 2, 29, 8, 0, 0);
        QTest::newRow("minute 60") << QByteArray("050324xx096000") << at(2024, 3, 5, 10, 0, 0);
        QTest::newRow("second 60") << QByteArray("050324xx095960") << at(2024, 3, 5, 10, 0, 0);
        QTest::newRow("hour 24") << QByteArray("050324xx240000") << at(2024, 3, 6, 0, 0, 0);
        QTest::newRow("carry into the next year") << QByteArray("311299xx235960") << at(2000, 1, 1, 0, 0, 0);
        QTest::newRow("blank before a digit") << QByteArray(" 50324xx093000") << at(2024, 3, 5, 9, 30, 0);
        QTest::newRow("longer text") << QByteArray("050324xx093000|01") << at(2024, 3, 5, 9, 30, 0);
        QTest::newRow("hour the clock skips")
            << QByteArray("310324xx023000")
            << QDateTime(QDate(2024, 3, 31), QTime(1, 30), Qt::UTC).toLocalTime();
        QTest::newRow("hour that occurs twice")
            << QByteArray("271024xx023000")
            << QDateTime(QDate(2024, 10, 27), QTime(0, 30), Qt::UTC).toLocalTime();
        QTest::newRow("letter in the day") << QByteArray("0a0324xx093000") << zero;
        QTest::newRow("letter in the second") << QByteArray("050324xx09300x") << zero;
        QTest::newRow("sign") << QByteArray("-50324xx093000") << zero;
        QTest::newRow("blank part") << QByteArray("05  24xx093000") << zero;
        QTest::newRow("too short") << QByteArray("050324xx0930") << zero;
        QTest::newRow("one short") << QByteArray("050324xx09300") << zero;
        QTest::newRow("empty") << QByteArray() << zero;
    }
    void extractDate() {
        QFETCH(QByteArray, was);
        QFETCH(QDateTime, expected);
        std::optional<RunError> error = RunError::overflow();
        const QDateTime date = ExtractDate(was, &error);
        if (expected.isValid()) {
            QVERIFY(!error);
            QCOMPARE(date.toUTC(), expected.toUTC());
            QCOMPARE(date.timeSpec(), Qt::LocalTime);
        } else {
            QVERIFY(!date.isValid());
            QVERIFY(error);
            QCOMPARE(error->number, 13);
            QCOMPARE(error->text, QStringLiteral("Typen unverträglich"));
        }
    }

    void valueOf_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("blanks inside") << QByteArray(" 1 2.5x") << 12.5;
        QTest::newRow("negative") << QByteArray("-3.25") << -3.25;
        QTest::newRow("plus sign") << QByteArray("+7") << 7.0;
        QTest::newRow("no number") << QByteArray("abc") << 0.0;
        QTest::newRow("empty") << QByteArray() << 0.0;
        QTest::newRow("sign alone") << QByteArray("-") << 0.0;
        QTest::newRow("point alone") << QByteArray(".") << 0.0;
        QTest::newRow("second point stops") << QByteArray("1.2.3") << 1.2;
        QTest::newRow("comma stops") << QByteArray("12,5") << 12.0;
        QTest::newRow("tab and line feed ignored") << QByteArray("\t-\n4.5") << -4.5;
        QTest::newRow("carriage return stops") << QByteArray("1\r2") << 1.0;
        QTest::newRow("no integer digits") << QByteArray(".5") << 0.5;
        QTest::newRow("point without decimals") << QByteArray("7.") << 7.0;
        QTest::newRow("minus inside stops") << QByteArray("5-3") << 5.0;
        QTest::newRow("exponent") << QByteArray("1.5E3") << 1500.0;
        QTest::newRow("negative exponent") << QByteArray("15e-1") << 1.5;
        QTest::newRow("D exponent") << QByteArray("2D2") << 200.0;
        QTest::newRow("exponent without digits") << QByteArray("1e") << 1.0;
        QTest::newRow("exponent sign without digits") << QByteArray("1e+x") << 1.0;
        QTest::newRow("exponent beyond a double") << QByteArray("1e999") << 0.0;
        QTest::newRow("hex prefix is no number") << QByteArray("&H10") << 0.0;
    }
    void valueOf() {
        QFETCH(QByteArray, text);
        QFETCH(double, expected);
        QCOMPARE(::valueOf(text), expected);
    }

    void hexValueOf_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("upper case") << QByteArray("1A") << 26;
        QTest::newRow("lower case") << QByteArray("1a") << 26;
        QTest::newRow("no digit") << QByteArray("zz") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("largest byte") << QByteArray("FF") << 255;
        QTest::newRow("stops at a non-digit") << QByteArray("1G") << 1;
        QTest::newRow("blanks ignored") << QByteArray(" f f") << 255;
        QTest::newRow("sign is no digit") << QByteArray("-1") << 0;
    }
    void hexValueOf() {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QCOMPARE(::hexValueOf(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestTelegram)
#include "tst_telegram.moc"
