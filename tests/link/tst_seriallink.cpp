#include "link/seriallink.h"
#include "support/pty.h"

#include <QtTest>

namespace {

// A program directory whose COM 3 is the slave of a fresh pseudo-terminal.
struct Line {
    QTemporaryDir dir;
    PseudoTerminal pty;
    SerialLink link;

    QString device() const { return dir.filePath("dosdevices/com3"); }
    bool open(const QString &settings = "38400,n,8,1", int handshake = 0) {
        link.setProgramDir(dir.path());
        return pty.linkAs(dir.path(), 3) && !link.setCommPort(3) && !link.setSettings(settings) &&
               !link.setHandshaking(handshake) && !link.open();
    }
};

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT

private slots:
    void portNamesSettingsOpenFailuresAndOverflow() {
        Line line;
        const QString dir = line.dir.path();
        SerialLink second;
        second.setProgramDir(dir);
        QVERIFY(!second.setCommPort(3) && second.setCommPort(9));
        // A settings text the port refuses leaves the settings as they were.
        QVERIFY(!second.setSettings(" 1200 , E , 7 , 1.5 "));
        for (const char *text : {"38400,n,8", "38400,none,8,1", "38400,n,9,1", "38400,n,8,3", "0,n,8,1"}) {
            QCOMPARE(second.setSettings(text).value_or(RunError{}).text, RunError::invalidArgument().text);
            QCOMPARE(second.settings(), "1200,e,7,1.5");
        }
        const auto refused = [&](int number, const QString &what) {
            QCOMPARE(
                second.open().value_or(RunError{}).described(),
                QString("Fehler %1: Die Schnittstelle COM 3 (%2) %3.").arg(number).arg(line.device(), what));
            QCOMPARE(second.write("A").value_or(RunError{}).described(),
                     "Fehler 52: Die Schnittstelle ist nicht geöffnet.");
        };
        QCOMPARE(SerialLink::resolvePortName(dir, 3), "/dev/ttyS2");
        QVERIFY(QDir(dir).mkpath("dosdevices") && QFile::link("/nonexistent/ttyUSB0", line.device()));
        QCOMPARE(SerialLink::resolvePortName(dir, 3), line.device());
        refused(68, "existiert nicht");
        QVERIFY(line.open());
        refused(70, "wird bereits verwendet");

        // Beyond its capacity the inbox drops the oldest bytes and says so once.
        QSignalSpy events(&line.link, &SerialLink::commEvent);
        // Numbered 32-bit words, so that the kept bytes show which part of the stream survived.
        QByteArray stream((SerialLink::InboxCapacity + 48 * 1024), '\0');
        for (int i = 0; i < stream.size() / 4; ++i)
            qToBigEndian<quint32>(quint32(i), stream.data() + 4 * i);
        QVERIFY(line.pty.write(stream));
        QTRY_COMPARE(events.count(QVariantList{CommEvent::RxOver}), 1);
        QTRY_COMPARE(line.link.inBufferCount(), SerialLink::InboxCapacity);
        QByteArray kept;
        while (line.link.inBufferCount() > 0)
            kept.append(line.link.readChar());
        const qsizetype start = stream.indexOf(kept.left(8));
        QVERIFY(start > 0 && kept == stream.mid(start, SerialLink::InboxCapacity));
        QCOMPARE(events.count(QVariantList{CommEvent::RxOver}), 1);
    }

    void xonXoffEveryByteAndHangUp() {
        Line line;
        QVERIFY(line.open("38400,n,8,1", SerialLink::XonXoff));
        // Takes the received bytes as the logger protocol does: one readChar per byte until none is waiting.
        QByteArray received;
        connect(&line.link, &SerialLink::commEvent, this, [&](int code) {
            while (code == CommEvent::Receive && line.link.inBufferCount() > 0)
                received.append(line.link.readChar());
        });
        // The marker and XOFF reach the line discipline together; XOFF itself is not handed to the reader.
        QVERIFY(line.pty.write("x\x13"));
        QTRY_COMPARE(received, "x");
        QVERIFY(!line.link.write("A"));
        QCOMPARE(line.pty.waitForBytes(1, 300), QByteArray());
        QVERIFY(line.pty.write("\x11"));
        QCOMPARE(line.pty.waitForBytes(1, 5000), "A");

        QVERIFY(!line.link.close() && !line.link.setSettings("9600,e,8,2") &&
                !line.link.setHandshaking(SerialLink::RtsCts) && !line.link.open());
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QVERIFY(!line.link.write(all));
        QCOMPARE(line.pty.waitForBytes(256, 5000), all);
        std::reverse(all.begin(), all.end());
        received.clear();
        QVERIFY(line.pty.write(all));
        QTRY_COMPARE(received, all);

        // A modal message box waits inside the receive handler; bytes that come meanwhile still arrive.
        bool secondSeenNested = false;
        connect(&line.link, &SerialLink::commEvent, this, [&] {
            if (received == "FIRST" && line.pty.write("SECOND"))
                secondSeenNested = QTest::qWaitFor([&] { return received == "FIRSTSECOND"; });
        });
        received.clear();
        QVERIFY(line.pty.write("FIRST"));
        QTRY_VERIFY_WITH_TIMEOUT(secondSeenNested, 10000);

        QSignalSpy lost(&line.link, &SerialLink::portLost);
        QSignalSpy events(&line.link, &SerialLink::commEvent);
        line.pty.closeMaster();
        QVERIFY(lost.wait());
        QCOMPARE(lost.at(0).at(0).toString(),
                 QString("Die Verbindung zur Schnittstelle COM 3 (%1) ist unterbrochen.").arg(line.device()));
        // A port left open would report its hang-up again on every turn of the event loop.
        for (int turn = 0; turn < 100; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(lost.count(), 1);
        QCOMPARE(events.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
