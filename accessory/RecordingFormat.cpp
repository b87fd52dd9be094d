#include "accessory/RecordingFormat.h"

#include <cstring>
#include <zlib.h>

namespace nolvo::recording {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    uLong crc = ::crc32(0L, Z_NULL, 0);
    // zlib takes the length as uInt; feed large buffers in pieces.
    while (size > 0) {
        const uInt piece = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
        crc = ::crc32(crc, data, piece);
        data += piece;
        size -= piece;
    }
    return static_cast<std::uint32_t>(crc);
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void putU64(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    for (int shift = 0; shift < 64; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint16_t getU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t getU64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(getU32(p)) | (static_cast<std::uint64_t>(getU32(p + 4)) << 32);
}

namespace {

void putField(std::vector<std::uint8_t>& out, Field tag, const std::uint8_t* value, std::size_t size)
{
    putU16(out, static_cast<std::uint16_t>(tag));
    putU32(out, static_cast<std::uint32_t>(size));
    out.insert(out.end(), value, value + size);
}

void putField(std::vector<std::uint8_t>& out, Field tag, const std::vector<std::uint8_t>& value)
{
    putField(out, tag, value.data(), value.size());
}

} // namespace

std::vector<std::uint8_t> encodeHeader(const Header& header)
{
    std::vector<std::uint8_t> body;
    std::vector<std::uint8_t> start;
    putU64(start, static_cast<std::uint64_t>(header.startWallMs));
    putField(body, Field::kStartWallMs, start);
    putField(body, Field::kProgramVersion, reinterpret_cast<const std::uint8_t*>(header.programVersion.data()),
             header.programVersion.size());
    putField(body, Field::kIdentification, header.identification);
    putField(body, Field::kCommonSettings, header.commonSettings);
    putField(body, Field::kSpectrumSettings, header.spectrumSettings);
    putField(body, Field::kPowerSettings, header.powerSettings);

    std::vector<std::uint8_t> out(kMagic, kMagic + sizeof kMagic);
    putU16(out, header.major);
    putU16(out, header.minor);
    putU32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    putU32(out, crc32(out.data(), out.size()));
    return out;
}

void encodeChunk(ChunkKind kind, std::uint64_t timeUs, const std::uint8_t* payload, std::size_t size,
                 std::vector<std::uint8_t>& out)
{
    out.clear();
    out.reserve(kChunkHeaderSize + size + kCrcSize);
    putU32(out, static_cast<std::uint32_t>(size));
    out.push_back(static_cast<std::uint8_t>(kind));
    out.push_back(0);
    out.push_back(0);
    out.push_back(0);
    putU64(out, timeUs);
    out.insert(out.end(), payload, payload + size);
    putU32(out, crc32(out.data(), out.size()));
}

std::vector<std::uint8_t> encodeChunk(ChunkKind kind, std::uint64_t timeUs, const std::uint8_t* payload,
                                      std::size_t size)
{
    std::vector<std::uint8_t> out;
    encodeChunk(kind, timeUs, payload, size, out);
    return out;
}

} // namespace nolvo::recording
