// The logger simulator: its telegram bytes against hand-computed answers, the record memory behind "M" and
// "MR", the faults, and one run of the program on a real pseudo-terminal.

#include "faults.h"
#include "logger.h"
#include "telegram.h"
#include "weather.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace loggersim;

Q_DECLARE_METATYPE(loggersim::FaultKind)

namespace {

const QDateTime clockTime(QDate(2024, 7, 15), QTime(14, 3, 20));

// Checks the frame STX kind … ETB ddd CR and returns whether the checksum digits match the bytes.
bool checksumMatches(const QByteArray &telegram) {
    quint8 sum = 0;
    for (qsizetype i = 0; i < telegram.size() - 4; ++i)
        sum ^= static_cast<quint8>(telegram.at(i));
    return telegram.mid(telegram.size() - 4, 3).toInt() == sum;
}

bool wellFramed(const QByteArray &telegram) {
    const qsizetype n = telegram.size();
    if (n < 7 || telegram.at(0) != '\x02' || telegram.at(n - 1) != '\r' || telegram.at(n - 5) != '\x17')
        return false;
    bool ok = false;
    telegram.mid(n - 4, 3).toInt(&ok);
    return ok;
}

// Field list of a telegram: the texts between the separators, up to the ETB.
QList<QByteArray> fields(const QByteArray &telegram) {
    const qsizetype first = telegram.indexOf('|');
    const qsizetype etbAt = telegram.lastIndexOf('\x17');
    if (first < 0)
        return {};
    return telegram.mid(first + 1, etbAt - first - 1).split('|');
}

QByteArray request(const QByteArray &station, const QByteArray &command) {
    return QByteArray("\x02") + station + QByteArray("\x1b") + command + QByteArray("\r");
}

LoggerSettings smallLogger(int records) {
    LoggerSettings s;
    s.initialRecords = records;
    s.intervalMinutes = 10;
    s.seed = 7;
    return s;
}

} // namespace

class TestLoggerSim : public QObject {
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void checksumDigits_data();
    void checksumDigits();
    void timeStampText_data();
    void timeStampText();
    void valueTexts_data();
    void valueTexts();
    void bodies_data();
    void bodies();
    void headerPositions();
    void requestParsing_data();
    void requestParsing();
    void instantAnswerCoversLayout();
    void weatherIsPlausible_data();
    void weatherIsPlausible();
    void sameSeedSameValues();
    void recordsHandedOutOnce();
    void recordsGrowWithClock();
    void recordLayoutOptions_data();
    void recordLayoutOptions();
    void faultRules_data();
    void faultRules();
    void faultShapes_data();
    void faultShapes();
    void faultCounting();
    void noiseHasNoFrameBytes();
    void programOnPseudoTerminal();
};

void TestLoggerSim::framing_data() {
    QTest::addColumn<char>("kind");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("checksum 000") << 'A' << QByteArray("T")
                                  << QByteArray("\x02"
                                                "AT\x17"
                                                "000\r");
    QTest::newRow("A without fields") << 'A' << QByteArray("05032400070809")
                                      << QByteArray("\x02"
                                                    "A05032400070809\x17"
                                                    "082\r");
    QTest::newRow("A with fields") << 'A' << QByteArray("05032400070809|01031013.2|1901-2.5|201012.80")
                                   << QByteArray("\x02"
                                                 "A05032400070809|01031013.2|1901-2.5|201012.80\x17"
                                                 "024\r");
    QTest::newRow("M two values") << 'M' << QByteArray("015072400131000|12.5|-3.0")
                                  << QByteArray("\x02"
                                                "M015072400131000|12.5|-3.0\x17"
                                                "118\r");
    QTest::newRow("M two-digit checksum") << 'M' << QByteArray("015072400131000|0.0")
                                          << QByteArray("\x02"
                                                        "M015072400131000|0.0\x17"
                                                        "060\r");
    QTest::newRow("H one-digit checksum")
        << 'H' << QByteArray("Simulator Station 01         00006 15072400131000|0103|0200|1901")
        << QByteArray("\x02"
                      "HSimulator Station 01         00006 15072400131000|0103|0200|1901\x17"
                      "005\r");
}

