#include "link/seriallink.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

namespace {

// Error numbers in the classic run-time numbering that RunError uses.
constexpr int InvalidValue = 5;
constexpr int PortNotOpen = 52;
constexpr int PortAlreadyOpen = 55;
constexpr int DeviceIoError = 57;
constexpr int DeviceUnavailable = 68;
constexpr int AccessDenied = 70;

constexpr int FirstPort = 1;
constexpr int LastPort = 8;

QSerialPort::Parity parityFor(char c) {
    switch (c) {
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits stopBitsFor(const QString &text) {
    if (text == QLatin1String("2")) {
        return QSerialPort::TwoStop;
    }
    if (text == QLatin1String("1.5")) {
        return QSerialPort::OneAndHalfStop;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl flowFor(int handshake) {
    switch (handshake) {
    case SerialLink::XonXoff:
        return QSerialPort::SoftwareControl;
    case SerialLink::RtsCts:
    case SerialLink::RtsCtsXonXoff:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

bool handshakeUsesRts(int handshake) {
    return handshake == SerialLink::RtsCts || handshake == SerialLink::RtsCtsXonXoff;
}

// Drivers of real serial ports keep counters of the line errors they have seen; pseudo-terminals and most
// other platforms have none, and the caller then does without the error events.
std::optional<LineErrorCounts> readLineErrorCounts([[maybe_unused]] QSerialPort *port) {
#ifdef Q_OS_LINUX
    serial_icounter_struct counters{};
    if (::ioctl(port->handle(), TIOCGICOUNT, &counters) == -1) {
        return std::nullopt;
    }
    LineErrorCounts result;
    result.breaks = counters.brk;
    result.frame = counters.frame;
    result.overrun = counters.overrun;
    result.parity = counters.parity;
    result.bufferOverrun = counters.buf_overrun;
    return result;
#else
    return std::nullopt;
#endif
}

} // namespace

SerialLink::SerialLink(QObject *parent) : QObject(parent), m_port(new QSerialPort(this)) {
    connect(m_port, &QSerialPort::readyRead, this, &SerialLink::takeIncoming);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::onPortError);
}

SerialLink::~SerialLink() {
    m_port->disconnect(this);
    if (m_port->isOpen()) {
        m_port->close();
    }
}

void SerialLink::setProgramDir(const QString &programDir) {
    m_programDir = programDir;
}

std::optional<RunError> SerialLink::setCommPort(int n) {
    if (n < FirstPort || n > LastPort) {
        return RunError::invalidArgument();
    }
    if (m_port->isOpen()) {
        return RunError{InvalidValue,
                        QStringLiteral("Die Schnittstellennummer kann nicht geändert werden, solange die "
                                       "Schnittstelle geöffnet ist.")};
    }
    m_commPort = n;
    return std::nullopt;
}

QString SerialLink::portLabel() const {
    return QStringLiteral("COM %1").arg(m_commPort);
}

QString SerialLink::deviceName() const {
    return resolvePortName(m_programDir, m_commPort);
}

QString SerialLink::linkName(const QString &programDir, int n) {
    return QDir(programDir).filePath(QStringLiteral("dosdevices/com%1").arg(n));
}

QString SerialLink::resolvePortName(const QString &programDir, int n) {
    if (!programDir.isEmpty()) {
        // A dangling link still names the port: an unplugged adapter must not make COM n fall back to
        // another, real port of the machine.
        const QString link = linkName(programDir, n);
        const QFileInfo info(link);
        if (info.exists() || info.isSymLink()) {
            return link;
        }
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

std::optional<SerialLink::LineSettings> SerialLink::parseSettings(const QString &text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return std::nullopt;
    }
    LineSettings line;
    bool ok = false;
    line.baud = fields.at(0).trimmed().toInt(&ok);
    if (!ok || line.baud <= 0) {
        return std::nullopt;
    }
    const QString parity = fields.at(1).trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity)) {
        return std::nullopt;
    }
    line.parity = parity.at(0).toLatin1();
    line.dataBits = fields.at(2).trimmed().toInt(&ok);
    if (!ok || line.dataBits < 5 || line.dataBits > 8) {
        return std::nullopt;
    }
    line.stopBits = fields.at(3).trimmed();
    if (line.stopBits != QLatin1String("1") && line.stopBits != QLatin1String("1.5") &&
        line.stopBits != QLatin1String("2")) {
        return std::nullopt;
    }
    return line;
}

QString SerialLink::settingsText(const LineSettings &line) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(line.baud)
        .arg(QLatin1Char(line.parity))
        .arg(line.dataBits)
        .arg(line.stopBits);
}

std::optional<RunError> SerialLink::setSettings(const QString &settings) {
    const std::optional<LineSettings> line = parseSettings(settings);
    if (!line) {
        return RunError::invalidArgument();
    }
    if (m_port->isOpen() && !applyLine(*line, m_handshake)) {
        applyLine(m_line, m_handshake);
        return RunError{InvalidValue,
                        QStringLiteral("Die Schnittstelle %1 (%2) unterstützt die Einstellungen %3 "
                                       "nicht.")
                            .arg(portLabel(), m_device, settingsText(*line))};
    }
    m_line = *line;
    return std::nullopt;
}

QString SerialLink::settings() const {
    return settingsText(m_line);
}

QString SerialLink::settingsString(const QString &baudText, const QString &parityText,
                                   const QString &dataText, const QString &stopText) {
    return baudText + QLatin1Char(',') + parityText.left(1) + QLatin1Char(',') + dataText + QLatin1Char(',') +
           stopText;
}

std::optional<RunError> SerialLink::setHandshaking(int mode) {
    if (mode < NoHandshake || mode > RtsCtsXonXoff) {
        return RunError::invalidArgument();
    }
    if (m_port->isOpen()) {
        if (!applyLine(m_line, mode)) {
            applyLine(m_line, m_handshake);
            return RunError{
                InvalidValue,
                QStringLiteral("Die Schnittstelle %1 (%2) unterstützt dieses Übertragungsprotokoll "
                               "nicht.")
                    .arg(portLabel(), m_device)};
        }
        m_handshake = mode;
        applyModemLines();
        return std::nullopt;
    }
    m_handshake = mode;
    return std::nullopt;
}

void SerialLink::setDTREnable(bool enable) {
    m_dtr = enable;
    if (m_port->isOpen()) {
        applyModemLines();
    }
}

void SerialLink::setRTSEnable(bool enable) {
    m_rts = enable;
    if (m_port->isOpen()) {
        applyModemLines();
    }
}

bool SerialLink::applyLine(const LineSettings &line, int handshake) {
    bool ok = m_port->setBaudRate(line.baud);
    ok = m_port->setParity(parityFor(line.parity)) && ok;
    ok = m_port->setDataBits(QSerialPort::DataBits(line.dataBits)) && ok;
    ok = m_port->setStopBits(stopBitsFor(line.stopBits)) && ok;
    ok = m_port->setFlowControl(flowFor(handshake)) && ok;
    if (ok && m_port->isOpen() && handshake == RtsCtsXonXoff) {
        ok = applyXonXoffBesideHardware();
    }
    return ok;
}

bool SerialLink::applyXonXoffBesideHardware() {
#ifdef Q_OS_UNIX
    // QSerialPort knows one flow control at a time; both together are set on the terminal itself.
    const int fd = int(m_port->handle());
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0) {
        return false;
    }
    attributes.c_iflag |= IXON | IXOFF;
    return ::tcsetattr(fd, TCSANOW, &attributes) == 0;
#else
    // Elsewhere the port keeps the hardware flow control alone.
    return true;
#endif
}

void SerialLink::applyModemLines() {
    // Lines without modem control (pseudo-terminals, some adapters) refuse this; they then simply have no
    // DTR or RTS to set. Under RTS/CTS handshaking the driver owns RTS.
    m_muteErrors = true;
    m_port->setDataTerminalReady(m_dtr);
    if (!handshakeUsesRts(m_handshake)) {
        m_port->setRequestToSend(m_rts);
    }
    m_port->clearError();
    m_muteErrors = false;
}

std::optional<RunError> SerialLink::open() {
    if (m_port->isOpen()) {
        return portError(PortAlreadyOpen, QStringLiteral("ist bereits geöffnet"));
    }
    m_device = deviceName();
    m_port->setPortName(m_device);
    applyLine(m_line, m_handshake);
    clearInbox();
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString detail = m_port->errorString();
        m_port->clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return portError(DeviceUnavailable, QStringLiteral("existiert nicht"));
        case QSerialPort::PermissionError: {
            const QFileInfo info(m_device);
            if (info.exists() && (!info.isReadable() || !info.isWritable())) {
                return portError(AccessDenied,
                                 QStringLiteral("darf nicht benutzt werden (Zugriff verweigert)"));
            }
            return portError(AccessDenied, QStringLiteral("wird bereits verwendet"));
        }
        case QSerialPort::UnsupportedOperationError:
            return portError(InvalidValue,
                             QStringLiteral("unterstützt die Einstellungen %1 nicht").arg(settings()));
        case QSerialPort::ResourceError:
            return portError(DeviceUnavailable, QStringLiteral("ist nicht verfügbar"));
        default:
            return portError(DeviceIoError, QStringLiteral("kann nicht geöffnet werden (%1)").arg(detail));
        }
    }
    if (m_handshake == RtsCtsXonXoff && !applyXonXoffBesideHardware()) {
        shutDown();
        return portError(InvalidValue, QStringLiteral("unterstützt dieses Übertragungsprotokoll nicht"));
    }
    applyModemLines();
    m_lineErrors = readLineErrorCounts(m_port);
    return std::nullopt;
}

