#pragma once

#include "publish/smtpdialogue.h"

#include <QDateTime>
#include <QObject>
#include <QQueue>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <optional>

// Sends the mail report: fills the templates of the settings, connects to the SMTP server and lets the
// socket's data-arrival events drive the SMTP dialogue, one step per server reply.
class SmtpMailer : public QObject {
    Q_OBJECT

public:
    explicit SmtpMailer(QObject *parent = nullptr);

    // Fills the placeholders of MailSubject and MailMessage and sends the result with Send.
    std::optional<QString> SendMail(const QString &Zeit, const QString &tmp, const QString &lff,
                                    const QString &feff);

    // Connects to MailHost, or queues the mail until the connection of an earlier one has closed; the
    // dialogue then runs in the socket's events and ends in failed() when the mail does not go out. With
    // settings that cannot give a mail (no host, no recipient, a sender without "@", a control character)
    // nothing is connected and the reason is returned.
    std::optional<QString> Send(const QString &subject, const QString &message);

    // Tests fix the clock.
    void setClock(std::function<QDateTime()> clock);
    // The SMTP port, 25 unless a test serves the dialogue on another one.
    void setPort(quint16 port);
    // A server that leaves a step unanswered this long is disconnected, so that a later mail is not kept
    // waiting for a connection that never ends.
    void setReplyTimeout(int milliseconds);

    qint32 SmtpStep() const;

    // The Winsock error number of a socket error, as the error box shows it.
    static int winsockNumber(QAbstractSocket::SocketError error);
    // The text of the error box.
    static QString winsockErrorText(int number, const QString &description);

    QTcpSocket WSock;
    // The templates as the latest SendMail filled them.
    QString MailSubjectText;
    QString MailMessageText;

signals:
    // A mail that was started did not go out: the reason in one line, for the error log.
    void failed(const QString &reason);
    // A socket error for the error box (Winsock error number and description); failed() follows.
    void socketError(int number, const QString &description);

private:
    void dataArrival();
    void socketFailed(QAbstractSocket::SocketError error);
    void replyOverdue();
    void closeSocket();
    void startNext();

    // A mail as it was asked for, with the settings of that moment.
    struct Mail {
        QString host;
        QString sender;
        QStringList recipients;
        QString subject;
        QString message;
    };
    // Beyond this many mails waiting for the server a further one is given up.
    static constexpr int maxWaiting = 10;

    std::function<QDateTime()> now;
    quint16 port = 25;
    QQueue<Mail> waiting;
    std::optional<SmtpDialogue> dialogue;
    // The lines of a server reply received so far; a reply may come in pieces.
    QByteArray reply;
    QTimer replyTimer;
};
