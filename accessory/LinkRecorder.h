#pragma once
// Records the accessory stream while the user wants it: the link hands it every read
// (received) and tells it when the accessory goes away (linkLost, which ends the recording);
// the user starts and stops it (key R, the settings menu).
//
// A recording that cannot go on (the disk is full, the file went away) stops by itself and says
// so once on the on-screen log: "Recording stopped: <reason>. <path> keeps what was recorded."
//
// Threads: received and linkLost run on the link thread; start, stop and the observers on any
// other thread. One mutex serialises them; file creation happens outside it, so a start never
// holds up the link thread for longer than a pointer swap.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "accessory/RecordingFormat.h"

namespace nolvo {

class DataModel;
class RecordingWriter;

class LinkRecorder {
public:
    static constexpr int kLogLevel = 1; // on-screen log level of the recorder's messages

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
    std::uint64_t chunksWritten() const;
    std::uint64_t bytesWritten() const;
    // Test seam: the writer's write function for the next start (see RecordingWriter).
    void setWriteFunction(long (*write)(int, const void*, std::size_t)) { m_writeFunction = write; }

private:
    void report(const std::string& text);

    DataModel* m_model;
    mutable std::mutex m_mutex;
    std::unique_ptr<RecordingWriter> m_writer; // null while not recording
    std::chrono::steady_clock::time_point m_started;
    std::string m_lastPath;
    long (*m_writeFunction)(int, const void*, std::size_t) = nullptr;
};

} // namespace nolvo
