#pragma once
// The CSV data-log file: at most one open at a time, in the writable directory, named by the local
// time at its start ("Nolvo_20240315_093005.csv").
//
// A log never replaces an existing file: the file is created exclusively and, when the name is
// taken (two starts within one second, or a file left from an earlier run), "_2", "_3", ... is put
// before ".csv". Every write is flushed, so a full disk shows up on the write that hit it; a short
// write cuts the file back to its last whole line (no torn row is left at its end), closes it and
// clears the path; lastPath() and writeFailure() still say which file it was and why it ended.
// Data logs are created with mode 0644 (less the umask): they hold the measured levels only, no
// network names or addresses.
//
// Threads: used by one thread at a time to start, write and stop (DataLogger's writer thread);
// path() and isOpen() may be called from any thread (the file manager asks which file is being
// written). Every member takes the object's own mutex.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

namespace nolvo {

class DataLogFile {
public:
    // Writes `size` bytes of `data` to `file` and makes them reach the file system; returns the
    // number of bytes that did (anything below `size` is a failed write). Tests replace it to
    // simulate a full disk.
    using Writer = std::size_t (*)(std::FILE* file, const char* data, std::size_t size);
    // Seconds since the epoch for file names and absolute time cells. Tests replace it.
    using WallClock = std::time_t (*)();

    // The process-wide log, created on first use and never destroyed.
    static DataLogFile* getInstance();

    DataLogFile() = default;
    ~DataLogFile();
    DataLogFile(const DataLogFile&) = delete;
    DataLogFile& operator=(const DataLogFile&) = delete;

    // Opens a new log in the writable directory when none is open; on success stores its path and
    // sets the start time to now (steady clock). Returns true when a log is open afterwards. On
    // failure nothing is stored.
    bool startDataLog();
    // The same, named by the wall-clock second `when` (a log started on another thread than the one
    // that asked for it keeps the time of the request).
    bool startDataLog(std::time_t when);
    // Closes the log if one is open; clears the path and the start time.
    void stopDataLog();

    // Appends `text`. False when no log is open or the write was short; a short write closes the
    // file and clears the path, so later writes do nothing until the next start.
    bool write(const std::string& text);

    // The time cell of a row (see dataLogTime): absolute uses the wall clock, relative the seconds
    // since the start time (set to now when it is 0).
    std::string timeCell(bool absolute, std::uint64_t offsetMs);
    // Seconds since the epoch by this log's wall clock (see setWallClock). Takes no lock, so a
    // thread formatting rows never waits for one that is writing.
    std::time_t wallTime() const;

    bool isOpen() const;
    std::string path() const;              // "" when no log is open
    // The log opened last, kept after it is closed (stopped or cut short by a failed write) until
    // the next start; "" before the first.
    std::string lastPath() const;
    // Why the log opened last was closed by a failed write (e.g. "No space left on device"); ""
    // when it was not.
    std::string writeFailure() const;
    std::uint64_t startTimeMs() const;     // steady-clock ms of the start, 0 while no log runs
    std::string writableDirectory() const; // where the next log will be created

    // Test seams; nullptr restores the default (fwrite + fflush, and time()).
    void setWriter(Writer writer);
    void setWallClock(WallClock clock);

    // Most "_N" suffixes tried before giving up on a name.
    static constexpr int kMaxSuffix = 999;

private:
    void closeLocked();
    void cutToLastWholeLine(std::string_view reached);
    std::time_t wallNow() const;

    mutable std::mutex m_mutex;
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_lastPath;
    std::string m_writeFailure;
    std::uint64_t m_committed = 0; // bytes of whole writes in the open file
    std::uint64_t m_startMs = 0;
    Writer m_writer = nullptr;
    std::atomic<WallClock> m_wallClock{nullptr}; // read without the mutex: see wallTime()
};

} // namespace nolvo
