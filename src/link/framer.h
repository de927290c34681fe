#pragma once

#include <QByteArray>

#include <optional>

// Cuts the character stream of the serial line into telegrams, one received byte at a time.
//
// An STX that arrives while other characters are buffered hands those over as a telegram of their own (the
// evaluation rejects them) and starts a new telegram with the STX; a CR hands over everything buffered,
// itself included. Characters before the first STX stay and go with the next STX or CR.
//
// A stream that never brings an STX or a CR (noise, a wrong baud rate) must not fill the memory: once the
// buffer would exceed maxBufferLength the buffered text is thrown away and collecting starts afresh. The
// longest legal telegram (60 channels with three values each) is a few KiB, so the bound never cuts one.
class TelegramFramer {
public:
    static constexpr int maxBufferLength = 8192;

    // Takes one received byte; gives the telegram it completes, if any.
    std::optional<QByteArray> push(char c);

    // True once after the buffer overflowed and was discarded. One stretch of noise counts once: the next
    // overflow is reported only after an STX or a CR has been seen in between.
    bool takeOverflow();

    // The characters collected since the last telegram boundary.
    const QByteArray &buffer() const { return m_buffer; }

private:
    // The first length characters of the buffer, which is emptied.
    QByteArray take(qsizetype length);

    QByteArray m_buffer;
    bool m_overflowPending = false;
    bool m_inNoise = false;
};
