#pragma once
// Settings fields that one thread writes while another reads them (the worker and the parser read
// the mode, band, overlay and scan interval that the menus and the scene write; the parser writes
// the mode and power scale indexes on identification). The records keep their stored layout, so
// the fields stay plain members and are reached through std::atomic_ref: relaxed, because each
// field is a value of its own and nothing is published through it.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>

namespace nolvo {

template <typename T>
T loadShared(const T& field)
{
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

template <typename T>
void storeShared(T& field, T value)
{
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

// Copies the whole record `from` over `to`: the fields named in `shared` through loadShared and
// storeShared, the bytes in between as plain memory.
template <typename Record, typename... Fields>
void assignWithShared(Record& to, const Record& from, Fields Record::*... shared)
{
    struct Span {
        std::size_t offset;
        std::size_t size;
    };
    auto* const base = reinterpret_cast<unsigned char*>(&to);
    std::array<Span, sizeof...(Fields)> spans{
        Span{static_cast<std::size_t>(reinterpret_cast<unsigned char*>(&(to.*shared)) - base), sizeof(Fields)}...};
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.offset < b.offset; });
    const auto* const source = reinterpret_cast<const unsigned char*>(&from);
    std::size_t at = 0;
    for (const Span& span : spans) {
        std::memcpy(base + at, source + at, span.offset - at);
        at = span.offset + span.size;
    }
    std::memcpy(base + at, source + at, sizeof(Record) - at);
    (storeShared(to.*shared, loadShared(from.*shared)), ...);
}

} // namespace nolvo
