#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

// Byte-level building blocks of the logger's telegrams. The simulator builds every answer with these
// functions only, so they can be checked against hand-computed bytes.
namespace loggersim {

constexpr char stx = 0x02;
constexpr char cr = 0x0D;
constexpr char esc = 0x1B;
constexpr char etb = 0x17;

// Exclusive-or of all bytes.
quint8 checksum(const QByteArray &bytes);

// The three decimal digits of a checksum, "087" for 87.
QByteArray checksumText(quint8 sum);

// STX, kind letter, body, ETB, checksum over STX … ETB, CR.
QByteArray frameAnswer(char kind, const QByteArray &body);

// An answer before framing.
struct Answer {
    char kind;
    QByteArray body;
};

// ddMMyy, two filler characters "00", HHmmss.
QByteArray timeStamp(const QDateTime &time);

// Value text with "." as decimal point; a value that rounds to zero never carries a minus sign.
QByteArray valueText(double value, int decimals);

struct ChannelValue {
    int channel;
    int code;
    QByteArray text;
};

// Body of an "A" answer: time stamp, then "|" + channel (2 digits) + code (2 hex digits) + value per channel.
QByteArray instantBody(const QDateTime &time, const QList<ChannelValue> &values);

struct ChannelCode {
    int channel;
    int code;
};

// Body of an "H" answer: 29 filler characters (the name, padded or cut), the record count (5 digits),
// one blank, the time stamp, then "|" + channel (2 digits) + code (2 hex digits) per channel.
QByteArray headerBody(const QByteArray &name, int recordCount, const QDateTime &time,
                      const QList<ChannelCode> &codes);

// Body of an "M" answer: "0" or "1" (one or three values per channel), the time stamp, then "|" + value
// for every value in channel order.
QByteArray averageBody(bool threeValues, const QDateTime &time, const QList<QByteArray> &values);

struct Request {
    QByteArray station;
    QByteArray command;
};

// Cuts STX + station + ESC + command + CR requests out of a byte stream that may arrive in pieces and carry
// noise. An STX always starts a new request; bytes outside STX … CR and requests without ESC are dropped.
class RequestParser {
public:
    QList<Request> feed(const QByteArray &bytes);

    // Longest request text kept; a longer one without CR is dropped as noise.
    static constexpr int maxLength = 256;

private:
    QByteArray buffer;
    bool inRequest = false;
};

} // namespace loggersim
