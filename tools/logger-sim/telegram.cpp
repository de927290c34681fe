#include "telegram.h"

#include <cmath>

namespace loggersim {

quint8 checksum(const QByteArray &bytes) {
    quint8 sum = 0;
    for (const char c : bytes)
        sum ^= static_cast<quint8>(c);
    return sum;
}

QByteArray checksumText(quint8 sum) {
    return QByteArray::number(sum).rightJustified(3, '0');
}

QByteArray frameAnswer(char kind, const QByteArray &body) {
    QByteArray telegram;
    telegram.reserve(body.size() + 7);
    telegram.append(stx).append(kind).append(body).append(etb);
    telegram.append(checksumText(checksum(telegram)));
    telegram.append(cr);
    return telegram;
}

QByteArray timeStamp(const QDateTime &time) {
    const QDate d = time.date();
    const QTime t = time.time();
    return QString::asprintf("%02d%02d%02d00%02d%02d%02d", d.day(), d.month(), d.year() % 100, t.hour(),
                             t.minute(), t.second())
        .toLatin1();
}

QByteArray valueText(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0; // turns -0.0 into 0.0
    return QByteArray::number(rounded, 'f', decimals);
}

static QByteArray twoDigits(int n) {
    return QByteArray::number(n).rightJustified(2, '0');
}

static QByteArray twoHex(int code) {
    return QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
}

QByteArray instantBody(const QDateTime &time, const QList<ChannelValue> &values) {
    QByteArray body = timeStamp(time);
    for (const ChannelValue &v : values)
        body.append('|').append(twoDigits(v.channel)).append(twoHex(v.code)).append(v.text);
    return body;
}

QByteArray headerBody(const QByteArray &name, int recordCount, const QDateTime &time,
                      const QList<ChannelCode> &codes) {
    QByteArray body = name.left(29).leftJustified(29, ' ');
    body.append(QByteArray::number(recordCount).rightJustified(5, '0'));
    body.append(' ');
    body.append(timeStamp(time));
    for (const ChannelCode &c : codes)
        body.append('|').append(twoDigits(c.channel)).append(twoHex(c.code));
    return body;
}

QByteArray averageBody(bool threeValues, const QDateTime &time, const QList<QByteArray> &values) {
    QByteArray body(1, threeValues ? '1' : '0');
    body.append(timeStamp(time));
    for (const QByteArray &v : values)
        body.append('|').append(v);
    return body;
}

QList<Request> RequestParser::feed(const QByteArray &bytes) {
    QList<Request> requests;
    for (const char c : bytes) {
        if (c == stx) {
            buffer.clear();
            inRequest = true;
            continue;
        }
        if (!inRequest)
            continue;
        if (c == cr) {
            const qsizetype escAt = buffer.indexOf(esc);
            if (escAt >= 0)
                requests.append({buffer.left(escAt), buffer.mid(escAt + 1)});
            buffer.clear();
            inRequest = false;
            continue;
        }
        buffer.append(c);
        if (buffer.size() > maxLength) {
            buffer.clear();
            inRequest = false;
        }
    }
    return requests;
}

} // namespace loggersim
