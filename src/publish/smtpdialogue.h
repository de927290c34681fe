#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The subject template with "#tm#" (the time text) and "#dt#" (the date) filled in.
QString mailSubjectText(const QString &subject, const QString &Zeit, const QString &date);

// The message template with "#ct#", "#crf#", "#cfef#", "#tm#" and "#dt#" filled in, in this order.
QString mailMessageText(const QString &message, const QString &tmp, const QString &lff, const QString &feff,
                        const QString &Zeit, const QString &date);

// Why a mail cannot be sent with these settings (no server, no recipient, an empty entry in the recipient
// list, a sender without "@", a control character in the server, the sender, a recipient or the subject),
// as a German message; nothing when it can. A control character would end an SMTP command early and smuggle
// in another one.
std::optional<QString> mailRefusal(const QString &host, const QString &sender, const QStringList &recipients,
                                   const QString &subject);

// The SMTP dialogue of one mail, one step per server reply: HELO, MAIL FROM, one RCPT TO per recipient, DATA,
// the message, QUIT. Every reply with the code 220, 250, 354 or 221 lets it advance, whichever step it
// answers; any other code ends it.
class SmtpDialogue {
public:
    SmtpDialogue(const QString &sender, const QStringList &recipients, const QString &subject,
                 const QString &message);

    struct Step {
        // Each element is written as one send.
        QList<QByteArray> sends;
        // The connection is to be closed.
        bool close = false;
        // The error-log entry of a rejected reply, a reply of several lines in one line.
        std::optional<QString> error;
    };

    // What to do on one server reply.
    Step reply(const QByteArray &reply);

    // Next step: 0 greeting, 1 HELO accepted, 2 sender or recipient accepted, 3 last recipient accepted,
    // 4 ready for data, 5 message accepted, 6 server closes.
    qint32 SmtpStep = 0;
    // The recipient to name next.
    qint32 RcptIndex = 0;

private:
    QString sender;
    QStringList recipients;
    QString subject;
    QString message;
};
