#include "publish/ui/fcmail.h"

#include "ui_fcmail.h"

#include "app/mainwindow.h"
#include "store/database.h"
#include "store/sysconf.h"

namespace {

// The settings keep CR LF between lines, the text boxes LF.
QString boxText(const QString &setting) {
    QString text = setting;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString settingText(const QString &box) {
    QString text = box;
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

} // namespace

FcMail::FcMail(MainWindow &mainWindow)
    : QDialog(&mainWindow), ui(std::make_unique<Ui::FcMail>()), f(mainWindow) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->txtHost->setText(SysConf.MailHost);
    ui->txtSender->setText(SysConf.MailSender);
    ui->txtRec->setPlainText(boxText(SysConf.MailRec));
    ui->txtSubject->setText(SysConf.MailSubject);
    ui->txtMessage->setPlainText(boxText(SysConf.MailMessage));
    ui->comOK->setEnabled(false);

    for (QLineEdit *box : {ui->txtHost, ui->txtSender, ui->txtSubject})
        connect(box, &QLineEdit::textEdited, this, &FcMail::changed);
    for (QPlainTextEdit *box : {ui->txtRec, ui->txtMessage})
        connect(box, &QPlainTextEdit::textChanged, this, &FcMail::changed);
    connect(ui->comOK, &QPushButton::clicked, this, &FcMail::comOKClicked);
    connect(ui->comExit, &QPushButton::clicked, this, &FcMail::reject);
}

FcMail::~FcMail() = default;

void FcMail::changed() {
    ui->comOK->setEnabled(true);
}

void FcMail::comOKClicked() {
    SysConfRecord chosen = SysConf;
    chosen.MailHost = ui->txtHost->text();
    chosen.MailSender = ui->txtSender->text();
    chosen.MailRec = settingText(ui->txtRec->toPlainText());
    chosen.MailSubject = ui->txtSubject->text();
    chosen.MailMessage = settingText(ui->txtMessage->toPlainText());
    if (auto error =
            saveSysConf(Store::MainDb(), chosen,
                        {QStringLiteral("MailHost"), QStringLiteral("MailSender"), QStringLiteral("MailRec"),
                         QStringLiteral("MailMessage"), QStringLiteral("MailSubject")})) {
        f.saveFailed(this, QStringLiteral("Die Einstellung"), *error);
        return;
    }
    chosen.MailRecList = mailRecipients(chosen.MailRec);
    SysConf = chosen;
    accept();
}
