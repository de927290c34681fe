#include "support/pty.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        m_master = -1;
        m_slave = -1;
        return;
    }
    // The slave stays open here for the whole life of the object, so the master never sees a hang-up just
    // because the program closed its port in between.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(::ttyname(m_slave));
}

PseudoTerminal::~PseudoTerminal() {
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_slavePath) {
        QFile::remove(m_linkPath);
    }
    closeMaster();
    if (m_slave >= 0) {
        ::close(m_slave);
    }
}

bool PseudoTerminal::linkAs(const QString &programDir, int com) {
    if (!isValid()) {
        return false;
    }
    const QDir dir(programDir);
    if (!dir.mkpath(QStringLiteral("dosdevices"))) {
        return false;
    }
    const QString link = dir.filePath(QStringLiteral("dosdevices/com%1").arg(com));
    if (QFileInfo(link).isSymLink() || QFileInfo::exists(link)) {
        QFile::remove(link);
    }
    if (!QFile::link(m_slavePath, link)) {
        return false;
    }
    m_linkPath = link;
    return true;
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (m_master < 0) {
            return false;
        }
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN) {
            return false;
        } else if (deadline.hasExpired() || !waitFor(POLLOUT, int(deadline.remainingTime()))) {
            return false;
        }
    }
    return true;
}

QByteArray PseudoTerminal::readAll(int timeoutMs) {
    drainMaster();
    if (m_received.isEmpty() && waitFor(POLLIN, timeoutMs)) {
        drainMaster();
    }
    QByteArray all;
    all.swap(m_received);
    return all;
}

QByteArray PseudoTerminal::waitForBytes(int count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    drainMaster();
    while (m_received.size() < count && !deadline.hasExpired() && m_master >= 0) {
        if (waitFor(POLLIN, int(deadline.remainingTime()))) {
            drainMaster();
        }
    }
    const QByteArray head = m_received.left(count);
    m_received.remove(0, head.size());
    return head;
}

void PseudoTerminal::closeMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool PseudoTerminal::waitFor(short events, int timeoutMs) {
    if (m_master < 0) {
        return false;
    }
    pollfd ready{m_master, events, 0};
    if (::poll(&ready, 1, 0) > 0) {
        return (ready.revents & events) != 0;
    }
    QEventLoop loop;
    QSocketNotifier notifier(m_master, events == POLLIN ? QSocketNotifier::Read : QSocketNotifier::Write);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return ::poll(&ready, 1, 0) > 0 && (ready.revents & events) != 0;
}

void PseudoTerminal::drainMaster() {
    char chunk[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0) {
            m_received.append(chunk, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}
