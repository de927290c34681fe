#include "publish/ui/fchtml.h"

#include "ui_fchtml.h"

FcHtml::FcHtml(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FcHtml>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(ui->chkHtml, &QCheckBox::clicked, this, &FcHtml::chkHtmlClicked);
    // "OK" has no action: the dialog keeps no settings.
    connect(ui->comExit, &QPushButton::clicked, this, &FcHtml::close);
}

FcHtml::~FcHtml() = default;

void FcHtml::chkHtmlClicked(bool checked) {
    ui->lstSeiten->setEnabled(checked);
    ui->comAdd->setEnabled(checked);
    ui->comConf->setEnabled(checked);
    ui->comOK->setEnabled(true);
}
