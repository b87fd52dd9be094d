#pragma once
// Keeping an unattended data log going: a new file on the hour, the day or a size (rotation), the
// oldest of our own logs deleted beyond a count or an age (retention), and logging taken up again
// after a full disk or an unplugged accessory.
//
// Our own logs are the files named as the data log names them: "Nolvo_YYYYMMDD_HHMMSS.csv" or
// "..._N.csv". Nothing else in the directory is ever deleted, and never the file being written.
//
// Threads: RotationCheck runs on the packet-processing thread (it is the data logger's rotation
// check); everything else belongs to nolvo-log's main loop.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "UnattendedOptions.h"

namespace nolvo {

class DataLogFile;
class DataLogger;
class DataModel;

// Whether a log opened at `openedAt` is due for a new file at `now` (both by the log's wall
// clock, compared in local time): hourly when the local hour changed, daily when the local date
// changed, by size when the file holds `limitBytes` or more.
bool rotationDue(UnattendedOptions::Rotate rotate, std::uint64_t limitBytes, std::time_t openedAt, std::time_t now,
                 std::uint64_t fileBytes);

// The rotation check for DataLogger::setRotationCheck: remembers when it first saw each new file.
std::function<bool()> makeRotationCheck(const DataLogFile& file, UnattendedOptions::Rotate rotate,
                                        std::uint64_t limitBytes);

// Parses one of our log names: the start time text ("20240315_093005") and the "_N" number (1
// without one). False for any other name.
bool parseOwnLogName(const std::string& name, std::string& stamp, int& suffix);

struct LogFileEntry {
    std::string name;
    std::time_t modified = 0; // last write, seconds since the epoch
};

// Which files retention deletes: of our own logs among `files` (others are ignored), those beyond
// the newest `keepFiles` (0: no limit) and those last written more than `keepDays` days before
// `now` (0: no limit), oldest first. `current` (the file being written) is never one of them but
// counts as the newest.
std::vector<std::string> retentionVictims(const std::vector<LogFileEntry>& files, const std::string& current,
                                          int keepFiles, int keepDays, std::time_t now);

// Lists `directory` and deletes what retentionVictims picks; returns the names deleted.
std::vector<std::string> applyRetention(const std::string& directory, const std::string& current, int keepFiles,
                                        int keepDays, std::time_t now);

// Called once a second by the main loop: after a failed write (a full disk) it says so once and
// starts a new file when there is room again; with `restartAfterUnplug`, it says when the
// accessory goes and comes, and starts logging to a new file when it comes back after an unplug
// closed the log.
class LogKeeper {
public:
    // Free bytes the log's file system must have before a new file is tried.
    static constexpr std::uint64_t kResumeFreeBytes = 8u * 1024u * 1024u;
    using FreeSpace = std::uint64_t (*)(const std::string& directory); // statvfs; tests replace it
    using Say = std::function<void(const std::string&)>;

    LogKeeper(DataModel& model, DataLogFile& file, DataLogger& logger, Say say, bool restartAfterUnplug);
    void setFreeSpace(FreeSpace freeSpace) { m_freeSpace = freeSpace; }

    // `nowSeconds`: any steady count of seconds.
    void tick(std::uint64_t nowSeconds);
    bool stalled() const { return m_stalled; }

    static std::uint64_t freeBytes(const std::string& directory);

private:
    DataModel& m_model;
    DataLogFile& m_file;
    DataLogger& m_logger;
    Say m_say;
    bool m_restartAfterUnplug;
    FreeSpace m_freeSpace = &LogKeeper::freeBytes;
    bool m_stalled = false;
    bool m_waitingForAccessory = false;
    std::uint64_t m_nextTry = 0;
    std::uint64_t m_backoff = 1;
};

} // namespace nolvo