void TestLoggerSim::framing() {
    QFETCH(char, kind);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QCOMPARE(frameAnswer(kind, body), expected);
}

void TestLoggerSim::checksumDigits_data() {
    QTest::addColumn<int>("sum");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0") << 0 << QByteArray("000");
    QTest::newRow("7") << 7 << QByteArray("007");
    QTest::newRow("87") << 87 << QByteArray("087");
    QTest::newRow("255") << 255 << QByteArray("255");
}

void TestLoggerSim::checksumDigits() {
    QFETCH(int, sum);
    QFETCH(QByteArray, expected);
    QCOMPARE(checksumText(static_cast<quint8>(sum)), expected);
}

void TestLoggerSim::timeStampText_data() {
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("morning") << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)) << QByteArray("05032400070809");
    QTest::newRow("end of century") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))
                                    << QByteArray("31129900235959");
    QTest::newRow("midnight 2000") << QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0))
                                   << QByteArray("01010000000000");
    QTest::newRow("milliseconds dropped")
        << QDateTime(QDate(2029, 11, 30), QTime(12, 34, 56, 999)) << QByteArray("30112900123456");
}

void TestLoggerSim::timeStampText() {
    QFETCH(QDateTime, time);
    QFETCH(QByteArray, expected);
    QCOMPARE(timeStamp(time), expected);
}

void TestLoggerSim::valueTexts_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("pressure") << 1013.25 << 1 << QByteArray("1013.3");
    QTest::newRow("negative") << -3.26 << 1 << QByteArray("-3.3");
    QTest::newRow("no minus on zero") << -0.04 << 1 << QByteArray("0.0");
    QTest::newRow("battery") << 12.8 << 2 << QByteArray("12.80");
    QTest::newRow("whole degrees") << 359.6 << 0 << QByteArray("360");
    QTest::newRow("zero") << 0.0 << 0 << QByteArray("0");
}

void TestLoggerSim::valueTexts() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QByteArray, expected);
    // Machines read "." whatever the user's locale is.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(valueText(value, decimals), expected);
}

void TestLoggerSim::bodies_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    const QDateTime t(QDate(2024, 3, 5), QTime(7, 8, 9));
    QTest::newRow("A") << instantBody(t, {{1, 0x03, "1013.2"}, {19, 0x01, "-2.5"}, {20, 0x10, "12.80"}})
                       << QByteArray("05032400070809|01031013.2|1901-2.5|201012.80");
    QTest::newRow("A two-digit hex code") << instantBody(t, {{15, 0x1A, "3.1"}, {5, 0x0A, "7.4"}})
                                          << QByteArray("05032400070809|151A3.1|050A7.4");
    QTest::newRow("A no channel") << instantBody(t, {}) << QByteArray("05032400070809");
    QTest::newRow("H") << headerBody("Simulator Station 01", 6, QDateTime(QDate(2024, 7, 15), QTime(13, 10)),
                                     {{1, 0x03}, {2, 0x00}, {19, 0x01}})
                       << QByteArray("Simulator Station 01         00006 15072400131000|0103|0200|1901");
    QTest::newRow("H long name cut") << headerBody("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 12345, t, {})
                                     << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012"
                                                   "12345 05032400070809");
    QTest::newRow("M one value") << averageBody(false, QDateTime(QDate(2024, 7, 15), QTime(13, 10)),
                                                {"12.5", "-3.0"})
                                 << QByteArray("015072400131000|12.5|-3.0");
    QTest::newRow("M three values") << averageBody(true, t, {"1.0", "0.5", "1.5"})
                                    << QByteArray("105032400070809|1.0|0.5|1.5");
}

void TestLoggerSim::bodies() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QCOMPARE(body, expected);
}

void TestLoggerSim::headerPositions() {
    // Positions count from 1 at the STX: record count at 32–36, time stamp at 38–51, fields from 52.
    const QByteArray t =
        frameAnswer('H', headerBody("Simulator Station 01", 42, QDateTime(QDate(2024, 7, 15), QTime(13, 10)),
                                    {{1, 0x03}}));
    QCOMPARE(t.mid(31, 5), QByteArray("00042"));
    QCOMPARE(t.mid(37, 14), QByteArray("15072400131000"));
    QCOMPARE(t.mid(51, 5), QByteArray("|0103"));
}

