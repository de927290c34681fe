#include "link/framer.h"
#include "link/request.h"

#include <QtTest>

namespace {

// An "A" answer and a header answer as the logger sends them.
const QByteArray answer("\002A050324xx093000|0103101.5|0202 87|6001-3.25\027020\r");
const QByteArray header("\002H\027093\r");

// The framer takes one byte at a time: how they arrive in chunks makes no difference.
QByteArrayList feed(TelegramFramer &framer, const QByteArray &bytes) {
    QByteArrayList handedOver;
    for (const char c : bytes) {
        if (auto telegram = framer.push(c))
            handedOver.append(*telegram);
    }
    return handedOver;
}

} // namespace

class TestFramer : public QObject {
    Q_OBJECT

private slots:
    // Noise before a telegram goes out at its STX; a lone STX and the longest telegram are kept whole.
    void framing() {
        const QByteArray longest = QByteArray(TelegramFramer::maxBufferLength, 'x') + '\r';
        TelegramFramer framer;
        QCOMPARE(feed(framer, "xy" + answer + header + "\002\r" + longest),
                 (QByteArrayList{"xy", answer, header, "\002\r", longest}));
        QVERIFY(!framer.takeOverflow());
    }

    void noiseStaysBounded() {
        // Every byte value but STX and CR.
        QByteArray noise(100000, 'x');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = i % 256 == LinkChar::STX || i % 256 == LinkChar::CR ? 'x' : char(i % 256);
        TelegramFramer framer;
        int overflows = 0;
        for (const char c : noise) {
            QVERIFY(!framer.push(c) && framer.buffer().size() <= TelegramFramer::maxBufferLength);
            overflows += framer.takeOverflow();
        }
        QCOMPARE(overflows, 1);
        // The rest of the noise goes with the next STX; the telegram after it arrives whole.
        const QByteArray rest = noise.right(noise.size() % (TelegramFramer::maxBufferLength + 1));
        QCOMPARE(feed(framer, answer), (QByteArrayList{rest, answer}));
        QVERIFY(!framer.takeOverflow());
    }
};

QTEST_GUILESS_MAIN(TestFramer)
#include "tst_framer.moc"
