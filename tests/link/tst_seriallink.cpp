#include "link/seriallink.h"
#include "support/pty.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

Q_DECLARE_METATYPE(LineErrorCounts)

namespace {

constexpr int Wait = 5000;

QByteArray allByteValues() {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.append(char(i));
    }
    return bytes;
}

// Collects every received byte the way the logger protocol does: one readChar per byte until none is waiting.
class Collector : public QObject {
public:
    explicit Collector(SerialLink *link) : m_link(link) {
        connect(link, &SerialLink::commEvent, this, [this](int code) {
            if (code == CommEvent::Receive) {
                while (m_link->inBufferCount() > 0) {
                    received.append(m_link->readChar());
                }
            }
        });
    }
    QByteArray received;

private:
    SerialLink *m_link;
};

QList<int> codesOf(const QSignalSpy &spy) {
    QList<int> codes;
    for (const QList<QVariant> &arguments : spy) {
        codes.append(arguments.at(0).toInt());
    }
    return codes;
}

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT

private:
    // A program directory whose COM 3 is the slave of a fresh pseudo-terminal.
    struct Line {
        QTemporaryDir dir;
        PseudoTerminal pty;
        SerialLink link;
    };
    static bool openLine(Line &line, const QString &settings = QStringLiteral("38400,n,8,1"),
                         int handshake = 0);

private slots:
    void resolvePortName_data();
    void resolvePortName();
    void settingsString_data();
    void settingsString();
    void everyDialogCombinationIsAValidSetting();
    void setSettings_data();
    void setSettings();
    void commPortRange_data();
    void commPortRange();
    void exchangeBothWays_data();
    void exchangeBothWays();
    void readCharTakesOneByteInOrder();
    void xonXoffHandshake_data();
    void xonXoffHandshake();
    void fullSendBufferIsRefused();
    void openFailureLeavesPortClosed_data();
    void openFailureLeavesPortClosed();
    void writeToClosedPort_data();
    void writeToClosedPort();
    void vanishedDeviceIsReportedOnce();
    void nestedWaitStillReceives();
    void inboxOverflowReportedOncePerEpisode();
    void lineErrorEvents_data();
    void lineErrorEvents();
};

bool TestSerialLink::openLine(Line &line, const QString &settings, int handshake) {
    if (!line.dir.isValid() || !line.pty.isValid() || !line.pty.linkAs(line.dir.path(), 3)) {
        return false;
    }
    line.link.setProgramDir(line.dir.path());
    return !line.link.setCommPort(3) && !line.link.setSettings(settings) &&
           !line.link.setHandshaking(handshake) && !line.link.open();
}

void TestSerialLink::resolvePortName_data() {
    QTest::addColumn<int>("linkedCom");
    QTest::addColumn<QString>("linkTarget");
    QTest::addColumn<int>("com");
    QTest::addColumn<bool>("expectLink");
    QTest::addColumn<QString>("expectedPlatformName");

    QTest::newRow("no link") << 0 << QString() << 3 << false << QStringLiteral("/dev/ttyS2");
    QTest::newRow("link to a pseudo-terminal") << 3 << QStringLiteral("pty") << 3 << true << QString();
    QTest::newRow("link of another port")
        << 2 << QStringLiteral("pty") << 3 << false << QStringLiteral("/dev/ttyS2");
    QTest::newRow("link to an unplugged adapter")
        << 1 << QStringLiteral("/nonexistent/ttyUSB0") << 1 << true << QString();
    QTest::newRow("COM 8 without link") << 0 << QString() << 8 << false << QStringLiteral("/dev/ttyS7");
}

