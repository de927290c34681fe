#pragma once

#include "faults.h"
#include "logger.h"
#include "ptyport.h"
#include "telegram.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace loggersim {

// The simulated logger on its line: a pseudo-terminal linked as <dir>/dosdevices/com<N>, whose requests it
// answers with the logger, spoilt by the fault plan. When it vanishes it closes its terminal and removes
// the link, as a pulled adapter does; after a pause it comes back on a fresh terminal under the same link.
class LoggerDevice : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString linkPath;
        QByteArray station = "01";
        int baud = 0;
        int delayMs = 0;
    };

    LoggerDevice(const Options &options, Logger &logger, FaultPlan &plan, std::function<QDateTime()> clock,
                 QObject *parent = nullptr);
    ~LoggerDevice() override;

    // Opens the terminal and links it; on failure returns false and sets error.
    bool open(QString *error);
    QString slavePath() const;
    // Gone for pauseMs, then back.
    void vanish(int pauseMs);
    bool present() const { return port != nullptr; }

    // The time stamps of the records "M" took from the logger's memory, whether their answer got through or
    // not.
    const QList<QDateTime> &handedOut() const { return records; }

signals:
    // What happened, for the log.
    void logged(const QString &text);

private:
    void answer(const Request &request);
    bool link(QString *error);
    void unlink();

    Options options;
    Logger &logger;
    FaultPlan &plan;
    std::function<QDateTime()> clock;
    std::unique_ptr<PtyPort> port;
    RequestParser requests;
    QTimer comeBack;
    QList<QDateTime> records;
};

// Printable form of a telegram for the log: control characters by name, other bytes in hexadecimal.
QString visible(const QByteArray &bytes);

} // namespace loggersim
