#include "config/ui/fcmess.h"

#include "ui_fcmess.h"

#include "app/mainwindow.h"
#include "app/msgbox.h"
#include "config/stationstore.h"
#include "eval/messages.h"
#include "store/database.h"
#include "store/sysconf.h"

FcMess::FcMess(MainWindow &mainWindow)
    : QDialog(&mainWindow), ui(std::make_unique<Ui::FcMess>()), f(mainWindow) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->selStat->addItems(StationNumber::entries());
    FillLists();

    connect(ui->cmbProvider, &QComboBox::activated, this, &FcMess::cmbProviderClick);
    connect(ui->cmbConfNr, &QComboBox::activated, this, &FcMess::cmbConfNrClick);
    connect(ui->txtName, &QLineEdit::textEdited, this, &FcMess::txtNameChange);
    connect(ui->selStat, &QComboBox::activated, this, &FcMess::selStatClick);
    connect(ui->comNeuKonf, &QPushButton::clicked, this, &FcMess::comNeuKonfClick);
    connect(ui->comOK, &QPushButton::clicked, this, &FcMess::comOKClick);
    connect(ui->comAbbr, &QPushButton::clicked, this, &FcMess::reject);
    ui->comOK->setEnabled(false);
}

FcMess::~FcMess() = default;

void FcMess::FillLists() {
    std::optional<RunError> error;
    const QList<StationStore::Logger> loggers = StationStore::readLoggers(Store::MainDb(), &error);
    if (error)
        f.engine()->AddText(error->text, MessageKind::unexpectedError);
    if (!loggers.isEmpty()) {
        ui->cmbProvider->clear();
        int current = -1;
        for (const StationStore::Logger &logger : loggers) {
            ui->cmbProvider->addItem(StationStore::loggerText(logger), logger.Id);
            if (logger.Id == SysConf.Provider)
                current = ui->cmbProvider->count() - 1;
        }
        // A current logger that is not listed leaves the list without a selection.
        ui->cmbProvider->setCurrentIndex(current);
    }
    showConfigurations(SysConf.Provider);
}

FcMess::LoggerLists &FcMess::listsOf(qint32 provider) {
    auto found = lists.find(provider);
    if (found != lists.end())
        return found.value();
    std::optional<RunError> error;
    LoggerLists loaded{StationStore::readConfigurations(Store::MainDb(), provider, &error), 0};
    if (error)
        f.engine()->AddText(error->text, MessageKind::unexpectedError);
    const QList<qint32> &entries = loaded.configs.entries();
    // The current logger opens at the current configuration; another one at its first configuration.
    if (provider == SysConf.Provider) {
        if (entries.contains(SysConf.Konfiguration))
            loaded.selected = SysConf.Konfiguration;
    } else if (!entries.isEmpty()) {
        loaded.selected = entries.first();
    }
    return lists.insert(provider, loaded).value();
}

void FcMess::showConfigurations(qint32 provider) {
    shownProvider = provider;
    const LoggerLists &shown = listsOf(provider);
    ui->cmbConfNr->clear();
    for (qint32 number : shown.configs.entries())
        ui->cmbConfNr->addItem(QString::number(number));
    showConfiguration(shown.selected);
}

void FcMess::showConfiguration(qint32 number) {
    LoggerLists &shown = lists[shownProvider];
    const int entry = ui->cmbConfNr->findText(QString::number(number), Qt::MatchExactly);
    ui->cmbConfNr->setCurrentIndex(entry);
    const bool selected = entry >= 0;
    shown.selected = selected ? number : 0;
    ui->txtName->setEnabled(selected);
    ui->selStat->setEnabled(selected);
    if (!selected) {
        ui->txtName->setText(ConfigList::newName);
        return;
    }
    ui->txtName->setText(shown.configs.name(number));
    const std::optional<int> station = StationNumber::index(shown.configs.station(number));
    ui->selStat->setCurrentIndex(station.value_or(-1));
    // A station is kept as the list shows it: "7" becomes "07".
    if (station)
        shown.configs.setStation(number, ui->selStat->currentText());
}

qint32 FcMess::selectedProvider() const {
    return ui->cmbProvider->currentIndex() < 0 ? 0 : ui->cmbProvider->currentData().toInt();
}

void FcMess::cmbProviderClick() {
    // The list shows the configurations of the chosen logger; edits of the one shown before are kept for OK.
    showConfigurations(selectedProvider());
    changed();
}

void FcMess::cmbConfNrClick() {
    showConfiguration(configNumber(ui->cmbConfNr->currentText()).value_or(0));
    changed();
}

void FcMess::txtNameChange(const QString &text) {
    LoggerLists &shown = lists[shownProvider];
    shown.configs.setName(shown.selected, text);
    changed();
}

void FcMess::selStatClick() {
    LoggerLists &shown = lists[shownProvider];
    shown.configs.setStation(shown.selected, ui->selStat->currentText());
    changed();
}

void FcMess::comNeuKonfClick() {
    LoggerLists &shown = lists[shownProvider];
    const std::optional<qint32> number = shown.configs.addNew(ui->selStat->currentText());
    if (!number) {
        MsgBox::show(
            this, MsgBox::Icon::Exclamation, windowTitle(),
            QStringLiteral("Für diesen Datenlogger kann keine weitere Konfiguration angelegt werden."));
        return;
    }
    ui->cmbConfNr->addItem(QString::number(*number));
    showConfiguration(*number);
    changed();
}

void FcMess::comOKClick() {
    const LoggerLists &shown = lists[shownProvider];
    StationChoice choice;
    choice.loggerSelected = ui->cmbProvider->currentIndex() >= 0;
    choice.loggerText = ui->cmbProvider->currentText();
    choice.configCount = ui->cmbConfNr->count();
    choice.configText = ui->cmbConfNr->currentText();
    choice.station = shown.configs.station(shown.selected);
    if (const std::optional<QString> problem = choiceProblem(choice)) {
        MsgBox::show(this, MsgBox::Icon::Exclamation, windowTitle(), *problem);
        return;
    }

    const qint32 provider = selectedProvider();
    const qint32 konfiguration = shown.selected;
    // Only the loggers of the list own configurations: a current logger that is missing from tblProvider gets
    // none.
    QMap<qint32, ConfigList> configs;
    for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
        if (ui->cmbProvider->findData(it.key()) >= 0)
            configs.insert(it.key(), it.value().configs);
    }
    if (auto error = StationStore::saveChoice(Store::MainDb(), configs, provider, konfiguration)) {
        f.saveFailed(this, QStringLiteral("Die Messanlage"), *error);
        return;
    }

    f.showStation(ui->selStat->currentText(), ui->txtName->text(), ui->cmbProvider->currentText());
    const bool pairChanged = provider != SysConf.Provider || konfiguration != SysConf.Konfiguration;
    SysConf.Provider = provider;
    SysConf.Konfiguration = konfiguration;
    // The acquisition follows the new pair: its last access, its next access and its channel table.
    if (pairChanged)
        f.engine()->stationChanged();
    accept();
}

void FcMess::changed() {
    ui->comOK->setEnabled(true);
}
