#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using engine::Data;
using engine::UserDefault;

namespace nolvo::test {
namespace {

// The store files of the directory, apart from the store itself.
std::vector<std::string> siblingsOf(const std::string& store)
{
    std::vector<std::string> names;
    const std::filesystem::path path(store);
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        if (entry.path() != path) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class UserDefaultTest : public IsolatedStoreTest {
protected:
    std::string storeFile() const { return UserDefault::getStorePath(); }

    std::string readFile(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void writeFile(const std::string& path, const std::string& bytes) const
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    void fillAndFlush()
    {
        UserDefault* store = UserDefault::getInstance();
        store->setIntegerForKey("a.int", -123456);
        store->setBoolForKey("b.bool", true);
        const std::uint8_t blob[] = {0, 1, 2, 0xFF, 0x80};
        store->setDataForKey("c.blob", Data(blob, sizeof blob));
        store->setDataForKey("d.empty", Data());
        ASSERT_TRUE(store->flush());
    }
};

TEST_F(UserDefaultTest, ValuesSurviveFlushAndReload)
{
    fillAndFlush();
    UserDefault* store = reopenStore();
    EXPECT_EQ(store->getIntegerForKey("a.int", 7), -123456);
    EXPECT_TRUE(store->getBoolForKey("b.bool", false));
    const Data blob = store->getDataForKey("c.blob");
    ASSERT_EQ(blob.getSize(), 5u);
    EXPECT_EQ(blob.getBytes()[3], 0xFF);
    // An empty blob is stored as such, distinct from an absent key.
    const std::uint8_t marker = 9;
    EXPECT_TRUE(store->getDataForKey("d.empty", Data(&marker, 1)).isNull());
    EXPECT_FALSE(store->getDataForKey("missing", Data(&marker, 1)).isNull());
}

TEST_F(UserDefaultTest, AbsentKeysAndOtherKindsReadAsTheDefault)
{
    UserDefault* store = UserDefault::getInstance();
    store->setBoolForKey("flag", true);
    EXPECT_EQ(store->getIntegerForKey("flag", 42), 42);
    EXPECT_EQ(store->getIntegerForKey("nothing", -1), -1);
    EXPECT_TRUE(store->getDataForKey("flag").isNull());
    store->deleteValueForKey("flag");
    EXPECT_FALSE(store->getBoolForKey("flag", false));
}

TEST_F(UserDefaultTest, FlushReplacesTheFileAtomicallyAndLeavesNoTemporary)
{
    fillAndFlush();
    const std::string first = readFile(storeFile());
    UserDefault::getInstance()->setIntegerForKey("a.int", 5);
    ASSERT_TRUE(UserDefault::getInstance()->flush());
    EXPECT_NE(readFile(storeFile()), first);
    EXPECT_TRUE(siblingsOf(storeFile()).empty());
}

TEST_F(UserDefaultTest, ALeftoverHalfWrittenTemporaryFileIsIgnored)
{
    fillAndFlush();
    // A crash during the next flush leaves a partial temporary file beside the intact store.
    const std::string image = readFile(storeFile());
    writeFile(storeFile() + ".tmp", image.substr(0, image.size() / 2));
    UserDefault* store = reopenStore();
    EXPECT_EQ(store->getIntegerForKey("a.int", 0), -123456);
    // The next flush still succeeds over the leftover.
    store->setIntegerForKey("a.int", 1);
    EXPECT_TRUE(store->flush());
    EXPECT_EQ(reopenStore()->getIntegerForKey("a.int", 0), 1);
}

TEST_F(UserDefaultTest, ATruncatedStoreKeepsTheIntactLeadingRecordsAtEveryCut)
{
    fillAndFlush();
    const std::string image = readFile(storeFile());
    // Records are written in key order: a.int, b.bool, c.blob, d.empty. Cutting the file anywhere
    // must never crash and must keep exactly the records that are complete.
    for (std::size_t cut = 0; cut < image.size(); ++cut) {
        writeFile(storeFile(), image.substr(0, cut));
        ::testing::internal::CaptureStderr();
        UserDefault* store = reopenStore();
        const std::string diagnostic = ::testing::internal::GetCapturedStderr();
        const bool hasInt = store->getIntegerForKey("a.int", 0) == -123456;
        const bool hasBlob = store->getDataForKey("c.blob").getSize() == 5;
        EXPECT_FALSE(hasBlob && !hasInt) << "cut at " << cut;
        EXPECT_FALSE(store->getBoolForKey("d.empty", false)) << "cut at " << cut;
        if (cut > 0) {
            // One clear line for the user, and only one.
            EXPECT_NE(diagnostic.find("settings store"), std::string::npos) << "cut at " << cut;
            EXPECT_EQ(std::count(diagnostic.begin(), diagnostic.end(), '\n'), 1) << "cut at " << cut;
        }
    }
}

TEST_F(UserDefaultTest, ADamagedRecordIsSkippedAndTheRecordsAfterItAreRead)
{
    fillAndFlush();
    const std::string original = readFile(storeFile());
    // Byte offsets: magic (8) + count (4) + a.int record (1 kind + 2 len + 5 key + 4 len + 4 value +
    // 4 crc = 20), then b.bool: kind, key length, key "b.bool", value length, value.
    const std::size_t boolRecord = 8 + 4 + 20;
    const struct {
        const char* what;
        std::size_t offset;
    } cases[] = {
        {"value", boolRecord + 1 + 2 + 6 + 4},
        {"key length", boolRecord + 1},
        {"value length", boolRecord + 1 + 2 + 6 + 3},
        {"kind", boolRecord},
    };
    for (const auto& c : cases) {
        std::string image = original;
        image[c.offset] = static_cast<char>(image[c.offset] ^ 0xFF);
        writeFile(storeFile(), image);
        ::testing::internal::CaptureStderr();
        UserDefault* store = reopenStore();
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("damaged"), std::string::npos) << c.what;
        EXPECT_EQ(store->getIntegerForKey("a.int", 0), -123456) << c.what;
        EXPECT_FALSE(store->getBoolForKey("b.bool", false)) << c.what;
        EXPECT_EQ(store->getDataForKey("c.blob").getSize(), 5u) << c.what;
        EXPECT_TRUE(store->getDataForKey("d.empty", Data(&original[0], 1)).isNull()) << c.what; // present, empty
    }
}

TEST_F(UserDefaultTest, ADamagedStoreIsKeptAsACopyBeforeItIsReplacedAndTheUserIsToldOnce)
{
    fillAndFlush();
    std::string image = readFile(storeFile());
    image[20] = static_cast<char>(image[20] ^ 0x55);
    writeFile(storeFile(), image);
    ::testing::internal::CaptureStderr();
    UserDefault* store = reopenStore();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    const std::string problem = store->takeLoadProblem();
    EXPECT_NE(problem.find("settings.store.damaged"), std::string::npos) << problem;
    EXPECT_TRUE(store->takeLoadProblem().empty()) << "told once";
    EXPECT_EQ(readFile(storeFile() + ".damaged"), image);

    // The next save replaces the store; the copy stays as it was found.
    store->setIntegerForKey("a.int", 1);
    ASSERT_TRUE(store->flush());
    EXPECT_EQ(readFile(storeFile() + ".damaged"), image);
    EXPECT_TRUE(reopenStore()->takeLoadProblem().empty());

    // Damaged again later: a second copy, the first one kept.
    writeFile(storeFile(), "not a store at all");
    ::testing::internal::CaptureStderr();
    reopenStore();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(storeFile() + ".damaged"), image);
    EXPECT_EQ(readFile(storeFile() + ".2.damaged"), "not a store at all");
}

TEST_F(UserDefaultTest, OnlyAMissingFileIsAFirstStart)
{
    const std::string path = storeFile();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const struct {
        const char* what;
        std::function<void()> make;
        bool copyKept; // a .damaged name for what was there
    } cases[] = {
        // open() fails with ELOOP.
        {"symbolic link loop", [&] { std::filesystem::create_symlink(path, path); }, true},
        // open() succeeds, read() fails with EISDIR; a directory cannot be linked or copied.
        {"directory in its place", [&] { std::filesystem::create_directory(path); }, false},
        {"empty file", [&] { writeFile(path, ""); }, true},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(std::filesystem::path(path).parent_path());
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        c.make();
        ::testing::internal::CaptureStderr();
        UserDefault* store = reopenStore();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.what << ": " << said;
        EXPECT_FALSE(store->takeLoadProblem().empty()) << c.what;
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(path + ".damaged")), c.copyKept) << c.what;
        store->setIntegerForKey("k", 1);
        ::testing::internal::CaptureStderr();
        const bool saved = store->flush();
        ::testing::internal::GetCapturedStderr();
        // Without a copy the file is never replaced.
        EXPECT_EQ(saved, c.copyKept) << c.what;
        if (!c.copyKept) {
            EXPECT_TRUE(std::filesystem::is_directory(path)) << c.what;
        }
    }

