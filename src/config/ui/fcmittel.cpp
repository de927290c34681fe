#include "config/ui/fcmittel.h"

#include "ui_fcmittel.h"

#include "app/mainwindow.h"
#include "config/intervals.h"
#include "store/database.h"
#include "store/sysconf.h"

FcMittel::FcMittel(MainWindow &mainWindow)
    : QDialog(&mainWindow), ui(std::make_unique<Ui::FcMittel>()), f(mainWindow) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    for (const Intervals::AverageInterval &interval : Intervals::averageIntervals())
        ui->cmbMittel->addItem(interval.text, interval.minutes);

    ui->chkMom->setChecked(SysConf.MittelAktiv);
    ui->cmbMittel->setEnabled(ui->chkMom->isChecked());
    ui->chkDB->setChecked(SysConf.SaveMitt);
    ui->cmbMittel->setCurrentIndex(Intervals::averageIndex(SysConf.MittInter));

    connect(ui->chkMom, &QCheckBox::clicked, this, &FcMittel::chkMomClick);
    connect(ui->chkDB, &QCheckBox::clicked, this, &FcMittel::changed);
    connect(ui->cmbMittel, &QComboBox::activated, this, &FcMittel::changed);
    connect(ui->comOK, &QPushButton::clicked, this, &FcMittel::comOKClick);
    connect(ui->comExit, &QPushButton::clicked, this, &FcMittel::reject);
    ui->comOK->setEnabled(false);
}

FcMittel::~FcMittel() = default;

void FcMittel::chkMomClick() {
    ui->cmbMittel->setEnabled(ui->chkMom->isChecked());
    changed();
}

void FcMittel::changed() {
    ui->comOK->setEnabled(true);
}

void FcMittel::comOKClick() {
    SysConfRecord chosen = SysConf;
    chosen.MittelAktiv = ui->chkMom->isChecked();
    chosen.SaveMitt = ui->chkDB->isChecked();
    chosen.MittInter = ui->cmbMittel->currentData().toInt();
    if (auto error = saveSysConf(
            Store::MainDb(), chosen,
            {QStringLiteral("MittInter"), QStringLiteral("MittelAktiv"), QStringLiteral("SaveMitt")})) {
        f.saveFailed(this, QStringLiteral("Die Einstellung"), *error);
        return;
    }
    SysConf.SaveMitt = chosen.SaveMitt;
    SysConf.MittInter = chosen.MittInter;
    SysConf.MittelAktiv = chosen.MittelAktiv;
    f.engine()->GetNextAcc();
    accept();
}
