#include "link/framer.h"

#include "link/request.h"

QByteArray TelegramFramer::take(qsizetype length) {
    // A copy of its own size: the buffer keeps its memory for the next telegram instead of growing anew.
    QByteArray telegram(m_buffer.constData(), length);
    m_buffer.resize(0);
    return telegram;
}

std::optional<QByteArray> TelegramFramer::push(char c) {
    m_buffer.append(c);
    if (c == LinkChar::STX) {
        m_inNoise = false;
        if (m_buffer.size() > 1) {
            QByteArray telegram = take(m_buffer.size() - 1);
            m_buffer.append(c);
            return telegram;
        }
        return std::nullopt;
    }
    if (c == LinkChar::CR) {
        m_inNoise = false;
        return take(m_buffer.size());
    }
    if (m_buffer.size() > maxBufferLength) {
        m_buffer.clear();
        if (!m_inNoise) {
            m_overflowPending = true;
            m_inNoise = true;
        }
    }
    return std::nullopt;
}

bool TelegramFramer::takeOverflow() {
    return std::exchange(m_overflowPending, false);
}
