#include "publish/smtpmailer.h"
#include "publish/ui/winsockbox.h"
#include "store/sysconf.h"
#include "support/programdir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int Wait = 10000;

const QDateTime june12(QDate(2012, 6, 12), QTime(10, 3, 0));

// A mail server that answers from a script: the first reply on connect, each further one when a command
// (anything ending in CR LF) has come in. "close" ends the connection, "silent" answers nothing.
class ScriptedServer : public QObject {
public:
    explicit ScriptedServer(QList<QByteArray> replies) : script(std::move(replies)) {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *client = server.nextPendingConnection();
            ++connections;
            received.append(QByteArray());
            connect(client, &QTcpSocket::readyRead, this, [this, client] {
                const QByteArray bytes = client->readAll();
                received.last() += bytes;
                pending += bytes;
                if (pending.endsWith("\r\n")) {
                    pending.clear();
                    answer(client);
                }
            });
            answer(client);
        });
    }

    quint16 port() const { return server.serverPort(); }

    QList<QByteArray> script;
    QList<QByteArray> received;
    int connections = 0;

private:
    void answer(QTcpSocket *client) {
        if (script.isEmpty())
            return;
        const QByteArray reply = script.takeFirst();
        if (reply == "close")
            client->disconnectFromHost();
        else if (reply != "silent")
            client->write(reply);
    }

    QTcpServer server;
    QByteArray pending;
};

void setMailSettings(const QString &host, const QString &sender, const QString &rec) {
    SysConf.MailHost = host;
    SysConf.MailSender = sender;
    SysConf.MailRec = rec;
    SysConf.MailRecList = mailRecipients(rec);
    SysConf.MailSubject = QStringLiteral("Messwerte vom #dt# um #tm#");
    // No empty line follows the subject: the first line must not look like a header field ("Name: text").
    SysConf.MailMessage = QStringLiteral(
        "Wetterstation Messfeld Nord\r\nTemperatur: #ct#\r\nFeuchte: #crf#\r\nTaupunkt: #cfef#");
}

QList<std::pair<QString, int>> messagesOf(const QSignalSpy &spy) {
    QList<std::pair<QString, int>> messages;
    for (const QList<QVariant> &arguments : spy)
        messages.append({arguments.at(0).toString(), arguments.at(1).toInt()});
    return messages;
}

// A free port on the loopback interface for a server started by another program.
quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Exim as an unprivileged mail server on 127.0.0.1: it accepts every mail and keeps it in its spool
// folder, where the test reads what came in.
class EximServer {
public:
    EximServer() {
        binary = QStandardPaths::findExecutable(QStringLiteral("exim4"), {QStringLiteral("/usr/sbin")});
        if (binary.isEmpty())
            binary = QStandardPaths::findExecutable(QStringLiteral("exim"), {QStringLiteral("/usr/sbin")});
        port = freePort();
    }

    ~EximServer() {
        process.terminate();
        process.waitForFinished(Wait);
    }

    bool start() {
        // The server runs as the test's own user; run by root, it runs as nobody.
        const passwd *user = geteuid() == 0 ? getpwnam("nobody") : getpwuid(geteuid());
        const group *userGroup = user ? getgrgid(user->pw_gid) : nullptr;
        if (binary.isEmpty() || !user || !userGroup)
            return false;
        const uid_t uid = user->pw_uid;
        const gid_t gid = user->pw_gid;
        if (uid != geteuid()) {
            if (chown(QFile::encodeName(dir.path()).constData(), uid, gid) != 0)
                return false;
            process.setChildProcessModifier([uid, gid] {
                if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                    _exit(127);
            });
        }
        QFile config(dir.filePath(QStringLiteral("exim.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("exim_user = %1\n"
                                    "exim_group = %2\n"
                                    "primary_hostname = mail.skylog.test\n"
                                    "spool_directory = %3/spool\n"
                                    "log_file_path = %3/%slog\n"
                                    "daemon_smtp_ports = %4\n"
                                    "local_interfaces = 127.0.0.1\n"
                                    "keep_environment =\n"
                                    "host_lookup =\n"
                                    "rfc1413_hosts =\n"
                                    "tls_advertise_hosts =\n"
                                    "queue_only = true\n"
                                    "acl_smtp_rcpt = accept\n"
                                    "acl_smtp_data = accept\n"
                                    "begin routers\n")
                         .arg(QString::fromLocal8Bit(user->pw_name),
                              QString::fromLocal8Bit(userGroup->gr_name), dir.path())
                         .arg(port)
                         .toLocal8Bit());
        config.close();
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(binary, {QStringLiteral("-C"), config.fileName(), QStringLiteral("-bdf"),
                               QStringLiteral("-oX"), QString::number(port)});
        return process.waitForStarted(Wait);
    }

    // The daemon listens once a connection gets through.
    bool listening() {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        const bool connected = probe.waitForConnected(500);
        probe.abort();
        return connected;
    }

    // The envelope and header file and the body of every mail received, by file name.
    QMap<QString, QByteArray> spool() const {
        QMap<QString, QByteArray> files;
        QDirIterator it(dir.filePath(QStringLiteral("spool/input")), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files.insert(it.fileName(), file.readAll());
        }
        return files;
    }

    QString binary;
    quint16 port = 0;
    QTemporaryDir dir;
    QProcess process;
};

} // namespace