void TestSerialLink::resolvePortName() {
    QFETCH(int, linkedCom);
    QFETCH(QString, linkTarget);
    QFETCH(int, com);
    QFETCH(bool, expectLink);
    QFETCH(QString, expectedPlatformName);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    if (linkTarget == QLatin1String("pty")) {
        QVERIFY(pty.linkAs(dir.path(), linkedCom));
    } else if (!linkTarget.isEmpty()) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("dosdevices")));
        QVERIFY(QFile::link(linkTarget, dir.filePath(QStringLiteral("dosdevices/com%1").arg(linkedCom))));
    }

    const QString expected =
        expectLink ? dir.filePath(QStringLiteral("dosdevices/com%1").arg(com)) : expectedPlatformName;
    QCOMPARE(SerialLink::resolvePortName(dir.path(), com), expected);

    SerialLink link;
    link.setProgramDir(dir.path());
    QVERIFY(!link.setCommPort(com));
    QCOMPARE(link.deviceName(), expected);
    QCOMPARE(link.portLabel(), QStringLiteral("COM %1").arg(com));
}

void TestSerialLink::settingsString_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("expected");

    QTest::newRow("9600 even 7 2") << "9600"
                                   << "even"
                                   << "7"
                                   << "2"
                                   << "9600,e,7,2";
    QTest::newRow("38400 none 8 1") << "38400"
                                    << "none"
                                    << "8"
                                    << "1"
                                    << "38400,n,8,1";
    QTest::newRow("110 odd 5 1") << "110"
                                 << "odd"
                                 << "5"
                                 << "1"
                                 << "110,o,5,1";
    QTest::newRow("56000 mark 6 2") << "56000"
                                    << "mark"
                                    << "6"
                                    << "2"
                                    << "56000,m,6,2";
    QTest::newRow("14400 space 8 1") << "14400"
                                     << "space"
                                     << "8"
                                     << "1"
                                     << "14400,s,8,1";
}

void TestSerialLink::settingsString() {
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, data);
    QFETCH(QString, stop);
    QFETCH(QString, expected);
    QCOMPARE(SerialLink::settingsString(baud, parity, data, stop), expected);
}

void TestSerialLink::everyDialogCombinationIsAValidSetting() {
    const QStringList bauds{"110",   "300",   "600",   "1200",  "2400", "9600",
                            "14400", "19200", "28800", "38400", "56000"};
    const QStringList parities{"none", "even", "odd", "mark", "space"};
    const QStringList dataBits{"5", "6", "7", "8"};
    const QStringList stopBits{"1", "2"};
    SerialLink link;
    for (const QString &baud : bauds) {
        for (const QString &parity : parities) {
            for (const QString &data : dataBits) {
                for (const QString &stop : stopBits) {
                    const QString text = SerialLink::settingsString(baud, parity, data, stop);
                    const std::optional<RunError> error = link.setSettings(text);
                    QVERIFY2(!error, qPrintable(text));
                    QCOMPARE(link.settings(), text);
                }
            }
        }
    }
}

void TestSerialLink::setSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("38400,n,8,1") << "38400,n,8,1"
                                 << "38400,n,8,1";
    QTest::newRow("9600,o,7,2") << "9600,o,7,2"
                                << "9600,o,7,2";
    QTest::newRow("upper-case parity") << "1200,E,7,1"
                                       << "1200,e,7,1";
    QTest::newRow("blanks around fields") << " 2400 , s , 6 , 1 "
                                          << "2400,s,6,1";
    QTest::newRow("one and a half stop bits") << "300,m,5,1.5"
                                              << "300,m,5,1.5";

    const QString unchanged = QStringLiteral("19200,e,7,2");
    QTest::newRow("empty") << "" << unchanged;
    QTest::newRow("baud only") << "38400" << unchanged;
    QTest::newRow("three fields") << "38400,n,8" << unchanged;
    QTest::newRow("five fields") << "38400,n,8,1,1" << unchanged;
    QTest::newRow("semicolons") << "38400;n;8;1" << unchanged;
    QTest::newRow("baud not a number") << "fast,n,8,1" << unchanged;
    QTest::newRow("baud zero") << "0,n,8,1" << unchanged;
    QTest::newRow("baud negative") << "-9600,n,8,1" << unchanged;
    QTest::newRow("unknown parity") << "38400,x,8,1" << unchanged;
    QTest::newRow("parity word") << "38400,none,8,1" << unchanged;
    QTest::newRow("four data bits") << "38400,n,4,1" << unchanged;
    QTest::newRow("nine data bits") << "38400,n,9,1" << unchanged;
    QTest::newRow("no stop bit") << "38400,n,8,0" << unchanged;
    QTest::newRow("three stop bits") << "38400,n,8,3" << unchanged;
}

