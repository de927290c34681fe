#include "eval/messages.h"
#include "store/database.h"
#include "support/filesizelimit.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

class TestMessages : public QObject {
    Q_OBJECT

    static QString failure(const std::optional<RunError> &e) {
        return e ? QString("%1 %2").arg(e->number).arg(e->text) : "none";
    }

private slots:
    void initTestCase() { pinGermanLocale(); }

    // Where each kind of message goes: S status line, L error log (+ with time stamp), O output file.
    void routes() {
        QStringList routes;
        for (int kind = -4; kind <= 2; ++kind) {
            const MessageRoute r = messageRoute(kind);
            routes << QString::number(kind) + "LOS"[int(r.target)] + (r.timeStamped ? "+" : "") +
                          (r.colour ? " " + QString::number(*r.colour) : "");
        }
        QCOMPARE(routes.join(", "), "-4S, -3L+, -2S+ 16776960, -1L+, 0O, 1S 16711680, 2S");
    }

    // Lines are appended in Latin-1; a failed write writes nothing.
    void appendedLines() {
        ProgramDir dir;
        QCOMPARE(failure(appendTextLine(dir.file("fehlt/Testlog.txt"), "x")), "76 Pfad nicht gefunden");
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries) ==
                QStringList{"SkylogIni.db"});
        QCOMPARE(writeLog(dir.path(), QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)), "Prüfsummenfehler"),
                 std::nullopt);
        QCOMPARE(appendTextLine(resolveInDir(dir.path(), "Errorlog.txt"), "5 € ≥ 4 °C"), std::nullopt);
        QCOMPARE(dir.readFile("Errorlog.txt"),
                 "05.12.2026 16:07:38 - Pr\374fsummenfehler\r\n5 ? ? 4 \260C\r\n");
        QCOMPARE(resolveInDir(dir.path(), "/var/Testlog.txt"), QStringLiteral("/var/Testlog.txt"));

        // Opening a device for append seeks to its end, which it refuses with a warning.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("seek.*/dev/full"));
        QCOMPARE(failure(appendTextLine("/dev/full", "x")), "57 Der Datenträger ist voll.");

        // The database's files, also through a link, are never written as text: closing would drop its locks.
        dir.createDataFile().close();
        QCOMPARE(Store::openMainDb(dir.file("Skylog.db")), std::nullopt);
        QVERIFY(QFile::link(dir.file("Skylog.db"), dir.file("Verweis.txt")));
        const QByteArray data = dir.readFile("Skylog.db");
        for (const char *name :
             {"Skylog.db", "Skylog.db-wal", "Skylog.db-shm", "Skylog.db-journal", "Verweis.txt"})
            QCOMPARE(failure(appendTextLine(dir.file(name), "x")),
                     "70 " + dir.file(name) +
                         " gehört zur Datenbank und wird nicht als Textdatei beschrieben.");
        QVERIFY(dir.readFile("Skylog.db") == data && !QFile::exists(dir.file("Skylog.db-journal")));
        Store::MainDb().close();
        // The disk fills in the middle of a line: what was written of it is taken back.
        const QString path = dir.file("Testlog.txt");
        QCOMPARE(appendTextLine(path, "05.12.2026 10:00:00|01|01|1,5"), std::nullopt);
        {
            const FileSizeLimit full(40);
            QCOMPARE(failure(appendTextLine(path, "05.12.2026 10:10:00|01|01|2,5")),
                     "57 Die Datei hat die größte zulässige Länge erreicht.");
        }
        QCOMPARE(appendTextLine(path, "05.12.2026 10:20:00|01|01|3,5"), std::nullopt);
        QCOMPARE(dir.readFile("Testlog.txt"),
                 "05.12.2026 10:00:00|01|01|1,5\r\n05.12.2026 10:20:00|01|01|3,5\r\n");
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