void TestLoggerSim::requestParsing_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("expected"); // station and command, alternating

    QTest::newRow("A") << request("01", "A") << QList<QByteArray>{"01", "A"};
    QTest::newRow("MR") << request("07", "MR") << QList<QByteArray>{"07", "MR"};
    QTest::newRow("garbage before") << QByteArray("xy") + request("01", "H") << QList<QByteArray>{"01", "H"};
    QTest::newRow("STX restarts") << QByteArray("\x02"
                                                "01\x1b"
                                                "A") +
                                         request("01", "M")
                                  << QList<QByteArray>{"01", "M"};
    QTest::newRow("two in one") << request("01", "M") + request("01", "MR")
                                << QList<QByteArray>{"01", "M", "01", "MR"};
    QTest::newRow("long station") << request("123", "A") << QList<QByteArray>{"123", "A"};
    QTest::newRow("no ESC") << QByteArray("\x02"
                                          "01A\r")
                            << QList<QByteArray>{};
    QTest::newRow("no STX") << QByteArray("01\x1b"
                                          "A\r")
                            << QList<QByteArray>{};
    QTest::newRow("overlong") << QByteArray("\x02") + QByteArray(300, 'x') +
                                     QByteArray("\x1b"
                                                "A\r")
                              << QList<QByteArray>{};
    QTest::newRow("overlong then good")
        << QByteArray("\x02") + QByteArray(300, 'x') + request("01", "A") << QList<QByteArray>{"01", "A"};
}

void TestLoggerSim::requestParsing() {
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, expected);

    RequestParser whole;
    RequestParser bytewise;
    QList<QByteArray> fromWhole;
    QList<QByteArray> fromBytes;
    for (const Request &r : whole.feed(stream))
        fromWhole << r.station << r.command;
    for (const char c : stream) {
        for (const Request &r : bytewise.feed(QByteArray(1, c)))
            fromBytes << r.station << r.command;
    }
    QCOMPARE(fromWhole, expected);
    QCOMPARE(fromBytes, expected);
}

void TestLoggerSim::instantAnswerCoversLayout() {
    Logger logger(smallLogger(0), clockTime);
    const auto answer = logger.answer("A", clockTime);
    QVERIFY(answer);
    const QByteArray t = frameAnswer(answer->kind, answer->body);
    QVERIFY(wellFramed(t));
    QVERIFY(checksumMatches(t));
    QCOMPARE(t.mid(1, 15), QByteArray("A15072400140320"));
    const QList<QByteArray> f = fields(t);
    const QList<QByteArray> heads = {"0103", "0202", "0304", "0405", "050A", "0606", "0707",
                                     "0808", "0909", "100C", "110D", "120B", "130E", "1412",
                                     "151A", "160F", "1713", "1814", "1901", "2010"};
    QCOMPARE(f.size(), heads.size());
    for (qsizetype i = 0; i < f.size(); ++i) {
        QCOMPARE(f.at(i).left(4), heads.at(i));
        bool ok = false;
        f.at(i).mid(4).toDouble(&ok);
        QVERIFY2(ok, f.at(i).constData());
    }
}

void TestLoggerSim::weatherIsPlausible_data() {
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    const QDateTime summerNoon(QDate(2024, 7, 15), QTime(13, 0));
    const QDateTime winterNight(QDate(2024, 1, 15), QTime(2, 0));
    QTest::newRow("no sun at night") << winterNight << 7 << 0.0 << 0.0;
    QTest::newRow("sun at summer noon") << summerNoon << 7 << 100.0 << 1100.0;
    QTest::newRow("air temperature summer") << summerNoon << 19 << 5.0 << 38.0;
    QTest::newRow("air temperature winter") << winterNight << 19 << -20.0 << 12.0;
    QTest::newRow("humidity") << summerNoon << 2 << 15.0 << 100.0;
    QTest::newRow("pressure") << winterNight << 1 << 980.0 << 1045.0;
    QTest::newRow("wind direction") << summerNoon << 4 << 0.0 << 360.0;
    QTest::newRow("battery") << winterNight << 20 << 12.0 << 14.0;
}

