#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using engine::Data;
using engine::UserDefault;

namespace nolvo::test {
namespace {

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
    EXPECT_FALSE(std::filesystem::exists(storeFile() + ".tmp"));
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

TEST_F(UserDefaultTest, ADamagedRecordEndsTheReadAndTheRestReadsAsAbsent)
{
    fillAndFlush();
    std::string image = readFile(storeFile());
    // Flip one byte inside the value of the second record (b.bool): magic (8) + count (4) + a.int
    // record (1 kind + 2 len + 5 key + 4 len + 4 value + 4 crc = 20) + 1 + 2 + 6 ("b.bool") + 4.
    const std::size_t boolValue = 8 + 4 + 20 + 1 + 2 + 6 + 4;
    image[boolValue] = static_cast<char>(image[boolValue] ^ 0x01);
    writeFile(storeFile(), image);
    ::testing::internal::CaptureStderr();
    UserDefault* store = reopenStore();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("damaged"), std::string::npos);
    EXPECT_EQ(store->getIntegerForKey("a.int", 0), -123456);
    EXPECT_FALSE(store->getBoolForKey("b.bool", false));
    EXPECT_TRUE(store->getDataForKey("c.blob").isNull());
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
    UserDefault* store = reopenStore();
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
