#include "publish/ui/winsockbox.h"

#include "app/msgbox.h"
#include "publish/smtpmailer.h"

#include <QWidget>

namespace {

void showOnce(QWidget *parent, const QString &title, const QString &text) {
    static bool open = false;
    if (open)
        return;
    open = true;
    MsgBox::show(parent, MsgBox::Icon::Exclamation, title, text);
    open = false;
}

} // namespace

void showWinsockErrors(SmtpMailer &mailer, QWidget *parent) {
    QObject::connect(&mailer, &SmtpMailer::socketError, parent,
                     [parent](int number, const QString &description) {
                         showOnce(parent, QStringLiteral("Winsock Error"),
                                  SmtpMailer::winsockErrorText(number, description));
                     });
}

void showMailMessage(QWidget *parent, const QString &text) {
    showOnce(parent, QStringLiteral("E-Mail-Bericht"), text);
}
