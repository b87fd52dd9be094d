#pragma once
// The data-log files of the writable directory as the file manager sees them: listing, deleting
// and the checks before one is mailed. Only data logs ("Nolvo_*.csv", including the "_2", "_3"
// ... names a log takes when its first name was taken) that are regular files count: screenshots,
// other files, directories and symbolic links are neither listed nor touched.
// Any thread; no state of its own.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace nolvo::data_log_files {

struct Entry {
    std::string name;           // file name without the directory
    std::uint64_t size = 0;     // bytes
    std::time_t modified = 0;   // seconds since the epoch
};

// True for "Nolvo_<anything>.csv" names without a directory part.
bool isDataLogName(const std::string& name);

// The data logs in `directory`, sorted by name (their names start with the date and time, so
// this is also the order in which they were started). Empty when the directory cannot be read.
std::vector<Entry> list(const std::string& directory);

// `directory` + "/" + `name` (one separator whatever `directory` ends with).
std::string pathOf(const std::string& directory, const std::string& name);

// True when `directory`/`name` is the file at `runningPath` (the log being written; "" when none
// runs), whatever spelling the running path has.
bool isRunningLog(const std::string& directory, const std::string& name, const std::string& runningPath);

enum class DeleteResult {
    Deleted,
    NotALog,   // the name is not a data log's (or names a link or a directory)
    Missing,   // nothing of that name any more
    Running,   // the log being written now: kept
    Failed,    // the file system refused
};
// Deletes exactly `directory`/`name` when it is a data log and not the file at `runningPath`
// (the log being written; "" when none runs).
DeleteResult remove(const std::string& directory, const std::string& name, const std::string& runningPath);

enum class MailCheck { Ready, Missing, Empty };
// Whether `directory`/`name` can be attached: a data log that exists and holds something.
// Reads the file's status only, never its contents.
MailCheck checkForMail(const std::string& directory, const std::string& name);

// "0 B", "812 B", "14.2 kB", "3.1 MB", "1.20 GB" (powers of 1000).
std::string sizeLabel(std::uint64_t bytes);
// Local time "2026-12-08 21:04"; "" for 0.
std::string timeLabel(std::time_t when);

} // namespace nolvo::data_log_files
