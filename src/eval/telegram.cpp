#include "eval/telegram.h"

#include "eval/messages.h"
#include "link/request.h"

#include <QChar>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

// Length of the logger's time stamp.
constexpr int stampLength = 14;
// The frame around the body: STX and kind letter in front, ETB, three checksum digits and CR behind.
constexpr int shortestTelegram = 5;
constexpr int checksumDigits = 3;

// Where the parts of each kind start (0-based) and how long a field must at least be, counted from its "|"
// up to the next "|" or the ETB.
constexpr int instantStampAt = 2;
constexpr int instantFieldsAt = 16;
constexpr int instantFieldMinimum = 7;
constexpr int headerCountAt = 31;
constexpr int headerCountLength = 5;
constexpr int headerStampAt = 37;
constexpr int headerFieldsAt = 51;
constexpr int averageDigitAt = 2;
constexpr int averageStampAt = 3;
constexpr int averageFieldsAt = 17;
constexpr int shortFieldMinimum = 3;

constexpr char fieldSeparator = '|';
constexpr int lastAverageChannel = std::tuple_size<AverageValues>::value - 1;
constexpr int lastHeaderChannel = std::tuple_size<HeaderCodes>::value - 1;
constexpr int lastInstantChannel = std::tuple_size<InstValues>::value - 1;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A part of a text as QByteArray::mid gives it: positions outside the text are left out.
QByteArrayView mid(QByteArrayView text, qsizetype pos, qsizetype length) {
    if (pos >= text.size())
        return {};
    return text.sliced(pos, std::min(length, text.size() - pos));
}