void TestLoggerSim::weatherIsPlausible() {
    QFETCH(QDateTime, time);
    QFETCH(int, channel);
    QFETCH(double, low);
    QFETCH(double, high);
    Logger logger(smallLogger(0), time);
    const QList<QByteArray> f = fields(frameAnswer('A', logger.answer("A", time)->body));
    const double value = f.at(channel - 1).mid(4).toDouble();
    QVERIFY2(value >= low && value <= high, f.at(channel - 1).constData());
}

void TestLoggerSim::sameSeedSameValues() {
    LoggerSettings other = smallLogger(3);
    other.seed = 8;
    Logger a(smallLogger(3), clockTime);
    Logger b(smallLogger(3), clockTime);
    Logger c(other, clockTime);
    QCOMPARE(a.answer("A", clockTime)->body, b.answer("A", clockTime)->body);
    QCOMPARE(a.answer("M", clockTime)->body, b.answer("M", clockTime)->body);
    QVERIFY(a.answer("A", clockTime)->body != c.answer("A", clockTime)->body);
}

void TestLoggerSim::recordsHandedOutOnce() {
    Logger logger(smallLogger(3), clockTime);
    const auto header = logger.answer("H", clockTime);
    QCOMPARE(header->kind, 'H');
    QCOMPARE(header->body.mid(29, 5), QByteArray("00003"));
    QCOMPARE(header->body.mid(35, 14), QByteArray("15072400134000")); // the oldest record, 13:40

    QVERIFY(!logger.answer("MR", clockTime)); // nothing handed out yet

    const auto first = logger.answer("M", clockTime);
    QCOMPARE(first->kind, 'M');
    QCOMPARE(first->body.left(15), QByteArray("015072400134000"));
    QCOMPARE(logger.answer("MR", clockTime)->body, first->body);
    QCOMPARE(logger.answer("MR", clockTime)->body, first->body);
    QCOMPARE(logger.answer("H", clockTime)->body.mid(29, 20), QByteArray("00002 15072400135000"));

    QCOMPARE(logger.answer("M", clockTime)->body.left(15), QByteArray("015072400135000"));
    const auto last = logger.answer("M", clockTime);
    QCOMPARE(last->body.left(15), QByteArray("015072400140000"));
    QCOMPARE(logger.storedCount(), 0);

    QVERIFY(!logger.answer("M", clockTime));
    QCOMPARE(logger.answer("MR", clockTime)->body, last->body);
    // An empty memory reports the clock as its time stamp.
    QCOMPARE(logger.answer("H", clockTime)->body.mid(29, 20), QByteArray("00000 15072400140320"));
    QVERIFY(!logger.answer("X", clockTime));
}

void TestLoggerSim::recordsGrowWithClock() {
    Logger logger(smallLogger(1), clockTime);
    QCOMPARE(logger.catchUp(clockTime.addSecs(6 * 60)), 0); // 14:09:20
    QCOMPARE(logger.catchUp(clockTime.addSecs(7 * 60)), 1); // 14:10:20 passes 14:10
    QCOMPARE(logger.catchUp(clockTime.addSecs(37 * 60)), 3);
    QCOMPARE(logger.storedCount(), 5);
    QCOMPARE(logger.answer("M", clockTime)->body.mid(1, 14), QByteArray("15072400140000"));
    QCOMPARE(logger.answer("M", clockTime)->body.mid(1, 14), QByteArray("15072400141000"));

    LoggerSettings bounded = smallLogger(5);
    bounded.capacity = 5;
    Logger full(bounded, clockTime);
    QCOMPARE(full.catchUp(clockTime.addSecs(20 * 60)), 2);
    QCOMPARE(full.storedCount(), 5);
    QCOMPARE(full.answer("M", clockTime)->body.mid(1, 14),
             QByteArray("15072400134000")); // 13:20, 13:30 overwritten
}

void TestLoggerSim::recordLayoutOptions_data() {
    QTest::addColumn<bool>("threeValues");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<int>>("notAveraged");
    QTest::addColumn<char>("digit");
    QTest::addColumn<int>("fieldCount");
    QTest::newRow("one value") << false << 0 << QList<int>{} << '0' << 20;
    QTest::newRow("three values") << true << 0 << QList<int>{} << '1' << 60;
    QTest::newRow("two channels left out") << false << 0 << QList<int>{12, 20} << '0' << 18;
    QTest::newRow("three values, one left out") << true << 0 << QList<int>{1} << '1' << 57;
    QTest::newRow("60 channels") << false << 60 << QList<int>{} << '0' << 60;
}

