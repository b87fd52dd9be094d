#include "accessory/RecordingWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "model/DataLogFormat.h"

namespace nolvo {

namespace {

constexpr int kMaxSuffix = 999;

long systemWrite(int fd, const void* data, std::size_t size)
{
    return static_cast<long>(::write(fd, data, size));
}

} // namespace

RecordingWriter::~RecordingWriter()
{
    close();
}

std::string RecordingWriter::fileName(std::time_t when)
{
    return dataLogBaseName(when) + recording::kExtension;
}

bool RecordingWriter::open(const std::string& directory, std::time_t when, const recording::Header& header)
{
    close();
    m_failure.clear();
    m_size = 0;
    m_chunks = 0;
    std::string folder = directory;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    const std::string base = folder + dataLogBaseName(when);
    for (int suffix = 1; suffix <= kMaxSuffix && m_fd < 0; ++suffix) {
        std::string candidate = base;
        if (suffix > 1) {
            candidate += '_';
            candidate += std::to_string(suffix);
        }
        candidate += recording::kExtension;
        // Owner only: a recording holds the addresses and names of other people's networks.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            m_fd = fd;
            m_path = candidate;
        } else if (errno != EEXIST) {
            m_failure = std::strerror(errno);
            return false;
        }
    }
    if (m_fd < 0) {
        m_failure = "every file name for this second is taken";
        return false;
    }
    const std::vector<std::uint8_t> bytes = recording::encodeHeader(header);
    if (!writeAll(bytes.data(), bytes.size())) {
        const std::string reason = m_failure;
        ::close(m_fd);
        ::unlink(m_path.c_str());
        m_fd = -1;
        m_path.clear();
        m_failure = reason;
        return false;
    }
    m_size = bytes.size();
    return true;
}

bool RecordingWriter::append(const std::uint8_t* bytes, std::size_t count, std::uint64_t timeUs)
{
    if (m_fd < 0) {
        return false;
    }
    if (bytes == nullptr || count == 0) {
        return true;
    }
    if (count > recording::kMaxChunkPayload) {
        // A read is never this large; split rather than write a chunk no reader takes.
        return append(bytes, recording::kMaxChunkPayload, timeUs) &&
               append(bytes + recording::kMaxChunkPayload, count - recording::kMaxChunkPayload, timeUs);
    }
    recording::encodeChunk(recording::ChunkKind::kReceived, timeUs, bytes, count, m_buffer);
    if (!writeAll(m_buffer.data(), m_buffer.size())) {
        abandon(m_failure);
        return false;
    }
    m_size += m_buffer.size();
    ++m_chunks;
    return true;
}

bool RecordingWriter::writeAll(const std::uint8_t* data, std::size_t size)
{
    const WriteFunction write = m_write != nullptr ? m_write : systemWrite;
    while (size > 0) {
        const long n = write(m_fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // write() returning 0 for a non-empty buffer only happens when the device is full.
            m_failure = std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void RecordingWriter::abandon(const std::string& reason)
{
    // Drop the part of the chunk that did make it, so the file ends on a whole chunk.
    if (::ftruncate(m_fd, static_cast<off_t>(m_size)) != 0) {
        // The reader still stops cleanly at the partial chunk.
    }
    ::close(m_fd);
    m_fd = -1;
    m_failure = reason;
}

void RecordingWriter::close()
{
    if (m_fd < 0) {
        return;
    }
    ::close(m_fd);
    m_fd = -1;
}

} // namespace nolvo
