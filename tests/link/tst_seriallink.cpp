#include "link/seriallink.h"
#include "support/pty.h"

#include <QtTest>

namespace {

constexpr int Wait = 5000;

// A program directory whose COM 3 is the slave of a fresh pseudo-terminal.
struct Line {
    QTemporaryDir dir;
    PseudoTerminal pty;
    SerialLink link;
    QByteArray received;

    QString device() const { return dir.filePath("dosdevices/com3"); }
    bool open(const QString &settings = "38400,n,8,1", int handshake = 0) {
        link.setProgramDir(dir.path());
        return pty.linkAs(dir.path(), 3) && !link.setCommPort(3) && !link.setSettings(settings) &&
               !link.setHandshaking(handshake) && !link.open();
    }
    // Takes the received bytes as the logger protocol does: one readChar per byte until none is waiting.
    void collect() {
        QObject::connect(&link, &SerialLink::commEvent, &link, [this](int code) {
            while (code == CommEvent::Receive && link.inBufferCount() > 0)
                received.append(link.readChar());
        });
    }
};

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT

private slots:
    void portNamesAndOpenFailures() {
        Line line;
        const QString dir = line.dir.path();
        SerialLink second;
        second.setProgramDir(dir);
        QVERIFY(!second.setCommPort(3) && second.setCommPort(9));
        const auto refused = [&](int number, const QString &what) {
            QCOMPARE(
                second.open().value_or(RunError{}).described(),
                QString("Fehler %1: Die Schnittstelle COM 3 (%2) %3.").arg(number).arg(line.device(), what));
            QVERIFY(!second.isOpen() && second.write("A"));
        };
        QCOMPARE(SerialLink::resolvePortName(dir, 3), "/dev/ttyS2");
        QVERIFY(QDir(dir).mkpath("dosdevices") && QFile::link("/nonexistent/ttyUSB0", line.device()));
        QCOMPARE(SerialLink::resolvePortName(dir, 3), line.device());
        refused(68, "existiert nicht");
        QVERIFY(line.open());
        QCOMPARE(second.deviceName(), line.device());
        refused(70, "wird bereits verwendet");
        QVERIFY(line.link.isOpen());
    }

    // The dialog's texts as a settings text; a text the port refuses leaves the settings as they were.
    void settings() {
        QCOMPARE(SerialLink::settingsString("9600", "even", "7", "2"), "9600,e,7,2");
        QCOMPARE(SerialLink::settingsString("56000", "space", "6", "1"), "56000,s,6,1");
        SerialLink link;
        QVERIFY(!link.setSettings(" 1200 , E , 7 , 1.5 "));
        for (const char *text : {"38400,n,8", "38400,none,8,1", "38400,n,9,1", "38400,n,8,3", "0,n,8,1"}) {
            QCOMPARE(link.setSettings(text).value_or(RunError{}).text, RunError::invalidArgument().text);
            QCOMPARE(link.settings(), "1200,e,7,1.5");
        }
    }

    void everyByteValueBothWays() {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        Line line;
        QVERIFY(line.open("9600,e,8,2", SerialLink::RtsCts));
        line.collect();
        QVERIFY(!line.link.write(all));
        QCOMPARE(line.pty.waitForBytes(256, Wait), all);
        std::reverse(all.begin(), all.end());
        QVERIFY(line.pty.write(all));
        QTRY_COMPARE_WITH_TIMEOUT(line.received, all, Wait);
        QVERIFY(!line.link.close());
        QCOMPARE(line.link.write("A").value_or(RunError{}).described(),
                 "Fehler 52: Die Schnittstelle ist nicht geöffnet.");
        QCOMPARE(line.pty.readAll(0), QByteArray());
    }

    void nestedWaitStillReceives() {
        Line line;
        QVERIFY(line.open());
        line.collect();
        bool secondSeenNested = false;
        connect(&line.link, &SerialLink::commEvent, this, [&] {
            // Waits inside the receive handler, as the average fetch does, for more bytes from the device.
            if (line.received == "FIRST" && line.pty.write("SECOND"))
                secondSeenNested = QTest::qWaitFor([&] { return line.received == "FIRSTSECOND"; }, Wait);
        });
        QVERIFY(line.pty.write("FIRST"));
        QTRY_VERIFY_WITH_TIMEOUT(secondSeenNested, 2 * Wait);
    }

    void inboxOverflowReportedOnce() {
        Line line;
        QVERIFY(line.open());
        QSignalSpy events(&line.link, &SerialLink::commEvent);
        const auto overflows = [&] {
            return std::count(events.begin(), events.end(), QVariantList{CommEvent::RxOver});
        };
        // Numbered 32-bit words, so that the kept bytes show which part of the stream survived.
        QByteArray stream((SerialLink::InboxCapacity + 48 * 1024), '\0');
        for (int i = 0; i < stream.size() / 4; ++i)
            qToBigEndian<quint32>(quint32(i), stream.data() + 4 * i);
        QVERIFY(line.pty.write(stream));
        QTRY_COMPARE_WITH_TIMEOUT(overflows(), 1, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(line.link.inBufferCount(), SerialLink::InboxCapacity, Wait);
        QByteArray kept;
        while (line.link.inBufferCount() > 0)
            kept.append(line.link.readChar());
        // The oldest bytes were dropped: the inbox holds a later, unbroken part of the stream.
        const qsizetype start = stream.indexOf(kept.left(8));
        QVERIFY(start > 0 && kept == stream.mid(start, SerialLink::InboxCapacity));
        QCOMPARE(overflows(), 1);
    }

    void xonXoffStopsOutputThenTheDeviceGoesAway() {
        Line line;
        QVERIFY(line.open("38400,n,8,1", SerialLink::XonXoff));
        line.collect();
        // The marker and XOFF reach the line discipline together; XOFF itself is not handed to the reader.
        QVERIFY(line.pty.write("x\x13"));
        QTRY_COMPARE_WITH_TIMEOUT(line.received, "x", Wait);
        QVERIFY(!line.link.write("A"));
        QCOMPARE(line.pty.readAll(300), QByteArray());
        QVERIFY(line.pty.write("\x11"));
        QCOMPARE(line.pty.waitForBytes(1, Wait), "A");

        QSignalSpy lost(&line.link, &SerialLink::portLost);
        QSignalSpy events(&line.link, &SerialLink::commEvent);
        line.pty.closeMaster();
        QVERIFY(lost.wait(Wait));
        QCOMPARE(lost.at(0).at(0).toString(),
                 QString("Die Verbindung zur Schnittstelle COM 3 (%1) ist unterbrochen.").arg(line.device()));
        QVERIFY(!line.link.isOpen());
        // A port left open would report its hang-up again on every turn of the event loop.
        for (int turn = 0; turn < 100; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(lost.count(), 1);
        QCOMPARE(events.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
