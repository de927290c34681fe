#include "publish/smtpmailer.h"

#include "publish/html.h"
#include "store/sysconf.h"

#include <utility>

namespace {

constexpr int defaultReplyTimeout = 60000;

} // namespace

SmtpMailer::SmtpMailer(QObject *parent) : QObject(parent), now([] { return QDateTime::currentDateTime(); }) {
    replyTimer.setSingleShot(true);
    replyTimer.setInterval(defaultReplyTimeout);
    connect(&WSock, &QTcpSocket::readyRead, this, &SmtpMailer::dataArrival);
    connect(&WSock, &QTcpSocket::errorOccurred, this, &SmtpMailer::socketFailed);
    connect(&WSock, &QTcpSocket::disconnected, &replyTimer, &QTimer::stop);
    connect(&replyTimer, &QTimer::timeout, this, &SmtpMailer::replyOverdue);
    // The next mail goes out once the connection of the one before is closed; started from the event loop,
    // not from within the socket's own signal.
    connect(&WSock, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::UnconnectedState && !waiting.isEmpty())
            QMetaObject::invokeMethod(this, &SmtpMailer::startNext, Qt::QueuedConnection);
    });
}

void SmtpMailer::setClock(std::function<QDateTime()> clock) {
    now = std::move(clock);
}

void SmtpMailer::setPort(quint16 smtpPort) {
    port = smtpPort;
}

void SmtpMailer::setReplyTimeout(int milliseconds) {
    replyTimer.setInterval(milliseconds);
}

qint32 SmtpMailer::SmtpStep() const {
    return dialogue ? dialogue->SmtpStep : 0;
}

std::optional<QString> SmtpMailer::SendMail(const QString &Zeit, const QString &tmp, const QString &lff,
                                            const QString &feff) {
    const QString date = shortDateText(now());
    MailSubjectText = mailSubjectText(SysConf.MailSubject, Zeit, date);
    MailMessageText = mailMessageText(SysConf.MailMessage, tmp, lff, feff, Zeit, date);
    return Send(MailSubjectText, MailMessageText);
}

std::optional<QString> SmtpMailer::Send(const QString &subject, const QString &message) {
    if (auto refusal = mailRefusal(SysConf.MailHost, SysConf.MailSender, SysConf.MailRecList, subject))
        return refusal;
    if (waiting.size() >= maxWaiting) {
        emit failed(QStringLiteral("E-Mail nicht gesendet: %1 E-Mails warten schon auf den SMTP-Server.")
                        .arg(waiting.size()));
        return std::nullopt;
    }
    waiting.enqueue({SysConf.MailHost.trimmed(), SysConf.MailSender, SysConf.MailRecList, subject, message});
    if (WSock.state() == QAbstractSocket::UnconnectedState)
        startNext();
    return std::nullopt;
}

void SmtpMailer::startNext() {
    if (waiting.isEmpty() || WSock.state() != QAbstractSocket::UnconnectedState)
        return;
    const Mail mail = waiting.dequeue();
    dialogue.emplace(mail.sender, mail.recipients, mail.subject, mail.message);
    reply.clear();
    WSock.connectToHost(mail.host, port);
    replyTimer.start();
}

void SmtpMailer::dataArrival() {
    reply += WSock.readAll();
    // A reply is complete with its last line, the one without "-" after the code.
    const qsizetype lastLine = reply.lastIndexOf('\n', reply.size() - 2) + 1;
    if (!dialogue || !reply.endsWith('\n') || reply.mid(lastLine + 3, 1) == "-")
        return;
    const SmtpDialogue::Step step = dialogue->reply(std::exchange(reply, QByteArray()));
    if (step.error) {
        closeSocket();
        emit failed(*step.error);
        return;
    }
    for (const QByteArray &send : step.sends)
        WSock.write(send);
    if (step.close) {
        closeSocket();
    } else if (!step.sends.isEmpty()) {
        replyTimer.start();
    }
}

void SmtpMailer::socketFailed(QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // The server's own close ends a finished dialogue; before that the mail is lost.
        replyTimer.stop();
        if (dialogue && dialogue->SmtpStep < 6) {
            emit failed(QStringLiteral("SMTP-Server hat die Verbindung vor dem Ende der Mail getrennt "
                                       "(Schritt %1).")
                            .arg(dialogue->SmtpStep));
        }
        return;
    }
    replyTimer.stop();
    const int number = winsockNumber(error);
    emit socketError(number, WSock.errorString());
    emit failed(QStringLiteral("E-Mail nicht gesendet: Winsock Error number %1 (%2)")
                    .arg(number)
                    .arg(WSock.errorString()));
}

void SmtpMailer::replyOverdue() {
    if (WSock.state() == QAbstractSocket::UnconnectedState)
        return;
    WSock.abort();
    emit failed(QStringLiteral("SMTP-Server antwortet nicht: Verbindung nach %1 s ohne Antwort getrennt "
                               "(Schritt %2).")
                    .arg(replyTimer.interval() / 1000.0, 0, 'g', 3)
                    .arg(SmtpStep()));
}

void SmtpMailer::closeSocket() {
    replyTimer.stop();
    WSock.close();
}

int SmtpMailer::winsockNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::NetworkError:
        return 10050;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return 10045;
    case QAbstractSocket::RemoteHostClosedError:
        return 10053;
    default:
        // Any other failure of an operation in the socket's current state.
        return 40020;
    }
}

QString SmtpMailer::winsockErrorText(int number, const QString &description) {
    return QStringLiteral("Winsock Error number ") + QString::number(number) + QStringLiteral("\r\n") +
           description;
}
