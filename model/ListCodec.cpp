#include "model/ListCodec.h"

#include <cstring>

namespace nolvo {

engine::Data encodeFloats(const std::vector<float>& values)
{
    return engine::Data(values.data(), values.size() * sizeof(float));
}

std::vector<float> decodeFloats(const std::uint8_t* bytes, std::size_t size)
{
    std::vector<float> values(bytes == nullptr ? 0 : size / sizeof(float));
    if (!values.empty()) {
        std::memcpy(values.data(), bytes, values.size() * sizeof(float));
    }
    return values;
}

engine::Data encodeFloatLists(const std::vector<std::vector<float>>& lists)
{
    std::size_t total = 0;
    for (const auto& list : lists) {
        total += sizeof(std::uint32_t) + list.size() * sizeof(float);
    }
    engine::Data data;
    data.resize(total);
    std::uint8_t* out = data.getBytes();
    for (const auto& list : lists) {
        const auto count = static_cast<std::uint32_t>(list.size());
        std::memcpy(out, &count, sizeof count);
        out += sizeof count;
        if (count > 0) {
            std::memcpy(out, list.data(), list.size() * sizeof(float));
            out += list.size() * sizeof(float);
        }
    }
    return data;
}

std::vector<std::vector<float>> decodeFloatLists(const std::uint8_t* bytes, std::size_t size)
{
    std::vector<std::vector<float>> lists;
    if (bytes == nullptr) {
        return lists;
    }
    std::size_t pos = 0;
    while (size - pos >= sizeof(std::uint32_t)) {
        std::uint32_t count = 0;
        std::memcpy(&count, bytes + pos, sizeof count);
        pos += sizeof count;
        // 64-bit arithmetic: a hostile count cannot wrap around the bound check.
        const std::uint64_t needed = static_cast<std::uint64_t>(count) * sizeof(float);
        if (needed > size - pos) {
            break; // the last block claims more than remains: keep the blocks before it
        }
        lists.emplace_back(count);
        if (count > 0) {
            std::memcpy(lists.back().data(), bytes + pos, static_cast<std::size_t>(needed));
        }
        pos += static_cast<std::size_t>(needed);
    }
    return lists;
}

} // namespace nolvo
