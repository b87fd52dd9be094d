// The data logs of a directory as the file manager sees them: what is listed, what may be
// deleted, what may be mailed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
        fs::create_directory(dir.file("Nolvo_folder.csv"));
        writeFile(outside.file("Nolvo_elsewhere.csv"), "secret");
        fs::create_symlink(outside.file("Nolvo_elsewhere.csv"), dir.file("Nolvo_link.csv"));
        fs::create_symlink(outside.file("missing"), dir.file("Nolvo_dangling.csv"));
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
        {"Nolvo_folder.csv", "", files::DeleteResult::NotALog, false},
        {"Nolvo_link.csv", "", files::DeleteResult::NotALog, false},
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
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_link.csv"), files::MailCheck::Missing);
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_folder.csv"), files::MailCheck::Missing);
    EXPECT_EQ(files::checkForMail(dir.path(), "Nolvo_20261208_100000.png"), files::MailCheck::Missing);
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
