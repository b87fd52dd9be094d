#include "menus/DataLogFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nolvo::data_log_files {

namespace {

const std::string kPrefix = "Nolvo_";
const std::string kSuffix = ".csv";

// Status of `path` itself (a link is reported as a link, never followed).
bool statNoFollow(const std::string& path, struct stat& info)
{
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

bool isDataLogName(const std::string& name)
{
    if (name.size() < kPrefix.size() + kSuffix.size()) return false;
    if (name.find('/') != std::string::npos) return false;
    return name.compare(0, kPrefix.size(), kPrefix) == 0 &&
           name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
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
        entries.push_back(Entry{name, static_cast<std::uint64_t>(info.st_size), info.st_mtime});
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
    const std::string path = pathOf(directory, name);
    struct stat info {};
    if (!statNoFollow(path, info)) return errno == ENOENT ? DeleteResult::Missing : DeleteResult::Failed;
    if (!S_ISREG(info.st_mode)) return DeleteResult::NotALog;
    if (isRunningLog(directory, name, runningPath)) return DeleteResult::Running;
    if (::unlink(path.c_str()) != 0) return errno == ENOENT ? DeleteResult::Missing : DeleteResult::Failed;
    return DeleteResult::Deleted;
}

MailCheck checkForMail(const std::string& directory, const std::string& name)
{
    if (!isDataLogName(name)) return MailCheck::Missing;
    struct stat info {};
    if (!statNoFollow(pathOf(directory, name), info) || !S_ISREG(info.st_mode)) return MailCheck::Missing;
    return info.st_size > 0 ? MailCheck::Ready : MailCheck::Empty;
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
