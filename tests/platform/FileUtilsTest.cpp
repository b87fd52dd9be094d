#include <fstream>

#include <gtest/gtest.h>

#include "platform/FileUtils.h"
#include "support/TempDir.h"

using engine::FileUtils;

namespace nolvo::test {
namespace {

class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedRoots = files()->getResourceRoots();
        m_savedPaths = files()->getSearchPaths();
        write("root1/res/a.txt", "from root1");
        write("root2/res/a.txt", "from root2");
        write("root2/res/sub/b.bin", std::string("\x00\x01\x02", 3));
        write("root2/c.txt", "top");
        files()->setResourceRoots({m_dir.file("root1"), m_dir.file("root2")});
    }
    void TearDown() override
    {
        files()->setResourceRoots(m_savedRoots);
        files()->setSearchPaths(m_savedPaths);
        files()->setWritablePath("");
    }
    static FileUtils* files() { return FileUtils::getInstance(); }
    void write(const std::string& relative, const std::string& bytes)
    {
        const std::string path = m_dir.file(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    TempDir m_dir;
    std::vector<std::string> m_savedRoots;
    std::vector<std::string> m_savedPaths;
};

TEST_F(FileUtilsTest, SearchPathsAreTriedInOrderAcrossTheResourceRoots)
{
    files()->setSearchPaths({"res/desktop/sd", "res", ""});
    EXPECT_EQ(files()->getStringFromFile("a.txt"), "from root1"); // first root wins
    EXPECT_EQ(files()->getDataFromFile("sub/b.bin").getSize(), 3u);
    EXPECT_EQ(files()->getStringFromFile("c.txt"), "top"); // the empty search path
    EXPECT_EQ(files()->fullPathForFilename("missing.png"), "");
    EXPECT_TRUE(files()->getDataFromFile("missing.png").isNull());
    EXPECT_FALSE(files()->isFileExist("res")); // directories are not files
}

TEST_F(FileUtilsTest, AbsoluteNamesAndAbsoluteSearchPathsAreUsedAsTheyAre)
{
    files()->setSearchPaths({m_dir.file("root2/res")});
    EXPECT_EQ(files()->getStringFromFile("a.txt"), "from root2");
    EXPECT_EQ(files()->getStringFromFile(m_dir.file("root2/c.txt")), "top");
}

TEST_F(FileUtilsTest, ANameFoundOnceIsNotLookedUpOnTheDiskAgainUntilThePathsChange)
{
    files()->setSearchPaths({"res"});
    const std::string found = files()->fullPathForFilename("a.txt");
    EXPECT_EQ(found, m_dir.file("root1/res/a.txt"));
    // Gone from the disk: the remembered answer stands (no disk access for a known name).
    std::filesystem::remove(m_dir.file("root1/res/a.txt"));
    EXPECT_EQ(files()->fullPathForFilename("a.txt"), found);
    // New search paths forget what was found.
    files()->setSearchPaths({"res"});
    EXPECT_EQ(files()->fullPathForFilename("a.txt"), m_dir.file("root2/res/a.txt"));
    // A miss is not remembered: a resource that appears later is found.
    EXPECT_EQ(files()->fullPathForFilename("late.txt"), "");
    write("root2/res/late.txt", "late");
    EXPECT_EQ(files()->fullPathForFilename("late.txt"), m_dir.file("root2/res/late.txt"));
}

TEST_F(FileUtilsTest, WritablePathIsCreatedAndListsOnlyRegularFiles)
{
    files()->setWritablePath(m_dir.file("deep/data"));
    const std::string writable = files()->getWritablePath();
    EXPECT_EQ(writable, m_dir.file("deep/data") + "/");
    ASSERT_TRUE(std::filesystem::is_directory(writable));
    std::ofstream(writable + "Nolvo_2.csv") << "x";
    std::ofstream(writable + "Nolvo_1.csv") << "y";
    std::filesystem::create_directory(writable + "folder");
    EXPECT_EQ(files()->listFiles(writable), (std::vector<std::string>{"Nolvo_1.csv", "Nolvo_2.csv"}));
    EXPECT_TRUE(files()->removeFile(writable + "Nolvo_1.csv"));
    EXPECT_FALSE(files()->removeFile(writable + "Nolvo_1.csv"));
    EXPECT_EQ(files()->listFiles(writable).size(), 1u);
    EXPECT_TRUE(files()->listFiles(m_dir.file("nowhere")).empty());
}

TEST_F(FileUtilsTest, DefaultWritablePathFollowsXdgDataHome)
{
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", m_dir.file("xdg").c_str(), 1);
    EXPECT_EQ(files()->getWritablePath(), m_dir.file("xdg") + "/nolvo/");
    // A relative value is not a valid XDG directory: the default under $HOME applies.
    ::setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_NE(files()->getWritablePath().find("/.local/share/nolvo/"), std::string::npos);
    if (saved) {
        ::setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
}

} // namespace
} // namespace nolvo::test
