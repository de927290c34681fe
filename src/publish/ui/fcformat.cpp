#include "publish/ui/fcformat.h"

#include "ui_fcformat.h"

#include "app/mainwindow.h"
#include "app/msgbox.h"
#include "publish/ui/filechoice.h"
#include "store/database.h"
#include "store/sysconf.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Relative file names lie in the program directory, which the program makes its current directory.
QString fullPath(const QString &name) {
    return QFileInfo(QDir::current(), name).absoluteFilePath();
}

} // namespace

FcFormat::FcFormat(MainWindow &mainWindow)
    : QDialog(&mainWindow), ui(std::make_unique<Ui::FcFormat>()), f(mainWindow) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->selFormat->setId(ui->selFormat0, 0);
    ui->selFormat->setId(ui->selFormat1, 1);
    for (const OutputFormatChoice::Separator &separator : OutputFormatChoice::separators())
        ui->cmbTrenn->addItem(separator.text, separator.code);

    ui->cmbTrenn->setCurrentIndex(OutputFormatChoice::separatorIndex(SysConf.TrennZeichen));
    (SysConf.Trennen ? ui->selFormat1 : ui->selFormat0)->setChecked(true);
    ui->cmbTrenn->setEnabled(SysConf.Trennen);
    ui->chkKanal->setChecked(SysConf.doKanal);
    ui->chkSensor->setChecked(SysConf.doSensor);
    ui->chkUnit->setChecked(SysConf.doUnit);
    ui->chkPlus->setChecked(SysConf.doPlus);
    ui->labDatName->setText(SysConf.datname);
    ui->labDatName->setToolTip(SysConf.datname);

    connect(ui->selFormat, &QButtonGroup::idClicked, this, &FcFormat::selFormatClick);
    for (QCheckBox *check : {ui->chkKanal, ui->chkSensor, ui->chkUnit, ui->chkPlus})
        connect(check, &QCheckBox::clicked, this, &FcFormat::changed);
    connect(ui->cmbTrenn, &QComboBox::activated, this, &FcFormat::changed);
    connect(ui->comSelFile, &QPushButton::clicked, this, &FcFormat::comSelFileClick);
    connect(ui->comOK, &QPushButton::clicked, this, &FcFormat::comOKClick);
    connect(ui->comExit, &QPushButton::clicked, this, &FcFormat::reject);
    ui->comOK->setEnabled(false);
}

FcFormat::~FcFormat() = default;

void FcFormat::done(int result) {
    // The fetch of averages may start again as soon as the dialog is gone from the screen.
    hold.release();
    QDialog::done(result);
}

void FcFormat::selFormatClick() {
    ui->cmbTrenn->setEnabled(ui->selFormat1->isChecked());
    changed();
}

void FcFormat::changed() {
    ui->comOK->setEnabled(true);
}

void FcFormat::comSelFileClick() {
    const QString shown = ui->labDatName->text();
    const QString chosen = FileChoice::saveFile(
        this, {QStringLiteral("Ausgabedatei wählen..."), fullPath(shown), OutputFormatChoice::fileFilters()});
    // Cancelling, or choosing the file that is already set, changes nothing.
    if (chosen.isEmpty() || fullPath(chosen) == fullPath(shown))
        return;
    const QString path = QDir::toNativeSeparators(fullPath(chosen));
    if (Store::isDataFile(path)) {
        MsgBox::show(this, MsgBox::Icon::Exclamation, windowTitle(),
                     QStringLiteral("Die Datei %1 gehört zur Datenbank und kann nicht die Ausgabedatei sein.")
                         .arg(path));
        return;
    }
    ui->labDatName->setText(path);
    ui->labDatName->setToolTip(path);
    changed();
}

void FcFormat::comOKClick() {
    SysConfRecord chosen = SysConf;
    chosen.Trennen = ui->selFormat1->isChecked();
    chosen.TrennZeichen = static_cast<quint8>(ui->cmbTrenn->currentData().toUInt());
    chosen.datname = ui->labDatName->text();
    chosen.doKanal = ui->chkKanal->isChecked();
    chosen.doSensor = ui->chkSensor->isChecked();
    chosen.doUnit = ui->chkUnit->isChecked();
    chosen.doPlus = ui->chkPlus->isChecked();
    if (auto error =
            saveSysConf(Store::MainDb(), chosen,
                        {QStringLiteral("Trennen"), QStringLiteral("TrennZeichen"), QStringLiteral("datname"),
                         QStringLiteral("doKanal"), QStringLiteral("doSensor"), QStringLiteral("doUnit"),
                         QStringLiteral("doPlus")})) {
        f.saveFailed(this, QStringLiteral("Die Einstellung"), *error);
        return;
    }
    SysConf.Trennen = chosen.Trennen;
    SysConf.TrennZeichen = chosen.TrennZeichen;
    SysConf.datname = chosen.datname;
    SysConf.doKanal = chosen.doKanal;
    SysConf.doSensor = chosen.doSensor;
    SysConf.doUnit = chosen.doUnit;
    SysConf.doPlus = chosen.doPlus;
    accept();
}
