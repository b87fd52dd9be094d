#pragma once
// An owned, growable byte buffer. Copying copies the bytes; moving is cheap.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

class Data {
public:
    Data() = default;
    Data(const void* bytes, std::size_t size) { copy(bytes, size); }

    static const Data Null;

    const std::uint8_t* getBytes() const { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    std::uint8_t* getBytes() { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    std::size_t getSize() const { return m_bytes.size(); }
    bool isNull() const { return m_bytes.empty(); }

    // Replaces the contents with a copy of [bytes, bytes + size). A null pointer empties it.
    void copy(const void* bytes, std::size_t size);
    // Appends a copy of [bytes, bytes + size).
    void append(const void* bytes, std::size_t size);
    void resize(std::size_t size) { m_bytes.resize(size); }
    void clear() { m_bytes.clear(); m_bytes.shrink_to_fit(); }

    bool operator==(const Data& other) const { return m_bytes == other.m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace engine
