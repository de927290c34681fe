#include "device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unistd.h>

namespace loggersim {

QString visible(const QByteArray &bytes) {
    QString text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == stx)
            text += QLatin1String("<STX>");
        else if (c == etb)
            text += QLatin1String("<ETB>");
        else if (c == esc)
            text += QLatin1String("<ESC>");
        else if (c == cr)
            text += QLatin1String("<CR>");
        else if (u < 0x20 || u > 0x7E)
            text += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
}

LoggerDevice::LoggerDevice(const Options &optionsValue, Logger &loggerValue, FaultPlan &planValue,
                           std::function<QDateTime()> clockValue, QObject *parent)
    : QObject(parent), options(optionsValue), logger(loggerValue), plan(planValue),
      clock(std::move(clockValue)) {
    comeBack.setSingleShot(true);
    connect(&comeBack, &QTimer::timeout, this, [this] {
        QString error;
        if (open(&error))
            emit logged(QStringLiteral("Gerät wieder da: %1").arg(slavePath()));
        else
            emit logged(error);
    });
}

LoggerDevice::~LoggerDevice() {
    unlink();
}

QString LoggerDevice::slavePath() const {
    return port ? port->slavePath() : QString();
}

bool LoggerDevice::open(QString *error) {
    auto fresh = std::make_unique<PtyPort>();
    if (!fresh->open(error))
        return false;
    fresh->setBaud(options.baud);
    port = std::move(fresh);
    connect(port.get(), &PtyPort::failed, this,
            [this](const QString &text) { emit logged(QStringLiteral("Schreibfehler: %1").arg(text)); });
    connect(port.get(), &PtyPort::received, this, [this](const QByteArray &bytes) {
        for (const Request &r : requests.feed(bytes)) {
            answer(r);
            if (!port)
                return;
        }
    });
    requests = RequestParser();
    return link(error);
}

// Links the terminal under its name, replacing a link left behind by an earlier run.
bool LoggerDevice::link(QString *error) {
    const QFileInfo info(options.linkPath);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("Verzeichnis %1 kann nicht angelegt werden").arg(info.absolutePath());
        return false;
    }
    if (info.isSymLink()) {
        if (!QFile::remove(options.linkPath)) {
            *error = QStringLiteral("Alte Verknüpfung %1 kann nicht entfernt werden").arg(options.linkPath);
            return false;
        }
    } else if (info.exists()) {
        *error = QStringLiteral("%1 existiert und ist keine Verknüpfung").arg(options.linkPath);
        return false;
    }
    if (::symlink(QFile::encodeName(slavePath()).constData(),
                  QFile::encodeName(options.linkPath).constData()) != 0) {
        *error = QStringLiteral("Verknüpfung %1 kann nicht angelegt werden").arg(options.linkPath);
        return false;
    }
    return true;
}

void LoggerDevice::unlink() {
    // Only while the link is still ours: a later run may have replaced it.
    if (port && QFileInfo(options.linkPath).symLinkTarget() == QFileInfo(slavePath()).absoluteFilePath())
        QFile::remove(options.linkPath);
}

void LoggerDevice::vanish(int pauseMs) {
    if (!port)
        return;
    emit logged(QStringLiteral("Gerät verschwindet für %1 ms").arg(pauseMs));
    unlink();
    port.reset();
    comeBack.start(pauseMs);
}

void LoggerDevice::answer(const Request &r) {
    if (r.station != options.station) {
        emit logged(QStringLiteral("Anfrage %1 an Station %2 überhört")
                        .arg(QString::fromLatin1(r.command), QString::fromLatin1(r.station)));
        return;
    }
    if (r.command != "A" && r.command != "H" && r.command != "M" && r.command != "MR") {
        emit logged(QStringLiteral("Unbekannter Befehl %1").arg(visible(r.command)));
        return;
    }
    const QDateTime now = clock();
    if (const int added = logger.catchUp(now))
        emit logged(QStringLiteral("%1 neue Datensätze").arg(added));
    const QList<Fault> faults = plan.next(r.command);
    QStringList names;
    for (const Fault &f : faults)
        names.append(faultName(f));
    const auto has = [&faults](FaultKind kind) {
        return std::any_of(faults.begin(), faults.end(), [kind](const Fault &f) { return f.kind == kind; });
    };
    const bool ignored = has(FaultKind::Ignore) || has(FaultKind::Vanish);
    const auto reply = ignored ? std::nullopt : logger.answer(r.command, now);
    if (reply && r.command == "M")
        records.append(*logger.lastHandedOut());
    if (!reply) {
        emit logged(QStringLiteral("%1: keine Antwort%2")
                        .arg(QString::fromLatin1(r.command),
                             ignored ? QStringLiteral(" (%1)").arg(names.join(QLatin1String(", ")))
                                     : QStringLiteral(" (nichts gespeichert)")));
    } else {
        const QList<Chunk> chunks =
            transmission(*reply, faults, options.delayMs, plan.noise(), plan.garbage());
        QByteArray sent;
        for (const Chunk &c : chunks)
            sent += c.bytes;
        emit logged(QStringLiteral("%1 -> %2%3")
                        .arg(QString::fromLatin1(r.command),
                             sent.isEmpty() ? QStringLiteral("(verloren)") : visible(sent),
                             names.isEmpty()
                                 ? QString()
                                 : QStringLiteral("  [%1]").arg(names.join(QLatin1String(", ")))));
        port->send(chunks);
    }
    for (const Fault &f : faults) {
        if (f.kind == FaultKind::Vanish)
            vanish(f.delayMs);
    }
}

} // namespace loggersim