void TestSerialLink::setSettings() {
    QFETCH(QString, text);
    QFETCH(QString, expected);

    SerialLink link;
    QVERIFY(!link.setSettings(QStringLiteral("19200,e,7,2")));
    const std::optional<RunError> error = link.setSettings(text);
    const bool valid = expected != QLatin1String("19200,e,7,2");
    QCOMPARE(error.has_value(), !valid);
    if (error) {
        QCOMPARE(error->number, RunError::invalidArgument().number);
        QCOMPARE(error->text, RunError::invalidArgument().text);
    }
    QCOMPARE(link.settings(), expected);
}

void TestSerialLink::commPortRange_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("0") << 0 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("8") << 8 << true;
    QTest::newRow("9") << 9 << false;
    QTest::newRow("-3") << -3 << false;
}

void TestSerialLink::commPortRange() {
    QFETCH(int, n);
    QFETCH(bool, accepted);

    SerialLink link;
    QVERIFY(!link.setCommPort(5));
    const std::optional<RunError> error = link.setCommPort(n);
    QCOMPARE(!error, accepted);
    QCOMPARE(link.commPort(), accepted ? n : 5);
    if (error) {
        QCOMPARE(error->number, RunError::invalidArgument().number);
    }
}

void TestSerialLink::exchangeBothWays_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QByteArray>("toDevice");
    QTest::addColumn<QByteArray>("fromDevice");

    QByteArray reversed = allByteValues();
    std::reverse(reversed.begin(), reversed.end());
    const QByteArray request("\x02"
                             "07\x1b"
                             "A\r");
    const QByteArray answer("\x02"
                            "A|0001|+012.3|0002|+087.0|\x17"
                            "123\r");

    QTest::newRow("every byte value, no handshake") << "38400,n,8,1" << 0 << allByteValues() << reversed;
    QTest::newRow("every byte value, RTS/CTS") << "38400,n,8,1" << 2 << allByteValues() << reversed;
    QTest::newRow("telegrams, 9600,e,7,2") << "9600,e,7,2" << 0 << request << answer;
    QTest::newRow("telegrams, XOnXOff") << "19200,n,8,1" << 1 << request << answer;
    QTest::newRow("telegrams, both handshakes") << "38400,o,8,2" << 3 << request << answer;
}

void TestSerialLink::exchangeBothWays() {
    QFETCH(QString, settings);
    QFETCH(int, handshake);
    QFETCH(QByteArray, toDevice);
    QFETCH(QByteArray, fromDevice);

    Line line;
    QVERIFY(openLine(line, settings, handshake));
    QVERIFY(line.link.isOpen());
    QCOMPARE(line.link.settings(), settings);
    QCOMPARE(line.link.handshaking(), handshake);
    Collector collector(&line.link);

    QVERIFY(!line.link.write(toDevice));
    QCOMPARE(line.pty.waitForBytes(int(toDevice.size()), Wait), toDevice);

    QVERIFY(line.pty.write(fromDevice));
    QTRY_COMPARE_WITH_TIMEOUT(collector.received, fromDevice, Wait);

    QVERIFY(!line.link.close());
    QVERIFY(!line.link.isOpen());
}