void TestLoggerSim::recordLayoutOptions() {
    QFETCH(bool, threeValues);
    QFETCH(int, channels);
    QFETCH(QList<int>, notAveraged);
    QFETCH(char, digit);
    QFETCH(int, fieldCount);
    LoggerSettings s = smallLogger(2);
    s.threeValues = threeValues;
    if (channels > 0)
        s.layout = generatedLayout(channels);
    for (Channel &c : s.layout)
        c.averaged = !notAveraged.contains(c.number);
    Logger logger(s, clockTime);

    const QByteArray header = frameAnswer('H', logger.answer("H", clockTime)->body);
    const QList<QByteArray> codes = fields(header);
    QCOMPARE(codes.size(), s.layout.size());
    for (const int number : notAveraged)
        QCOMPARE(codes.at(number - 1), QByteArray::number(number).rightJustified(2, '0') + "00");

    const QByteArray record = frameAnswer('M', logger.answer("M", clockTime)->body);
    QVERIFY(wellFramed(record));
    QVERIFY(checksumMatches(record));
    QCOMPARE(record.at(2), digit);
    const QList<QByteArray> values = fields(record);
    QCOMPARE(values.size(), fieldCount);
    if (threeValues) {
        // Mean, minimum, maximum per channel; for amounts the first value is the sum, never below the
        // minimum.
        for (qsizetype i = 0; i + 2 < values.size(); i += 3) {
            QVERIFY(values.at(i + 1).toDouble() <= values.at(i).toDouble());
            QVERIFY(values.at(i + 1).toDouble() <= values.at(i + 2).toDouble());
        }
    }
}

void TestLoggerSim::faultRules_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("nth");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("checksum@A#1") << "checksum@A#1" << true << FaultKind::Checksum << QByteArray("A") << 1
                                  << 0;
    QTest::newRow("every MR") << "split@MR" << true << FaultKind::Split << QByteArray("MR") << 0 << 0;
    QTest::newRow("upper case") << "NOISE@mr#2" << true << FaultKind::Noise << QByteArray("MR") << 2 << 0;
    QTest::newRow("delay on all") << "delay=300@*#4" << true << FaultKind::Delay << QByteArray("*") << 4
                                  << 300;
    QTest::newRow("silence") << "silence@H" << true << FaultKind::Silence << QByteArray("H") << 0 << 0;
    QTest::newRow("ignore") << "ignore@M#3" << true << FaultKind::Ignore << QByteArray("M") << 3 << 0;
    QTest::newRow("kind") << "kind@A" << true << FaultKind::WrongKind << QByteArray("A") << 0 << 0;
    QTest::newRow("delay without time") << "delay@A" << false << FaultKind::Delay << QByteArray() << 0 << 0;
    QTest::newRow("value on other kind")
        << "checksum=5@A" << false << FaultKind::Checksum << QByteArray() << 0 << 0;
    QTest::newRow("unknown kind") << "thunder@A" << false << FaultKind::Checksum << QByteArray() << 0 << 0;
    QTest::newRow("unknown command") << "split@X" << false << FaultKind::Split << QByteArray() << 0 << 0;
    QTest::newRow("zeroth") << "split@M#0" << false << FaultKind::Split << QByteArray() << 0 << 0;
    QTest::newRow("no command") << "split" << false << FaultKind::Split << QByteArray() << 0 << 0;
}

void TestLoggerSim::faultRules() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(FaultKind, kind);
    QFETCH(QByteArray, command);
    QFETCH(int, nth);
    QFETCH(int, delayMs);
    const auto rule = parseFaultRule(text);
    QCOMPARE(rule.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(rule->fault.kind, kind);
    QCOMPARE(rule->command, command);
    QCOMPARE(rule->nth, nth);
    QCOMPARE(rule->fault.delayMs, delayMs);
}

