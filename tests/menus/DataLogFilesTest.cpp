// The data logs of a directory as the file manager sees them: what is listed, what may be
// deleted, what may be mailed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <unistd.h>

#include "menus/DataLogFiles.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

namespace fs = std::filesystem;
namespace files = data_log_files;

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> names(const std::vector<files::Entry>& entries)
{
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

// Names of the data-log form that are not regular files.
const char* const kFolder = "Nolvo_20261208_120000.csv";
const char* const kLink = "Nolvo_20261208_130000.csv";

class DataLogFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(dir.file("Nolvo_20261208_100500.csv"), "b,c\n1,2\n");
        writeFile(dir.file("Nolvo_20261208_100000.csv"), "a\n");
        writeFile(dir.file("Nolvo_20261208_100000_2.csv"), "");
        writeFile(dir.file("Nolvo_20261208_100000.png"), "png"); // a screenshot
        writeFile(dir.file("notes.csv"), "x");
        writeFile(dir.file("Nolvo_20261208_100000.csv.bak"), "x");
        fs::create_directory(dir.file(kFolder));
        writeFile(outside.file("Nolvo_elsewhere.csv"), "secret");
        fs::create_symlink(outside.file("Nolvo_elsewhere.csv"), dir.file(kLink));
        fs::create_symlink(outside.file("missing"), dir.file("Nolvo_20261208_140000.csv"));
        writeFile(dir.file("Nolvo_20261208_150000\n.csv"), "x"); // a line break in the name
        writeFile(dir.file("Nolvo_APs_20261208_100000.csv"), "x"); // an access-point export
    }
    test::TempDir dir;
    test::TempDir outside;
};

TEST_F(DataLogFilesTest, ListsOnlyRegularDataLogsSortedByName)
{
    const auto entries = files::list(dir.path());
    EXPECT_EQ(names(entries), (std::vector<std::string>{"Nolvo_20261208_100000.csv", "Nolvo_20261208_100000_2.csv",
                                                        "Nolvo_20261208_100500.csv"}));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].size, 2u);
    EXPECT_EQ(entries[1].size, 0u);
    EXPECT_EQ(entries[2].size, 8u);
    EXPECT_GT(entries[0].modified, 0);
    // A trailing separator or none gives the same list; an unreadable directory an empty one.
    EXPECT_EQ(names(files::list(dir.path() + "/")), names(entries));
    EXPECT_TRUE(files::list(dir.file("no-such-directory")).empty());
}

