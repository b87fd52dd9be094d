#pragma once
// Big-endian field access for accessory frames and command packets. Callers check bounds before
// reading; these helpers only assemble and split the bytes.

#include <bit>
#include <cstdint>

namespace nolvo::be {

inline std::uint16_t readU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::int16_t readI16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(readU16(p));
}

inline std::uint32_t readU32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline float readF32(const std::uint8_t* p)
{
    return std::bit_cast<float>(readU32(p));
}

inline void writeU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

inline void writeU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline void writeF32(std::uint8_t* p, float v)
{
    writeU32(p, std::bit_cast<std::uint32_t>(v));
}

} // namespace nolvo::be
