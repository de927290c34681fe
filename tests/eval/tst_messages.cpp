#include "eval/messages.h"
#include "store/database.h"
#include "support/filesizelimit.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

QString failure(const std::optional<RunError> &error) {
    return error ? QString::number(error->number) + ' ' + error->text : QStringLiteral("none");
}

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    // Target (error log, output file, status line), "+" when time-stamped, the status colour if it is set.
    void routes() {
        QStringList routes;
        for (int kind = -4; kind <= 2; ++kind) {
            const MessageRoute r = messageRoute(kind);
            routes << QString::number(kind) + "LOS"[int(r.target)] + (r.timeStamped ? "+" : "") +
                          (r.colour ? " " + QString::number(*r.colour) : "");
        }
        QCOMPARE(routes.join(", "), "-4S, -3L+, -2S+ 16776960, -1L+, 0O, 1S 16711680, 2S");
    }

    void linesAppendedAsLatin1() {
        QTemporaryDir dir;
        QCOMPARE(writeLog(dir.path(), QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)), "Prüfsummenfehler"),
                 std::nullopt);
        QCOMPARE(appendTextLine(resolveInDir(dir.path(), "Errorlog.txt"), "5 € ≥ 4 °C"), std::nullopt);
        QCOMPARE(readAll(dir.filePath("Errorlog.txt")),
                 QByteArray("05.12.2026 16:07:38 - Pr\374fsummenfehler\r\n5 ? ? 4 \260C\r\n"));
        QCOMPARE(resolveInDir(dir.path(), "/var/Testlog.txt"), QStringLiteral("/var/Testlog.txt"));
    }

    void failedWritesWriteNothing() {
        QTemporaryDir dir;
        QCOMPARE(failure(appendTextLine(dir.filePath("fehlt/Testlog.txt"), "x")), "76 Pfad nicht gefunden");
        QVERIFY(QDir(dir.path()).isEmpty());

        // Opening a device for append seeks to its end, which it refuses with a warning.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("seek.*/dev/full"));
        QCOMPARE(failure(appendTextLine("/dev/full", "x")), "57 No space left on device");

        // The open database's files, also through a link, are never written as text: closing that descriptor
        // would drop SQLite's locks.
        ProgramDir program;
        program.createDataFile().close();
        QCOMPARE(Store::openMainDb(program.file("Skylog.db")), std::nullopt);
        QVERIFY(QFile::link(program.file("Skylog.db"), program.file("Verweis.txt")));
        const QByteArray data = program.readFile("Skylog.db");
        for (const char *name :
             {"Skylog.db", "Skylog.db-wal", "Skylog.db-shm", "Skylog.db-journal", "Verweis.txt"})
            QCOMPARE(failure(appendTextLine(program.file(name), "x")),
                     "70 " + program.file(name) +
                         " gehört zur Datenbank und wird nicht als Textdatei beschrieben.");
        QCOMPARE(program.readFile("Skylog.db"), data);
        QVERIFY(!QFile::exists(program.file("Skylog.db-journal")));
        Store::MainDb().close();
        // The disk fills in the middle of a line: what was written of it is taken back.
        const QString path = dir.filePath("Testlog.txt");
        QCOMPARE(appendTextLine(path, "05.12.2026 10:00:00|01|01|1,5"), std::nullopt);
        {
            const FileSizeLimit full(40);
            QCOMPARE(failure(appendTextLine(path, "05.12.2026 10:10:00|01|01|2,5")), "57 File too large");
        }
        QCOMPARE(appendTextLine(path, "05.12.2026 10:20:00|01|01|3,5"), std::nullopt);
        QCOMPARE(readAll(path), "05.12.2026 10:00:00|01|01|1,5\r\n05.12.2026 10:20:00|01|01|3,5\r\n");
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
