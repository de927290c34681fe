// The logger simulator: the record memory behind "M" and "MR", the fault rules, and one run of the program on
// a real pseudo-terminal. Its telegrams are read by the program's own decoder in the acquisition tests.
#include "faults.h"
#include "logger.h"

#include <QSerialPort>
#include <QtTest>

using namespace loggersim;

namespace {

const QDateTime clockTime(QDate(2024, 7, 15), QTime(14, 3, 20));

bool checksumMatches(const QByteArray &telegram) {
    return telegram.size() > 5 && telegram.endsWith('\r') && telegram.at(telegram.size() - 5) == etb &&
           telegram.mid(telegram.size() - 4, 3) == checksumText(checksum(telegram.chopped(4)));
}

} // namespace

class TestLoggerSim : public QObject {
    Q_OBJECT

private slots:
    // "M" hands the oldest record out once, "MR" repeats it with the same values; the header gives the count
    // and the oldest record, or the clock when the memory is empty.
    void recordsHandedOutOnce() {
        LoggerSettings settings;
        settings.initialRecords = 3;
        Logger logger(settings, clockTime);
        QStringList seen;
        QByteArray record;
        for (const char *command : {"H", "MR", "M", "MR", "MR", "H", "M", "M", "M", "MR", "H", "X"}) {
            const auto a = logger.answer(command, clockTime);
            if (a && a->kind == 'M') {
                QVERIFY(qstrcmp(command, "MR") != 0 || a->body == record);
                record = a->body;
            }
            seen << (!a ? "-" : a->kind == 'H' ? a->body.mid(29, 20) : a->kind + a->body.left(15));
        }
        QCOMPARE(seen,
                 (QStringList{"00003 15072400134000", "-", "M015072400134000", "M015072400134000",
                              "M015072400134000", "00002 15072400135000", "M015072400135000",
                              "M015072400140000", "-", "M015072400140000", "00000 15072400140320", "-"}));
    }

    // A rule as text and as parsed back; empty when it is refused.
    void faultRules() {
        for (const QString row :
             {"SPLIT@mr split@MR#0", "delay=300@*#4 delay=300@*#4", "delay@A", "thunder@A", "split@M#0"}) {
            const auto rule = parseFaultRule(row.section(' ', 0, 0));
            QCOMPARE(rule ? faultName(rule->fault) + '@' + rule->command + '#' + QString::number(rule->nth)
                          : "",
                     row.section(' ', 1));
        }
    }

    // A link left behind by an earlier run is replaced; the first "A" gets a spoilt checksum, another
    // station's request no answer, noise and pieces are ignored; the link goes with the simulator.
    void programOnPseudoTerminal() {
        QTemporaryDir dir;
        const QString link = dir.filePath("dosdevices/com1");
        QVERIFY(QDir().mkpath(dir.filePath("dosdevices")) && QFile::link("/nonexistent/pts", link));
        QProcess sim;
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(SKYLOG_PROGRAM_DIR "/logger-sim",
                  {"--dir", dir.path(), "--start", "2024-07-15T14:03:20", "--fault", "checksum@A#1"});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains('\n'), 20000);
        QSerialPort port(link);
        QVERIFY2(out.startsWith("bereit: /dev/") && port.open(QIODevice::ReadWrite), out.constData());
        const auto ask = [&port](const QByteArray &request, int timeoutMs = 10000) {
            port.write(request);
            QByteArray answer;
            while (!answer.endsWith('\r') && port.waitForReadyRead(timeoutMs))
                answer += port.readAll();
            return answer;
        };
        QByteArray answer = ask("\00201\033A\r");
        QVERIFY(answer.startsWith("\002A15072400140320|0103") && !checksumMatches(answer));
        QCOMPARE(ask("\00202\033A\r", 500), QByteArray());
        port.write("zz\0020");
        QVERIFY(checksumMatches(ask("1\033A\r")));
        QCOMPARE(ask("\00201\033H\r").mid(1, 50), "HSimulator Station 01         00006 15072400131000");
        port.close();
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000) && sim.exitStatus() == QProcess::NormalExit && !sim.exitCode());
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestLoggerSim)
#include "tst_loggersim.moc"
