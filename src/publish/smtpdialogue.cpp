#include "publish/smtpdialogue.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

QByteArray bytes(const QString &text) {
    return text.toLatin1();
}

bool hasControlCharacter(const QString &text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0);
    });
}

} // namespace

QString mailSubjectText(const QString &subject, const QString &Zeit, const QString &date) {
    QString text = subject;
    text.replace(QStringLiteral("#tm#"), Zeit, Qt::CaseSensitive);
    text.replace(QStringLiteral("#dt#"), date, Qt::CaseSensitive);
    return text;
}

QString mailMessageText(const QString &message, const QString &tmp, const QString &lff, const QString &feff,
                        const QString &Zeit, const QString &date) {
    QString text = message;
    text.replace(QStringLiteral("#ct#"), tmp, Qt::CaseSensitive);
    text.replace(QStringLiteral("#crf#"), lff, Qt::CaseSensitive);
    text.replace(QStringLiteral("#cfef#"), feff, Qt::CaseSensitive);
    text.replace(QStringLiteral("#tm#"), Zeit, Qt::CaseSensitive);
    text.replace(QStringLiteral("#dt#"), date, Qt::CaseSensitive);
    return text;
}

std::optional<QString> mailRefusal(const QString &host, const QString &sender, const QStringList &recipients,
                                   const QString &subject) {
    const QString refused = QStringLiteral("Die E-Mail wird nicht gesendet: ");
    const auto control = [&refused](const QString &what) {
        return refused + what + QStringLiteral(" enthält ein Steuerzeichen (z. B. einen Zeilenumbruch).");
    };
    if (host.trimmed().isEmpty())
        return refused + QStringLiteral("Es ist kein SMTP-Host eingetragen.");
    if (hasControlCharacter(host.trimmed()))
        return control(QStringLiteral("Der SMTP-Host"));
    if (!sender.contains(u'@'))
        return refused + QStringLiteral("Der Absender \"%1\" enthält kein \"@\".").arg(sender.trimmed());
    if (hasControlCharacter(sender.trimmed()))
        return control(QStringLiteral("Der Absender"));
    bool anyRecipient = false;
    for (const QString &recipient : recipients) {
        if (!recipient.trimmed().isEmpty())
            anyRecipient = true;
    }
    if (!anyRecipient)
        return refused + QStringLiteral("Es ist kein Empfänger eingetragen.");
    for (qsizetype i = 0; i < recipients.size(); ++i) {
        if (recipients.at(i).trimmed().isEmpty()) {
            return refused +
                   QStringLiteral("Der %1. Eintrag der Empfängerliste ist leer (überzähliges Komma?).")
                       .arg(i + 1);
        }
        if (hasControlCharacter(recipients.at(i).trimmed()))
            return control(QStringLiteral("Der %1. Eintrag der Empfängerliste").arg(i + 1));
    }
    if (hasControlCharacter(subject))
        return control(QStringLiteral("Der Betreff"));
    return std::nullopt;
}

SmtpDialogue::SmtpDialogue(const QString &from, const QStringList &to, const QString &subjectText,
                           const QString &messageText)
    : sender(from.trimmed()), recipients(to), subject(subjectText), message(messageText) {}

SmtpDialogue::Step SmtpDialogue::reply(const QByteArray &reply) {
    Step step;
    const QByteArray code = reply.left(3);
    if (code != "220" && code != "250" && code != "354" && code != "221") {
        // The step stays where it was: a new mail starts the dialogue again.
        step.close = true;
        // One log line, also for a refusal of several lines ("554-first", "554 second").
        const QStringList lines = QString::fromLatin1(reply).split(
            QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
        step.error = QStringLiteral("SMTP Error: ") + lines.join(u' ');
        return step;
    }

    switch (SmtpStep) {
    case 0:
        step.sends << bytes(QStringLiteral("HELO ") + sender.section(u'@', 0, 0) + QStringLiteral("\r\n"));
        SmtpStep = 1;
        break;
    case 1:
        step.sends << bytes(QStringLiteral("MAIL FROM:") + sender + QStringLiteral("\r\n"));
        RcptIndex = 0;
        SmtpStep = 2;
        break;
    case 2:
        step.sends << bytes(QStringLiteral("RCPT TO:") + recipients.value(RcptIndex).trimmed() +
                            QStringLiteral("\r\n"));
        ++RcptIndex;
        if (RcptIndex >= recipients.size())
            SmtpStep = 3;
        break;
    case 3:
        step.sends << "DATA\r\n";
        SmtpStep = 4;
        break;
    case 4:
        // The message lines end in LF alone; only the closing "." line ends in CR LF.
        step.sends << bytes(QStringLiteral("Subject:") + subject + u'\n');
        if (!message.isEmpty()) {
            for (const QString &line : message.split(QStringLiteral("\r\n")))
                step.sends << bytes(line + u'\n');
        }
        step.sends << ".\r\n";
        SmtpStep = 5;
        break;
    case 5:
        step.sends << "QUIT\r\n";
        SmtpStep = 6;
        break;
    case 6:
        step.close = true;
        break;
    default:
        break;
    }
    return step;
}
