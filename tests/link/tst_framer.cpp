#include "link/framer.h"
#include "link/request.h"

#include <QLocale>
#include <QtTest>

namespace {

// An "A" answer as the logger sends it.
const QByteArray answer("\x02"
                        "A050324xx093000|0103101.5|0202 87|6001-3.25\x17"
                        "020\r");
const QByteArray header("\x02"
                        "H\x17"
                        "093\r");

// Feeds the chunks byte by byte; per chunk the telegrams handed over while it was fed.
QList<QByteArrayList> feed(TelegramFramer &framer, const QByteArrayList &chunks) {
    QList<QByteArrayList> handedOver;
    for (const QByteArray &chunk : chunks) {
        QByteArrayList telegrams;
        for (const char c : chunk) {
            if (auto telegram = framer.push(c))
                telegrams.append(*telegram);
        }
        handedOver.append(telegrams);
    }
    return handedOver;
}

QByteArray noise(int length) {
    QByteArray bytes;
    for (int i = 0; i < length; ++i) {
        // Every byte value but STX and CR.
        char c = static_cast<char>(i % 256);
        if (c == LinkChar::STX || c == LinkChar::CR)
            c = 'x';
        bytes.append(c);
    }
    return bytes;
}

} // namespace

class TestFramer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void request_data() {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("station 07, A") << "07"
                                       << "A"
                                       << QByteArray("\x02"
                                                     "07\x1b"
                                                     "A\r");
        QTest::newRow("header") << "07"
                                << "H"
                                << QByteArray("\x02"
                                              "07\x1bH\r");
        QTest::newRow("record again") << "07"
                                      << "MR"
                                      << QByteArray("\x02"
                                                    "07\x1bMR\r");
        QTest::newRow("long station number as shown") << " 123"
                                                      << "M" << QByteArray("\x02 123\x1bM\r");
        QTest::newRow("no station number") << ""
                                           << "A"
                                           << QByteArray("\x02\x1b"
                                                         "A\r");
        QTest::newRow("Latin-1 byte") << QStringLiteral("ä1") << "A"
                                      << QByteArray("\x02\xe4"
                                                    "1\x1b"
                                                    "A\r");
        QTest::newRow("outside Latin-1") << QStringLiteral("€1") << "A"
                                         << QByteArray("\x02?1\x1b"
                                                       "A\r");
    }
    void request() {
        QFETCH(QString, station);
        QFETCH(QString, command);
        QFETCH(QByteArray, expected);
        QCOMPARE(buildRequest(station, command), expected);
    }

    void framing_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QList<QByteArrayList>>("expected");
        QTest::addColumn<QByteArray>("remaining");

        QTest::newRow("whole telegram")
            << QByteArrayList{answer} << QList<QByteArrayList>{{answer}} << QByteArray();

        QByteArrayList bytes;
        QList<QByteArrayList> onlyAtCr;
        for (const char c : answer) {
            bytes.append(QByteArray(1, c));
            onlyAtCr.append(QByteArrayList());
        }
        onlyAtCr.last() = QByteArrayList{answer};
        QTest::newRow("one byte at a time") << bytes << onlyAtCr << QByteArray();

        const int bodyEnd = answer.indexOf('\x17');
        QTest::newRow("three pieces")
            << QByteArrayList{answer.left(2), answer.mid(2, bodyEnd - 2), answer.mid(bodyEnd)}
            << QList<QByteArrayList>{{}, {}, {answer}} << QByteArray();

        QTest::newRow("two telegrams in one chunk")
            << QByteArrayList{answer + header} << QList<QByteArrayList>{{answer, header}} << QByteArray();

        QTest::newRow("letters before the STX")
            << QByteArrayList{"xy", answer} << QList<QByteArrayList>{{}, {"xy", answer}} << QByteArray();

        QTest::newRow("lone STX") << QByteArrayList{"\x02"} << QList<QByteArrayList>{{}}
                                  << QByteArray("\x02");

        QTest::newRow("STX on a lone STX")
            << QByteArrayList{"\x02\x02"} << QList<QByteArrayList>{{"\x02"}} << QByteArray("\x02");

        const QByteArray cut = answer.left(bodyEnd);
        QTest::newRow("telegram without CR, then the next")
            << QByteArrayList{cut, header} << QList<QByteArrayList>{{}, {cut, header}} << QByteArray();

        QTest::newRow("letters and CR without STX")
            << QByteArrayList{"xy\r"} << QList<QByteArrayList>{{"xy\r"}} << QByteArray();

        QTest::newRow("lone CR") << QByteArrayList{"\r"} << QList<QByteArrayList>{{"\r"}} << QByteArray();

        QTest::newRow("start of the next telegram stays") << QByteArrayList{answer + "\x02"
                                                                                     "A05"}
                                                          << QList<QByteArrayList>{{answer}}
                                                          << QByteArray("\x02"
                                                                        "A05");
    }
    void framing() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QList<QByteArrayList>, expected);
        QFETCH(QByteArray, remaining);
        TelegramFramer framer;
        QCOMPARE(feed(framer, chunks), expected);
        QCOMPARE(framer.buffer(), remaining);
        QVERIFY(!framer.takeOverflow());
    }

    void longestBufferKept() {
        TelegramFramer framer;
        const QByteArray text = noise(TelegramFramer::maxBufferLength);
        QCOMPARE(feed(framer, {text, "\r"}), (QList<QByteArrayList>{{}, {text + "\r"}}));
        QVERIFY(!framer.takeOverflow());
    }

    void noiseStaysBounded() {
        TelegramFramer framer;
        const QByteArray stretch = noise(100000);
        int overflows = 0;
        for (const char c : stretch) {
            QVERIFY(!framer.push(c));
            QVERIFY(framer.buffer().size() <= TelegramFramer::maxBufferLength);
            if (framer.takeOverflow())
                ++overflows;
        }
        QCOMPARE(overflows, 1);

        // The rest of the noise goes with the next STX; the telegram after it arrives whole.
        const QList<QByteArrayList> handedOver = feed(framer, {answer});
        QCOMPARE(handedOver.first().size(), 2);
        QCOMPARE(handedOver.first().first(), stretch.right(100000 % (TelegramFramer::maxBufferLength + 1)));
        QCOMPARE(handedOver.first().last(), answer);
        QVERIFY(!framer.takeOverflow());

        // A new stretch of noise is reported again.
        feed(framer, {stretch});
        QVERIFY(framer.takeOverflow());
        QVERIFY(!framer.takeOverflow());
    }
};

QTEST_GUILESS_MAIN(TestFramer)
#include "tst_framer.moc"