void TestSerialLink::readCharTakesOneByteInOrder() {
    Line line;
    QVERIFY(openLine(line));
    const QByteArray stream = QByteArray("\x00\x02", 2) + "H|0042|\x17" + QByteArray("\xff\x80\r", 3);
    QVERIFY(line.pty.write(stream));
    QTRY_COMPARE_WITH_TIMEOUT(line.link.inBufferCount(), int(stream.size()), Wait);

    for (int i = 0; i < stream.size(); ++i) {
        QCOMPARE(line.link.inBufferCount(), int(stream.size()) - i);
        QCOMPARE(line.link.readChar(), stream.at(i));
    }
    QCOMPARE(line.link.inBufferCount(), 0);
    QCOMPARE(line.link.readChar(), '\0');
    QCOMPARE(line.link.inBufferCount(), 0);
}

void TestSerialLink::xonXoffHandshake_data() {
    QTest::addColumn<int>("openedWith");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<bool>("obeysXoff");

    QTest::newRow("kein") << 0 << 0 << false;
    QTest::newRow("XOnXOff") << 1 << 1 << true;
    QTest::newRow("RTS") << 2 << 2 << false;
    QTest::newRow("beides") << 3 << 3 << true;
    QTest::newRow("XOnXOff switched on while open") << 0 << 1 << true;
    QTest::newRow("beides switched on while open") << 0 << 3 << true;
    QTest::newRow("kein switched to while open") << 3 << 0 << false;
}

void TestSerialLink::xonXoffHandshake() {
    QFETCH(int, openedWith);
    QFETCH(int, handshake);
    QFETCH(bool, obeysXoff);
    const char xon = '\x11';
    const char xoff = '\x13';

    Line line;
    QVERIFY(openLine(line, QStringLiteral("38400,n,8,1"), openedWith));
    QVERIFY(!line.link.setHandshaking(handshake));
    Collector collector(&line.link);

    // The marker and XOFF reach the line discipline together, so once the marker has been received the XOFF
    // has been acted upon too. Under XON/XOFF the control character itself is not handed to the reader.
    QVERIFY(line.pty.write(QByteArray("x") + xoff));
    const QByteArray expectedInput = obeysXoff ? QByteArray("x") : QByteArray("x") + xoff;
    QTRY_COMPARE_WITH_TIMEOUT(collector.received, expectedInput, Wait);

    QVERIFY(!line.link.write("A"));
    if (obeysXoff) {
        QCOMPARE(line.pty.readAll(300), QByteArray());
        QVERIFY(line.pty.write(QByteArray(1, xon)));
    }
    QCOMPARE(line.pty.waitForBytes(1, Wait), QByteArray("A"));
}

void TestSerialLink::fullSendBufferIsRefused() {
    Line line;
    QVERIFY(openLine(line, QStringLiteral("38400,n,8,1"), SerialLink::XonXoff));
    Collector collector(&line.link);
    QSignalSpy events(&line.link, &SerialLink::commEvent);

    // The device holds the line with XOFF, so everything written stays in the send buffer.
    QVERIFY(line.pty.write("x\x13"));
    QTRY_COMPARE_WITH_TIMEOUT(collector.received, QByteArray("x"), Wait);
    const QByteArray block(SerialLink::OutboxCapacity, 'M');
    QVERIFY(!line.link.write(block));

    const std::optional<RunError> error = line.link.write("A");
    QVERIFY(error);
    QCOMPARE(error->text, QStringLiteral("Der Sendepuffer der Schnittstelle COM 3 (%1) ist voll.")
                              .arg(line.dir.filePath(QStringLiteral("dosdevices/com3"))));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf(events).contains(CommEvent::TxFull), Wait);
    QCOMPARE(codesOf(events).count(CommEvent::TxFull), 1);

    // XON releases the block, and the refused byte was never queued.
    QVERIFY(line.pty.write("\x11"));
    QCOMPARE(line.pty.waitForBytes(int(block.size()), Wait), block);
    QCOMPARE(line.pty.readAll(200), QByteArray());
    QVERIFY(!line.link.write("A"));
    QCOMPARE(line.pty.waitForBytes(1, Wait), QByteArray("A"));
}

