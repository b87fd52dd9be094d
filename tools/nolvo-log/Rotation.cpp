#include "Rotation.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>

#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

std::tm localParts(std::time_t when)
{
    std::tm parts{};
    if (localtime_r(&when, &parts) == nullptr) {
        parts = std::tm{};
    }
    return parts;
}

bool allDigits(const std::string& text, std::size_t from, std::size_t count)
{
    if (from + count > text.size()) {
        return false;
    }
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// When a log was started, from its name (local time); `fallback` for a name that is not ours.
std::time_t openedAtOf(const std::string& path, std::time_t fallback)
{
    std::string stamp;
    int suffix = 0;
    const auto slash = path.find_last_of('/');
    if (!parseOwnLogName(slash == std::string::npos ? path : path.substr(slash + 1), stamp, suffix)) {
        return fallback;
    }
    std::tm parts{};
    parts.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
    parts.tm_mon = std::stoi(stamp.substr(4, 2)) - 1;
    parts.tm_mday = std::stoi(stamp.substr(6, 2));
    parts.tm_hour = std::stoi(stamp.substr(9, 2));
    parts.tm_min = std::stoi(stamp.substr(11, 2));
    parts.tm_sec = std::stoi(stamp.substr(13, 2));
    parts.tm_isdst = -1;
    const std::time_t opened = std::mktime(&parts);
    return opened == static_cast<std::time_t>(-1) ? fallback : opened;
}

struct OwnLog {
    std::string name;
    std::string stamp;
    int suffix = 1;
    std::time_t modified = 0;
};

} // namespace

bool rotationDue(UnattendedOptions::Rotate rotate, std::uint64_t limitBytes, std::time_t openedAt, std::time_t now,
                 std::uint64_t fileBytes)
{
    using Rotate = UnattendedOptions::Rotate;
    if (rotate == Rotate::kSize) {
        return limitBytes > 0 && fileBytes >= limitBytes;
    }
    if (rotate != Rotate::kHourly && rotate != Rotate::kDaily) {
        return false;
    }
    const std::tm opened = localParts(openedAt);
    const std::tm current = localParts(now);
    const bool otherDay = opened.tm_year != current.tm_year || opened.tm_yday != current.tm_yday;
    return otherDay || (rotate == Rotate::kHourly && opened.tm_hour != current.tm_hour);
}

std::function<bool()> makeRotationCheck(const DataLogFile& file, UnattendedOptions::Rotate rotate,
                                        std::uint64_t limitBytes)
{
    struct State {
        std::string path;
        std::time_t openedAt = 0;
    };
    auto state = std::make_shared<State>();
    return [&file, rotate, limitBytes, state]() {
        const std::string path = file.path();
        const std::time_t now = file.wallTime();
        if (path != state->path) {
            state->path = path;
            state->openedAt = openedAtOf(path, now);
        }
        std::uint64_t bytes = 0;
        if (rotate == UnattendedOptions::Rotate::kSize) {
            std::error_code error;
            bytes = std::filesystem::file_size(path, error);
            bytes = error ? 0 : bytes;
        }
        return rotationDue(rotate, limitBytes, state->openedAt, now, bytes);
    };
}

bool parseOwnLogName(const std::string& name, std::string& stamp, int& suffix)
{
    // Nolvo_YYYYMMDD_HHMMSS[_N].csv
    constexpr std::size_t kStampAt = 6;
    constexpr std::size_t kStampLength = 15;
    if (name.rfind("Nolvo_", 0) != 0 || name.size() < kStampAt + kStampLength + 4 ||
        name.compare(name.size() - 4, 4, ".csv") != 0 || !allDigits(name, kStampAt, 8) ||
        name[kStampAt + 8] != '_' || !allDigits(name, kStampAt + 9, 6)) {
        return false;
    }
    const std::string rest = name.substr(kStampAt + kStampLength, name.size() - 4 - kStampAt - kStampLength);
    int number = 1;
    if (!rest.empty()) {
        if (rest.size() < 2 || rest.size() > 5 || rest[0] != '_' || rest[1] == '0' || !allDigits(rest, 1, rest.size() - 1)) {
            return false;
        }
        number = std::stoi(rest.substr(1));
    }
    stamp = name.substr(kStampAt, kStampLength);
    suffix = number;
    return true;
}

