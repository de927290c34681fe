#include "app/service.h"

#include "app/instancelock.h"
#include "app/stopsignals.h"
#include "eval/messages.h"
#include "eval/textout.h"
#include "link/acquisition.h"
#include "link/comconfig.h"
#include "store/database.h"
#include "store/station.h"
#include "store/sysconf.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

constexpr int exitCannotStart = 3;

int cannotStart(const QString &reason) {
    std::fprintf(stderr, "%s\n", reason.toUtf8().constData());
    return exitCannotStart;
}

void printLine(std::FILE *stream, const QString &text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

// What the window's load handler does, with every start error going to the error log.
std::optional<QString> load(Acquisition &a) {
    const auto startError = [&a](const RunError &error) {
        a.AddText(QStringLiteral("Fehler bei Programmstart: ") + error.described(),
                  MessageKind::unexpectedError);
    };
    if (auto error = a.openStore(startError))
        return error->described();
    std::optional<RunError> error;
    if (const auto temp = Station::readTemp(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, &error))
        a.LastAccessTime = temp->LastAccessTime;
    if (error)
        startError(*error);
    if (const auto identity =
            Station::readIdentity(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, &error)) {
        a.station = identity->StationsNr;
        a.stationName = identity->Beschreibung;
    }
    if (error)
        startError(*error);
    a.finishStart();
    return std::nullopt;
}

} // namespace

namespace Service {

int run(const QString &programDir) {
    QDir::setCurrent(programDir);
    const InstanceLock lock(programDir);
    if (!lock.held()) {
        const auto fault = lock.fault();
        return cannotStart(fault ? fault->described() : lock.refusal());
    }

    auto acquisition = std::make_unique<Acquisition>(programDir);
    Acquisition &a = *acquisition;
    QString lastWriteFailure;
    QObject::connect(&a, &Acquisition::statusShown, [](const QString &text) { printLine(stdout, text); });
    QObject::connect(&a, &Acquisition::writeFailed, [&lastWriteFailure](const RunError &error) {
        // A file that keeps refusing its lines is told of once, not at every line.
        if (std::exchange(lastWriteFailure, error.text) != error.text)
            printLine(stderr, QStringLiteral("Unerwarteter ") + error.described());
    });
    if (auto reason = load(a))
        return cannotStart(*reason);

    std::optional<RunError> error;
    const auto entry = ComConfig::activeEntry(ComConfig::readAll(Store::MainDb(), &error));
    if (error)
        a.AddText(error->text, MessageKind::unexpectedError);
    if (!entry)
        return cannotStart(QStringLiteral("In der Schnittstellenkonfiguration (tblConfigCOM) ist keine "
                                          "Konfiguration aktiv."));
    if (a.ConnectIt(true, *entry) == 1)
        a.startAcquisition();
    else
        a.awaitPort(*entry);

    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::requested, &a, &Acquisition::requestStop);
    QObject::connect(&a, &Acquisition::stopped, [&a] {
        a.ConnectIt(false);
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    acquisition.reset();
    Store::closeMainDb();
    return status;
}

} // namespace Service