void TestSerialLink::openFailureLeavesPortClosed_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("expectedNumber");
    QTest::addColumn<QString>("expectedWhat");

    QTest::newRow("missing") << "missing" << 68 << "existiert nicht";
    QTest::newRow("in use") << "in use" << 70 << "wird bereits verwendet";
    QTest::newRow("already open") << "already open" << 55 << "ist bereits geöffnet";
}

void TestSerialLink::openFailureLeavesPortClosed() {
    QFETCH(QString, situation);
    QFETCH(int, expectedNumber);
    QFETCH(QString, expectedWhat);

    Line line;
    QVERIFY(line.dir.isValid());
    QVERIFY(line.pty.linkAs(line.dir.path(), 3));
    const QString device = line.dir.filePath(QStringLiteral("dosdevices/com3"));

    SerialLink second;
    second.setProgramDir(line.dir.path());
    QVERIFY(!second.setCommPort(3));
    SerialLink *candidate = &second;
    if (situation == QLatin1String("missing")) {
        QVERIFY(QFile::remove(device));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB7"), device));
    } else {
        QVERIFY(openLine(line));
        if (situation == QLatin1String("already open")) {
            candidate = &line.link;
        }
    }

    const std::optional<RunError> error = candidate->open();
    QVERIFY(error);
    QCOMPARE(error->number, expectedNumber);
    QCOMPARE(error->text, QStringLiteral("Die Schnittstelle COM 3 (%1) %2.").arg(device, expectedWhat));
    QVERIFY(!second.isOpen());

    if (situation != QLatin1String("missing")) {
        // The first opener keeps its port and goes on working.
        QVERIFY(line.link.isOpen());
        QVERIFY(!line.link.write("H"));
        QCOMPARE(line.pty.waitForBytes(1, Wait), QByteArray("H"));
        QVERIFY(!line.link.close());
        QVERIFY(!second.open());
        QVERIFY(second.isOpen());
    }
}

void TestSerialLink::writeToClosedPort_data() {
    QTest::addColumn<bool>("openedBefore");
    QTest::newRow("never opened") << false;
    QTest::newRow("opened and closed") << true;
}

void TestSerialLink::writeToClosedPort() {
    QFETCH(bool, openedBefore);

    Line line;
    if (openedBefore) {
        QVERIFY(openLine(line));
        QVERIFY(!line.link.close());
    }
    const std::optional<RunError> error = line.link.write("A");
    QVERIFY(error);
    QCOMPARE(error->number, 52);
    QCOMPARE(error->text, QStringLiteral("Die Schnittstelle ist nicht geöffnet."));
    if (openedBefore) {
        QCOMPARE(line.pty.readAll(0), QByteArray());
    }
}

void TestSerialLink::vanishedDeviceIsReportedOnce() {
    Line line;
    QVERIFY(openLine(line));
    QSignalSpy lost(&line.link, &SerialLink::portLost);
    QSignalSpy events(&line.link, &SerialLink::commEvent);

    line.pty.closeMaster();
    QVERIFY(lost.wait(Wait));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).toString(),
             QStringLiteral("Die Verbindung zur Schnittstelle COM 3 (%1) ist unterbrochen.")
                 .arg(line.dir.filePath(QStringLiteral("dosdevices/com3"))));
    QVERIFY(!line.link.isOpen());

    // A port that stayed open would report its hang-up again on every turn of the event loop.
    for (int turn = 0; turn < 100; ++turn) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QCOMPARE(lost.count(), 1);
    QCOMPARE(events.count(), 0);

    QVERIFY(line.link.write("A"));
    QVERIFY(line.link.open());
    QVERIFY(!line.link.isOpen());
    QCOMPARE(lost.count(), 1);
}

