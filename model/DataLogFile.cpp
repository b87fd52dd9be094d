#include "model/DataLogFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio_ext.h>
#include <string_view>
#include <unistd.h>

#include "model/DataLogFormat.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"

namespace nolvo {

namespace {

std::size_t writeAndFlush(std::FILE* file, const char* data, std::size_t size)
{
    const std::size_t written = std::fwrite(data, 1, size, file);
    // Buffered bytes that cannot reach the disk are lost bytes: a failed flush is a short write.
    if (std::fflush(file) != 0) {
        return 0;
    }
    return written;
}

// Creates `path` only if it does not exist yet. Null with errno set on failure.
std::FILE* createExclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "w");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

} // namespace

DataLogFile* DataLogFile::getInstance()
{
    static DataLogFile* instance = new DataLogFile();
    return instance;
}

DataLogFile::~DataLogFile()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    closeLocked();
}

std::string DataLogFile::writableDirectory() const
{
    return engine::FileUtils::getInstance()->getWritablePath();
}

bool DataLogFile::startDataLog()
{
    return startDataLog(wallTime());
}

std::time_t DataLogFile::wallTime() const
{
    return wallNow();
}

bool DataLogFile::startDataLog(std::time_t when)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file != nullptr) {
        return true;
    }
    std::string directory = writableDirectory();
    if (directory.empty()) {
        return false;
    }
    if (directory.back() != '/') {
        directory += '/';
    }
    const std::string base = directory + dataLogBaseName(when);
    for (int suffix = 1; suffix <= kMaxSuffix; ++suffix) {
        const std::string candidate = suffix == 1 ? base + ".csv" : base + "_" + std::to_string(suffix) + ".csv";
        std::FILE* file = createExclusive(candidate);
        if (file != nullptr) {
            m_file = file;
            m_path = candidate;
            m_lastPath = candidate;
            m_writeFailure.clear();
            m_committed = 0;
            m_startMs = engine::clock::steadyMs();
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

void DataLogFile::stopDataLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    closeLocked();
    m_startMs = 0;
}

void DataLogFile::closeLocked()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_path.clear();
}

bool DataLogFile::write(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file == nullptr) {
        return false;
    }
    if (text.empty()) {
        return true;
    }
    const Writer writer = m_writer != nullptr ? m_writer : writeAndFlush;
    errno = 0;
    const std::size_t written = writer(m_file, text.data(), text.size());
    if (written < text.size()) {
        const int error = errno;
        cutToLastWholeLine(std::string_view(text.data(), written));
        m_writeFailure = error != 0 ? std::strerror(error) : "the file could not be written";
        closeLocked();
        return false;
    }
    m_committed += text.size();
    return true;
}

void DataLogFile::cutToLastWholeLine(std::string_view reached)
{
    // Everything up to m_committed is whole texts; of the text that failed, keep the lines that
    // were reported written. A row cut in two would read as a row with wrong values.
    std::uint64_t keep = m_committed;
    const std::size_t lineEnd = reached.rfind('\n');
    if (lineEnd != std::string_view::npos) {
        keep += lineEnd + 1;
    }
    // Bytes still in the stream's buffer must not reach the file after the cut (fclose flushes).
    ::__fpurge(m_file);
    if (::ftruncate(::fileno(m_file), static_cast<off_t>(keep)) != 0) {
        // The file stays as the failed write left it; nothing better can be done with it.
    }
}

std::string DataLogFile::timeCell(bool absolute, std::uint64_t offsetMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return dataLogTime(absolute, offsetMs, wallNow(), engine::clock::steadyMs(), m_startMs);
}

bool DataLogFile::isOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_file != nullptr;
}

std::string DataLogFile::path() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

std::string DataLogFile::lastPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastPath;
}

std::string DataLogFile::writeFailure() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writeFailure;
}

std::uint64_t DataLogFile::startTimeMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_startMs;
}

void DataLogFile::setWriter(Writer writer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writer = writer;
}

void DataLogFile::setWallClock(WallClock clock)
{
    m_wallClock = clock;
}

std::time_t DataLogFile::wallNow() const
{
    const WallClock clock = m_wallClock.load();
    return clock != nullptr ? clock() : std::time(nullptr);
}

} // namespace nolvo