std::optional<RunError> SerialLink::close() {
    if (!m_port->isOpen()) {
        clearInbox();
        return std::nullopt;
    }
    m_port->clearError();
    shutDown();
    const QSerialPort::SerialPortError error = m_port->error();
    if (error != QSerialPort::NoError) {
        const QString detail = m_port->errorString();
        m_port->clearError();
        return portError(DeviceIoError,
                         QStringLiteral("wurde nicht ordnungsgemäß geschlossen (%1)").arg(detail));
    }
    return std::nullopt;
}

bool SerialLink::isOpen() const {
    return m_port->isOpen();
}

std::optional<RunError> SerialLink::write(const QByteArray &bytes) {
    if (!m_port->isOpen()) {
        return RunError{PortNotOpen, QStringLiteral("Die Schnittstelle ist nicht geöffnet.")};
    }
    if (m_port->bytesToWrite() + bytes.size() > OutboxCapacity) {
        postEvent(CommEvent::TxFull);
        return RunError{
            DeviceIoError,
            QStringLiteral("Der Sendepuffer der Schnittstelle %1 (%2) ist voll.").arg(portLabel(), m_device)};
    }
    if (m_port->write(bytes) != bytes.size()) {
        return RunError{
            DeviceIoError,
            QStringLiteral("Fehler beim Senden an die Schnittstelle %1 (%2).").arg(portLabel(), m_device)};
    }
    return std::nullopt;
}

