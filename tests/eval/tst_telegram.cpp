// Telegrams decoded from the line's bytes, the numbers and time stamps in them, and the text output lines of
// the records.
#include "eval/telegram.h"
#include "eval/textout.h"
#include "support/cases.h"
#include "support/programdir.h"

#include <QtTest>

namespace {

const QByteArray stamp("050324xx093000");
const QDateTime stampTime(QDate(2024, 3, 5), QTime(9, 30));
const QByteArray header("HStation 07 Logger Version 1.2");

// STX, body, ETB, the checksum as three digits and CR.
QByteArray frame(const QByteArray &body) {
    const QByteArray telegram = '\x02' + body + '\x17';
    return telegram + QByteArray::number(telegramChecksum(telegram)).rightJustified(3, '0') + '\r';
}

// Channels 1, 3 and 5 take part in the average records; entry 0 is taken over by every header.
const HeaderCodes current{7, 3, 0, 3, 0, 3};

// Outcome (Rejected, ChecksumError, Failed, Decoded) and kind letter, the messages, then every decoded item
// that differs from its start value, a time other than the one of `stamp` last.
QString yield(const TelegramResult &r) {
    QString text =
        QLatin1String("RCFD").at(int(r.outcome)) + (r.kind ? QString(QChar::fromLatin1(r.kind)) : "");
    for (const TelegramMessage &m : r.messages)
        text += QStringLiteral(" [%1 %2]").arg(m.kind).arg(m.text);
    text += r.storedRecordCount ? QStringLiteral(" n=%1").arg(r.storedRecordCount) : "";
    text += r.valuesPerChannel != 1 ? QStringLiteral(" x%1").arg(r.valuesPerChannel) : "";
    for (int ch = 0; ch <= 100; ++ch) {
        if (ch <= 60 && r.instCodes[ch].size() == 2)
            text += QString(" %1:%2=%3").arg(ch).arg(QLatin1String(r.instCodes[ch])).arg(r.instValues[ch]);
        if (r.headerCodes[ch] && r.headerCodes != current)
            text += QString(" %1=%2").arg(ch).arg(r.headerCodes[ch]);
        for (int k = 0; ch <= 60 && k < 4; ++k)
            if (r.avgValues[ch][k] != 0)
                text += QString(" %1/%2=%3").arg(ch).arg(k).arg(r.avgValues[ch][k]);
    }
    const QDateTime t = r.kind == 'A' ? r.timeStamp : r.recordTime;
    if (t.isValid() && t != stampTime)
        text += t.toString(" @dd.MM.yyyy hh:mm");
    // Only a decoded telegram carries its time.
    return text + (t.isValid() == (r.outcome == TelegramOutcome::Decoded) ? "" : " @?");
}

void row(const char *name, const QByteArray &telegram, const QString &expected) {
    QTest::newRow(name) << telegram << expected;
}

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

class TestTelegram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void evaluate_data() {
        QTest::addColumn<QByteArray>("telegram");
        QTest::addColumn<QString>("expected");
        const QString type = " [-3 " + RunError::typeMismatch().text + "]";
        const QString range = " [-3 " + RunError::subscriptOutOfRange().text + "]";
        const QString invalid = " [-3 " + RunError::invalidArgument().text + "]";
        // Known answers with the checksum worked out by hand.
        row("A", "\002A050324xx093000|0103101.5|0202 87|6001-3.25\027020\r",
            "DA 1:03=101.5 2:02=87 60:01=-3.25");
        row("H", "\002HStation 07 Logger Version 1.200012 050324xx093000|0103|0202|2010\027039\r",
            "DH n=12 0=7 1=3 2=2 20=16");
        row("M three values", "\002M1050324xx093000|1|2|3|4|5|6\027100\r",
            "DM x3 1/1=1 1/2=2 1/3=3 3/1=4 3/2=5 3/3=6");
        row("checksum 000", "\002A050324aj093000|0103101.5\027000\r", "DA 1:03=101.5");
        row("A without time stamp", "\002A\027084\r", "DA" + type + " @30.12.1899 00:00");
        row("unknown letter ä", "\002\344050324xx093000\027251\r", "R [-1 Unbekanntes Kennzeichen: 'ä']");

        row("nothing", "", "F" + invalid);
        row("no STX", "xA\027084\r", "R [-1 Daten ohne STX erhalten]");
        row("no CR", "\002A\027084", "R [-1 Daten ohne CR erhalten]");
        row("ETB one place early", "\002A\0270840\r", "R [-1 Daten ohne ETB erhalten]");
        row("checksum differs", "\002A\027007\r", "C [-1 Prüfsummenfehler (7 vs. 84)]");
        row("checksum before letter", "\002Z\027000\r", "C [-1 Prüfsummenfehler (0 vs. 79)]");
        row("checksum not a number", "\002A\02708x\r", "F" + type);

