#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal playing the device at the far end of a serial line: the program opens the slave (linked
// as dosdevices/com<n>), the test talks through the master. Waits keep events running, because the port under
// test writes from the event loop of this same thread.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Creates <programDir>/dosdevices/com<com> as a symbolic link to the slave, replacing an older link.
    bool linkAs(const QString &programDir, int com);
    // Writes all bytes to the master; waits (events running) while the line is full.
    bool write(const QByteArray &bytes, int timeoutMs = 5000);
    // Waits until count bytes have come or timeoutMs has passed; returns at most count bytes, keeps the rest.
    QByteArray waitForBytes(int count, int timeoutMs);
    // The device goes away: the program's side of the line hangs up.
    void closeMaster();

private:
    void drainMaster();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QByteArray m_received;
};
