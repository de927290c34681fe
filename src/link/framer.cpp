#include "link/framer.h"

#include "link/request.h"

#include <utility>

std::optional<QByteArray> TelegramFramer::push(char c) {
    m_buffer.append(c);
    if (c == LinkChar::STX) {
        m_inNoise = false;
        if (m_buffer.size() > 1) {
            m_buffer.chop(1);
            return std::exchange(m_buffer, QByteArray(1, LinkChar::STX));
        }
        return std::nullopt;
    }
    if (c == LinkChar::CR) {
        m_inNoise = false;
        return std::exchange(m_buffer, QByteArray());
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