    // Missing: a first start, nothing to say and nothing kept.
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
    ::testing::internal::CaptureStderr();
    UserDefault* store = reopenStore();
    EXPECT_TRUE(::testing::internal::GetCapturedStderr().empty());
    EXPECT_TRUE(store->takeLoadProblem().empty());
    EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));
}

TEST_F(UserDefaultTest, AReadOnlyStoreFileLoadsCleanlyAndIsReplacedByTheNextSave)
{
    fillAndFlush();
    std::filesystem::permissions(storeFile(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    UserDefault* store = reopenStore();
    EXPECT_TRUE(store->takeLoadProblem().empty());
    EXPECT_EQ(store->getIntegerForKey("a.int", 0), -123456);
    store->setIntegerForKey("a.int", 2);
    EXPECT_TRUE(store->flush());
    EXPECT_EQ(reopenStore()->getIntegerForKey("a.int", 0), 2);
    EXPECT_TRUE(siblingsOf(storeFile()).empty());
}

TEST_F(UserDefaultTest, TwoProcessesSavingAtOnceLeaveOneWholeStore)
{
    // Each process saves its own image again and again; with a shared temporary one would rename
    // the other's half-written file into place.
    const std::vector<std::uint8_t> big(256 * 1024, 0x5A);
    const std::vector<std::uint8_t> other(200 * 1024, 0xA5);
    UserDefault* store = UserDefault::getInstance();
    store->setIntegerForKey("who", 1);
    store->setDataForKey("bulk", Data(big.data(), big.size()));
    ASSERT_TRUE(store->flush());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        store->setIntegerForKey("who", 2);
        store->setDataForKey("bulk", Data(other.data(), other.size()));
        bool ok = true;
        for (int i = 0; i < 100; ++i) {
            ok = store->flush() && ok;
        }
        ::_exit(ok ? 0 : 1);
    }
    bool ok = true;
    for (int i = 0; i < 100; ++i) {
        ok = store->flush() && ok;
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    store = reopenStore();
    EXPECT_TRUE(store->takeLoadProblem().empty());
    const int who = store->getIntegerForKey("who", 0);
    ASSERT_TRUE(who == 1 || who == 2);
    EXPECT_EQ(store->getDataForKey("bulk").getSize(), who == 1 ? big.size() : other.size());
    EXPECT_TRUE(siblingsOf(storeFile()).empty()) << "no temporary is left behind";
}

TEST_F(UserDefaultTest, HostileImagesNeverOverreadOrAllocateHugely)
{
    const std::string magic = "NOLVOUD1";
    const std::string images[] = {
        "garbage that is not a store",
        magic,                                                               // no record count
        magic + std::string("\xFF\xFF\xFF\xFF", 4),                          // 4 billion records, none there
        magic + std::string("\x01\0\0\0\x03\xFF\xFF", 7),                   // key length beyond the image
        magic + std::string("\x01\0\0\0\x03\x01\x00k\xFF\xFF\xFF\xFF", 12), // value length 4 GiB
        magic + std::string("\x01\0\0\0\x01\x01\x00k\x02\0\0\0\0\0", 14), // 2-byte integer, bad crc
    };
    UserDefault* store = UserDefault::getInstance();
    for (const std::string& image : images) {
        std::string diagnostic;
        EXPECT_FALSE(store->loadFromBytes(reinterpret_cast<const std::uint8_t*>(image.data()), image.size(), &diagnostic));
        EXPECT_FALSE(diagnostic.empty());
        EXPECT_EQ(store->getIntegerForKey("k", -1), -1);
    }
}

TEST_F(UserDefaultTest, FlushReportsFailureWhenTheDirectoryCannotBeCreated)
{
    // A regular file where the directory should be.
    writeFile(m_dir.file("blocker"), "x");
    UserDefault::setStoreDirectory(m_dir.file("blocker") + "/sub");
    ::testing::internal::CaptureStderr();
    UserDefault* store = reopenStore(); // says it cannot open the store (not a directory)
    ::testing::internal::GetCapturedStderr();
    store->setIntegerForKey("k", 1);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(store->flush());
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not save"), std::string::npos);
}

TEST(Crc32, MatchesTheStandardCheckValue)
{
    EXPECT_EQ(engine::crc32("123456789", 9), 0xCBF43926u);
}

} // namespace
} // namespace nolvo::test
