#include "support/pty.h"

#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // The slave stays open for the object's life, so the master sees no hang-up when the program closes its
    // port in between.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(::ttyname(m_slave));
}

PseudoTerminal::~PseudoTerminal() {
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_slavePath)
        QFile::remove(m_linkPath);
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PseudoTerminal::linkAs(const QString &programDir, int com) {
    const QString link = QDir(programDir).filePath(QStringLiteral("dosdevices/com%1").arg(com));
    if (m_master < 0 || !QDir(programDir).mkpath(QStringLiteral("dosdevices")))
        return false;
    QFile::remove(link);
    m_linkPath = link;
    return QFile::link(m_slavePath, link);
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs) {
    qsizetype done = 0;
    const auto allWritten = [&] {
        const ssize_t n =
            m_master < 0 ? -1 : ::write(m_master, bytes.data() + done, size_t(bytes.size() - done));
        done += std::max<ssize_t>(n, 0);
        return done == bytes.size() || m_master < 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
    };
    return QTest::qWaitFor(allWritten, timeoutMs) && done == bytes.size();
}

QByteArray PseudoTerminal::waitForBytes(int count, int timeoutMs) {
    (void)QTest::qWaitFor([&] { return drainMaster(), m_received.size() >= count || m_master < 0; },
                          timeoutMs);
    const QByteArray head = m_received.left(count);
    m_received.remove(0, head.size());
    return head;
}

void PseudoTerminal::closeMaster() {
    if (m_master >= 0)
        ::close(std::exchange(m_master, -1));
}

void PseudoTerminal::drainMaster() {
    char chunk[4096];
    for (ssize_t n; m_master >= 0 && (n = ::read(m_master, chunk, sizeof chunk)) > 0;)
        m_received.append(chunk, n);
}
