#include "accessory/RecordingReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace nolvo {

using namespace recording;

namespace {

constexpr std::uint8_t kSyncByte = 0xAA;
constexpr int kIdentificationType = 3;

// Closes a descriptor when it goes out of scope.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

} // namespace

std::string Recording::fail(const std::string& what, std::size_t offset) const
{
    return m_name + ": " + what + " at offset " + std::to_string(offset);
}

std::shared_ptr<const Recording> Recording::open(const std::string& path, std::string& error)
{
    // Non-blocking so that a FIFO without a writer cannot hold the open; the descriptor is only
    // read once it is known to be a regular file.
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0) {
        error = path + ": cannot open (" + std::strerror(errno) + ")";
        return nullptr;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        error = path + ": cannot read (" + std::strerror(errno) + ") at offset 0";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + ": not a recording (not a regular file) at offset 0";
        return nullptr;
    }
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    // What the file holds now; a recording still being written is read up to here.
    const auto fileSize = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));

    std::shared_ptr<Recording> recording(new Recording());
    recording->m_name = path;
    std::vector<std::uint8_t>& bytes = recording->m_bytes;
    bool atEnd = false;
    // Reads until `bytes` holds `target` bytes or the file ends.
    const auto readUpTo = [&](std::size_t target) {
        target = std::min(target, fileSize);
        while (bytes.size() < target) {
            const std::size_t had = bytes.size();
            bytes.resize(target);
            const ssize_t n = ::read(file.fd, bytes.data() + had, target - had);
            bytes.resize(had + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                error = recording->fail(std::string("cannot read (") + std::strerror(errno) + ")", had);
                return false;
            }
            if (n == 0) {
                atEnd = true; // the file got shorter since it was measured
                break;
            }
        }
        atEnd = atEnd || bytes.size() >= fileSize;
        return true;
    };
    try {
        if (!readUpTo(kPreambleSize) || !recording->checkPreamble(error)) {
            return nullptr;
        }
        if (!readUpTo(kPreambleSize + getU32(bytes.data() + 12) + kCrcSize) || !recording->parseHeader(error)) {
            return nullptr;
        }
        // One buffer for the whole file, so that the chunks can point into it; it is filled
        // piece by piece and every piece checked before the next is read. The first piece is
        // checked before room for the rest is asked for.
        bool first = true;
        while (!atEnd) {
            bytes.reserve(first ? std::min(fileSize, bytes.size() + kReadPiece) : fileSize);
            if (!readUpTo(bytes.size() + kReadPiece) || !recording->parseChunks(false, error)) {
                return nullptr;
            }
            first = false;
        }
        if (!recording->parseChunks(true, error)) {
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        error = recording->fail("not enough memory to read the recording (" + std::to_string(fileSize) + " bytes)",
                                bytes.size());
        return nullptr;
    }
    bytes.shrink_to_fit(); // only when the file got shorter while it was read
    recording->m_checkpoints.shrink_to_fit();
    return recording;
}

