#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <vector>

#include "TestClocks.h"
#include "model/DataLogFile.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Takes everything but the last byte: a disk that filled up in the middle of a write.
std::size_t shortWriter(std::FILE* file, const char* data, std::size_t size)
{
    const std::size_t kept = size > 0 ? size - 1 : 0;
    std::fwrite(data, 1, kept, file);
    std::fflush(file);
    return kept;
}

class DataLogFileTest : public test::IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        m_log.setWallClock(test::testWallClock);
    }
    std::string dataDir() const { return m_dir.file("data"); }

    test::PinnedClocks m_clocks{5000};
    DataLogFile m_log;
};

TEST_F(DataLogFileTest, StartCreatesNamedFileAndStopCloses)
{
    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_TRUE(m_log.isOpen());
    EXPECT_EQ(m_log.path(), dataDir() + "/Nolvo_20240315_093005.csv");
    EXPECT_EQ(m_log.startTimeMs(), 5000u);
    // A second start while open keeps the same file.
    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_EQ(m_log.path(), dataDir() + "/Nolvo_20240315_093005.csv");

    ASSERT_TRUE(m_log.write("Spectrum\n"));
    ASSERT_TRUE(m_log.write("row\n"));
    m_log.stopDataLog();
    EXPECT_FALSE(m_log.isOpen());
    EXPECT_EQ(m_log.path(), "");
    EXPECT_EQ(m_log.startTimeMs(), 0u);
    EXPECT_EQ(readFile(dataDir() + "/Nolvo_20240315_093005.csv"), "Spectrum\nrow\n");
    // Nothing is written while closed.
    EXPECT_FALSE(m_log.write("late\n"));
    EXPECT_EQ(readFile(dataDir() + "/Nolvo_20240315_093005.csv"), "Spectrum\nrow\n");
}

TEST_F(DataLogFileTest, StartsWithinOneSecondNeverOverwrite)
{
    ASSERT_TRUE(m_log.startDataLog());
    ASSERT_TRUE(m_log.write("first\n"));
    m_log.stopDataLog();

    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_EQ(m_log.path(), dataDir() + "/Nolvo_20240315_093005_2.csv");
    ASSERT_TRUE(m_log.write("second\n"));
    m_log.stopDataLog();

    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_EQ(m_log.path(), dataDir() + "/Nolvo_20240315_093005_3.csv");
    m_log.stopDataLog();

    EXPECT_EQ(readFile(dataDir() + "/Nolvo_20240315_093005.csv"), "first\n");
    EXPECT_EQ(readFile(dataDir() + "/Nolvo_20240315_093005_2.csv"), "second\n");

    // The next second has a free name again.
    test::g_wallSeconds = test::kWallSecond + 1;
    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_EQ(m_log.path(), dataDir() + "/Nolvo_20240315_093006.csv");
}

TEST_F(DataLogFileTest, FileFromEarlierRunIsKept)
{
    ASSERT_TRUE(engine::FileUtils::createDirectories(dataDir()));
    writeFile(dataDir() + "/Nolvo_20240315_093005.csv", "kept\n");
    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_EQ(m_log.path(), dataDir() + "/Nolvo_20240315_093005_2.csv");
    EXPECT_EQ(readFile(dataDir() + "/Nolvo_20240315_093005.csv"), "kept\n");
}

TEST_F(DataLogFileTest, ShortWriteClosesAndKeepsWhatWasWritten)
{
    ASSERT_TRUE(m_log.startDataLog());
    const std::string path = m_log.path();
    ASSERT_TRUE(m_log.write("header\n"));
    m_log.setWriter(shortWriter);
    EXPECT_FALSE(m_log.write("row\n"));
    EXPECT_FALSE(m_log.isOpen());
    EXPECT_EQ(m_log.path(), "");
    // Later writes do nothing until the next start.
    m_log.setWriter(nullptr);
    EXPECT_FALSE(m_log.write("more\n"));
    EXPECT_EQ(readFile(path), "header\n"); // the torn row is cut off
    EXPECT_EQ(m_log.lastPath(), path);
    EXPECT_FALSE(m_log.writeFailure().empty());
}

