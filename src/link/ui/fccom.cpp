#include "link/ui/fccom.h"

#include "ui_fccom.h"

#include "app/msgbox.h"

namespace {

// Check box values as stored: 0 off, 1 on, 2 grey.
Qt::CheckState checkState(int value) {
    switch (value) {
    case 0:
        return Qt::Unchecked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        return Qt::Checked;
    }
}

int storedValue(Qt::CheckState state) {
    switch (state) {
    case Qt::Unchecked:
        return 0;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 1;
    }
}

} // namespace

FcCOM::FcCOM(const QSqlDatabase &database, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FcCOM>()), db(database) {
    ui->setupUi(this);
    // However it closes (OK, Abbrechen, Escape, the close box), the dialog is unloaded: the next use reads
    // the active configuration from the table again.
    setAttribute(Qt::WA_DeleteOnClose);
    ui->selCom->addItems(ComConfig::ports);
    ui->selBaud->addItems(ComConfig::baudRates);
    ui->selPari->addItems(ComConfig::parities);
    ui->selData->addItems(ComConfig::dataBits);
    ui->selStop->addItems(ComConfig::stopBits);
    ui->selHand->addItems(ComConfig::handshakes);
    loadTable();

    connect(ui->selConf, &QComboBox::activated, this, &FcCOM::selConfClicked);
    connect(ui->selConf, &QComboBox::editTextChanged, this, &FcCOM::changed);
    for (QComboBox *list : {ui->selCom, ui->selBaud, ui->selPari, ui->selData, ui->selStop, ui->selHand})
        connect(list, &QComboBox::activated, this, &FcCOM::changed);
    connect(ui->selDTR, &QCheckBox::clicked, this, &FcCOM::changed);
    connect(ui->selRTS, &QCheckBox::clicked, this, &FcCOM::changed);
    connect(ui->comOK, &QPushButton::clicked, this, &FcCOM::comOKClicked);
    connect(ui->comExit, &QPushButton::clicked, this, &FcCOM::close);
}

FcCOM::~FcCOM() = default;

void FcCOM::loadTable() {
    std::optional<RunError> error;
    const QList<ComConfig::Entry> entries = ComConfig::readAll(db, &error);
    if (error)
        emit failed(error->text);
    if (entries.isEmpty()) {
        showEntry(ComConfig::defaults());
    } else {
        // Nothing is selected unless a row is active; then the last active row in table order is shown.
        for (QComboBox *list : {ui->selCom, ui->selBaud, ui->selPari, ui->selData, ui->selStop, ui->selHand})
            list->setCurrentIndex(-1);
        int active = -1;
        for (const ComConfig::Entry &entry : entries) {
            ui->selConf->addItem(entry.ConfName, entry.ID);
            if (entry.aktiv) {
                active = ui->selConf->count() - 1;
                showEntry(entry);
            }
        }
        ui->selConf->setCurrentIndex(active);
    }
    ui->comOK->setEnabled(false);
}

void FcCOM::showEntry(const ComConfig::Entry &entry) {
    ui->selCom->setCurrentIndex(entry.Com);
    ui->selBaud->setCurrentIndex(entry.Baudrate);
    ui->selPari->setCurrentIndex(entry.Parity);
    ui->selData->setCurrentIndex(entry.DataBits);
    ui->selStop->setCurrentIndex(entry.StopBits);
    ui->selHand->setCurrentIndex(entry.HShake);
    ui->selDTR->setCheckState(checkState(entry.DTR));
    ui->selRTS->setCheckState(checkState(entry.rts));
}

bool FcCOM::entrySelected() const {
    const int index = ui->selConf->currentIndex();
    return index >= 0 && ui->selConf->itemText(index) == ui->selConf->currentText();
}

ComConfig::Entry FcCOM::shownEntry() const {
    ComConfig::Entry entry;
    entry.ID = entrySelected() ? ui->selConf->currentData().toInt() : 0;
    entry.ConfName = ui->selConf->currentText();
    entry.Com = ui->selCom->currentIndex();
    entry.Baudrate = ui->selBaud->currentIndex();
    entry.Parity = ui->selPari->currentIndex();
    entry.DataBits = ui->selData->currentIndex();
    entry.StopBits = ui->selStop->currentIndex();
    entry.HShake = ui->selHand->currentIndex();
    entry.DTR = storedValue(ui->selDTR->checkState());
    entry.rts = storedValue(ui->selRTS->checkState());
    return entry;
}

void FcCOM::selConfClicked(int index) {
    std::optional<RunError> error;
    if (auto entry = ComConfig::readOne(db, ui->selConf->itemData(index).toInt(), &error))
        showEntry(*entry);
    if (error)
        emit failed(error->text);
    changed();
}

void FcCOM::changed() {
    ui->comOK->setEnabled(true);
}

void FcCOM::comOKClicked() {
    if (auto error = ComConfig::saveActive(db, shownEntry())) {
        // The dialog stays open, so the user can correct the entry (an empty name, for instance).
        emit failed(error->text);
        MsgBox::show(this, MsgBox::Icon::Exclamation, windowTitle(),
                     QStringLiteral("Die Konfiguration konnte nicht gespeichert werden.\n") + error->text);
        return;
    }
    close();
}
