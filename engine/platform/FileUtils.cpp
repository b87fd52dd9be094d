#include "platform/FileUtils.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace engine {

namespace {

std::string withSlash(std::string path)
{
    if (!path.empty() && path.back() != '/') {
        path.push_back('/');
    }
    return path;
}

bool isRegularFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string executableDirectory()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

// Files larger than this are not resources of ours; refusing them keeps a hostile or broken
// path from exhausting memory.
constexpr std::uintmax_t kMaxReadSize = 256u * 1024u * 1024u;

} // namespace

std::string xdgHome(const char* variable, const char* fallbackUnderHome)
{
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    std::string base = (home != nullptr && home[0] == '/') ? home : "/tmp";
    return withSlash(base) + fallbackUnderHome;
}

FileUtils* FileUtils::getInstance()
{
    static FileUtils instance;
    return &instance;
}

FileUtils::FileUtils()
{
    std::vector<std::string> roots;
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    if (!ec) {
        roots.push_back(cwd.string());
    }
    const std::string exeDir = executableDirectory();
    if (!exeDir.empty()) {
        roots.push_back((fs::path(exeDir) / ".." / "share" / "nolvo").lexically_normal().string());
    }
    roots.push_back(NOLVO_INSTALL_DATADIR);
    if (!exeDir.empty()) {
        roots.push_back(exeDir);
    }
    roots.push_back(NOLVO_SOURCE_ROOT);
    m_roots = roots;
    m_searchPaths = {""};
}

void FileUtils::setSearchPaths(const std::vector<std::string>& paths)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resolved.clear();
    m_searchPaths = paths;
    if (m_searchPaths.empty()) {
        m_searchPaths.push_back("");
    }
}

void FileUtils::addSearchPath(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resolved.clear();
    m_searchPaths.push_back(path);
}

std::vector<std::string> FileUtils::getSearchPaths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_searchPaths;
}

void FileUtils::setResourceRoots(const std::vector<std::string>& roots)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resolved.clear();
    m_roots = roots;
}

std::vector<std::string> FileUtils::getResourceRoots() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_roots;
}

std::string FileUtils::fullPathForFilename(const std::string& filename) const
{
    if (filename.empty()) {
        return {};
    }
    if (filename.front() == '/') {
        return isRegularFile(filename) ? filename : std::string();
    }
    std::vector<std::string> roots;
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Resources do not move while the program runs: a name found once is not looked up
        // on the disk again (sprites and cells built under a lock do no file I/O).
        auto hit = m_resolved.find(filename);
        if (hit != m_resolved.end()) return hit->second;
        roots = m_roots;
        paths = m_searchPaths;
    }
    const std::string found = searchFor(filename, roots, paths);
    if (!found.empty()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_resolved.emplace(filename, found);
    }
    return found;
}

std::string FileUtils::searchFor(const std::string& filename, const std::vector<std::string>& roots,
                                 const std::vector<std::string>& paths)
{
    for (const std::string& searchPath : paths) {
        if (!searchPath.empty() && searchPath.front() == '/') {
            const std::string candidate = withSlash(searchPath) + filename;
            if (isRegularFile(candidate)) {
                return candidate;
            }
            continue;
        }
        for (const std::string& root : roots) {
            const std::string candidate = withSlash(root) + withSlash(searchPath) + filename;
            if (isRegularFile(candidate)) {
                return fs::path(candidate).lexically_normal().string();
            }
        }
    }
    return {};
}

bool FileUtils::isFileExist(const std::string& filename) const
{
    return !fullPathForFilename(filename).empty();
}

Data FileUtils::getDataFromFile(const std::string& filename) const
{
    Data data;
    const std::string path = fullPathForFilename(filename);
    if (path.empty()) {
        return data;
    }
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size == 0 || size > kMaxReadSize) {
        return data;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return data;
    }
    data.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(data.getBytes()), static_cast<std::streamsize>(size));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

std::string FileUtils::getStringFromFile(const std::string& filename) const
{
    const Data data = getDataFromFile(filename);
    if (data.isNull()) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(data.getBytes()), data.getSize());
}

std::string FileUtils::getWritablePath() const
{
    std::string path;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        path = m_writableOverride;
    }
    if (path.empty()) {
        path = xdgHome("XDG_DATA_HOME", ".local/share") + "/nolvo";
    }
    createDirectories(path);
    return withSlash(path);
}

void FileUtils::setWritablePath(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writableOverride = path;
}

std::vector<std::string> FileUtils::listFiles(const std::string& directory) const
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) {
        return names;
    }
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        if (entry.is_regular_file(typeError)) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool FileUtils::removeFile(const std::string& path) const
{
    return ::unlink(path.c_str()) == 0;
}

bool FileUtils::createDirectories(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

} // namespace engine
