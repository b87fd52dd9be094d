#include "model/SweepHistory.h"

#include <algorithm>
#include <cstring>

namespace nolvo {

void SweepHistory::push(const float* values, int count)
{
    const std::size_t used = (m_first + m_count) * m_entrySize;
    if (used + m_entrySize > m_buffer.size()) {
        if (m_first > 0 && m_first >= m_count) {
            // Plenty of room at the front: slide the live entries down instead of growing.
            std::memmove(m_buffer.data(), data(), m_count * m_entrySize * sizeof(float));
            m_first = 0;
        } else {
            const std::size_t entries = std::max<std::size_t>(16, (m_first + m_count) * 2);
            m_buffer.resize(entries * m_entrySize);
        }
    }
    float* slot = m_buffer.data() + (m_first + m_count) * m_entrySize;
    const std::size_t n = std::min<std::size_t>(count > 0 ? static_cast<std::size_t>(count) : 0, m_entrySize);
    if (n > 0) {
        std::memcpy(slot, values, n * sizeof(float));
    }
    std::fill(slot + n, slot + m_entrySize, 0.0f);
    ++m_count;
}

void SweepHistory::popOldest()
{
    if (m_count == 0) {
        return;
    }
    ++m_first;
    --m_count;
    if (m_count == 0) {
        m_first = 0;
    }
}

void SweepHistory::clear()
{
    m_first = 0;
    m_count = 0;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

} // namespace nolvo
