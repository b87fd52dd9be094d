#pragma once
// Records the accessory stream while the user wants it: the link hands it every read
// (received) and tells it when the accessory goes away (linkLost, which ends the recording);
// the user starts and stops it (key R, the settings menu).
//
// A recording that cannot go on (the disk is full, the file went away) stops by itself and says
// so once on the on-screen log: "Recording stopped: <reason>. <path> keeps what was recorded."
//
// Writing: received() copies the read and hands it to the recorder's writer thread (a
// DiskWriteQueue), so a slow disk never holds up the link thread, which reads the accessory. When
// the disk cannot keep up and kMaxQueuedBytes wait, further reads are dropped from the recording:
// the count is in droppedReads(), the user hears it once while it happens and the total when the
// recording stops.
//
// Threads: received and linkLost run on the link thread; start, stop and the observers on any
// other thread. One mutex guards the running recording; file creation happens outside it, so a
// start never holds up the link thread for longer than a pointer swap. stop() returns once what
// was received before it is on the disk.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "accessory/RecordingFormat.h"
#include "model/DiskWriteQueue.h"

namespace nolvo {

class DataModel;
class RecordingWriter;

class LinkRecorder {
public:
    static constexpr int kLogLevel = 1; // on-screen log level of the recorder's messages
    // Bytes of reads that may wait for the disk before reads are dropped.
    static constexpr std::size_t kMaxQueuedBytes = 1024u * 1024u;

    // `model` (not owned, may be null) takes the on-screen messages.
    explicit LinkRecorder(DataModel* model = nullptr);
    ~LinkRecorder();
    LinkRecorder(const LinkRecorder&) = delete;
    LinkRecorder& operator=(const LinkRecorder&) = delete;

    // The header of a recording that starts now: the given identification frame and the model's
    // settings in force.
    static recording::Header headerFor(const DataModel& model, std::vector<std::uint8_t> identification,
                                       const std::string& programVersion);

    // Starts a new recording file in `directory` (created when missing). False, with the reason in
    // `error`, when the file cannot be made or a recording already runs.
    bool start(const std::string& directory, const recording::Header& header, std::string& error);
    // Same, named by `when` instead of the current time (tests).
    bool start(const std::string& directory, const recording::Header& header, std::time_t when, std::string& error);
    // Ends the recording; returns the path of the file that was written ("" when none ran).
    std::string stop();

    // Link thread.
    void received(const std::uint8_t* bytes, unsigned count);
    void linkLost();

    bool recording() const;
    std::string path() const;
    // Path of the recording that ran last (running or not), for messages.
    std::string lastPath() const;
    // Of the running recording, as far as the writer thread has got.
    std::uint64_t chunksWritten() const;
    std::uint64_t bytesWritten() const;
    // Reads dropped since this recorder was made because the disk could not keep up.
    std::uint64_t droppedReads() const { return m_writes.droppedTasks(); }
    // Returns once every read received so far has been written (or dropped).
    void waitForWrites() { m_writes.drain(); }
    // Test seam: the writer's write function for the next start (see RecordingWriter).
    void setWriteFunction(long (*write)(int, const void*, std::size_t)) { m_writeFunction = write; }

private:
    // Writer thread.
    void append(const std::shared_ptr<RecordingWriter>& writer, const std::vector<std::uint8_t>& bytes,
                std::uint64_t timeUs);
    void finish(const std::shared_ptr<RecordingWriter>& writer);
    void report(const std::string& text);

    DataModel* m_model;
    mutable std::mutex m_mutex;
    std::shared_ptr<RecordingWriter> m_writer; // null while not recording; shared with queued writes
    std::chrono::steady_clock::time_point m_started;
    std::string m_lastPath;
    long (*m_writeFunction)(int, const void*, std::size_t) = nullptr;
    std::atomic<std::uint64_t> m_chunks{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::atomic<bool> m_dropReported{false};
    std::atomic<std::uint64_t> m_dropsAtStart{0};
    // Last: it goes first, writing what is queued while everything its tasks use still exists.
    DiskWriteQueue m_writes{kMaxQueuedBytes};
};

} // namespace nolvo
