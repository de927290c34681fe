#pragma once

class QWidget;
class SmtpMailer;

// Shows every socket error of the mailer in the "Winsock Error" box.
void showWinsockErrors(SmtpMailer &mailer, QWidget *parent);
