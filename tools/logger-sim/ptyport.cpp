#include "ptyport.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace loggersim {

PtyPort::PtyPort(QObject *parent) : QObject(parent) {
    pumpTimer.setSingleShot(true);
    pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&pumpTimer, &QTimer::timeout, this, &PtyPort::pump);
    resumeTimer.setSingleShot(true);
    resumeTimer.setInterval(100);
    connect(&resumeTimer, &QTimer::timeout, this, [this] { readNotifier->setEnabled(true); });
    clock.start();
}

PtyPort::~PtyPort() {
    delete readNotifier;
    delete writeNotifier;
    if (masterFd >= 0)
        ::close(masterFd);
    if (slaveFd >= 0)
        ::close(slaveFd);
}

bool PtyPort::open(QString *error) {
    char name[256] = {};
    if (::openpty(&masterFd, &slaveFd, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("Pseudo-Terminal nicht verfügbar: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    slaveName = QString::fromLocal8Bit(name);
    termios tio{};
    if (::tcgetattr(slaveFd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slaveFd, TCSANOW, &tio);
    }
    // The slave stays open here as well: without any open slave the master reports hang-up and EIO, and the
    // station program must be able to close and reopen its port at will.
    ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    ::fcntl(masterFd, F_SETFD, FD_CLOEXEC);
    ::fcntl(slaveFd, F_SETFD, FD_CLOEXEC);

    readNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &PtyPort::readMaster);
    writeNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, [this] {
        writeNotifier->setEnabled(false);
        pump();
    });
    return true;
}

void PtyPort::setBaud(int baud) {
    byteNs = baud > 0 ? 10'000'000'000LL / baud : 0;
}

void PtyPort::send(const QList<Chunk> &chunks) {
    for (const Chunk &c : chunks)
        queue.enqueue(c);
    if (!pumpTimer.isActive() && !writeNotifier->isEnabled())
        pump();
}

void PtyPort::readMaster() {
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // Not expected while the own slave descriptor is open; pause instead of spinning on it.
            readNotifier->setEnabled(false);
            resumeTimer.start();
        }
        break;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

void PtyPort::schedule(qint64 waitNs) {
    pumpTimer.start(static_cast<int>((waitNs + 999'999) / 1'000'000));
}

void PtyPort::pump() {
    pumpTimer.stop();
    while (!queue.isEmpty()) {
        Chunk &head = queue.head();
        const qint64 now = clock.nsecsElapsed();
        if (!headStarted) {
            lineFreeNs = std::max(now, lineFreeNs) + qint64(head.pauseMs) * 1'000'000;
            headStarted = true;
        }
        if (now < lineFreeNs) {
            schedule(lineFreeNs - now);
            return;
        }
        qsizetype due = head.bytes.size();
        if (byteNs > 0)
            due = std::min<qint64>(due, (now - lineFreeNs) / byteNs + 1);
        const ssize_t written =
            due > 0 ? ::write(masterFd, head.bytes.constData(), static_cast<size_t>(due)) : 0;
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                writeNotifier->setEnabled(true);
                return;
            }
            const QString text = QString::fromLocal8Bit(std::strerror(errno));
            queue.clear();
            headStarted = false;
            emit failed(text);
            return;
        }
        head.bytes.remove(0, written);
        lineFreeNs = byteNs > 0 ? lineFreeNs + written * byteNs : now;
        if (written < due) {
            writeNotifier->setEnabled(true);
            return;
        }
        if (head.bytes.isEmpty()) {
            queue.dequeue();
            headStarted = false;
        }
    }
}

} // namespace loggersim
