#include "accessory/RecordingReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace nolvo {

using namespace recording;

namespace {

constexpr std::uint8_t kSyncByte = 0xAA;
constexpr int kIdentificationType = 3;

} // namespace

std::string Recording::fail(const std::string& what, std::size_t offset) const
{
    return m_name + ": " + what + " at offset " + std::to_string(offset);
}

std::shared_ptr<const Recording> Recording::open(const std::string& path, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": cannot open (" + std::strerror(errno) + ")";
        return nullptr;
    }
    std::vector<std::uint8_t> bytes;
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (n < sizeof buffer) {
            break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read (" + std::strerror(readErrno) + ") at offset " + std::to_string(bytes.size());
        return nullptr;
    }
    return parse(std::move(bytes), path, error);
}

std::shared_ptr<const Recording> Recording::parse(std::vector<std::uint8_t> bytes, const std::string& name,
                                                  std::string& error)
{
    std::shared_ptr<Recording> recording(new Recording());
    recording->m_name = name;
    recording->m_bytes = std::move(bytes);
    std::size_t offset = 0;
    if (!recording->parseHeader(offset, error) || !recording->parseChunks(offset, error)) {
        return nullptr;
    }
    return recording;
}

bool Recording::parseHeader(std::size_t& offset, std::string& error)
{
    const std::size_t size = m_bytes.size();
    const std::uint8_t* p = m_bytes.data();
    const std::size_t magicSeen = std::min(size, sizeof kMagic);
    if (size == 0 || std::memcmp(p, kMagic, magicSeen) != 0) {
        error = fail("not a Nolvo recording (no \"NOLVOREC\" signature)", 0);
        return false;
    }
    if (size < kPreambleSize) {
        error = fail("recording ends inside its header", size);
        return false;
    }
    m_header.major = getU16(p + 8);
    m_header.minor = getU16(p + 10);
    if (m_header.major != kMajorVersion) {
        error = fail("recording format " + std::to_string(m_header.major) + "." + std::to_string(m_header.minor) +
                         " is not readable by this program (it reads format " + std::to_string(kMajorVersion) +
                         ".x)",
                     8);
        return false;
    }
    const std::uint32_t bodySize = getU32(p + 12);
    if (bodySize > kMaxHeaderBody) {
        error = fail("header length " + std::to_string(bodySize) + " is not believable", 12);
        return false;
    }
    const std::size_t end = kPreambleSize + bodySize;
    if (size < end + kCrcSize) {
        error = fail("recording ends inside its header", size);
        return false;
    }
    if (crc32(p, end) != getU32(p + end)) {
        error = fail("header checksum mismatch", end);
        return false;
    }
    std::size_t at = kPreambleSize;
    while (at < end) {
        if (end - at < 6) {
            error = fail("header field cut short", at);
            return false;
        }
        const auto tag = static_cast<Field>(getU16(p + at));
        const std::uint32_t length = getU32(p + at + 2);
        const std::size_t value = at + 6;
        if (length > end - value) {
            error = fail("header field runs past the header", at);
            return false;
        }
        const std::uint8_t* v = p + value;
        switch (tag) {
        case Field::kStartWallMs:
            if (length == 8) {
                m_header.startWallMs = static_cast<std::int64_t>(getU64(v));
            }
            break;
        case Field::kProgramVersion:
            m_header.programVersion.assign(reinterpret_cast<const char*>(v), length);
            break;
        case Field::kIdentification:
            m_header.identification.assign(v, v + length);
            break;
        case Field::kCommonSettings:
            m_header.commonSettings.assign(v, v + length);
            break;
        case Field::kSpectrumSettings:
            m_header.spectrumSettings.assign(v, v + length);
            break;
        case Field::kPowerSettings:
            m_header.powerSettings.assign(v, v + length);
            break;
        default:
            break; // a field of a later minor version
        }
        at = value + length;
    }
    const std::vector<std::uint8_t>& id = m_header.identification;
    if (id.size() < 3 || id[0] != kSyncByte || (id[1] >> 5) != kIdentificationType) {
        error = fail("header holds no accessory identification frame", kPreambleSize);
        return false;
    }
    offset = end + kCrcSize;
    return true;
}

bool Recording::parseChunks(std::size_t offset, std::string& error)
{
    const std::size_t size = m_bytes.size();
    const std::uint8_t* p = m_bytes.data();
    std::uint64_t lastTime = 0;
    while (offset < size) {
        const std::size_t remaining = size - offset;
        if (remaining < kChunkHeaderSize) {
            m_cut = offset;
            return true;
        }
        const std::uint32_t length = getU32(p + offset);
        if (length > kMaxChunkPayload) {
            error = fail("chunk length " + std::to_string(length) + " is not believable", offset);
            return false;
        }
        if (remaining < kChunkHeaderSize + length + kCrcSize) {
            m_cut = offset;
            return true;
        }
        const std::size_t crcAt = offset + kChunkHeaderSize + length;
        if (crc32(p + offset, kChunkHeaderSize + length) != getU32(p + crcAt)) {
            error = fail("chunk checksum mismatch", offset);
            return false;
        }
        const std::uint64_t time = getU64(p + offset + 8);
        if (time < lastTime) {
            error = fail("chunk time goes backwards", offset);
            return false;
        }
        lastTime = time;
        if (p[offset + 4] == static_cast<std::uint8_t>(ChunkKind::kReceived) && length > 0) {
            m_chunks.push_back(Chunk{offset + kChunkHeaderSize, length, time});
            m_payloadBytes += length;
        }
        offset = crcAt + kCrcSize;
    }
    return true;
}

std::size_t Recording::firstChunkAtOrAfter(std::uint64_t timeUs) const
{
    const auto it = std::lower_bound(m_chunks.begin(), m_chunks.end(), timeUs,
                                     [](const Chunk& chunk, std::uint64_t t) { return chunk.timeUs < t; });
    return static_cast<std::size_t>(it - m_chunks.begin());
}

std::string Recording::cutNotice() const
{
    if (!m_cut) {
        return "";
    }
    return m_name + ": recording cut inside a chunk at offset " + std::to_string(*m_cut) + "; replaying the " +
           std::to_string(m_chunks.size()) + " whole chunks before it";
}

} // namespace nolvo
