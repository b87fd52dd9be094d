#pragma once
// The sweep history of one band: fixed-size entries (256 or 512 floats, dBm per bin) kept
// back to back in one contiguous block, oldest first.
//
// Removing the oldest entry only advances a start index; the live entries are moved to the front
// of the block when the free space at its end runs out and at least as much space is free at its
// front, so a push costs one entry copy amortised while readers still see one contiguous array.
// Not thread-safe: the DataModel's dataLock guards it.

#include <cstddef>
#include <vector>

namespace nolvo {

class SweepHistory {
public:
    explicit SweepHistory(int entrySize) : m_entrySize(static_cast<std::size_t>(entrySize)) {}

    int entrySize() const { return static_cast<int>(m_entrySize); }
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

    // Entry i, 0 being the oldest; valid until the next push, popOldest or clear.
    const float* entry(std::size_t index) const { return m_buffer.data() + (m_first + index) * m_entrySize; }
    const float* newest() const { return entry(m_count - 1); }
    // All entries, oldest first, size() * entrySize() floats.
    const float* data() const { return m_buffer.data() + m_first * m_entrySize; }

    // Appends a copy of the first count values (at most entrySize()); the rest of the entry is 0.
    void push(const float* values, int count);
    void popOldest();
    void clear();

private:
    std::size_t m_entrySize;
    std::vector<float> m_buffer;
    std::size_t m_first = 0; // index of the oldest entry in m_buffer
    std::size_t m_count = 0;
};

} // namespace nolvo