std::vector<std::string> retentionVictims(const std::vector<LogFileEntry>& files, const std::string& current,
                                          int keepFiles, int keepDays, std::time_t now)
{
    std::vector<OwnLog> own;
    for (const LogFileEntry& file : files) {
        OwnLog log;
        if (file.name != current && parseOwnLogName(file.name, log.stamp, log.suffix)) {
            log.name = file.name;
            log.modified = file.modified;
            own.push_back(std::move(log));
        }
    }
    // Oldest first: by start time, then by the "_N" that a later start in the same second got.
    std::sort(own.begin(), own.end(), [](const OwnLog& a, const OwnLog& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.suffix < b.suffix;
    });
    const std::size_t others = current.empty() ? 0 : 1;
    std::size_t excess = 0;
    if (keepFiles > 0 && own.size() + others > static_cast<std::size_t>(keepFiles)) {
        excess = std::min(own.size(), own.size() + others - static_cast<std::size_t>(keepFiles));
    }
    const std::time_t limit = keepDays > 0 ? now - static_cast<std::time_t>(keepDays) * 86400 : 0;
    std::vector<std::string> victims;
    for (std::size_t i = 0; i < own.size(); ++i) {
        if (i < excess || (keepDays > 0 && own[i].modified < limit)) {
            victims.push_back(own[i].name);
        }
    }
    return victims;
}

std::vector<std::string> applyRetention(const std::string& directory, const std::string& current, int keepFiles,
                                        int keepDays, std::time_t now)
{
    namespace fs = std::filesystem;
    std::vector<LogFileEntry> files;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue; // links and directories are never ours to delete
        }
        files.push_back({it->path().filename().string(), info.st_mtime});
    }
    std::vector<std::string> deleted;
    for (const std::string& name : retentionVictims(files, current, keepFiles, keepDays, now)) {
        std::error_code removeError;
        if (fs::remove(fs::path(directory) / name, removeError)) {
            deleted.push_back(name);
        }
    }
    return deleted;
}

LogKeeper::LogKeeper(DataModel& model, DataLogFile& file, DataLogger& logger, Say say, bool restartAfterUnplug)
    : m_model(model), m_file(file), m_logger(logger), m_say(std::move(say)), m_restartAfterUnplug(restartAfterUnplug)
{
}

std::uint64_t LogKeeper::freeBytes(const std::string& directory)
{
    struct statvfs info {};
    if (::statvfs(directory.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

void LogKeeper::tick(std::uint64_t nowSeconds)
{
    const int state = m_model.dataLogState.load();
    const bool open = m_file.isOpen();
    if (state == kLogOff) {
        m_stalled = false; // an unplug closed the log: a new one starts afresh
    }
    if (m_restartAfterUnplug) {
        const bool attached = m_model.accessoryConnected.load();
        if (attached != !m_waitingForAccessory) {
            m_waitingForAccessory = !attached;
            m_say(attached ? "accessory attached: logging" : "no accessory attached: waiting for one");
        }
        if (attached && state == kLogOff) {
            m_model.dataLogState = kLogStartRequested;
            return;
        }
    }
    if (state != kLogging) {
        return;
    }
    if (open) {
        if (m_stalled) {
            m_stalled = false;
            m_say("space is back: logging resumed in " + m_file.path());
        }
        m_backoff = 1;
        return;
    }
    const std::string directory = m_file.writableDirectory();
    const std::uint64_t free = m_freeSpace(directory);
    if (!m_stalled) {
        m_stalled = true;
        m_nextTry = nowSeconds + m_backoff;
        m_say("logging paused: cannot write in " + directory + " (" + std::to_string(free / 1024) +
              " KiB free); it resumes by itself when space returns");
        return;
    }
    if (nowSeconds < m_nextTry || free < kResumeFreeBytes) {
        return;
    }
    // A file that still cannot be written is tried again ever more rarely, at most once a minute.
    m_logger.requestResume();
    m_backoff = std::min<std::uint64_t>(m_backoff * 2, 60);
    m_nextTry = nowSeconds + m_backoff;
}

} // namespace nolvo
