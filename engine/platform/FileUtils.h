#pragma once
// Resource lookup through search paths, whole-file reads, the writable directory, and the few
// directory operations the program needs. Thread-safe: every member may be called from any thread.
//
// Resources are looked up under each resource root in turn (the working directory, the
// install prefix's share/nolvo, the executable's directory and the source tree), each combined
// with each search path, so the program finds "res/..." from the build tree, the source tree and
// an installed prefix alike.

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Data.h"

namespace engine {

class FileUtils {
public:
    static FileUtils* getInstance();

    void setSearchPaths(const std::vector<std::string>& paths);
    void addSearchPath(const std::string& path);
    std::vector<std::string> getSearchPaths() const;

    // Directories the search paths are resolved against, in order of preference.
    void setResourceRoots(const std::vector<std::string>& roots);
    std::vector<std::string> getResourceRoots() const;

    // Full path of an existing regular file, or "" when it is found nowhere. An absolute name is
    // returned as it is when the file exists. A relative name found once is remembered (no disk
    // access for it again) until the search paths or resource roots change.
    std::string fullPathForFilename(const std::string& filename) const;
    bool isFileExist(const std::string& filename) const;

    // Whole contents of a resource or an absolute file; empty when missing or unreadable.
    Data getDataFromFile(const std::string& filename) const;
    std::string getStringFromFile(const std::string& filename) const;

    // The writable directory with a trailing '/', created when missing:
    // $XDG_DATA_HOME/nolvo/ (default ~/.local/share/nolvo/) unless overridden.
    std::string getWritablePath() const;
    // Overrides the writable directory (tests, tools); "" returns to the default.
    void setWritablePath(const std::string& path);

    // Names (not paths) of the regular files directly inside a directory, sorted.
    std::vector<std::string> listFiles(const std::string& directory) const;
    bool removeFile(const std::string& path) const;
    // Creates the directory and its missing parents; true when it exists afterwards.
    static bool createDirectories(const std::string& path);

private:
    FileUtils();
    static std::string searchFor(const std::string& filename, const std::vector<std::string>& roots,
                                 const std::vector<std::string>& paths);
    mutable std::mutex m_mutex;
    mutable std::unordered_map<std::string, std::string> m_resolved;
    std::vector<std::string> m_searchPaths;
    std::vector<std::string> m_roots;
    std::string m_writableOverride;
};

// $XDG_<kind>_HOME (when absolute) or $HOME/<fallback>; used for both the data and config homes.
std::string xdgHome(const char* variable, const char* fallbackUnderHome);

} // namespace engine
