#pragma once

#include "eval/values.h"
#include "store/runerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Exclusive-or of the bytes of a telegram from its STX up to and including its ETB.
quint8 telegramChecksum(QByteArrayView bytesUpToEtb);

// The logger's 14-character time stamp: day, month and two-digit year (00 ... 29 are 2000 ... 2029, 30 ... 99
// are 1930 ... 1999), two characters not read, hour, minute and second, each part two characters. Parts out
// of range carry over as in date arithmetic (month 13 is January of the next year, day 0 the last day of the
// previous month, minute 60 the next hour). Local time: a wall time that occurs twice when the clock is put
// back is read at its earlier occurrence, one that the clock skips with the offset from before the change. A
// stamp that cannot be read (too short, a part not a number) gives the zero date-time, 30.12.1899 00:00, and
// sets error to a type mismatch for the caller to report; a readable one clears it.
QDateTime ExtractDate(QByteArrayView was, std::optional<RunError> *error);

// The zero date-time: what an unreadable time stamp stands for. It is a real date, printed and stored as
// such.
QDateTime zeroDateTime();

// The leading decimal number of a value text: an optional sign, digits, "." as the decimal point whatever the
// locale, an optional exponent ("E" or "D", either case). Blanks, tabs and line feeds are ignored wherever
// they stand; reading stops at the first character that cannot continue the number; no number gives 0, and
// so does an exponent beyond the range of a double.
double valueOf(QByteArrayView text);

// The value 0 ... 15 of a hexadecimal digit (either case), -1 for any other character.
int hexDigitValue(char c);

// The same rule for hexadecimal digits (either case) as they follow a "&H" prefix; no valid digit gives 0.
// The digits are read as a 32-bit pattern.
int hexValueOf(QByteArrayView text);

// One message for AddText.
struct TelegramMessage {
    QString text;
    int kind = 0;
};

enum class TelegramOutcome {
    // A frame check failed, the kind letter is unknown or a header came unasked: the telegram is dropped.
    Rejected,
    // The checksum differs: the transfer indicator turns red and a new header is requested.
    ChecksumError,
    // A run-time failure ended the evaluation; the last message is its kind -3 report. Nothing of the
    // telegram may be shown or stored, and the awaited flags keep their values.
    Failed,
    // The data of the kind below are valid.
    Decoded,
};

// Everything one telegram yields. The data members hold their start values unless the outcome is Decoded.
struct TelegramResult {
    TelegramOutcome outcome = TelegramOutcome::Rejected;
    // For AddText, in this order. A Decoded telegram may carry kind -3 reports of unreadable time stamps.
    QList<TelegramMessage> messages;
    // 'A', 'H' or 'M' once the (case-insensitive) letter was recognised, also for Failed and for a Rejected
    // header nobody asked for; otherwise 0.
    char kind = 0;

    // "A": the time stamp of the values, and per channel 0 ... 60 value and sensor code.
    QDateTime timeStamp;
    InstValues instValues{};
    InstCodes instCodes;

    // "H" and "M": the time stamp of the header or of the record.
    QDateTime recordTime;

    // "H": the number of records stored in the logger and the code bytes of channels 1 ... 100. Entry 0 is
    // taken over from the current codes, so are all entries for the other kinds.
    int storedRecordCount = 0;
    HeaderCodes headerCodes{};

    // "M": the values-per-channel digit, the number of values per channel it stands for (2 * digit + 1) and
    // the values by channel and value number 1 ... 3.
    int valuesDigit = 0;
    int valuesPerChannel = 1;
    AverageValues avgValues{};
};

// Checks one complete telegram (STX ... CR, as the framer hands it over) and decodes its fields. An "M"
// record's fields belong, in order, to the channels whose code in currentHeaderCodes is not 0. A header
// that arrives while none is awaited is rejected with "Header ohne Anforderung" before any of it is read.
TelegramResult evaluateTelegram(const QByteArray &telegram, const HeaderCodes &currentHeaderCodes,
                                bool headerAwaited);
