#pragma once

class QString;
class QWidget;
class SmtpMailer;

// The boxes of the mail report. On an unattended PC they must not pile up: while one of them is open, no
// further one is shown (every mail failure is in the error log as well).

// Shows the socket errors of the mailer in the "Winsock Error" box.
void showWinsockErrors(SmtpMailer &mailer, QWidget *parent);

// Shows a message about the mail report in a box titled "E-Mail-Bericht".
void showMailMessage(QWidget *parent, const QString &text);
