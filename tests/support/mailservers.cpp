#include "mailservers.h"

#include <QDirIterator>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

ScriptedServer::ScriptedServer(Sends replies) : script(std::move(replies)) {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        QTcpSocket *client = nextPendingConnection();
        received.append(QByteArray());
        connect(client, &QTcpSocket::readyRead, this, [this, client] {
            received.last() += client->readAll();
            if (received.last().endsWith("\r\n"))
                answer(client);
        });
        answer(client);
    });
}

void ScriptedServer::answer(QTcpSocket *client) {
    const QByteArray reply = script.isEmpty() ? QByteArray() : script.takeFirst();
    if (reply == "close")
        client->disconnectFromHost();
    else
        writePieces(client, reply.split('|'));
}

void ScriptedServer::writePieces(QTcpSocket *client, QList<QByteArray> pieces) {
    client->write(pieces.takeFirst());
    client->flush();
    if (!pieces.isEmpty())
        QTimer::singleShot(20, client, [client, pieces] { writePieces(client, pieces); });
}

EximServer::~EximServer() {
    process.terminate();
    process.waitForFinished(10000);
}

bool EximServer::start() {
    const QString exim =
        QStandardPaths::findExecutable(QStringLiteral("exim4"), {QStringLiteral("/usr/sbin")});
    // Run by root, the server runs as nobody.
    const passwd *nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    if (exim.isEmpty() || (root && !nobody))
        return false;
    const uid_t uid = root ? nobody->pw_uid : geteuid();
    const gid_t gid = root ? nobody->pw_gid : getegid();
    if (root) {
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
    config.write(QStringLiteral("exim_user = %1\nexim_group = %2\nprimary_hostname = mail.skylog.test\n"
                                "spool_directory = %3/spool\nlog_file_path = %3/%slog\n"
                                "local_interfaces = 127.0.0.1\nkeep_environment =\nhost_lookup =\n"
                                "rfc1413_hosts =\ntls_advertise_hosts =\nqueue_only = true\n"
                                "acl_smtp_rcpt = accept\nacl_smtp_data = accept\nbegin routers\n")
                     .arg(QString::number(uid), QString::number(gid), dir.path())
                     .toLocal8Bit());
    config.close();
    process.start(exim, {"-C", config.fileName(), "-bdf", "-oX", QString::number(port)});
    const auto listening = [this] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(500);
    };
    return process.waitForStarted(10000) && QTest::qWaitFor(listening, 10000);
}

QByteArray EximServer::spool() const {
    QByteArray files;
    for (QDirIterator it(dir.filePath("spool/input"), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        files += file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return files;
}
