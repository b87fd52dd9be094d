#pragma once
// Reads a stream recording (see RecordingFormat.h) completely and checks it before anything is
// replayed: the header, then every chunk's length, kind, time and CRC.
//
// - A file that is not a recording, was made by a newer major format, or is damaged anywhere
//   before its end gives no Recording and a one-line error "<file>: <what> at offset <n>".
// - A file that simply stops inside its last chunk (the recording was cut by a crash, an unplug
//   or a full disk) is a Recording of the whole chunks before the cut; cut() and cutNotice() say
//   where it stopped.
//
// Threads: a Recording is immutable once read and may be shared between threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "accessory/RecordingFormat.h"

namespace nolvo {

class Recording {
public:
    struct Chunk {
        std::size_t payloadOffset; // into bytes()
        std::uint32_t size;
        std::uint64_t timeUs;      // since the recording started
    };

    // Checks `bytes` (the file's contents) and indexes their chunks. `name` is used in messages.
    static std::shared_ptr<const Recording> parse(std::vector<std::uint8_t> bytes, const std::string& name,
                                                  std::string& error);
    // Reads the file at `path` and parses it.
    static std::shared_ptr<const Recording> open(const std::string& path, std::string& error);

    const std::string& name() const { return m_name; }
    const recording::Header& header() const { return m_header; }
    const std::vector<Chunk>& chunks() const { return m_chunks; }
    const std::uint8_t* payload(const Chunk& chunk) const { return m_bytes.data() + chunk.payloadOffset; }
    // Time of the last chunk (0 without chunks), in microseconds since the start.
    std::uint64_t durationUs() const { return m_chunks.empty() ? 0 : m_chunks.back().timeUs; }
    // Bytes received over the whole recording.
    std::uint64_t payloadBytes() const { return m_payloadBytes; }
    // Index of the first chunk at or after `timeUs` (chunks().size() when there is none).
    std::size_t firstChunkAtOrAfter(std::uint64_t timeUs) const;

    // Where a cut recording stops: the offset of the incomplete chunk; nothing for a whole file.
    std::optional<std::size_t> cut() const { return m_cut; }
    // "<file>: recording cut inside a chunk at offset <n>; replaying the <k> whole chunks before it".
    std::string cutNotice() const;

private:
    Recording() = default;
    bool parseHeader(std::size_t& offset, std::string& error);
    bool parseChunks(std::size_t offset, std::string& error);
    std::string fail(const std::string& what, std::size_t offset) const;

    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
    recording::Header m_header;
    std::vector<Chunk> m_chunks;
    std::uint64_t m_payloadBytes = 0;
    std::optional<std::size_t> m_cut;
};

} // namespace nolvo
