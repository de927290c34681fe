#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

using Sends = QList<QByteArray>;

quint16 freePort();

// A mail server that answers from a script: the first reply on connect, each further one when a command
// (anything ending in CR LF) has come in. "close" hangs up; at the end of the script it falls silent. A reply
// with "|" is sent in pieces, one per turn of the event loop.
class ScriptedServer : public QTcpServer {
public:
    explicit ScriptedServer(Sends replies);
    void answer(QTcpSocket *client);
    static void writePieces(QTcpSocket *client, QList<QByteArray> pieces);

    Sends script;
    Sends received; // one entry per connection
};

// Exim as an unprivileged mail server on 127.0.0.1 that keeps every mail in its spool folder.
class EximServer {
public:
    ~EximServer();
    bool start();
    // Every spool file of the mails received: envelope and header ("-H"), body ("-D").
    QByteArray spool() const;

    quint16 port = freePort();
    QTemporaryDir dir;
    QProcess process;
};
