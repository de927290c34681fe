#include "publish/ui/winsockbox.h"

#include "app/msgbox.h"
#include "publish/smtpmailer.h"

#include <QWidget>

void showWinsockErrors(SmtpMailer &mailer, QWidget *parent) {
    QObject::connect(&mailer, &SmtpMailer::socketError, parent,
                     [parent](int number, const QString &description) {
                         MsgBox::show(parent, MsgBox::Icon::Exclamation, QStringLiteral("Winsock Error"),
                                      SmtpMailer::winsockErrorText(number, description));
                     });
}
