#pragma once
// Writes one stream recording (see RecordingFormat.h): creates a new file, writes the header and
// then appends one chunk per read from the accessory.
//
// - Never replaces a file: the name is "Nolvo_<date>_<time>.nolrec" in the given directory,
//   created exclusively, with "_2", "_3", ... before the extension when it is taken, readable by
//   its owner only (mode 0600: it holds the BSSIDs and SSIDs the accessory heard).
// - Every chunk goes to the file in one write() as soon as it arrives, so a crash of the program
//   loses nothing already received (no sync to the disk: close() is called on the render thread).
// - A write that fails or is short (a full disk) cuts the file back to the end of the last whole
//   chunk, closes it and makes append() refuse from then on: what was written stays a readable
//   recording. failureReason() says why.
//
// Threads: one object is used by one thread at a time (LinkRecorder serialises its users).

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "accessory/RecordingFormat.h"

namespace nolvo {

class RecordingWriter {
public:
    // Writes `size` bytes of `data` to `fd` like ::write. Tests replace it to fill the disk.
    using WriteFunction = long (*)(int fd, const void* data, std::size_t size);

    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // "Nolvo_20240315_093005.nolrec" for the local time `when` (no directory).
    static std::string fileName(std::time_t when);

    // Creates the file in `directory` (which must exist) and writes the header. False, with the
    // reason in failureReason(), when no file could be made or the header could not be written
    // (a file that got no complete header is removed again).
    bool open(const std::string& directory, std::time_t when, const recording::Header& header);
    // Appends one chunk of received bytes taken `timeUs` after the recording started.
    bool append(const std::uint8_t* bytes, std::size_t count, std::uint64_t timeUs);
    // Closes; nothing when not open.
    void close();

    bool isOpen() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }
    std::uint64_t fileSize() const { return m_size; }
    std::uint64_t chunksWritten() const { return m_chunks; }
    // Why the last open or append failed ("" when none did), e.g. "No space left on device".
    const std::string& failureReason() const { return m_failure; }

    void setWriteFunction(WriteFunction write) { m_write = write; }

private:
    bool writeAll(const std::uint8_t* data, std::size_t size);
    void abandon(const std::string& reason);

    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_size = 0; // bytes of whole header and chunks on disk
    std::uint64_t m_chunks = 0;
    std::string m_failure;
    std::vector<std::uint8_t> m_buffer;
    WriteFunction m_write = nullptr;
};

} // namespace nolvo
