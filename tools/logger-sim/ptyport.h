#pragma once

#include "faults.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace loggersim {

// The logger's end of a pseudo-terminal. The far end (the slave) is what the station program opens as its
// serial port. Output can be paced to a baud rate and carries pauses, both timed by a monotonic clock.
class PtyPort : public QObject {
    Q_OBJECT

public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    // Opens the pseudo-terminal in raw mode; on failure returns false and sets error.
    bool open(QString *error);
    QString slavePath() const { return slaveName; }

    // 0: no pacing; otherwise 10 bit times per byte.
    void setBaud(int baud);

    // Queues chunks behind any output still waiting.
    void send(const QList<Chunk> &chunks);

signals:
    void received(const QByteArray &bytes);
    void failed(const QString &error);

private:
    void readMaster();
    void pump();
    void schedule(qint64 waitNs);

    int masterFd = -1;
    int slaveFd = -1;
    QString slaveName;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QTimer pumpTimer;
    QTimer resumeTimer;
    QElapsedTimer clock;
    QQueue<Chunk> queue;
    bool headStarted = false;
    qint64 lineFreeNs = 0;
    qint64 byteNs = 0;
};

} // namespace loggersim