TEST_F(DataLogFilesTest, DeletesExactlyTheNamedLogAndNothingElse)
{
    const std::string running = dir.file("Nolvo_20261208_100500.csv");
    struct Case {
        std::string name;
        std::string running;
        files::DeleteResult expected;
        bool gone;
    };
    const Case cases[] = {
        {"Nolvo_20261208_100000.png", "", files::DeleteResult::NotALog, false},
        {"notes.csv", "", files::DeleteResult::NotALog, false},
        {"../Nolvo_x.csv", "", files::DeleteResult::NotALog, true}, // (there is no such file)
        {kFolder, "", files::DeleteResult::NotALog, false},
        {kLink, "", files::DeleteResult::NotALog, false},
        {"Nolvo_20261208_999999.csv", "", files::DeleteResult::Missing, true},
        // The running log, named as the log file names it or through another spelling.
        {"Nolvo_20261208_100500.csv", running, files::DeleteResult::Running, false},
        {"Nolvo_20261208_100500.csv", dir.path() + "/./Nolvo_20261208_100500.csv", files::DeleteResult::Running,
         false},
        {"Nolvo_20261208_100000_2.csv", running, files::DeleteResult::Deleted, true},
        {"Nolvo_20261208_100000_2.csv", running, files::DeleteResult::Missing, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(files::remove(dir.path(), c.name, c.running), c.expected) << c.name;
        EXPECT_EQ(!fs::exists(fs::symlink_status(dir.file(c.name))), c.gone) << c.name;
    }
    // Nothing else went: the link's target, the screenshot and the other logs are all there.
    EXPECT_TRUE(fs::exists(outside.file("Nolvo_elsewhere.csv")));
    EXPECT_EQ(names(files::list(dir.path())),
              (std::vector<std::string>{"Nolvo_20261208_100000.csv", "Nolvo_20261208_100500.csv"}));
    EXPECT_TRUE(fs::exists(dir.file("Nolvo_20261208_100000.png")));
}

TEST_F(DataLogFilesTest, OnlyNonEmptyLogsCanBeMailed)
{
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_20261208_100000.csv"), files::MailCheck::Ready);
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_20261208_100000_2.csv"), files::MailCheck::Empty);
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_gone.csv"), files::MailCheck::Missing);
    EXPECT_EQ(files::checkForMail(dir.path(), kLink), files::MailCheck::Missing);
    EXPECT_EQ(files::checkForMail(dir.path(), kFolder), files::MailCheck::Missing);
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_20261208_100000.png"), files::MailCheck::Missing);
}

TEST(DataLogNames, OnlyTheNamesTheDataLogGivesItsFiles)
{
    const std::pair<const char*, bool> cases[] = {
        {"Nolvo_20261208_100000.csv", true},
        {"Nolvo_20261208_100000_2.csv", true},
        {"Nolvo_20261208_100000_999.csv", true},
        {"Nolvo_20261208_100000_1000.csv", false},
        {"Nolvo_20261208_100000_02.csv", false},
        {"Nolvo_20261208_100000_.csv", false},
        {"Nolvo_20261208_100000_a.csv", false},
        {"Nolvo_2026120_100000.csv", false},
        {"Nolvo_20261208-100000.csv", false},
        {"Nolvo_20261208_10000x.csv", false},
        {"Nolvo_20261208_100000.CSV", false},
        {"Nolvo_20261208_100000\n.csv", false},
        {"Nolvo_20261208_100000\"q.csv", false},
        {"Nolvo_20261208_100000\xE2\x80\xAE.csv", false}, // right-to-left override
        {"Nolvo_APs_20261208_100000.csv", false},
        {"Nolvo_anything.csv", false},
        {"../Nolvo_20261208_100000.csv", false},
        {"nolvo_20261208_100000.csv", false},
    };
    for (const auto& [name, ok] : cases) EXPECT_EQ(files::isDataLogName(name), ok) << name;
}

TEST_F(DataLogFilesTest, AFileSwappedInAfterTheListingIsNeitherDeletedNorMailed)
{
    const std::string name = "Nolvo_20261208_100500.csv";
    const auto listed = files::list(dir.path());
    ASSERT_EQ(listed.size(), 3u);
    const files::Entry entry = listed[2];
    ASSERT_EQ(entry.name, name);
    // The listed file moves aside (kept, so its inode cannot be reused) and something else takes
    // its name: a link to a file elsewhere, or another regular file.
    const std::function<void()> swaps[] = {
        [&] { fs::create_symlink(outside.file("Nolvo_elsewhere.csv"), dir.file(name)); },
        [&] { writeFile(dir.file(name), "other"); },
    };
    int aside = 0;
    for (const auto& swap : swaps) {
        fs::rename(dir.file(name), dir.file(name + ".aside" + std::to_string(++aside)));
        swap();
        int fd = -1;
        EXPECT_EQ(files::openForMail(dir.path(), entry, fd), files::MailCheck::Missing);
        EXPECT_EQ(fd, -1);
        EXPECT_EQ(files::remove(dir.path(), entry, ""), files::DeleteResult::Missing);
        EXPECT_TRUE(fs::exists(fs::symlink_status(dir.file(name))));
        EXPECT_TRUE(fs::exists(outside.file("Nolvo_elsewhere.csv")));
    }
    // The listed file itself is mailed and deleted.
    const files::Entry fresh = files::list(dir.path())[2];
    EXPECT_EQ(files::remove(dir.path(), fresh, ""), files::DeleteResult::Deleted);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file(name))));
}

TEST_F(DataLogFilesTest, TheOpenedFileIsStagedPrivatelyUnderItsName)
{
    const std::string name = "Nolvo_20261208_100500.csv";
    const files::Entry entry = files::list(dir.path())[2];
    int fd = -1;
    ASSERT_EQ(files::openForMail(dir.path(), entry, fd), files::MailCheck::Ready);
    // Replaced after it was opened: what is staged is still the file that was checked.
    fs::remove(dir.file(name));
    writeFile(dir.file(name), "swapped");
    const std::string root = outside.file("outgoing");
    const std::string staged = files::stageForMail(fd, name, root);
    ::close(fd);
    ASSERT_FALSE(staged.empty());
    EXPECT_EQ(fs::path(staged).filename(), name);
    std::ifstream in(staged, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "b,c\n1,2\n");
    EXPECT_EQ(fs::status(fs::path(staged).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(staged)));
    // Empty logs are not opened at all.
    int empty = -1;
    EXPECT_EQ(files::openForMail(dir.path(), files::list(dir.path())[1], empty), files::MailCheck::Empty);
    EXPECT_EQ(empty, -1);
}

TEST(DataLogLabels, SizesInPowersOfAThousand)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"}, {999, "999 B"}, {1000, "1.0 kB"}, {14200, "14.2 kB"}, {3100000, "3.1 MB"}, {1200000000, "1.20 GB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(files::sizeLabel(bytes), text) << bytes;
    EXPECT_EQ(files::timeLabel(0), "");
    EXPECT_EQ(files::timeLabel(1700000000).size(), 16u); // "YYYY-MM-DD HH:MM" in local time
}

} // namespace
} // namespace nolvo