std::shared_ptr<const Recording> Recording::parse(std::vector<std::uint8_t> bytes, const std::string& name,
                                                  std::string& error)
{
    std::shared_ptr<Recording> recording(new Recording());
    recording->m_name = name;
    recording->m_bytes = std::move(bytes);
    try {
        if (!recording->checkPreamble(error) || !recording->parseHeader(error) ||
            !recording->parseChunks(true, error)) {
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        error = recording->fail("not enough memory to index the recording", recording->m_parsed);
        return nullptr;
    }
    recording->m_checkpoints.shrink_to_fit();
    return recording;
}

bool Recording::checkPreamble(std::string& error) const
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
    const std::uint16_t major = getU16(p + 8);
    const std::uint16_t minor = getU16(p + 10);
    if (major != kMajorVersion) {
        error = fail("recording format " + std::to_string(major) + "." + std::to_string(minor) +
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
    return true;
}

bool Recording::parseHeader(std::string& error)
{
    const std::size_t size = m_bytes.size();
    const std::uint8_t* p = m_bytes.data();
    m_header.major = getU16(p + 8);
    m_header.minor = getU16(p + 10);
    const std::uint32_t bodySize = getU32(p + 12);
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
                const auto start = static_cast<std::int64_t>(getU64(v));
                if (start < 0 || start > kMaxStartWallMs) {
                    error = fail("start time " + std::to_string(start) + " ms is not believable", value);
                    return false;
                }
                m_header.startWallMs = start;
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
    m_firstChunk = end + kCrcSize;
    m_parsed = m_firstChunk;
    return true;
}

bool Recording::parseChunks(bool final, std::string& error)
{
    const std::size_t size = m_bytes.size();
    const std::uint8_t* p = m_bytes.data();
    std::size_t offset = m_parsed;
    while (offset < size) {
        const std::size_t remaining = size - offset;
        if (remaining < kChunkHeaderSize) {
            break;
        }
        const std::uint32_t length = getU32(p + offset);
        if (length > kMaxChunkPayload) {
            error = fail("chunk length " + std::to_string(length) + " is not believable", offset);
            return false;
        }
        const std::size_t chunkSize = kChunkHeaderSize + length + kCrcSize;
        if (remaining < chunkSize) {
            break;
        }
        const std::size_t crcAt = offset + kChunkHeaderSize + length;
        if (crc32(p + offset, kChunkHeaderSize + length) != getU32(p + crcAt)) {
            error = fail("chunk checksum mismatch", offset);
            return false;
        }
        const std::uint64_t time = getU64(p + offset + 8);
        if (time > kMaxChunkTimeUs) {
            error = fail("chunk time " + std::to_string(time) + " us is not believable", offset);
            return false;
        }
        if (time < m_lastTimeUs) {
            error = fail("chunk time goes backwards", offset);
            return false;
        }
        m_lastTimeUs = time;
        if (m_checkpoints.empty() || m_sinceCheckpointChunks >= kCheckpointChunks ||
            m_sinceCheckpointBytes >= kCheckpointBytes) {
            m_checkpoints.push_back(Checkpoint{offset, m_chunkCount, time});
            m_sinceCheckpointChunks = 0;
            m_sinceCheckpointBytes = 0;
        }
        if (p[offset + 4] == static_cast<std::uint8_t>(ChunkKind::kReceived) && length > 0) {
            ++m_chunkCount;
            ++m_sinceCheckpointChunks;
            m_payloadBytes += length;
            m_durationUs = time;
        }
        m_sinceCheckpointBytes += chunkSize;
        offset += chunkSize;
        m_parsed = offset;
    }
    if (final && m_parsed < size) {
        m_cut = m_parsed;
    }
    return true;
}

bool Recording::next(Cursor& cursor, Chunk& chunk) const
{
    const std::uint8_t* p = m_bytes.data();
    while (cursor.offset < m_parsed) {
        const std::size_t at = cursor.offset;
        const std::uint32_t length = getU32(p + at);
        cursor.offset = at + kChunkHeaderSize + length + kCrcSize;
        if (p[at + 4] == static_cast<std::uint8_t>(ChunkKind::kReceived) && length > 0) {
            chunk = Chunk{at + kChunkHeaderSize, length, getU64(p + at + 8)};
            ++cursor.index;
            return true;
        }
    }
    return false;
}

Recording::Cursor Recording::cursorAt(std::size_t index) const
{
    if (index >= m_chunkCount) {
        return Cursor{m_chunkCount, m_parsed};
    }
    // The last checkpoint with at most `index` chunks before it.
    const auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), index,
                                        [](std::size_t i, const Checkpoint& c) { return i < c.index; });
    Cursor cursor{0, m_firstChunk};
    if (after != m_checkpoints.begin()) {
        const Checkpoint& c = *(after - 1);
        cursor = Cursor{static_cast<std::size_t>(c.index), static_cast<std::size_t>(c.offset)};
    }
    // Step over the chunks before `index`, keeping the cursor on the one at `index`.
    Chunk chunk;
    while (cursor.index < index) {
        Cursor ahead = cursor;
        if (!next(ahead, chunk)) {
            break;
        }
        cursor = ahead;
    }
    return cursor;
}

Recording::Chunk Recording::chunk(std::size_t index) const
{
    Cursor cursor = cursorAt(index);
    Chunk chunk;
    next(cursor, chunk);
    return chunk;
}

std::size_t Recording::firstChunkAtOrAfter(std::uint64_t timeUs) const
{
    // Every chunk before a checkpoint stamped earlier than `timeUs` is earlier too.
    const auto later = std::partition_point(m_checkpoints.begin(), m_checkpoints.end(),
                                            [timeUs](const Checkpoint& c) { return c.timeUs < timeUs; });
    Cursor cursor{0, m_firstChunk};
    if (later != m_checkpoints.begin()) {
        const Checkpoint& c = *(later - 1);
        cursor = Cursor{static_cast<std::size_t>(c.index), static_cast<std::size_t>(c.offset)};
    }
    Chunk chunk;
    while (next(cursor, chunk)) {
        if (chunk.timeUs >= timeUs) {
            return cursor.index - 1;
        }
    }
    return m_chunkCount;
}

std::string Recording::cutNotice() const
{
    if (!m_cut) {
        return "";
    }
    return m_name + ": recording cut inside a chunk at offset " + std::to_string(*m_cut) + "; replaying the " +
           std::to_string(m_chunkCount) + " whole chunks before it";
}

} // namespace nolvo
