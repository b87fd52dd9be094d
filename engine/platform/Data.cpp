#include "platform/Data.h"

#include <cstring>

namespace engine {

const Data Data::Null;

void Data::copy(const void* bytes, std::size_t size)
{
    if (bytes == nullptr || size == 0) {
        m_bytes.clear();
        return;
    }
    m_bytes.resize(size);
    std::memcpy(m_bytes.data(), bytes, size);
}

void Data::append(const void* bytes, std::size_t size)
{
    if (bytes == nullptr || size == 0) {
        return;
    }
    const std::size_t old = m_bytes.size();
    m_bytes.resize(old + size);
    std::memcpy(m_bytes.data() + old, bytes, size);
}

} // namespace engine
