#include "link/framer.h"
#include "link/request.h"

#include <QtTest>

namespace {

// An "A" answer and a header answer as the logger sends them.
const QByteArray answer("\002A050324xx093000|0103101.5|0202 87|6001-3.25\027020\r");
const QByteArray header("\002H\027093\r");

// Feeds the chunks byte by byte; per chunk the telegrams handed over while it was fed.
QList<QByteArrayList> feed(TelegramFramer &framer, const QByteArrayList &chunks) {
    QList<QByteArrayList> handedOver;
    for (const QByteArray &chunk : chunks) {
        handedOver.append(QByteArrayList());
        for (const char c : chunk) {
            if (auto telegram = framer.push(c))
                handedOver.last().append(*telegram);
        }
    }
    return handedOver;
}

} // namespace

class TestFramer : public QObject {
    Q_OBJECT

private slots:
    void framing_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QList<QByteArrayList>>("expected");
        QByteArrayList bytes;
        QList<QByteArrayList> onlyAtCr(answer.size());
        for (const char c : answer)
            bytes.append(QByteArray(1, c));
        onlyAtCr.last() = {answer};
        // The framer takes one byte at a time: how they arrive in chunks makes no difference.
        QTest::newRow("handed over at its CR") << bytes << onlyAtCr;
        QTest::newRow("two in one chunk")
            << QByteArrayList{answer + header} << QList<QByteArrayList>{{answer, header}};
        QTest::newRow("xy, then a telegram")
            << QByteArrayList{"xy", answer} << QList<QByteArrayList>{{}, {"xy", answer}};
        QTest::newRow("lone STX, kept")
            << QByteArrayList{"\002", "\r"} << QList<QByteArrayList>{{}, {"\002\r"}};
    }
    void framing() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QList<QByteArrayList>, expected);
        TelegramFramer framer;
        QCOMPARE(feed(framer, chunks), expected);
        QVERIFY(!framer.takeOverflow());
    }

    void noiseStaysBounded() {
        // Every byte value but STX and CR.
        QByteArray noise(100000, 'x');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = i % 256 == LinkChar::STX || i % 256 == LinkChar::CR ? 'x' : char(i % 256);
        TelegramFramer framer;
        const QByteArray longest = noise.left(TelegramFramer::maxBufferLength);
        QCOMPARE(feed(framer, {longest, "\r"}), (QList<QByteArrayList>{{}, {longest + "\r"}}));
        int overflows = 0;
        for (const char c : noise) {
            QVERIFY(!framer.push(c) && framer.buffer().size() <= TelegramFramer::maxBufferLength);
            overflows += framer.takeOverflow();
        }
        QCOMPARE(overflows, 1);
        // The rest of the noise goes with the next STX; the telegram after it arrives whole.
        const QByteArray rest = noise.right(noise.size() % (TelegramFramer::maxBufferLength + 1));
        QCOMPARE(feed(framer, {answer}), (QList<QByteArrayList>{{rest, answer}}));
        QVERIFY(!framer.takeOverflow());
    }
};

QTEST_GUILESS_MAIN(TestFramer)
#include "tst_framer.moc"