char SerialLink::readChar() {
    if (inBufferCount() == 0) {
        return 0;
    }
    const char c = m_inbox.at(m_inboxRead++);
    if (m_inboxRead == m_inbox.size()) {
        clearInbox();
    }
    return c;
}

QList<int> SerialLink::lineErrorEvents(const LineErrorCounts &before, const LineErrorCounts &after) {
    QList<int> events;
    if (after.breaks != before.breaks) {
        events.append(CommEvent::Break);
    }
    if (after.frame != before.frame) {
        events.append(CommEvent::Frame);
    }
    if (after.overrun != before.overrun) {
        events.append(CommEvent::Overrun);
    }
    if (after.bufferOverrun != before.bufferOverrun) {
        events.append(CommEvent::RxOver);
    }
    if (after.parity != before.parity) {
        events.append(CommEvent::RxParity);
    }
    return events;
}

void SerialLink::takeIncoming() {
    const QByteArray bytes = m_port->readAll();
    if (!bytes.isEmpty()) {
        m_inbox.remove(0, m_inboxRead);
        m_inboxRead = 0;
        m_inbox.append(bytes);
        if (m_inbox.size() > InboxCapacity) {
            m_inbox.remove(0, m_inbox.size() - InboxCapacity);
            if (!m_overflowReported) {
                m_overflowReported = true;
                postEvent(CommEvent::RxOver);
            }
        }
        // Announced through the event loop, so that the port's readyRead emission is over before anybody
        // handles the bytes; one announcement stands for everything that comes until it is delivered.
        if (!m_receivePending) {
            m_receivePending = true;
            QMetaObject::invokeMethod(this, &SerialLink::deliverReceive, Qt::QueuedConnection);
        }
    }
    pollLineErrors();
}

void SerialLink::pollLineErrors() {
    if (!m_lineErrors) {
        return;
    }
    const std::optional<LineErrorCounts> now = readLineErrorCounts(m_port);
    if (!now) {
        return;
    }
    for (const int code : lineErrorEvents(*m_lineErrors, *now)) {
        postEvent(code);
    }
    m_lineErrors = now;
}

void SerialLink::onPortError(QSerialPort::SerialPortError error) {
    if (m_muteErrors || !m_port->isOpen()) {
        return;
    }
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) {
        return;
    }
    // A vanished device reports this again on every turn of the event loop until the port is closed.
    const QString text = QStringLiteral("Die Verbindung zur Schnittstelle %1 (%2) ist unterbrochen.")
                             .arg(portLabel(), m_device);
    shutDown();
    QMetaObject::invokeMethod(
        this, [this, text] { emit portLost(text); }, Qt::QueuedConnection);
}

void SerialLink::postEvent(int code) {
    QMetaObject::invokeMethod(
        this, [this, code] { emit commEvent(code); }, Qt::QueuedConnection);
}

void SerialLink::deliverReceive() {
    m_receivePending = false;
    if (inBufferCount() > 0) {
        emit commEvent(CommEvent::Receive);
    }
}

void SerialLink::shutDown() {
    m_muteErrors = true;
    m_port->close();
    m_muteErrors = false;
    m_lineErrors.reset();
    clearInbox();
}

void SerialLink::clearInbox() {
    m_inbox.clear();
    m_inboxRead = 0;
    m_overflowReported = false;
}

RunError SerialLink::portError(int number, const QString &what) const {
    return RunError{number, QStringLiteral("Die Schnittstelle %1 (%2) %3.").arg(portLabel(), m_device, what)};
}
