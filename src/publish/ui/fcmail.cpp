#include "publish/ui/fcmail.h"

#include "ui_fcmail.h"

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

FcMail::FcMail(const QSqlDatabase &database, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FcMail>()), db(database) {
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
    connect(ui->comExit, &QPushButton::clicked, this, &FcMail::close);
}

FcMail::~FcMail() = default;

void FcMail::changed() {
    ui->comOK->setEnabled(true);
}

void FcMail::comOKClicked() {
    SysConf.MailHost = ui->txtHost->text();
    SysConf.MailSender = ui->txtSender->text();
    SysConf.MailRec = settingText(ui->txtRec->toPlainText());
    SysConf.MailSubject = ui->txtSubject->text();
    SysConf.MailMessage = settingText(ui->txtMessage->toPlainText());
    SysConf.MailRecList = mailRecipients(SysConf.MailRec);
    if (auto error =
            saveSysConf(db, SysConf,
                        {QStringLiteral("MailHost"), QStringLiteral("MailSender"), QStringLiteral("MailRec"),
                         QStringLiteral("MailMessage"), QStringLiteral("MailSubject")}))
        emit failed(error->text);
    close();
}