void TestLoggerSim::faultShapes_data() {
    QTest::addColumn<QList<Fault>>("faults");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QList<int>>("pauses");
    QTest::addColumn<QList<QByteArray>>("pieces");
    const QByteArray good("\x02"
                          "M015072400131000|12.5|-3.0\x17"
                          "118\r");
    QTest::newRow("none") << QList<Fault>{} << 0 << QList<int>{0} << QList<QByteArray>{good};
    QTest::newRow("base delay") << QList<Fault>{} << 40 << QList<int>{40} << QList<QByteArray>{good};
    QTest::newRow("extra delay") << QList<Fault>{{FaultKind::Delay, 250}} << 40 << QList<int>{290}
                                 << QList<QByteArray>{good};
    QTest::newRow("silence") << QList<Fault>{{FaultKind::Silence}} << 0 << QList<int>{}
                             << QList<QByteArray>{};
    QTest::newRow("ignore") << QList<Fault>{{FaultKind::Ignore}} << 0 << QList<int>{} << QList<QByteArray>{};
    // 118 ^ 0x55 = 35
    QTest::newRow("checksum") << QList<Fault>{{FaultKind::Checksum}} << 0 << QList<int>{0}
                              << QList<QByteArray>{QByteArray("\x02"
                                                              "M015072400131000|12.5|-3.0\x17"
                                                              "035\r")};
    QTest::newRow("no CR") << QList<Fault>{{FaultKind::NoCr}} << 0 << QList<int>{0}
                           << QList<QByteArray>{QByteArray("\x02"
                                                           "M015072400131000|12.5|-3.0\x17"
                                                           "118")};
    QTest::newRow("no ETB") << QList<Fault>{{FaultKind::NoEtb}} << 0 << QList<int>{0}
                            << QList<QByteArray>{QByteArray("\x02"
                                                            "M015072400131000|12.5|-3.0118\r")};
    QTest::newRow("kind") << QList<Fault>{{FaultKind::WrongKind}} << 0 << QList<int>{0}
                          << QList<QByteArray>{QByteArray("\x02"
                                                          "X015072400131000|12.5|-3.0\x17"
                                                          "099\r")};
    QTest::newRow("field") << QList<Fault>{{FaultKind::BadField}} << 0 << QList<int>{0}
                           << QList<QByteArray>{QByteArray("\x02"
                                                           "M015072400131000|||12.5|-3.0\x17"
                                                           "118\r")};
    QTest::newRow("split") << QList<Fault>{{FaultKind::Split}} << 10 << QList<int>{10, 50, 50}
                           << QList<QByteArray>{QByteArray("\x02"
                                                           "M"),
                                                QByteArray("015072400131000|12.5|-3.0"),
                                                QByteArray("\x17"
                                                           "118\r")};
    QTest::newRow("noise") << QList<Fault>{{FaultKind::Noise}} << 20 << QList<int>{20, 0}
                           << QList<QByteArray>{QByteArray("#~x"), good};
}

void TestLoggerSim::faultShapes() {
    QFETCH(QList<Fault>, faults);
    QFETCH(int, delayMs);
    QFETCH(QList<int>, pauses);
    QFETCH(QList<QByteArray>, pieces);
    const QList<Chunk> chunks = transmission({'M', "015072400131000|12.5|-3.0"}, faults, delayMs, "#~x");
    QList<int> gotPauses;
    QList<QByteArray> gotPieces;
    for (const Chunk &c : chunks) {
        gotPauses << c.pauseMs;
        gotPieces << c.bytes;
    }
    QCOMPARE(gotPieces, pieces);
    QCOMPARE(gotPauses, pauses);
}

void TestLoggerSim::faultCounting() {
    FaultPlan plan(
        {*parseFaultRule("checksum@A#2"), *parseFaultRule("silence@*#3"), *parseFaultRule("split@M")}, 0.0,
        1);
    auto kinds = [&plan](const QByteArray &command) {
        QList<FaultKind> k;
        for (const Fault &f : plan.next(command))
            k << f.kind;
        return k;
    };
    QCOMPARE(kinds("A"), QList<FaultKind>{});
    QCOMPARE(kinds("H"), QList<FaultKind>{});
    QCOMPARE(kinds("A"), (QList<FaultKind>{FaultKind::Checksum, FaultKind::Silence}));
    QCOMPARE(kinds("M"), QList<FaultKind>{FaultKind::Split});
    QCOMPARE(kinds("MR"), QList<FaultKind>{});
    QCOMPARE(kinds("M"), QList<FaultKind>{FaultKind::Split});
    QCOMPARE(kinds("A"), QList<FaultKind>{});
}

