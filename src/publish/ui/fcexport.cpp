#include "publish/ui/fcexport.h"

#include "app/msgbox.h"
#include "publish/csvexport.h"
#include "publish/ui/filechoice.h"

#include <QDateEdit>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>

#include <cerrno>

FcExport::FcExport(const QSqlDatabase &database, qint32 prov, qint32 conf, const QString &dir,
                   const QDate &today, QWidget *parent)
    : QDialog(parent), db(database), provider(prov), config(conf), programDir(dir) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Exportieren"));
    lstChannels = new QListWidget;
    std::optional<RunError> error;
    channels = History::channels(db, provider, config, &error);
    for (const History::Channel &channel : channels) {
        auto *item =
            new QListWidgetItem(csvChannelTitle(channel.number, channel.name, channel.unit), lstChannels);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    txtFrom = new QDateEdit(today.addDays(-7));
    txtTo = new QDateEdit(today);
    for (QDateEdit *edit : {txtFrom, txtTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    comExport = new QPushButton(QStringLiteral("&Exportieren …"));
    comExport->setDefault(true);
    comCancel = new QPushButton(QStringLiteral("&Abbrechen"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Von:"), txtFrom);
    form->addRow(QStringLiteral("&Bis:"), txtTo);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(comExport);
    buttons->addWidget(comCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Mittelwerte der Kanäle:")));
    layout->addWidget(lstChannels, 1);
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(QStringLiteral("Beide Tage zählen mit. Zeiten mit UTC-Versatz, Dezimalpunkt.")));
    layout->addLayout(buttons);
    resize(420, 420);

    connect(comExport, &QPushButton::clicked, this, &FcExport::exportClick);
    connect(comCancel, &QPushButton::clicked, this, &QDialog::reject);
    if (error)
        MsgBox::show(this, MsgBox::Icon::Critical, windowTitle(), error->text);
}

void FcExport::exportClick() {
    CsvRequest request{provider,
                       config,
                       {},
                       QDateTime(txtFrom->date(), QTime(0, 0)),
                       QDateTime(txtTo->date().addDays(1), QTime(0, 0))};
    for (int i = 0; i < lstChannels->count(); ++i) {
        if (lstChannels->item(i)->checkState() == Qt::Checked)
            request.channels.append(channels[i].number);
    }
    if (request.channels.isEmpty()) {
        MsgBox::show(this, MsgBox::Icon::Exclamation, windowTitle(),
                     QStringLiteral("Bitte mindestens einen Kanal wählen."));
        return;
    }
    if (txtFrom->date() > txtTo->date()) {
        MsgBox::show(this, MsgBox::Icon::Exclamation, windowTitle(),
                     QStringLiteral("Der erste Tag liegt nach dem letzten."));
        return;
    }
    const QString name = QStringLiteral("Messwerte-%1-%2.csv")
                             .arg(txtFrom->date().toString(QStringLiteral("yyyyMMdd")),
                                  txtTo->date().toString(QStringLiteral("yyyyMMdd")));
    const QString path = FileChoice::saveFile(
        this, {QStringLiteral("CSV-Datei speichern"),
               QDir(programDir).filePath(name),
               {QStringLiteral("CSV-Dateien (*.csv)"), QStringLiteral("Alle Dateien (*.*)")}});
    if (path.isEmpty())
        return;
    // The file appears only when complete.
    QSaveFile file(path);
    int records = 0;
    std::optional<RunError> error;
    if (!file.open(QIODevice::WriteOnly))
        error = RunError::fileAccess(fileFailureReason(file, errno));
    else if (!(error = writeCsv(db, request, file, &records)) && !file.commit())
        error = RunError::deviceIo(fileFailureReason(file, errno));
    if (error) {
        MsgBox::show(this, MsgBox::Icon::Critical, windowTitle(),
                     QStringLiteral("Die Datei %1 konnte nicht geschrieben werden.\n%2")
                         .arg(QDir::toNativeSeparators(path), error->text));
        return;
    }
    MsgBox::show(this, MsgBox::Icon::Information, windowTitle(),
                 QStringLiteral("%1 Datensätze nach %2 exportiert.")
                     .arg(QLocale().toString(records), QDir::toNativeSeparators(path)));
    accept();
}