void TestSerialLink::nestedWaitStillReceives() {
    Line line;
    QVERIFY(openLine(line));

    QByteArray received;
    QEventLoop *nested = nullptr;
    bool secondSeenNested = false;
    bool nestedLoopDone = false;
    connect(&line.link, &SerialLink::commEvent, this, [&](int code) {
        if (code != CommEvent::Receive) {
            return;
        }
        while (line.link.inBufferCount() > 0) {
            received.append(line.link.readChar());
        }
        if (nested) {
            if (received.endsWith("SECOND")) {
                secondSeenNested = true;
                nested->quit();
            }
            return;
        }
        if (received != "FIRST") {
            return;
        }
        // Wait inside the receive handler, as the average fetch does, for more bytes from the device.
        QEventLoop loop;
        nested = &loop;
        QTimer::singleShot(Wait, &loop, &QEventLoop::quit);
        QTimer::singleShot(0, this, [&] { line.pty.write("SECOND"); });
        loop.exec();
        nested = nullptr;
        nestedLoopDone = true;
    });

    QVERIFY(line.pty.write("FIRST"));
    QTRY_VERIFY_WITH_TIMEOUT(nestedLoopDone, 2 * Wait);
    QVERIFY(secondSeenNested);
    QCOMPARE(received, QByteArray("FIRSTSECOND"));
}

void TestSerialLink::inboxOverflowReportedOncePerEpisode() {
    Line line;
    QVERIFY(openLine(line));
    QSignalSpy events(&line.link, &SerialLink::commEvent);
    const auto overflows = [&] { return codesOf(events).count(CommEvent::RxOver); };

    // Numbered 32-bit words, so that the kept bytes show which part of the stream survived.
    const int words = (SerialLink::InboxCapacity + 48 * 1024) / 4;
    QByteArray stream(words * 4, '\0');
    for (int i = 0; i < words; ++i) {
        qToBigEndian<quint32>(quint32(i), stream.data() + 4 * i);
    }

    QVERIFY(line.pty.write(stream));
    QTRY_COMPARE_WITH_TIMEOUT(overflows(), 1, Wait);
    QCOMPARE(line.link.inBufferCount(), SerialLink::InboxCapacity);
    QCOMPARE(overflows(), 1);

    QByteArray kept;
    while (line.link.inBufferCount() > 0) {
        kept.append(line.link.readChar());
    }
    QCOMPARE(kept.size(), SerialLink::InboxCapacity);
    // The oldest bytes were dropped: the inbox holds a later, unbroken part of the stream.
    const qsizetype start = stream.indexOf(kept.left(8));
    QVERIFY(start > 0);
    QVERIFY(kept == stream.mid(start, SerialLink::InboxCapacity));

    // Once the inbox has been emptied, a new flood is a new episode.
    QVERIFY(line.pty.write(stream));
    QTRY_COMPARE_WITH_TIMEOUT(overflows(), 2, Wait);
}

void TestSerialLink::lineErrorEvents_data() {
    QTest::addColumn<LineErrorCounts>("after");
    QTest::addColumn<QList<int>>("expected");

    const LineErrorCounts base{3, 4, 5, 6, 7};
    LineErrorCounts breaks = base;
    ++breaks.breaks;
    LineErrorCounts frame = base;
    frame.frame += 2;
    LineErrorCounts overrun = base;
    ++overrun.overrun;
    LineErrorCounts parity = base;
    ++parity.parity;
    LineErrorCounts buffer = base;
    ++buffer.bufferOverrun;
    const LineErrorCounts all{4, 5, 6, 7, 8};

    QTest::newRow("nothing new") << base << QList<int>{};
    QTest::newRow("break") << breaks << QList<int>{1001};
    QTest::newRow("framing") << frame << QList<int>{1004};
    QTest::newRow("overrun") << overrun << QList<int>{1006};
    QTest::newRow("buffer overrun") << buffer << QList<int>{1008};
    QTest::newRow("parity") << parity << QList<int>{1009};
    QTest::newRow("all at once") << all << QList<int>{1001, 1004, 1006, 1008, 1009};
}

void TestSerialLink::lineErrorEvents() {
    QFETCH(LineErrorCounts, after);
    QFETCH(QList<int>, expected);
    const LineErrorCounts before{3, 4, 5, 6, 7};
    QCOMPARE(SerialLink::lineErrorEvents(before, after), expected);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