void TestLoggerSim::noiseHasNoFrameBytes() {
    FaultPlan plan({}, 1.0, 99);
    for (int i = 0; i < 200; ++i) {
        const QByteArray noise = plan.noise();
        QVERIFY(noise.size() >= 4 && noise.size() <= 12);
        QVERIFY(!noise.contains('\x02'));
        QVERIFY(!noise.contains('\r'));
        QCOMPARE(plan.next("A").size(), 1); // rate 1: every request hit by one random fault
    }
}

namespace {

// Reads from fd until a CR arrives or the time is up.
QByteArray readTelegram(int fd, int timeoutMs) {
    QByteArray bytes;
    QDeadlineTimer deadline(timeoutMs);
    while (!bytes.endsWith('\r')) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready <= 0)
            break;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return bytes;
}

int openPort(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return fd;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

bool writeAll(int fd, const QByteArray &bytes) {
    return ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
}

} // namespace

void TestLoggerSim::programOnPseudoTerminal() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("dosdevices/com1"));
    // A link left behind by an earlier run is replaced.
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("dosdevices"))));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts"), link));

    QProcess sim;
    sim.setProgram(QStringLiteral(SKYLOG_PROGRAM_DIR "/logger-sim"));
    sim.setArguments({QStringLiteral("--dir"), dir.path(), QStringLiteral("--start"),
                      QStringLiteral("2024-07-15T14:03:20"), QStringLiteral("--fault"),
                      QStringLiteral("checksum@A#1")});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    QVERIFY2(sim.waitForStarted(10000), qPrintable(sim.errorString()));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains('\n'), 20000);
    QVERIFY2(out.startsWith("bereit: /dev/"), out.constData());
    const QString slave = QString::fromLocal8Bit(out.mid(8).trimmed());
    QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

    int fd = openPort(link);
    QVERIFY(fd >= 0);

    // First "A": spoilt checksum, frame intact.
    QVERIFY(writeAll(fd, request("01", "A")));
    QByteArray answer = readTelegram(fd, 10000);
    QVERIFY2(wellFramed(answer), answer.constData());
    QCOMPARE(answer.at(1), 'A');
    QVERIFY(!checksumMatches(answer));
    QCOMPARE(fields(answer).size(), 20);

    // Another station: no answer.
    QVERIFY(writeAll(fd, request("02", "A")));
    QCOMPARE(readTelegram(fd, 500), QByteArray());

    // Second "A", sent in pieces after some noise: correct.
    QVERIFY(writeAll(fd, QByteArray("zz\x02"
                                    "0")));
    QVERIFY(writeAll(fd, QByteArray("1\x1b"
                                    "A\r")));
    answer = readTelegram(fd, 10000);
    QVERIFY2(wellFramed(answer), answer.constData());
    QVERIFY(checksumMatches(answer));
    QCOMPARE(answer.mid(1, 7), QByteArray("A150724"));

    // The port can be closed and opened again.
    ::close(fd);
    fd = openPort(link);
    QVERIFY(fd >= 0);
    QVERIFY(writeAll(fd, request("01", "H")));
    answer = readTelegram(fd, 10000);
    QVERIFY2(wellFramed(answer), answer.constData());
    QVERIFY(checksumMatches(answer));
    QCOMPARE(answer.mid(31, 20), QByteArray("00006 15072400131000"));

    QVERIFY(writeAll(fd, request("01", "M")));
    const QByteArray record = readTelegram(fd, 10000);
    QVERIFY(checksumMatches(record));
    QCOMPARE(record.mid(1, 16), QByteArray("M015072400131000"));
    QVERIFY(writeAll(fd, request("01", "MR")));
    QCOMPARE(readTelegram(fd, 10000), record);
    ::close(fd);

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestLoggerSim)
#include "tst_loggersim.moc"
