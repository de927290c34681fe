#pragma once

#include "store/runerror.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

// Event codes of the port's single event: 2 for received characters, the others for line and buffer errors.
namespace CommEvent {
constexpr int Receive = 2;
constexpr int Break = 1001;
constexpr int Frame = 1004;
constexpr int Overrun = 1006;
constexpr int RxOver = 1008;
constexpr int RxParity = 1009;
constexpr int TxFull = 1010;
constexpr int Dcb = 1011;
} // namespace CommEvent

// The driver's running error counters of a serial line.
struct LineErrorCounts {
    int breaks = 0;
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int bufferOverrun = 0;
};

// The serial port of the logger line: port number 1 … 8, a settings text "baud,parity,data,stop", four
// handshake modes, the DTR and RTS lines, and a receive inbox that the owner empties one character at a time.
//
// Received bytes are moved into the inbox at once and announced by commEvent(CommEvent::Receive) through a
// queued call, never from inside the port's own readyRead emission. A handler of that event may therefore
// wait in a nested event loop and still be told about bytes that arrive meanwhile.
class SerialLink : public QObject {
    Q_OBJECT
public:
    enum Handshake { NoHandshake = 0, XonXoff = 1, RtsCts = 2, RtsCtsXonXoff = 3 };

    // Beyond this many unread bytes the oldest are dropped and RxOver is reported.
    static constexpr int InboxCapacity = 64 * 1024;
    // Beyond this many unsent bytes a write is refused and TxFull is reported.
    static constexpr int OutboxCapacity = 64 * 1024;

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    void setProgramDir(const QString &programDir);
    QString programDir() const { return m_programDir; }

    std::optional<RunError> setCommPort(int n);
    int commPort() const { return m_commPort; }
    // "COM 3": the port as the user knows it.
    QString portLabel() const;
    // The device that commPort() stands for, see resolvePortName().
    QString deviceName() const;
    // The device the port was last opened on.
    QString openedDevice() const { return m_device; }

    // <programDir>/dosdevices/com<n>: the link that names the device behind COM n.
    static QString linkName(const QString &programDir, int n);

    // COM n is <programDir>/dosdevices/com<n> when that link exists (a link to /dev/ttyUSB0, a
    // pseudo-terminal …), otherwise the platform's own name of the n-th serial port.
    static QString resolvePortName(const QString &programDir, int n);

    std::optional<RunError> setSettings(const QString &settings);
    QString settings() const;
    // The settings text from the texts of the settings dialog's lists; the parity is the first character of
    // "none", "even", "odd", "mark" or "space".
    static QString settingsString(const QString &baudText, const QString &parityText, const QString &dataText,
                                  const QString &stopText);

    std::optional<RunError> setHandshaking(int mode);
    int handshaking() const { return m_handshake; }
    // DTR and RTS take effect at once on an open port, otherwise when it is opened.
    void setDTREnable(bool enable);
    bool dtrEnable() const { return m_dtr; }
    void setRTSEnable(bool enable);
    bool rtsEnable() const { return m_rts; }

    std::optional<RunError> open();
    std::optional<RunError> close();
    bool isOpen() const;

    std::optional<RunError> write(const QByteArray &bytes);

    int inBufferCount() const { return int(m_inbox.size() - m_inboxRead); }
    // The oldest unread byte; 0 when nothing is waiting.
    char readChar();

    // The events that a change of the driver's error counters stands for, in ascending order of their codes.
    static QList<int> lineErrorEvents(const LineErrorCounts &before, const LineErrorCounts &after);

signals:
    void commEvent(int code);
    // The device went away while the port was open; the port is closed already.
    void portLost(const QString &text);

private:
    struct LineSettings {
        qint32 baud = 9600;
        char parity = 'n';
        int dataBits = 8;
        QString stopBits = QStringLiteral("1");
    };

    static std::optional<LineSettings> parseSettings(const QString &text);
    static QString settingsText(const LineSettings &line);
    bool applyLine(const LineSettings &line, int handshake);
    bool applyXonXoffBesideHardware();
    void applyModemLines();
    void takeIncoming();
    void pollLineErrors();
    void onPortError(QSerialPort::SerialPortError error);
    void postEvent(int code);
    void deliverReceive();
    void shutDown();
    void clearInbox();
    RunError portError(int number, const QString &what) const;

    QSerialPort *m_port;
    QString m_programDir;
    int m_commPort = 1;
    LineSettings m_line;
    int m_handshake = NoHandshake;
    bool m_dtr = false;
    bool m_rts = false;

    QByteArray m_inbox;
    qsizetype m_inboxRead = 0;
    bool m_receivePending = false;
    bool m_overflowReported = false;

    QString m_device;
    std::optional<LineErrorCounts> m_lineErrors;
    // Set while this class itself closes or configures the port: the errors the port reports meanwhile are
    // answered by the calling function, not taken for a vanished device.
    bool m_muteErrors = false;
};
