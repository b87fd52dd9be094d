#pragma once
// The layout of a stream recording (".nolrec"): what the accessory sent, byte for byte, with the
// time each read arrived, plus the identification and the settings in force when it started.
// docs/recording-format.md describes the file for people and other tools; this header is the one
// place in the program that knows the numbers.
//
//   file   = header, chunk*
//   header = magic "NOLVOREC" (8), major u16, minor u16, body length u32, body, CRC-32 u32
//            (the CRC covers everything from the magic to the end of the body)
//   body   = field*,  field = tag u16, length u32, value
//   chunk  = payload length u32, kind u8, 3 zero bytes, time u64 (microseconds since the
//            recording started), payload, CRC-32 u32 (over the chunk from its length field)
//
// All numbers are little-endian. Chunks are only ever appended, so a file cut anywhere (crash,
// unplug, full disk) holds a readable prefix: every chunk before the cut is whole and checked.
//
// Threads: plain functions and values; use from any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nolvo::recording {

inline constexpr char kMagic[8] = {'N', 'O', 'L', 'V', 'O', 'R', 'E', 'C'};
// A reader takes every minor version of its major version (fields it does not know are skipped);
// a new major version means an old reader cannot replay the file.
inline constexpr std::uint16_t kMajorVersion = 1;
inline constexpr std::uint16_t kMinorVersion = 0;
inline constexpr std::size_t kPreambleSize = 16; // magic, versions, body length
inline constexpr std::size_t kCrcSize = 4;
inline constexpr std::size_t kChunkHeaderSize = 16;
// Limits that no honest file comes near; anything larger is damage, not data.
inline constexpr std::uint32_t kMaxHeaderBody = 1u << 20;
inline constexpr std::uint32_t kMaxChunkPayload = 1u << 20;
// A chunk stamped later than this after the start (400 days) is damage: no accessory streams that
// long into one file, and every time sum the replay makes stays far from overflowing.
inline constexpr std::uint64_t kMaxChunkTimeUs = 400ull * 24 * 3600 * 1000000;
// The recorded start must lie between 1970 and the end of the year 9999 (milliseconds since the
// epoch): file names and time cells are made from it.
inline constexpr std::int64_t kMaxStartWallMs = 253402300799999;
inline constexpr const char* kExtension = ".nolrec";

// Header field tags.
enum class Field : std::uint16_t {
    kStartWallMs = 1,        // i64: wall-clock start, milliseconds since the Unix epoch
    kProgramVersion = 2,     // text: the version of the program that recorded
    kIdentification = 3,     // bytes: the accessory's identification frame as it was received
    kCommonSettings = 4,     // bytes: the settings records in force at the start, in their stored
    kSpectrumSettings = 5,   //        layouts (16, 88 and 44 bytes)
    kPowerSettings = 6,
};

// Chunk kinds.
enum class ChunkKind : std::uint8_t {
    kReceived = 1, // bytes of one read from the accessory
};

// What a recording says about itself.
struct Header {
    std::uint16_t major = kMajorVersion;
    std::uint16_t minor = kMinorVersion;
    std::int64_t startWallMs = 0;
    std::string programVersion;
    std::vector<std::uint8_t> identification;
    std::vector<std::uint8_t> commonSettings;
    std::vector<std::uint8_t> spectrumSettings;
    std::vector<std::uint8_t> powerSettings;
};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size);

// The whole header as it is written to the file.
std::vector<std::uint8_t> encodeHeader(const Header& header);
// One chunk (header, payload and CRC) as it is written to the file.
std::vector<std::uint8_t> encodeChunk(ChunkKind kind, std::uint64_t timeUs, const std::uint8_t* payload,
                                      std::size_t size);
// Same, into `out` (cleared first) so the caller can keep reusing one buffer.
void encodeChunk(ChunkKind kind, std::uint64_t timeUs, const std::uint8_t* payload, std::size_t size,
                 std::vector<std::uint8_t>& out);

// Little-endian helpers shared by the writer and the reader.
void putU16(std::vector<std::uint8_t>& out, std::uint16_t value);
void putU32(std::vector<std::uint8_t>& out, std::uint32_t value);
void putU64(std::vector<std::uint8_t>& out, std::uint64_t value);
std::uint16_t getU16(const std::uint8_t* p);
std::uint32_t getU32(const std::uint8_t* p);
std::uint64_t getU64(const std::uint8_t* p);

} // namespace nolvo::recording
