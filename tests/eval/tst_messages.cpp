#include "eval/messages.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(MessageRoute::Target)

namespace {

const QDateTime now(QDate(2026, 12, 5), QTime(16, 7, 38));

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Permission bits do not hold back the superuser, so a test that needs a refused write runs meanwhile as
// "nobody" (real and effective user; the saved user lets it return).
class Unprivileged {
public:
    Unprivileged() {
        if (::geteuid() != 0)
            return;
        dropped = ::setresuid(nobody, nobody, 0) == 0;
        failed = !dropped;
    }
    ~Unprivileged() {
        if (dropped && ::setresuid(0, 0, 0) != 0)
            qFatal("cannot return to the superuser");
    }
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    bool failed = false;

private:
    static constexpr uid_t nobody = 65534;
    bool dropped = false;
};

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void route_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<MessageRoute::Target>("target");
        QTest::addColumn<bool>("timeStamped");
        QTest::addColumn<qint64>("colour"); // -1: colour unchanged

        QTest::newRow("-3 run-time error") << -3 << MessageRoute::Target::ErrorLog << true << qint64(-1);
        QTest::newRow("-2 fetch progress")
            << -2 << MessageRoute::Target::StatusLine << true << qint64(16776960);
        QTest::newRow("-1 failed check") << -1 << MessageRoute::Target::ErrorLog << true << qint64(-1);
        QTest::newRow("0 output line") << 0 << MessageRoute::Target::OutputFile << false << qint64(-1);
        QTest::newRow("1 status") << 1 << MessageRoute::Target::StatusLine << false << qint64(16711680);
        QTest::newRow("2 plain status") << 2 << MessageRoute::Target::StatusLine << false << qint64(-1);
        QTest::newRow("-4 plain status") << -4 << MessageRoute::Target::StatusLine << false << qint64(-1);
        QTest::newRow("99 plain status") << 99 << MessageRoute::Target::StatusLine << false << qint64(-1);
    }

    void route() {
        QFETCH(int, kind);
        QFETCH(MessageRoute::Target, target);
        QFETCH(bool, timeStamped);
        QFETCH(qint64, colour);

        const MessageRoute route = messageRoute(kind);
        QCOMPARE(route.target, target);
        QCOMPARE(route.timeStamped, timeStamped);
        QCOMPARE(route.colour.has_value(), colour >= 0);
        if (route.colour)
            QCOMPARE(qint64(*route.colour), colour);
    }

    void stampedLine_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("expected");
        QTest::newRow("afternoon") << now << "05.12.2026 16:07:38 - Prüfsummenfehler";
        QTest::newRow("midnight") << QDateTime(QDate(2026, 12, 5), QTime(0, 0))
                                  << "05.12.2026 - Prüfsummenfehler";
    }

    void stampedLine() {
        QFETCH(QDateTime, time);
        QFETCH(QString, expected);
        QCOMPARE(::stampedLine(time, QStringLiteral("Prüfsummenfehler")), expected);
    }

    void appendTextLine_data() {
        QTest::addColumn<QByteArray>("before"); // null: the file does not exist yet
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("created, umlaut as one byte")
            << QByteArray() << QStringList{QStringLiteral("Prüfsummenfehler")}
            << QByteArray("Pr\xFC"
                          "fsummenfehler\r\n");
        QTest::newRow("degree sign") << QByteArray() << QStringList{QStringLiteral("23,5 °C")}
                                     << QByteArray("23,5 \xB0"
                                                   "C\r\n");
        QTest::newRow("outside Latin-1")
            << QByteArray() << QStringList{QStringLiteral("5 € ≥ 4")} << QByteArray("5 ? ? 4\r\n");
        QTest::newRow("empty line") << QByteArray() << QStringList{QString()} << QByteArray("\r\n");
        QTest::newRow("lines appended in order")
            << QByteArray()
            << QStringList{QStringLiteral("eins"), QStringLiteral("zwei"), QStringLiteral("drei")}
            << QByteArray("eins\r\nzwei\r\ndrei\r\n");
        QTest::newRow("existing content kept")
            << QByteArray("alt\r\n") << QStringList{QStringLiteral("neu")} << QByteArray("alt\r\nneu\r\n");
    }

    void appendTextLine() {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, expected);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Testlog.txt"));
        if (!before.isNull())
            writeBytes(path, before);
        for (const QString &line : lines)
            QCOMPARE(::appendTextLine(path, line), std::nullopt);
        QCOMPARE(readAll(path), expected);
    }

    void appendToMissingDirectory() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("fehlt/Testlog.txt"));
        const std::optional<RunError> error = ::appendTextLine(path, QStringLiteral("x"));
        QVERIFY(error);
        QCOMPARE(error->number, RunError::pathNotFound().number);
        QCOMPARE(error->text, RunError::pathNotFound().text);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void appendRefused_data() {
        QTest::addColumn<QByteArray>("before"); // null: the file does not exist yet
        QTest::newRow("read-only directory") << QByteArray();
        QTest::newRow("read-only file") << QByteArray("alt\r\n");
    }

    void appendRefused() {
        QFETCH(QByteArray, before);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Testlog.txt"));
        if (!before.isNull()) {
            writeBytes(path, before);
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        const QByteArray dirPath = QFile::encodeName(dir.path());
        QCOMPARE(::chmod(dirPath.constData(), 0555), 0);

        std::optional<RunError> error;
        bool dropFailed = false;
        {
            Unprivileged unprivileged;
            dropFailed = unprivileged.failed;
            if (!dropFailed)
                error = ::appendTextLine(path, QStringLiteral("neu"));
        }
        QCOMPARE(::chmod(dirPath.constData(), 0700), 0);
        if (dropFailed)
            QSKIP("cannot run as an unprivileged user");

        QVERIFY(error);
        QCOMPARE(error->number, RunError::permissionDenied().number);
        QCOMPARE(error->text, RunError::permissionDenied().text);
        if (before.isNull())
            QVERIFY(QDir(dir.path()).isEmpty());
        else
            QCOMPARE(readAll(path), before);
    }

    void appendToFullDevice() {
        const QString path = QStringLiteral("/dev/full");
        if (!QFile::exists(path))
            QSKIP("no /dev/full on this system");
        // Opening for append seeks to the end, which a device refuses with a warning.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("seek.*/dev/full")));
        const std::optional<RunError> error = ::appendTextLine(path, QStringLiteral("x"));
        QVERIFY(error);
        QCOMPARE(error->number, 57);
        QCOMPARE(error->text, QStringLiteral("No space left on device"));
    }

    void resolveInDir_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare name") << "Testlog.txt"
                                   << "/opt/skylog/Testlog.txt";
        QTest::newRow("relative path") << "daten/Testlog.txt"
                                       << "/opt/skylog/daten/Testlog.txt";
        QTest::newRow("absolute path") << "/var/daten/Testlog.txt"
                                       << "/var/daten/Testlog.txt";
    }

    void resolveInDir() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(::resolveInDir(QStringLiteral("/opt/skylog"), name), expected);
    }

    void writeLogAppendsStampedLines() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(writeLog(dir.path(), now, QStringLiteral("Prüfsummenfehler")), std::nullopt);
        QCOMPARE(writeLog(dir.path(), now.addSecs(2), QStringLiteral("Zeitüberschreitung")), std::nullopt);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("Errorlog.txt"))),
                 QByteArray("05.12.2026 16:07:38 - Pr\xFC"
                            "fsummenfehler\r\n"
                            "05.12.2026 16:07:40 - Zeit\xFC"
                            "berschreitung\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