// A whole number written in decimal digits, blanks around it allowed: the checksum, channel numbers and the
// parts of a time stamp. Anything else cannot be read.
std::optional<int> wholeNumberOf(QByteArrayView text) {
    const QByteArrayView digits = text.trimmed();
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

// The offset from UTC at noon of a day. Looking it up asks the C library, which checks the zone file on
// every call; the answers for the few days in use are kept per thread (and per value of TZ), so a time stamp
// costs one conversion instead of five.
int noonOffset(const QDate &day) {
    struct Entry {
        qint64 day = std::numeric_limits<qint64>::min();
        int offset = 0;
    };
    thread_local std::array<Entry, 4> entries;
    thread_local std::size_t next = 0;
    thread_local std::optional<std::string> zone;
    const char *currentZone = std::getenv("TZ");
    if (zone != (currentZone ? std::optional<std::string>(currentZone) : std::nullopt)) {
        entries.fill(Entry{});
        zone = currentZone ? std::optional<std::string>(currentZone) : std::nullopt;
    }
    const qint64 julian = day.toJulianDay();
    for (const Entry &entry : entries) {
        if (entry.day == julian)
            return entry.offset;
    }
    const int offset = QDateTime(day, QTime(12, 0)).offsetFromUtc();
    entries[next] = {julian, offset};
    next = (next + 1) % entries.size();
    return offset;
}

// Local date-time of a wall time, independent of the offset the platform happened to use last. On a day the
// clock changes the offsets of the days before and after differ: a wall time that occurs twice is read at its
// earlier occurrence, one that the clock skips with the offset from before the change.
QDateTime localDateTime(const QDate &date, const QTime &time) {
    const auto readWithOffset = [&](int offset) {
        return QDateTime(date, time, Qt::UTC).addSecs(-offset).toLocalTime();
    };
    const auto shows = [&](const QDateTime &t) { return t.date() == date && t.time() == time; };
    const int offsetBefore = noonOffset(date.addDays(-1));
    const int offsetAfter = noonOffset(date.addDays(1));
    const QDateTime before = readWithOffset(offsetBefore);
    if (offsetAfter == offsetBefore)
        return before;
    const QDateTime after = readWithOffset(offsetAfter);
    if (shows(before) || !shows(after))
        return before;
    return after;
}

// The time stamp at index of the telegram; an unreadable one is reported and gives the zero date-time.
QDateTime stampAt(QByteArrayView telegram, int index, QList<TelegramMessage> &messages) {
    std::optional<RunError> error;
    const QDateTime stamp = ExtractDate(mid(telegram, index, stampLength), &error);
    if (error)
        messages.append({error->text, MessageKind::unexpectedError});
    return stamp;
}

// Hands every field of the list that starts at index to decode, the field running from its "|" up to the
// next "|" or the ETB. A field shorter than minimum is skipped when it is the last one; anywhere else the
// telegram is malformed. The list ends at the first character that is not a "|".
template <typename Decoder>
std::optional<RunError> forEachField(QByteArrayView telegram, qsizetype index, int minimum,
                                     QList<TelegramMessage> &messages, Decoder decode) {
    while (index < telegram.size() && telegram.at(index) == fieldSeparator) {
        qsizetype end = telegram.indexOf(fieldSeparator, index + 1);
        if (end < 0)
            end = telegram.indexOf(LinkChar::ETB, index + 1);
        if (end < 0 || end - index + 1 < minimum) {
            if (end >= 0 && telegram.at(end) == LinkChar::ETB)
                return std::nullopt;
            messages.append({QStringLiteral("Fehlerhafte Daten"), MessageKind::checkFailed});
            return RunError::invalidArgument();
        }
        if (const auto error = decode(telegram.sliced(index, end - index)))
            return error;
        index = end;
    }
    return std::nullopt;
}

// A channel number at positions 2 and 3 of a field, within first ... last.
std::optional<RunError> readChannel(QByteArrayView field, int first, int last, int *channel) {
    const auto number = wholeNumberOf(mid(field, 1, 2));
    if (!number)
        return RunError::typeMismatch();
    if (*number < first || *number > last)
        return RunError::subscriptOutOfRange();
    *channel = *number;
    return std::nullopt;
}

std::optional<RunError> decodeInstant(QByteArrayView telegram, TelegramResult &result) {
    result.timeStamp = stampAt(telegram, instantStampAt, result.messages);
    return forEachField(telegram, instantFieldsAt, instantFieldMinimum, result.messages,
                        [&result](QByteArrayView field) -> std::optional<RunError> {
                            int channel = 0;
                            if (const auto error = readChannel(field, 0, lastInstantChannel, &channel))
                                return error;
                            result.instCodes[channel] = mid(field, 3, 2).toByteArray();
                            result.instValues[channel] = valueOf(mid(field, 5, field.size()));
                            return std::nullopt;
                        });
}

std::optional<RunError> decodeHeader(QByteArrayView telegram, TelegramResult &result) {
    result.recordTime = stampAt(telegram, headerStampAt, result.messages);
    // Rounded half to even, as a whole-number conversion does.
    const double count = std::nearbyint(valueOf(mid(telegram, headerCountAt, headerCountLength)));
    if (!(count >= std::numeric_limits<int>::min() && count <= std::numeric_limits<int>::max()))
        return RunError::overflow();
    result.storedRecordCount = static_cast<int>(count);
    std::fill(result.headerCodes.begin() + 1, result.headerCodes.end(), quint8(0));
    return forEachField(telegram, headerFieldsAt, shortFieldMinimum, result.messages,
                        [&result](QByteArrayView field) -> std::optional<RunError> {
                            int channel = 0;
                            if (const auto error = readChannel(field, 1, lastHeaderChannel, &channel))
                                return error;
                            // Two hexadecimal digits at most, so the code fits its byte.
                            result.headerCodes[channel] = static_cast<quint8>(hexValueOf(mid(field, 3, 2)));
                            return std::nullopt;
                        });
}

std::optional<RunError> decodeAverage(QByteArrayView telegram, const HeaderCodes &codes,
                                      TelegramResult &result) {
    result.recordTime = stampAt(telegram, averageStampAt, result.messages);
    result.valuesDigit = static_cast<int>(valueOf(mid(telegram, averageDigitAt, 1)));
    result.valuesPerChannel = 2 * result.valuesDigit + 1;
    const bool threeValues = result.valuesDigit > 0;
    int channel = 1;
    int valueNumber = 1;
    return forEachField(telegram, averageFieldsAt, shortFieldMinimum, result.messages,
                        [&](QByteArrayView field) -> std::optional<RunError> {
                            // The fields belong to the channels with a code; the last channel takes any
                            // field that is left, code or not.
                            while (channel < lastAverageChannel && codes[channel] == 0)
                                ++channel;
                            if (channel > lastAverageChannel)
                                return RunError::subscriptOutOfRange();
                            result.avgValues[channel][valueNumber] = valueOf(field.sliced(1));
                            if (threeValues && valueNumber < 3) {
                                ++valueNumber;
                            } else {
                                valueNumber = 1;
                                ++channel;
                            }
                            return std::nullopt;
                        });
}

} // namespace

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

quint8 telegramChecksum(QByteArrayView bytesUpToEtb) {
    quint8 sum = 0;
    for (const char c : bytesUpToEtb)
        sum ^= static_cast<quint8>(c);
    return sum;
}

QDateTime ExtractDate(QByteArrayView was, std::optional<RunError> *error) {
    const auto part = [&was](int index) { return wholeNumberOf(mid(was, index, 2)); };
    const auto day = part(0);
    const auto month = part(2);
    const auto year = part(4);
    const auto hour = part(8);
    const auto minute = part(10);
    const auto second = part(12);
    if (was.size() < stampLength || !day || !month || !year || !hour || !minute || !second) {
        if (error)
            *error = RunError::typeMismatch();
        return zeroDateTime();
    }
    if (error)
        error->reset();
    const int fullYear = *year < 30 ? 2000 + *year : 1900 + *year;
    constexpr int secondsPerDay = 86400;
    const int seconds = *hour * 3600 + *minute * 60 + *second;
    const QDate date =
        QDate(fullYear, 1, 1).addMonths(*month - 1).addDays(*day - 1).addDays(seconds / secondsPerDay);
    return localDateTime(date, QTime(0, 0).addSecs(seconds % secondsPerDay));
}

