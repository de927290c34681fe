#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// SIGTERM, SIGINT and SIGHUP (a service manager, Ctrl+C, a closed terminal) end Skylog the way the close
// box does. The signal handler only writes one byte into a socket pair; requested() then comes from the
// event loop.
class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void requested();

private:
    std::unique_ptr<QSocketNotifier> notifier;
};
