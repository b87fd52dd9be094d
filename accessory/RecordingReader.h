#pragma once
// Reads a stream recording (see RecordingFormat.h) and checks it before anything is replayed: the
// header, then every chunk's length, kind, time and CRC.
//
// - A file that is not a recording, was made by a newer major format, or is damaged anywhere
//   before its end gives no Recording and a one-line error "<file>: <what> at offset <n>". So does
//   a file that is not a regular file (a device, a pipe), and a file too large for the memory.
// - A file that simply stops inside its last chunk (the recording was cut by a crash, an unplug
//   or a full disk) is a Recording of the whole chunks before the cut; cut() and cutNotice() say
//   where it stopped.
//
// open() checks the preamble and the header before it reads any further, and reads the chunks in
// bounded pieces, checking each as it arrives: damage near the start of a huge file is reported
// without reading the rest. The chunks are not indexed one by one: a checkpoint every
// kCheckpointChunks chunks (or kCheckpointBytes bytes) lets a walk start near any chunk, so the
// index costs a small fraction of the data.
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
    // One chunk of received bytes (chunks of other kinds and empty chunks are skipped).
    struct Chunk {
        std::size_t payloadOffset = 0; // into the file
        std::uint32_t size = 0;
        std::uint64_t timeUs = 0;      // since the recording started
    };
    // A place in the sequence of chunks: `index` chunks lie before the file offset `offset`.
    struct Cursor {
        std::size_t index = 0;
        std::size_t offset = 0;
    };

    static constexpr std::size_t kCheckpointChunks = 64;
    static constexpr std::size_t kCheckpointBytes = 64 * 1024;
    // Bytes read per piece by open().
    static constexpr std::size_t kReadPiece = 1 << 20;

    // Checks `bytes` (the file's contents) and indexes their chunks. `name` is used in messages.
    static std::shared_ptr<const Recording> parse(std::vector<std::uint8_t> bytes, const std::string& name,
                                                  std::string& error);
    // Reads the file at `path` and parses it.
    static std::shared_ptr<const Recording> open(const std::string& path, std::string& error);

    const std::string& name() const { return m_name; }
    const recording::Header& header() const { return m_header; }

    // Number of chunks of received bytes.
    std::size_t chunkCount() const { return m_chunkCount; }
    // The chunks by index (each access walks from the nearest checkpoint; use next() to go
    // through them in order).
    class ChunkList {
    public:
        explicit ChunkList(const Recording& recording) : m_recording(recording) {}
        std::size_t size() const { return m_recording.chunkCount(); }
        bool empty() const { return size() == 0; }
        Chunk operator[](std::size_t index) const { return m_recording.chunk(index); }

    private:
        const Recording& m_recording;
    };
    ChunkList chunks() const { return ChunkList(*this); }
    // The chunk with `index` (< chunkCount()); walks from the nearest checkpoint.
    Chunk chunk(std::size_t index) const;
    // A cursor on the chunk with `index` (chunkCount() for the end).
    Cursor cursorAt(std::size_t index) const;
    // The chunk at `cursor`, moving the cursor past it; false at the end.
    bool next(Cursor& cursor, Chunk& chunk) const;
    const std::uint8_t* payload(const Chunk& chunk) const { return m_bytes.data() + chunk.payloadOffset; }

    // Time of the last chunk (0 without chunks), in microseconds since the start.
    std::uint64_t durationUs() const { return m_durationUs; }
    // Bytes received over the whole recording.
    std::uint64_t payloadBytes() const { return m_payloadBytes; }
    // Index of the first chunk at or after `timeUs` (chunkCount() when there is none).
    std::size_t firstChunkAtOrAfter(std::uint64_t timeUs) const;
    // Bytes the chunk index takes.
    std::size_t indexBytes() const { return m_checkpoints.capacity() * sizeof(Checkpoint); }

    // Where a cut recording stops: the offset of the incomplete chunk; nothing for a whole file.
    std::optional<std::size_t> cut() const { return m_cut; }
    // "<file>: recording cut inside a chunk at offset <n>; replaying the <k> whole chunks before it".
    std::string cutNotice() const;

private:
    struct Checkpoint {
        std::uint64_t offset; // a chunk's offset in the file
        std::uint64_t index;  // chunks of received bytes before it
        std::uint64_t timeUs; // its time
    };

    Recording() = default;
    // Checks magic, versions and body length once `m_bytes` holds them (or the whole file).
    bool checkPreamble(std::string& error) const;
    bool parseHeader(std::string& error);
    // Checks the whole chunks in m_bytes from m_parsed on. With `final`, bytes left over are a cut.
    bool parseChunks(bool final, std::string& error);
    std::string fail(const std::string& what, std::size_t offset) const;

    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
    recording::Header m_header;
    std::size_t m_firstChunk = 0; // offset of the first chunk
    std::size_t m_parsed = 0;     // end of the last whole chunk checked
    std::size_t m_chunkCount = 0;
    std::uint64_t m_lastTimeUs = 0;
    std::uint64_t m_durationUs = 0;
    std::uint64_t m_payloadBytes = 0;
    std::vector<Checkpoint> m_checkpoints;
    std::size_t m_sinceCheckpointChunks = 0;
    std::size_t m_sinceCheckpointBytes = 0;
    std::optional<std::size_t> m_cut;
};

} // namespace nolvo
