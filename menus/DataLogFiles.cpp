#include "menus/DataLogFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nolvo::data_log_files {

namespace {

const std::string kPrefix = "Nolvo_";
const std::string kSuffix = ".csv";
constexpr std::time_t kStagedLifetimeSeconds = 24 * 3600;

// Status of `path` itself (a link is reported as a link, never followed).
bool statNoFollow(const std::string& path, struct stat& info)
{
    return ::lstat(path.c_str(), &info) == 0;
}

// `count` ASCII digits at text[at].
bool digitsAt(const std::string& text, std::size_t at, std::size_t count)
{
    if (at + count > text.size()) return false;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

// The directory, opened to name files relative to it; -1 when it cannot be.
int openDirectory(const std::string& directory)
{
    return ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0) ::close(fd);
    }
};

bool sameFile(const struct stat& info, const Entry& listed)
{
    return static_cast<std::uint64_t>(info.st_dev) == listed.device &&
           static_cast<std::uint64_t>(info.st_ino) == listed.inode;
}

// Deletes `name` in the open directory `dirFd` after the checks `remove` documents; `listed`,
// when given, must be the file found there.
DeleteResult removeAt(int dirFd, const std::string& directory, const std::string& name, const Entry* listed,
                      const std::string& runningPath)
{
    struct stat info {};
    if (::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? DeleteResult::Missing : DeleteResult::Failed;
    }
    if (!S_ISREG(info.st_mode)) return listed ? DeleteResult::Missing : DeleteResult::NotALog;
    if (listed && !sameFile(info, *listed)) return DeleteResult::Missing;
    if (isRunningLog(directory, name, runningPath)) return DeleteResult::Running;
    if (::unlinkat(dirFd, name.c_str(), 0) != 0) return errno == ENOENT ? DeleteResult::Missing : DeleteResult::Failed;
    return DeleteResult::Deleted;
}

// Copies the open file `from` (from its start) into the new file `to`.
bool copyFile(int from, int to)
{
    char buffer[65536];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        at += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

// Removes the staging directories below `root` that are older than a day.
void removeOldStagings(const std::string& root)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const std::time_t now = std::time(nullptr);
    for (const auto& entry : fs::directory_iterator(root, error)) {
        struct stat info {};
        const std::string path = entry.path().string();
        if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
        if (now - info.st_mtime > kStagedLifetimeSeconds) fs::remove_all(entry.path(), error);
    }
}

} // namespace

bool isDataLogName(const std::string& name)
{
    // "Nolvo_" date "_" time [ "_" N ] ".csv": exactly what the data log writes, nothing else.
    const std::size_t stem = kPrefix.size() + 8 + 1 + 6;
    if (name.size() < stem + kSuffix.size()) return false;
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    if (!digitsAt(name, kPrefix.size(), 8) || name[kPrefix.size() + 8] != '_' ||
        !digitsAt(name, kPrefix.size() + 9, 6)) {
        return false;
    }
    if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
    const std::size_t suffixLength = name.size() - kSuffix.size() - stem;
    if (suffixLength == 0) return true;
    // "_" and 1 to 3 digits, the first not 0.
    return suffixLength >= 2 && suffixLength <= 4 && name[stem] == '_' && name[stem + 1] != '0' &&
           digitsAt(name, stem + 1, suffixLength - 1);
}

