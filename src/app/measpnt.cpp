#include "app/measpnt.h"

#include "app/mainwindow.h"
#include "app/msgbox.h"
#include "link/ui/fccom.h"
#include "store/startup.h"

#include <QDir>

namespace MeasPnt {

std::optional<Running> Main(const QString &programDir) {
    Running running;
    running.instanceLock =
        std::make_unique<QLockFile>(QDir(programDir).filePath(QStringLiteral("skylog.lock")));
    running.instanceLock->setStaleLockTime(0);
    if (!running.instanceLock->tryLock(0)) {
        if (running.instanceLock->error() == QLockFile::LockFailedError)
            MsgBox::show(nullptr, MsgBox::Icon::Exclamation, QStringLiteral("Zweite Instanz"),
                         QStringLiteral("Die Applikation ist bereits aktiv!"));
        else
            MsgBox::startError(
                nullptr, Store::lockFileError(running.instanceLock->fileName(),
                                              running.instanceLock->error() == QLockFile::PermissionError));
        return std::nullopt;
    }

    running.f = std::make_unique<MainWindow>(programDir);
    MainWindow &f = *running.f;
    if (!f.load())
        return std::nullopt;
    f.show();
    if (f.ConnectIt(true) < 1) {
        f.ShowOnline(255);
        const auto answer = MsgBox::show(&f, MsgBox::Icon::Exclamation,
                                         QStringLiteral("Fehler beim öffnen der Schnittstelle"),
                                         QStringLiteral("Die Schnittstelle konnte nicht geöffnet werden.\r\n"
                                                        "Überprüfen Sie die Einstellungen."),
                                         MsgBox::Buttons::OkCancel);
        if (answer == MsgBox::Cancel) {
            f.close();
            return std::nullopt;
        }
        f.comDialog()->show();
        return running;
    }
    f.ShowOnline(65280);
    f.ReadConfig();
    f.MomTimer(true);
    f.CastTimer(true);
    return running;
}

} // namespace MeasPnt