        row("a, short last field", frame("a" + stamp + "|000112|051a7|0203"), "DA 0:01=12 5:1a=7");
        row("A short field before another", frame("A05a324xx093000|0103101.5|0203|0202 87"),
            "FA" + type + " [-1 Fehlerhafte Daten]" + invalid);
        row("A channel 61", frame("A" + stamp + "|6103101.5"), "FA" + range);
        row("h, hex digits", frame(header.toLower() + "00001 " + stamp + "|05ff|99FF|07zz|08A|0900|10|1101"),
            "DH n=1 0=7 5=255 8=10 11=1 99=255");
        row("H channel 00", frame(header + "00001 " + stamp + "|0003"), "FH" + range);
        // Nothing of a header nobody asked for is read, however malformed; the frame is checked first.
        row("unasked h, malformed", frame(header.toLower() + "00001 " + stamp + "|0003|0|x"),
            "RH [-1 Header ohne Anforderung]");
        row("unasked H, checksum differs", "\002H\027007\r", "C [-1 Prüfsummenfehler (7 vs. 93)]");
        row("unasked A", frame("A" + stamp + "|0103101.5"), "DA 1:03=101.5");
        row("M unreadable time stamp", frame("M0050324xx0930:0|1"), "DM" + type + " 1/1=1 @30.12.1899 00:00");
        row("H count too large", frame(header + "9E+99 " + stamp), "FH [-3 Überlauf]");
        row("m, channel 60 takes the rest", frame("m0" + stamp + "|1|2|3|4"), "DM 1/1=1 3/1=2 5/1=3 60/1=4");
        row("M too many fields", frame("M0" + stamp + "|1|2|3|4|5"), "FM" + range);
        row("M short field at the ETB", frame("M0" + stamp + "|7|"), "DM 1/1=7");
        row("M empty field", frame("M0" + stamp + "||1"), "FM [-1 Fehlerhafte Daten]" + invalid);
        row("M digit 2", frame("M2" + stamp + "|1|2|3"), "DM x5 1/1=1 1/2=2 1/3=3");
    }
    void evaluate() {
        QFETCH(QByteArray, telegram);
        QFETCH(QString, expected);
        const bool headerAwaited = !QByteArray(QTest::currentDataTag()).startsWith("unasked");
        QCOMPARE(yield(evaluateTelegram(telegram, current, headerAwaited)), expected);
    }

    // The stamp and the date-time it stands for (local unless marked UTC); unreadable: the zero date-time.
    void extractDate_data() {
        QTest::addColumn<QString>("pair");
        for (const char *pair : {"050324??093015 2024-03-05T09:30:15", "311229xx235959 2029-12-31T23:59:59",
                                 "010130xx000000 1930-01-01T00:00:00", "011324xx080000 2025-01-01T08:00:00",
                                 "000324xx080000 2024-02-29T08:00:00", "050324xx096000 2024-03-05T10:00:00",
                                 "311299xx235960 2000-01-01T00:00:00", "310324xx023000 2024-03-31T01:30:00Z",
                                 "271024xx023000 2024-10-27T00:30:00Z", "050324xx09300x 1899-12-30T00:00:00",
                                 "-50324xx093000 1899-12-30T00:00:00", "050324xx09300 1899-12-30T00:00:00"})
            QTest::newRow(pair) << QString(pair);
    }
    void extractDate() {
        QFETCH(QString, pair);
        const QDateTime expected = QDateTime::fromString(pair.section(' ', 1), Qt::ISODate);
        std::optional<RunError> error = RunError::overflow();
        QCOMPARE(ExtractDate(pair.section(' ', 0, 0).toLatin1(), &error).toUTC(), expected.toUTC());
        QCOMPARE(error ? error->number : 0, expected.date().year() == 1899 ? 13 : 0);
    }

    // "text=value"; an "h" in front reads hexadecimal digits.
    void numbers_data() {
        QTest::addColumn<QString>("row");
        for (const char *row : {" 1 2.5x=12.5", "-3.25=-3.25", "-=0", "1.2.3=1.2", "12,5=12", "\t-\n4.5=-4.5",
                                ".5=0.5", "1.5E3=1500", "15e-1=1.5", "2D2=200", "1e+x=1", "1e999=0", "&H10=0",
                                "h1a=26", "hFF=255", "h1G=1", "h f f=255", "h-1=0"})
            QTest::newRow(row) << QString(row);
    }
    void numbers() {
        QFETCH(QString, row);
        const QByteArray text = row.section('=', 0, -2).toLatin1();
        QCOMPARE(text.startsWith('h') ? hexValueOf(text.mid(1)) : valueOf(text),
                 row.section('=', -1).toDouble());
    }

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

QTEST_GUILESS_MAIN(TestTelegram)
#include "tst_telegram.moc"