class TestSmtpMailer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void init() {
        setMailSettings(QStringLiteral(" 127.0.0.1 "), QStringLiteral(" wetter@station.example "),
                        QStringLiteral("a@example.org, b@example.org"));
    }

    // The report as it reaches a real mail server: envelope, subject and every line.
    void realServerReceivesTheReport() {
        EximServer exim;
        if (exim.binary.isEmpty())
            QFAIL("exim4 is missing: scripts/install-deps installs it (package exim4-daemon-light)");
        QVERIFY(exim.start());
        QTRY_VERIFY_WITH_TIMEOUT(exim.listening(), Wait);

        SmtpMailer mailer;
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        QSignalSpy errors(&mailer, &SmtpMailer::socketError);
        mailer.setClock([] { return june12; });
        mailer.setPort(exim.port);
        QVERIFY(!mailer.SendMail(QStringLiteral("10:03"), QStringLiteral("23,4 °C"), QStringLiteral("55 %"),
                                 QStringLiteral("9,1 °C")));
        QTRY_COMPARE_WITH_TIMEOUT(mailer.SmtpStep(), 6, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(mailer.WSock.state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(messagesOf(messages), (QList<std::pair<QString, int>>{}));
        QCOMPARE(errors.count(), 0);

        QTRY_COMPARE_WITH_TIMEOUT(exim.spool().size(), 2, Wait);
        const QMap<QString, QByteArray> spool = exim.spool();
        QByteArray header;
        QByteArray body;
        for (auto it = spool.cbegin(); it != spool.cend(); ++it) {
            if (it.key().endsWith(QStringLiteral("-H")))
                header = it.value();
            else if (it.key().endsWith(QStringLiteral("-D")))
                body = it.value();
        }
        QVERIFY2(header.contains("<wetter@station.example>\n"), header.constData());
        QVERIFY2(header.contains("--helo_name wetter\n"), header.constData());
        QVERIFY2(header.contains("\n2\na@example.org\nb@example.org\n"), header.constData());
        QVERIFY2(header.contains(" Subject:Messwerte vom 12.06.2012 um 10:03\n"), header.constData());
        // The body file starts with its own name line.
        QCOMPARE(body.mid(body.indexOf('\n') + 1), QByteArray("Wetterstation Messfeld Nord\n"
                                                              "Temperatur: 23,4 \xb0"
                                                              "C\nFeuchte: 55 %\nTaupunkt: 9,1 \xb0"
                                                              "C\n"));
    }

    // The exact bytes of a whole dialogue, and the step after each reply.
    void dialogueBytes() {
        ScriptedServer server({"220 mail ESMTP\r\n", "250 hello\r\n", "250 sender ok\r\n", "250 a ok\r\n",
                               "250 b ok\r\n", "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
        SmtpMailer mailer;
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        mailer.setClock([] { return june12; });
        mailer.setPort(server.port());
        QVERIFY(!mailer.SendMail(QStringLiteral("10:03"), QStringLiteral("23,4 °C"), QStringLiteral("55 %"),
                                 QStringLiteral("9,1 °C")));
        QCOMPARE(mailer.SmtpStep(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(mailer.SmtpStep(), 6, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(mailer.WSock.state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(server.received, QList<QByteArray>{QByteArray("HELO wetter\r\n"
                                                               "MAIL FROM:wetter@station.example\r\n"
                                                               "RCPT TO:a@example.org\r\n"
                                                               "RCPT TO:b@example.org\r\n"
                                                               "DATA\r\n"
                                                               "Subject:Messwerte vom 12.06.2012 um 10:03\n"
                                                               "Wetterstation Messfeld Nord\n"
                                                               "Temperatur: 23,4 \xb0"
                                                               "C\n"
                                                               "Feuchte: 55 %\n"
                                                               "Taupunkt: 9,1 \xb0"
                                                               "C\n"
                                                               ".\r\n"
                                                               "QUIT\r\n")});
        QCOMPARE(mailer.MailSubjectText, QStringLiteral("Messwerte vom 12.06.2012 um 10:03"));
        QCOMPARE(mailer.MailMessageText,
                 QStringLiteral("Wetterstation Messfeld Nord\r\nTemperatur: 23,4 °C\r\n"
                                "Feuchte: 55 %\r\nTaupunkt: 9,1 °C"));
        QCOMPARE(messages.count(), 0);
    }

    void rejectedReply_data() {
        QTest::addColumn<QList<QByteArray>>("script");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("step");
        QTest::newRow("greeting") << QList<QByteArray>{"554 no service\r\n"} << QByteArray()
                                  << "SMTP Error: 554 no service" << 0;
        QTest::newRow("second recipient")
            << QList<QByteArray>{"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n",
                                 "550 unknown user\r\n"}
            << QByteArray("HELO wetter\r\nMAIL FROM:wetter@station.example\r\nRCPT TO:a@example.org\r\n"
                          "RCPT TO:b@example.org\r\n")
            << "SMTP Error: 550 unknown user" << 3;
    }

    // A refused step ends the dialogue: the socket is closed, the reply goes to the error log, nothing more
    // is sent.
    void rejectedReply() {
        QFETCH(QList<QByteArray>, script);
        QFETCH(QByteArray, sent);
        QFETCH(QString, entry);
        QFETCH(int, step);
        ScriptedServer server(script);
        SmtpMailer mailer;
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        QSignalSpy errors(&mailer, &SmtpMailer::socketError);
        mailer.setPort(server.port());
        QVERIFY(!mailer.SendMail(QString(), QString(), QString(), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, Wait);
        QCOMPARE(messagesOf(messages), (QList<std::pair<QString, int>>{{entry, -3}}));
        QCOMPARE(mailer.WSock.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(mailer.SmtpStep(), step);
        QCOMPARE(server.received.value(0), sent);
        QCOMPARE(errors.count(), 0);
    }

    void greetingWith250() {
        ScriptedServer server({"250 mail\r\n", "silent"});
        SmtpMailer mailer;
        mailer.setPort(server.port());
        QVERIFY(!mailer.SendMail(QString(), QString(), QString(), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(server.received.value(0), QByteArray("HELO wetter\r\n"), Wait);
        QCOMPARE(mailer.SmtpStep(), 1);
    }

    void refusedBeforeConnecting_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("rec");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no recipient") << "127.0.0.1"
                                      << "wetter@station.example"
                                      << " "
                                      << "Es ist kein Empfänger eingetragen.";
        QTest::newRow("sender without @") << "127.0.0.1"
                                          << "wetter"
                                          << "a@example.org"
                                          << "Der Absender \"wetter\" enthält kein \"@\".";
        QTest::newRow("no host") << ""
                                 << "wetter@station.example"
                                 << "a@example.org"
                                 << "Es ist kein SMTP-Host eingetragen.";
    }

    void refusedBeforeConnecting() {
        QFETCH(QString, host);
        QFETCH(QString, sender);
        QFETCH(QString, rec);
        QFETCH(QString, reason);
        ScriptedServer server({"220 hi\r\n"});
        setMailSettings(host, sender, rec);
        SmtpMailer mailer;
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        mailer.setPort(server.port());
        const QString text = QStringLiteral("Die E-Mail wird nicht gesendet: ") + reason;
        QCOMPARE(mailer.SendMail(QString(), QString(), QString(), QString()).value_or(QString()), text);
        QCOMPARE(messagesOf(messages), (QList<std::pair<QString, int>>{{text, -1}}));
        // A connect would have left the socket looking up or connecting.
        QCOMPARE(mailer.WSock.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(server.connections, 0);
    }

    // A socket error is shown in the "Winsock Error" box; the dialogue is left as it is.
    void connectionRefusedShowsTheBox() {
        MessageBoxes boxes;
        QWidget owner;
        SmtpMailer mailer;
        showWinsockErrors(mailer, &owner);
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        mailer.setPort(freePort());
        QVERIFY(!mailer.SendMail(QString(), QString(), QString(), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.asked.size(), 1, Wait);
        const MsgBox::Request &box = boxes.asked.first();
        QCOMPARE(box.title, QStringLiteral("Winsock Error"));
        QCOMPARE(box.icon, MsgBox::Icon::Exclamation);
        QCOMPARE(box.buttons, MsgBox::Buttons::Ok);
        QCOMPARE(box.text, QStringLiteral("Winsock Error number 10061\r\n") + mailer.WSock.errorString());
        QCOMPARE(messages.count(), 0);
        QCOMPARE(mailer.SmtpStep(), 0);
    }

    void winsockNumbers_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("number");
        QTest::newRow("refused") << int(QAbstractSocket::ConnectionRefusedError) << 10061;
        QTest::newRow("host not found") << int(QAbstractSocket::HostNotFoundError) << 11001;
        QTest::newRow("timed out") << int(QAbstractSocket::SocketTimeoutError) << 10060;
        QTest::newRow("network") << int(QAbstractSocket::NetworkError) << 10050;
        QTest::newRow("other") << int(QAbstractSocket::OperationError) << 40020;
    }

    void winsockNumbers() {
        QFETCH(int, error);
        QFETCH(int, number);
        QCOMPARE(SmtpMailer::winsockNumber(QAbstractSocket::SocketError(error)), number);
    }

    // A server that hangs up in the middle loses the mail: that goes to the error log, without a box.
    void serverHangsUpEarly() {
        ScriptedServer server({"220 hi\r\n", "close"});
        SmtpMailer mailer;
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        QSignalSpy errors(&mailer, &SmtpMailer::socketError);
        mailer.setPort(server.port());
        QVERIFY(!mailer.SendMail(QString(), QString(), QString(), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, Wait);
        QCOMPARE(
            messagesOf(messages),
            (QList<std::pair<QString, int>>{
                {QStringLiteral("SMTP-Server hat die Verbindung vor dem Ende der Mail getrennt (Schritt 1)."),
                 -3}}));
        QTRY_COMPARE_WITH_TIMEOUT(mailer.WSock.state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(errors.count(), 0);
    }

    // A server that stops answering is disconnected, so a later mail does not wait for ever.
    void silentServerIsDisconnected() {
        ScriptedServer server({"220 hi\r\n", "silent", "220 again\r\n", "250 hello\r\n"});
        SmtpMailer mailer;
        QSignalSpy messages(&mailer, &SmtpMailer::message);
        mailer.setPort(server.port());
        mailer.setReplyTimeout(300);
        QVERIFY(!mailer.SendMail(QString(), QString(), QString(), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(server.received.value(0), QByteArray("HELO wetter\r\n"), Wait);
        // The second mail waits for the first connection to end before it connects.
        QVERIFY(!mailer.SendMail(QString(), QString(), QString(), QString()));
        QCOMPARE(
            messagesOf(messages),
            (QList<std::pair<QString, int>>{
                {QStringLiteral("SMTP-Server antwortet nicht: Verbindung nach 0.3 s ohne Antwort getrennt "
                                "(Schritt 1)."),
                 -3}}));
        QTRY_COMPARE_WITH_TIMEOUT(server.connections, 2, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(mailer.SmtpStep(), 2, Wait);
    }

    // A second mail waits until the first dialogue has ended, then runs its own from the start.
    void secondMailWaitsForTheFirst() {
        const QList<QByteArray> oneMail{"220 hi\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n",
                                        "250 ok\r\n", "354 go\r\n",    "250 ok\r\n", "221 bye\r\n"};
        ScriptedServer server(oneMail + oneMail);
        setMailSettings(QStringLiteral("127.0.0.1"), QStringLiteral("wetter@station.example"),
                        QStringLiteral("a@example.org,b@example.org"));
        SmtpMailer mailer;
        mailer.setPort(server.port());
        QVERIFY(!mailer.SendMail(QStringLiteral("1"), QString(), QString(), QString()));
        QVERIFY(!mailer.SendMail(QStringLiteral("2"), QString(), QString(), QString()));
        QVERIFY(server.received.at(0).endsWith("QUIT\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(server.connections, 2, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(mailer.SmtpStep(), 6, Wait);
        QTRY_VERIFY_WITH_TIMEOUT(server.received.value(1).endsWith("QUIT\r\n"), Wait);
        QCOMPARE(server.received.at(1).count("RCPT TO:"), 2);
    }
};

QTEST_MAIN(TestSmtpMailer)
#include "tst_smtpmailer.moc"
