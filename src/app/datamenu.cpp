#include "app/datamenu.h"

#include "app/mainwindow.h"
#include "eval/history.h"
#include "eval/messages.h"
#include "eval/ui/flog.h"
#include "eval/ui/fverlauf.h"
#include "publish/ui/fcexport.h"
#include "store/database.h"
#include "store/sysconf.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QMenuBar>
#include <QUrl>

namespace {

// Days over which the main window counts the missing records.
constexpr int gapCountDays = 7;

} // namespace

void DataMenu::add(MainWindow &f, const QString &programDir, std::function<QDateTime()> clock) {
    new DataMenu(f, programDir, std::move(clock));
}

DataMenu::DataMenu(MainWindow &window, const QString &dir, std::function<QDateTime()> clock)
    : QObject(&window), f(window), programDir(dir), now(std::move(clock)) {
    auto *menu = new QMenu(QStringLiteral("&Daten"), &f);
    menu->setObjectName(QStringLiteral("menDaten"));
    f.menuBar()->insertMenu(f.controls()->menHelp->menuAction(), menu);
    connect(menu->addAction(QStringLiteral("&Verlauf …")), &QAction::triggered, this, [this] {
        f.openWindow(fVerlauf, [this] {
            return new FVerlauf(
                {Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, SysConf.MittInter, now});
        });
    });
    connect(menu->addAction(QStringLiteral("&Exportieren …")), &QAction::triggered, this, [this] {
        f.openWindow(fcExport, [this] {
            return new FcExport(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, programDir,
                                now().date());
        });
    });
    connect(menu->addAction(QStringLiteral("&Fehlerprotokoll")), &QAction::triggered, this, [this] {
        if (fLog)
            static_cast<FLog *>(fLog.data())->reload();
        f.openWindow(fLog, [this] { return new FLog(programDir); });
    });
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("&Programmordner öffnen")), &QAction::triggered, this, [this] {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(programDir)))
            f.engine()->AddText(
                QStringLiteral("Der Programmordner %1 kann nicht geöffnet werden.").arg(programDir),
                MessageKind::checkFailed);
    });
}

void MainWindow::refreshGapCount() {
    // Without a database there is nothing to count; that failure has been reported at the start.
    if (!Store::MainDb().isOpen()) {
        ui->labGaps->clear();
        return;
    }
    std::optional<RunError> error;
    const int missing = History::missingRecords(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration,
                                                SysConf.MittInter, acquisition->now(), gapCountDays, &error);
    ui->labGaps->setText(error ? QStringLiteral("?") : QLocale().toString(missing));
    if (error)
        acquisition->AddText(error->text, MessageKind::unexpectedError);
}