QDateTime zeroDateTime() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

double valueOf(QByteArrayView text) {
    // The number is rewritten without blanks as "<sign>0<digits>.<fraction>e<exponent>" for the conversion;
    // the leading "0" lets a number without integer digits (".5") convert as well.
    QVarLengthArray<char, 64> number;
    qsizetype i = 0;
    const auto at = [&text](qsizetype &index) {
        while (index < text.size() && isBlank(text.at(index)))
            ++index;
        return index < text.size() ? text.at(index) : '\0';
    };
    const auto digitAt = [&](qsizetype &index) { return isDigit(at(index)); };
    if (at(i) == '-' || at(i) == '+')
        number.append(text.at(i++));
    number.append('0');
    bool hasDigits = false;
    while (digitAt(i)) {
        number.append(text.at(i++));
        hasDigits = true;
    }
    if (at(i) == '.') {
        ++i;
        if (digitAt(i)) {
            number.append('.');
            while (digitAt(i))
                number.append(text.at(i++));
            hasDigits = true;
        }
    }
    if (!hasDigits)
        return 0;
    if (const char e = at(i); e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        qsizetype j = i + 1;
        const char sign = at(j);
        if (sign == '-' || sign == '+')
            ++j;
        if (digitAt(j)) {
            number.append('e');
            if (sign == '-' || sign == '+')
                number.append(sign);
            while (digitAt(j))
                number.append(text.at(j++));
        }
    }
    return QByteArrayView(number.constData(), number.size()).toDouble();
}

int hexValueOf(QByteArrayView text) {
    quint32 value = 0;
    for (const char c : text) {
        if (isBlank(c))
            continue;
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<quint32>(digit);
    }
    return static_cast<int>(value);
}

TelegramResult evaluateTelegram(const QByteArray &telegram, const HeaderCodes &currentHeaderCodes,
                                bool headerAwaited) {
    TelegramResult result;
    result.headerCodes = currentHeaderCodes;
    // A check message ends the evaluation.
    const auto checkFailed = [&result](const QString &text) {
        result.messages.append({text, MessageKind::checkFailed});
        return std::move(result);
    };
    // A failure leaves nothing of the telegram but its messages.
    const auto failed = [&](const RunError &error) {
        TelegramResult failure;
        failure.outcome = TelegramOutcome::Failed;
        failure.kind = result.kind;
        failure.messages = std::move(result.messages);
        failure.messages.append({error.text, MessageKind::unexpectedError});
        failure.headerCodes = currentHeaderCodes;
        return failure;
    };

    if (telegram.isEmpty())
        return failed(RunError::invalidArgument());
    if (telegram.front() != LinkChar::STX)
        return checkFailed(QStringLiteral("Daten ohne STX erhalten"));
    if (telegram.back() != LinkChar::CR)
        return checkFailed(QStringLiteral("Daten ohne CR erhalten"));
    if (telegram.size() < shortestTelegram)
        return failed(RunError::invalidArgument());
    const int etb = telegram.size() - shortestTelegram;
    if (telegram.at(etb) != LinkChar::ETB)
        return checkFailed(QStringLiteral("Daten ohne ETB erhalten"));
    const auto received = wholeNumberOf(QByteArrayView(telegram).sliced(etb + 1, checksumDigits));
    if (!received)
        return failed(RunError::typeMismatch());
    const int computed = telegramChecksum(QByteArrayView(telegram).first(etb + 1));
    if (*received != computed) {
        result.outcome = TelegramOutcome::ChecksumError;
        return checkFailed(QStringLiteral("Prüfsummenfehler (%1 vs. %2)").arg(*received).arg(computed));
    }

    const QChar letter = QChar::fromLatin1(telegram.at(1));
    std::optional<RunError> error;
    switch (letter.toUpper().unicode()) {
    case 'A':
        result.kind = 'A';
        error = decodeInstant(telegram, result);
        break;
    case 'H':
        result.kind = 'H';
        // Nothing of a header that nobody asked for is read: it could not start a fetch anyway.
        if (!headerAwaited)
            return checkFailed(QStringLiteral("Header ohne Anforderung"));
        error = decodeHeader(telegram, result);
        break;
    case 'M':
        result.kind = 'M';
        error = decodeAverage(telegram, currentHeaderCodes, result);
        break;
    default:
        return checkFailed(QStringLiteral("Unbekanntes Kennzeichen: '") + letter + QLatin1Char('\''));
    }
    if (error)
        return failed(*error);
    result.outcome = TelegramOutcome::Decoded;
    return result;
}