std::string pathOf(const std::string& directory, const std::string& name)
{
    if (directory.empty()) return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::vector<Entry> list(const std::string& directory)
{
    std::vector<Entry> entries;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return entries;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!isDataLogName(name)) continue;
        if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN) continue;
        struct stat info {};
        // The type from the directory may be unknown on some file systems: lstat decides.
        if (!statNoFollow(pathOf(directory, name), info) || !S_ISREG(info.st_mode)) continue;
        entries.push_back(Entry{name, static_cast<std::uint64_t>(info.st_size), info.st_mtime,
                                static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

bool isRunningLog(const std::string& directory, const std::string& name, const std::string& runningPath)
{
    if (runningPath.empty()) return false;
    const std::string path = pathOf(directory, name);
    if (runningPath == path) return true;
    struct stat file {};
    struct stat running {};
    return ::stat(path.c_str(), &file) == 0 && ::stat(runningPath.c_str(), &running) == 0 &&
           file.st_dev == running.st_dev && file.st_ino == running.st_ino;
}

DeleteResult remove(const std::string& directory, const std::string& name, const std::string& runningPath)
{
    if (!isDataLogName(name)) return DeleteResult::NotALog;
    const int dirFd = openDirectory(directory);
    if (dirFd < 0) return errno == ENOENT ? DeleteResult::Missing : DeleteResult::Failed;
    FdCloser closer{dirFd};
    return removeAt(dirFd, directory, name, nullptr, runningPath);
}

DeleteResult remove(const std::string& directory, const Entry& listed, const std::string& runningPath)
{
    if (!isDataLogName(listed.name)) return DeleteResult::NotALog;
    const int dirFd = openDirectory(directory);
    if (dirFd < 0) return errno == ENOENT ? DeleteResult::Missing : DeleteResult::Failed;
    FdCloser closer{dirFd};
    return removeAt(dirFd, directory, listed.name, &listed, runningPath);
}

MailCheck checkForMail(const std::string& directory, const std::string& name)
{
    if (!isDataLogName(name)) return MailCheck::Missing;
    struct stat info {};
    if (!statNoFollow(pathOf(directory, name), info) || !S_ISREG(info.st_mode)) return MailCheck::Missing;
    return info.st_size > 0 ? MailCheck::Ready : MailCheck::Empty;
}

MailCheck openForMail(const std::string& directory, const Entry& listed, int& fd)
{
    fd = -1;
    if (!isDataLogName(listed.name)) return MailCheck::Missing;
    const int dirFd = openDirectory(directory);
    if (dirFd < 0) return MailCheck::Missing;
    FdCloser closer{dirFd};
    // Opened once, never through a link and without waiting on a FIFO; everything after this
    // looks at what was opened, not at the name.
    const int opened = ::openat(dirFd, listed.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) return MailCheck::Missing;
    FdCloser openedCloser{opened};
    struct stat info {};
    if (::fstat(opened, &info) != 0 || !S_ISREG(info.st_mode) || !sameFile(info, listed)) return MailCheck::Missing;
    if (info.st_size <= 0) return MailCheck::Empty;
    openedCloser.fd = -1;
    fd = opened;
    return MailCheck::Ready;
}

std::string stageForMail(int fd, const std::string& name, const std::string& outgoingRoot)
{
    if (fd < 0 || !isDataLogName(name)) return "";
    std::error_code error;
    std::filesystem::create_directories(outgoingRoot, error);
    ::chmod(outgoingRoot.c_str(), 0700);
    removeOldStagings(outgoingRoot);
    std::string folder = pathOf(outgoingRoot, "XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) return ""; // mode 0700
    const std::string path = pathOf(folder, name);
    // A second name for the opened file itself (Linux: through its /proc entry).
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return path;
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out >= 0) {
        const bool copied = copyFile(fd, out);
        if (::close(out) == 0 && copied) return path;
        ::unlink(path.c_str());
    }
    ::rmdir(folder.c_str());
    return "";
}

std::string sizeLabel(std::uint64_t bytes)
{
    char text[32];
    const double b = static_cast<double>(bytes);
    if (bytes < 1000) {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1000ull * 1000) {
        std::snprintf(text, sizeof text, "%.1f kB", b / 1e3);
    } else if (bytes < 1000ull * 1000 * 1000) {
        std::snprintf(text, sizeof text, "%.1f MB", b / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.2f GB", b / 1e9);
    }
    return text;
}

std::string timeLabel(std::time_t when)
{
    if (when == 0) return "";
    std::tm parts {};
    if (!::localtime_r(&when, &parts)) return "";
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts) == 0) return "";
    return text;
}

} // namespace nolvo::data_log_files
