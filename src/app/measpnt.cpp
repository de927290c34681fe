#include "app/measpnt.h"

#include "app/mainwindow.h"
#include "app/msgbox.h"
#include "link/ui/fccom.h"

namespace MeasPnt {

std::optional<Running> Main(const QString &programDir) {
    Running running;
    running.instanceLock = std::make_unique<InstanceLock>(programDir);
    if (!running.instanceLock->held()) {
        if (const auto error = running.instanceLock->fault())
            MsgBox::startError(nullptr, *error);
        else
            MsgBox::show(nullptr, MsgBox::Icon::Exclamation, QStringLiteral("Zweite Instanz"),
                         running.instanceLock->refusal());
        return std::nullopt;
    }

    running.f = std::make_unique<MainWindow>(programDir);
    MainWindow &f = *running.f;
    if (!f.load())
        return std::nullopt;
    f.show();
    if (f.ConnectIt(true) < 1) {
        f.engine()->ShowOnline(Lamp::red);
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
    f.engine()->startAcquisition();
    return running;
}

} // namespace MeasPnt
