#include "config/ui/fcmoment.h"

#include "ui_fcmoment.h"

#include "app/mainwindow.h"
#include "config/intervals.h"
#include "store/database.h"
#include "store/sysconf.h"

FcMoment::FcMoment(MainWindow &mainWindow)
    : QDialog(&mainWindow), ui(std::make_unique<Ui::FcMoment>()), f(mainWindow) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);

    ui->chkMom->setChecked(SysConf.MomAktiv);
    enableInterval(SysConf.MomAktiv);
    ui->chkDB->setChecked(SysConf.SaveMom);
    // The timer holds the current interval.
    ui->slidMoment->setValue(Intervals::secondsForInterval(f.engine()->AktTimer.interval()));
    ui->labInter->setText(Intervals::secondsLabel(ui->slidMoment->value()));

    connect(ui->slidMoment, &QSlider::valueChanged, this, &FcMoment::slidMomentChange);
    connect(ui->chkMom, &QCheckBox::clicked, this, &FcMoment::chkMomClick);
    connect(ui->chkDB, &QCheckBox::clicked, this, &FcMoment::changed);
    connect(ui->comOK, &QPushButton::clicked, this, &FcMoment::comOKClick);
    connect(ui->comExit, &QPushButton::clicked, this, &FcMoment::reject);
    ui->comOK->setEnabled(false);
}

FcMoment::~FcMoment() = default;

void FcMoment::slidMomentChange(int seconds) {
    ui->labInter->setText(Intervals::secondsLabel(seconds));
    changed();
}

void FcMoment::enableInterval(bool on) {
    ui->slidMoment->setEnabled(on);
    ui->labInter->setEnabled(on);
    ui->chkDB->setEnabled(on);
}

void FcMoment::chkMomClick() {
    enableInterval(ui->chkMom->isChecked());
    changed();
}

void FcMoment::changed() {
    ui->comOK->setEnabled(true);
}

void FcMoment::comOKClick() {
    SysConfRecord chosen = SysConf;
    chosen.MomAktiv = ui->chkMom->isChecked();
    chosen.SaveMom = ui->chkDB->isChecked();
    const int interval = Intervals::intervalForSeconds(ui->slidMoment->value());
    if (auto error = saveSysConf(
            Store::MainDb(), chosen,
            {QStringLiteral("MomInter"), QStringLiteral("MomAktiv"), QStringLiteral("SaveMom")}, interval)) {
        f.saveFailed(this, QStringLiteral("Die Einstellung"), *error);
        return;
    }
    SysConf.MomAktiv = chosen.MomAktiv;
    SysConf.SaveMom = chosen.SaveMom;
    // A running timer starts over with the new interval at once.
    f.engine()->AktTimer.setInterval(interval);
    accept();
}
