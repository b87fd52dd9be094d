#pragma once
// The data-log files of the writable directory as the file manager sees them: listing, deleting
// and the checks before one is mailed. Only the names the data log gives its files count
// ("Nolvo_<8 digits>_<6 digits>.csv", or with "_<N>" before ".csv" when the first name was taken),
// and only when they are regular files: screenshots, exports, other files, directories and
// symbolic links are neither listed nor touched, and no name with other characters (line breaks,
// quotes, direction overrides) ever reaches the screen or the mail client.
//
// The listing notes each file's device and inode. Deleting and mailing act on the listed file
// only: they look at the name relative to the directory (never following a link), check it is
// still the file that was listed, and then delete that name (unlinkat) or hand on the file that
// was opened, so a file swapped in after the listing is never deleted or sent.
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
    std::uint64_t device = 0;   // of the file that was listed
    std::uint64_t inode = 0;
};

// True for "Nolvo_<8 digits>_<6 digits>.csv" and "Nolvo_<8 digits>_<6 digits>_<1 to 3 digits>.csv".
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
// The same for a listed file: Missing also when another file has taken its name since the listing.
DeleteResult remove(const std::string& directory, const Entry& listed, const std::string& runningPath);

enum class MailCheck { Ready, Missing, Empty };
// Whether `directory`/`name` can be attached: a data log that exists and holds something.
// Reads the file's status only, never its contents.
MailCheck checkForMail(const std::string& directory, const std::string& name);

// Opens the listed file for reading when it is still the regular file that was listed and holds
// something; `fd` (close-on-exec, owned by the caller) is set only with Ready. Missing also when
// another file or a link has taken its name since the listing.
MailCheck openForMail(const std::string& directory, const Entry& listed, int& fd);

// Puts the open file `fd` under `name` into a new directory of its own below `outgoingRoot`
// (created with mode 0700 when missing): a second link to the same file when the file system
// allows, else a copy (0600). Returns the path, or "" when nothing could be made. Directories
// made here more than a day ago are removed first: a mail client has long read its attachment.
std::string stageForMail(int fd, const std::string& name, const std::string& outgoingRoot);

// "0 B", "812 B", "14.2 kB", "3.1 MB", "1.20 GB" (powers of 1000).
std::string sizeLabel(std::uint64_t bytes);
// Local time "2026-12-08 21:04"; "" for 0.
std::string timeLabel(std::time_t when);

} // namespace nolvo::data_log_files