// A disk with room for `g_room` more bytes: takes what fits, then reports the short write.
std::size_t g_room = 0;
std::size_t roomWriter(std::FILE* file, const char* data, std::size_t size)
{
    const std::size_t kept = std::min(size, g_room);
    g_room -= kept;
    std::fwrite(data, 1, kept, file);
    std::fflush(file);
    if (kept < size) {
        errno = ENOSPC;
    }
    return kept;
}

TEST_F(DataLogFileTest, AFullDiskLeavesOnlyWholeLines)
{
    const struct {
        const char* what;
        std::vector<std::string> texts;
        std::size_t room;
        std::string kept;
    } cases[] = {
        {"row cut in its middle", {"Spectrum\n", "1,-50.0000\n", "2,-51.0000\n"}, 9 + 11 + 4, "Spectrum\n1,-50.0000\n"},
        {"packet of rows cut after its first", {"H\n", "1,a\n2,b\n3,c\n"}, 2 + 5, "H\n1,a\n"},
        {"cut right after a line end", {"H\n", "1,a\n2,b\n"}, 2 + 4, "H\n1,a\n"},
        {"nothing fits", {"H\n"}, 0, ""},
        {"header cut", {"Spectrum\nscale\n"}, 11, "Spectrum\n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m_log.startDataLog());
        const std::string path = m_log.path();
        g_room = c.room;
        m_log.setWriter(roomWriter);
        bool failed = false;
        for (const std::string& text : c.texts) {
            failed = !m_log.write(text) || failed;
        }
        m_log.setWriter(nullptr);
        EXPECT_TRUE(failed) << c.what;
        EXPECT_FALSE(m_log.isOpen()) << c.what;
        EXPECT_EQ(readFile(path), c.kept) << c.what;
        EXPECT_EQ(m_log.lastPath(), path) << c.what;
        EXPECT_EQ(m_log.writeFailure(), std::strerror(ENOSPC)) << c.what;
        test::g_wallSeconds += 1; // a fresh name for the next case
    }
}

// Lowers the largest file this process may write, which fails writes past it as a full disk
// would; restores the limit and the signal disposition when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

TEST_F(DataLogFileTest, FullDiskThroughTheRealWriter)
{
    ASSERT_TRUE(m_log.startDataLog());
    const std::string path = m_log.path();
    const std::string row = std::string(99, 'x') + "\n";
    bool closed = false;
    {
        FileSizeLimit limit(250);
        ASSERT_TRUE(limit.active());
        // Each write is flushed, so the write that crosses the limit is the one that fails,
        // even though the bytes first land in the stream's buffer.
        EXPECT_TRUE(m_log.write(row));
        EXPECT_TRUE(m_log.write(row));
        closed = !m_log.write(row);
    }
    EXPECT_TRUE(closed);
    EXPECT_FALSE(m_log.isOpen());
    // The third row reached the file in part before the limit: it is cut off again, and the
    // bytes left in the stream's buffer never follow.
    EXPECT_EQ(readFile(path), row + row);
    EXPECT_EQ(m_log.lastPath(), path);
    EXPECT_FALSE(m_log.writeFailure().empty());
}

TEST_F(DataLogFileTest, UnwritableDirectoryOpensNothing)
{
    // The writable path lies under a regular file, so it can never be created.
    writeFile(m_dir.file("blocker"), "x");
    engine::FileUtils::getInstance()->setWritablePath(m_dir.file("blocker/data"));
    EXPECT_FALSE(m_log.startDataLog());
    EXPECT_FALSE(m_log.isOpen());
    EXPECT_EQ(m_log.path(), "");
    EXPECT_EQ(m_log.startTimeMs(), 0u);
}

TEST_F(DataLogFileTest, TimeCellsCountFromTheStart)
{
    ASSERT_TRUE(m_log.startDataLog());
    EXPECT_EQ(m_log.timeCell(true, 0), "2024-03-15 09:30:05.000,");
    m_clocks.advance(31);
    EXPECT_EQ(m_log.timeCell(false, 0), "0.031,");
    EXPECT_EQ(m_log.timeCell(false, 41), "0.072,");
}

} // namespace
} // namespace nolvo
