#include "eval/telegram.h"

#include "eval/messages.h"
#include "link/request.h"

#include <QChar>

#include <algorithm>
#include <cmath>
#include <limits>

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

QByteArray withoutBlanks(const QByteArray &text) {
    QByteArray kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (!isBlank(c))
            kept.append(c);
    }
    return kept;
}

// A whole number written in decimal digits, blanks around it allowed: the checksum, channel numbers and the
// parts of a time stamp. Anything else cannot be read.
std::optional<int> wholeNumberOf(const QByteArray &text) {
    const QByteArray digits = text.trimmed();
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

// Local date-time of a wall time, independent of the offset the platform happened to use last. On a day the
// clock changes the offsets of the days before and after differ: a wall time that occurs twice is read at its
// earlier occurrence, one that the clock skips with the offset from before the change.
QDateTime localDateTime(const QDate &date, const QTime &time) {
    const auto readWithOffsetOf = [&](const QDate &neighbour) {
        const int offset = QDateTime(neighbour, QTime(12, 0)).offsetFromUtc();
        return QDateTime(date, time, Qt::UTC).addSecs(-offset).toLocalTime();
    };
    const auto shows = [&](const QDateTime &t) { return t.date() == date && t.time() == time; };
    const QDateTime before = readWithOffsetOf(date.addDays(-1));
    const QDateTime after = readWithOffsetOf(date.addDays(1));
    if (shows(before) || !shows(after))
        return before;
    return after;
}

// The time stamp at index of the telegram; an unreadable one is reported and gives the zero date-time.
QDateTime stampAt(const QByteArray &telegram, int index, QList<TelegramMessage> &messages) {
    std::optional<RunError> error;
    const QDateTime stamp = ExtractDate(telegram.mid(index, stampLength), &error);
    if (error)
        messages.append({error->text, MessageKind::unexpectedError});
    return stamp;
}

// Hands every field of the list that starts at index to decode, the field running from its "|" up to the
// next "|" or the ETB. A field shorter than minimum is skipped when it is the last one; anywhere else the
// telegram is malformed. The list ends at the first character that is not a "|".
template <typename Decoder>
std::optional<RunError> forEachField(const QByteArray &telegram, int index, int minimum,
                                     QList<TelegramMessage> &messages, Decoder decode) {
    while (index < telegram.size() && telegram.at(index) == fieldSeparator) {
        int end = telegram.indexOf(fieldSeparator, index + 1);
        if (end < 0)
            end = telegram.indexOf(LinkChar::ETB, index + 1);
        if (end < 0 || end - index + 1 < minimum) {
            if (end >= 0 && telegram.at(end) == LinkChar::ETB)
                return std::nullopt;
            messages.append({QStringLiteral("Fehlerhafte Daten"), MessageKind::checkFailed});
            return RunError::invalidArgument();
        }
        if (const auto error = decode(telegram.mid(index, end - index)))
            return error;
        index = end;
    }
    return std::nullopt;
}

// A channel number at positions 2 and 3 of a field, within first ... last.
std::optional<RunError> readChannel(const QByteArray &field, int first, int last, int *channel) {
    const auto number = wholeNumberOf(field.mid(1, 2));
    if (!number)
        return RunError::typeMismatch();
    if (*number < first || *number > last)
        return RunError::subscriptOutOfRange();
    *channel = *number;
    return std::nullopt;
}

std::optional<RunError> decodeInstant(const QByteArray &telegram, TelegramResult &result) {
    result.timeStamp = stampAt(telegram, instantStampAt, result.messages);
    return forEachField(telegram, instantFieldsAt, instantFieldMinimum, result.messages,
                        [&result](const QByteArray &field) -> std::optional<RunError> {
                            int channel = 0;
                            if (const auto error = readChannel(field, 0, lastInstantChannel, &channel))
                                return error;
                            result.instCodes[channel] = field.mid(3, 2);
                            result.instValues[channel] = valueOf(field.mid(5));
                            return std::nullopt;
                        });
}

std::optional<RunError> decodeHeader(const QByteArray &telegram, TelegramResult &result) {
    result.recordTime = stampAt(telegram, headerStampAt, result.messages);
    // Rounded half to even, as a whole-number conversion does.
    const double count = std::nearbyint(valueOf(telegram.mid(headerCountAt, headerCountLength)));
    if (!(count >= std::numeric_limits<int>::min() && count <= std::numeric_limits<int>::max()))
        return RunError::overflow();
    result.storedRecordCount = static_cast<int>(count);
    std::fill(result.headerCodes.begin() + 1, result.headerCodes.end(), quint8(0));
    return forEachField(telegram, headerFieldsAt, shortFieldMinimum, result.messages,
                        [&result](const QByteArray &field) -> std::optional<RunError> {
                            int channel = 0;
                            if (const auto error = readChannel(field, 1, lastHeaderChannel, &channel))
                                return error;
                            // Two hexadecimal digits at most, so the code fits its byte.
                            result.headerCodes[channel] = static_cast<quint8>(hexValueOf(field.mid(3, 2)));
                            return std::nullopt;
                        });
}

std::optional<RunError> decodeAverage(const QByteArray &telegram, const HeaderCodes &codes,
                                      TelegramResult &result) {
    result.recordTime = stampAt(telegram, averageStampAt, result.messages);
    result.valuesDigit = static_cast<int>(valueOf(telegram.mid(averageDigitAt, 1)));
    result.valuesPerChannel = 2 * result.valuesDigit + 1;
    const bool threeValues = result.valuesDigit > 0;
    int channel = 1;
    int valueNumber = 1;
    return forEachField(telegram, averageFieldsAt, shortFieldMinimum, result.messages,
                        [&](const QByteArray &field) -> std::optional<RunError> {
                            // The fields belong to the channels with a code; the last channel takes any
                            // field that is left, code or not.
                            while (channel < lastAverageChannel && codes[channel] == 0)
                                ++channel;
                            if (channel > lastAverageChannel)
                                return RunError::subscriptOutOfRange();
                            result.avgValues[channel][valueNumber] = valueOf(field.mid(1));
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

quint8 telegramChecksum(const QByteArray &bytesUpToEtb) {
    quint8 sum = 0;
    for (const char c : bytesUpToEtb)
        sum ^= static_cast<quint8>(c);
    return sum;
}

QDateTime ExtractDate(const QByteArray &was, std::optional<RunError> *error) {
    const auto part = [&was](int index) { return wholeNumberOf(was.mid(index, 2)); };
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

double valueOf(const QByteArray &text) {
    const QByteArray s = withoutBlanks(text);
    const auto digitAt = [&s](int i) { return i < s.size() && isDigit(s.at(i)); };
    int i = 0;
    // Leading "0" so that a number without integer digits (".5") converts as well.
    QByteArray number("0");
    if (i < s.size() && (s.at(i) == '-' || s.at(i) == '+'))
        number.prepend(s.at(i++));
    bool hasDigits = false;
    while (digitAt(i)) {
        number.append(s.at(i++));
        hasDigits = true;
    }
    if (i < s.size() && s.at(i) == '.') {
        ++i;
        QByteArray fraction;
        while (digitAt(i))
            fraction.append(s.at(i++));
        if (!fraction.isEmpty()) {
            number.append('.').append(fraction);
            hasDigits = true;
        }
    }
    if (!hasDigits)
        return 0;
    if (i < s.size() && QByteArrayLiteral("EeDd").contains(s.at(i))) {
        int j = i + 1;
        QByteArray exponent("e");
        if (j < s.size() && (s.at(j) == '-' || s.at(j) == '+'))
            exponent.append(s.at(j++));
        if (digitAt(j)) {
            while (digitAt(j))
                exponent.append(s.at(j++));
            number.append(exponent);
        }
    }
    return number.toDouble();
}

int hexValueOf(const QByteArray &text) {
    quint32 value = 0;
    for (const char c : withoutBlanks(text)) {
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
        return result;
    };
    // A failure leaves nothing of the telegram but its messages.
    const auto failed = [&](const RunError &error) {
        TelegramResult failure;
        failure.outcome = TelegramOutcome::Failed;
        failure.kind = result.kind;
        failure.messages = result.messages;
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
    const auto received = wholeNumberOf(telegram.mid(etb + 1, checksumDigits));
    if (!received)
        return failed(RunError::typeMismatch());
    const int computed = telegramChecksum(telegram.left(etb + 1));
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
