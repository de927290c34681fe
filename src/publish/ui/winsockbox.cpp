#include "publish/ui/winsockbox.h"

#include "app/msgbox.h"
#include "publish/smtpmailer.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace {

// The box does not wait for its answer: the mail and the acquisition go on behind it.
void showOnce(QWidget *parent, const QString &title, const QString &text) {
    static QPointer<QMessageBox> open;
    static bool opening = false;
    if (open || opening)
        return;
    opening = true;
    open = MsgBox::notify(parent, MsgBox::Icon::Exclamation, title, text);
    opening = false;
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
