#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "AccessPointBuilders.h"
#include "model/AccessPointList.h"

namespace nolvo {
namespace {

using testing::batchOf;
using testing::makeAp;

// A scripted generator for the colour draws.
std::vector<int> g_script;
std::size_t g_next = 0;
int scripted()
{
    return g_next < g_script.size() ? g_script[g_next++] : 255;
}

class AccessPointListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_script.clear();
        g_next = 0;
        list.setRandomSource(&scripted);
    }

    AccessPointList list;
    const AccessPointList::WindowBottoms bottoms{-90.0f, -95.0f};
};

TEST_F(AccessPointListTest, FirstBatchIsAppendedWithoutComparingLaterBatchesMerge)
{
    auto first = batchOf({makeAp(1, 6, -50.0f), makeAp(1, 6, -52.0f), makeAp(2, 11, -70.0f)});
    list.merge(first, 1000, bottoms);
    EXPECT_TRUE(first.empty());
    ASSERT_EQ(list.size(), 3u); // the same BSSID twice in the first batch: two entries
    for (const auto& entry : list) {
        EXPECT_EQ(entry->timesSeen, 1u);
        EXPECT_EQ(entry->lastSeen, 1000u);
    }

    auto second = batchOf({makeAp(1, 6, -48.0f), makeAp(3, 1, -80.0f), makeAp(3, 1, -81.0f)});
    list.merge(second, 2000, bottoms);
    ASSERT_EQ(list.size(), 4u); // BSSID 1 merged into the first entry; 3 new, then merged into itself
    EXPECT_EQ(list[0].rssi, -48.0f);
    EXPECT_EQ(list[0].timesSeen, 2u);
    EXPECT_EQ(list[0].lastSeen, 2000u);
    EXPECT_EQ(list[1].rssi, -52.0f); // the duplicate entry is left alone
    EXPECT_EQ(list[1].timesSeen, 1u);
    EXPECT_EQ(list[3].bssid[5], 3);
    EXPECT_EQ(list[3].rssi, -81.0f);
    EXPECT_EQ(list[3].timesSeen, 2u);
}

TEST_F(AccessPointListTest, NewEntriesStartAtTheirBandsWindowBottomWithABrightColour)
{
    // Triples drawn in red, green, blue order until their sum reaches 240.
    g_script = {10, 20, 30,        // 60: too dark
                0x1FF, 0x100, 0,   // low bytes 255, 0, 0: 255 accepted
                100, 100, 39,      // 239: too dark
                100, 100, 40};     // exactly 240 accepted
    auto batch = batchOf({makeAp(1, 6, -50.0f, 20, 0, 0), makeAp(2, 36, -60.0f, 20, 0, 1)});
    list.merge(batch, 5, bottoms);
    ASSERT_EQ(list.size(), 2u);
    const std::uint8_t red[4] = {255, 0, 0, 255};
    const std::uint8_t grey[4] = {100, 100, 40, 255};
    EXPECT_EQ(std::memcmp(list[0].color, red, 4), 0);
    EXPECT_EQ(std::memcmp(list[1].color, grey, 4), 0);
    EXPECT_EQ(list[0].displayFrom, -90.0f);
    EXPECT_EQ(list[0].displayLevel, -90.0f);
    EXPECT_EQ(list[0].displayTo, -50.0f);
    EXPECT_EQ(list[1].displayFrom, -95.0f); // 5 GHz window
    EXPECT_EQ(list[1].displayTo, -60.0f);

    // A band other than 0 and 1 animates from the 2.4 GHz window.
    auto odd = batchOf({makeAp(3, 6, -40.0f, 20, 0, 7)});
    list.merge(odd, 6, bottoms);
    EXPECT_EQ(list[2].displayFrom, -90.0f);
}

TEST_F(AccessPointListTest, ReturningAccessPointKeepsColourAndAnimation)
{
    g_script = {1, 2, 250};
    auto batch = batchOf({makeAp(7, 6, -50.0f)});
    list.merge(batch, 100, bottoms);
    list[0].displayLevel = -63.5f; // the overlay has animated part of the way
    list[0].grade = 88.0f;

    g_script = {9, 9, 9, 255, 255, 255}; // would give a different colour if drawn
    g_next = 0;
    AccessPoint again = makeAp(7, 11, -40.0f);
    again.extraData = {1, 2, 3};
    auto next = batchOf({again});
    list.merge(next, 200, bottoms);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(g_next, 0u); // no colour drawn
    const std::uint8_t kept[4] = {1, 2, 250, 255};
    EXPECT_EQ(std::memcmp(list[0].color, kept, 4), 0);
    EXPECT_EQ(list[0].displayFrom, -63.5f);
    EXPECT_EQ(list[0].displayLevel, -63.5f);
    EXPECT_EQ(list[0].displayTo, -40.0f);
    EXPECT_EQ(list[0].channel, 11);              // the new record's fields replace the entry's
    EXPECT_EQ(list[0].grade, 0.0f);              // analysis too, until the next pass
    EXPECT_EQ(list[0].extraData, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(AccessPointListTest, TenThousandthSightingCountsAs99)
{
    auto batch = batchOf({makeAp(1, 6, -50.0f)});
    list.merge(batch, 0, bottoms);
    list[0].timesSeen = 9998;
    auto seen9999 = batchOf({makeAp(1, 6, -50.0f)});
    list.merge(seen9999, 1, bottoms);
    EXPECT_EQ(list[0].timesSeen, 9999u);
    auto seen10000 = batchOf({makeAp(1, 6, -50.0f)});
    list.merge(seen10000, 2, bottoms);
    EXPECT_EQ(list[0].timesSeen, 99u);
    auto after = batchOf({makeAp(1, 6, -50.0f)});
    list.merge(after, 3, bottoms);
    EXPECT_EQ(list[0].timesSeen, 100u);
}

TEST_F(AccessPointListTest, NullRecordsAndEmptyBatchesAreHarmless)
{
    AccessPointBatch batch;
    list.merge(batch, 0, bottoms);
    EXPECT_TRUE(list.empty());
    batch.push_back(nullptr);
    batch.push_back(testing::makeApPtr(1, 1, -50.0f));
    list.merge(batch, 0, bottoms);
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(AccessPointListTest, AgeingRemovesAtExactly180Seconds)
{
    auto batch = batchOf({makeAp(1, 6, -50.0f), makeAp(2, 6, -50.0f)});
    list.merge(batch, 10'000, bottoms);
    auto later = batchOf({makeAp(2, 6, -50.0f)});
    list.merge(later, 10'001, bottoms);

    EXPECT_EQ(list.removeStale(189'999), 0u); // 179.999 s
    EXPECT_EQ(list.removeStale(190'000), 1u); // exactly 180 s
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].bssid[5], 2);
    EXPECT_EQ(list.removeStale(5), 0u); // a clock behind lastSeen removes nothing
    EXPECT_EQ(list.removeStale(190'001), 1u);
    EXPECT_TRUE(list.empty());
}

TEST_F(AccessPointListTest, CapReplacesTheEntrySeenLongestAgo)
{
    // Fill to the cap in batches of 20; each batch is seen one millisecond later.
    const std::size_t cap = AccessPointList::kMaxEntries;
    for (std::size_t i = 0; i < cap; i += 20) {
        AccessPointBatch batch;
        for (std::size_t k = i; k < std::min(cap, i + 20); ++k) {
            auto ap = testing::makeApPtr(0, 6, -50.0f);
            ap->bssid[3] = static_cast<std::uint8_t>(k >> 8);
            ap->bssid[4] = static_cast<std::uint8_t>(k & 0xFF);
            batch.push_back(std::move(ap));
        }
        list.merge(batch, 1000 + i, bottoms);
    }
    ASSERT_EQ(list.size(), cap);
    // Refresh the whole first batch so that the second batch is now seen longest ago.
    const Bssid firstAddress = list[0].bssid;
    AccessPointBatch refresh;
    for (std::size_t k = 0; k < 20; ++k) {
        refresh.push_back(std::make_unique<AccessPoint>(list[k]));
    }
    list.merge(refresh, 900'000, bottoms);
    ASSERT_EQ(list.size(), cap);
    const Bssid oldest = list[20].bssid;
    ASSERT_EQ(list[20].lastSeen, 1020u);

    const Bssid newAddress{0xEE, 0, 0, 0, 0, 0xEE};
    auto newcomer = batchOf({makeAp(0xEE, 1, -30.0f)});
    newcomer[0]->bssid = newAddress;
    list.merge(newcomer, 1'000'000, bottoms);
    EXPECT_EQ(list.size(), cap);
    EXPECT_LT(list.find(oldest), 0);
    EXPECT_EQ(list.find(newAddress), 20); // in the replaced entry's place
    EXPECT_EQ(list[20].timesSeen, 1u);
    EXPECT_EQ(list.find(firstAddress), 0);

    // A first batch larger than the cap is bounded as well.
    AccessPointList fresh;
    AccessPointBatch flood;
    for (std::size_t k = 0; k < cap + 5; ++k) {
        auto ap = testing::makeApPtr(0, 6, -50.0f);
        ap->bssid[3] = static_cast<std::uint8_t>(k >> 8);
        ap->bssid[4] = static_cast<std::uint8_t>(k & 0xFF);
        flood.push_back(std::move(ap));
    }
    fresh.merge(flood, 1, bottoms);
    EXPECT_EQ(fresh.size(), cap);
}

// ---- sorting ----

struct CriterionCase {
    std::uint8_t criterion;
    AccessPoint lesser;
    AccessPoint greater;
    AccessPoint equalToLesser; // differs from `lesser` only in fields the criterion ignores
};

AccessPoint withSsid(std::uint8_t id, const char* bytes, int size)
{
    AccessPoint ap = makeAp(id, 6, -50.0f);
    std::memcpy(ap.ssid, bytes, static_cast<std::size_t>(std::min(size, 32)));
    ap.ssidLength = static_cast<std::uint8_t>(size);
    return ap;
}

std::vector<CriterionCase> criterionCases()
{
    std::vector<CriterionCase> cases;
    auto field = [](std::uint8_t id, auto&& set) {
        AccessPoint ap = makeAp(id, 6, -50.0f);
        set(ap);
        return ap;
    };
    // 1 BSSID: unsigned bytes, first byte most significant.
    cases.push_back({1, field(1, [](AccessPoint& a) { a.bssid = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}; }),
                     field(2, [](AccessPoint& a) { a.bssid = {0x80, 0x00, 0x00, 0x00, 0x00, 0x00}; }),
                     field(3, [](AccessPoint& a) { a.bssid = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}; a.rssi = -10.0f; })});
    // 2 SSID: case folded, signed bytes, shorter first on a common prefix.
    cases.push_back({2, withSsid(1, "abc", 3), withSsid(2, "ABD", 3), withSsid(3, "ABC", 3)});
    cases.push_back({2, withSsid(1, "\x80zz", 3), withSsid(2, "Azz", 3), withSsid(3, "\x80ZZ", 3)}); // 0x80 is negative
    cases.push_back({2, withSsid(1, "net", 3), withSsid(2, "NETWORK", 7), withSsid(3, "Net", 3)});
    // 3 RSSI: weakest first.
    cases.push_back({3, field(1, [](AccessPoint& a) { a.rssi = -80.0f; }), field(2, [](AccessPoint& a) { a.rssi = -40.0f; }),
                     field(3, [](AccessPoint& a) { a.rssi = -80.0f; a.channel = 1; })});
    // 4 channel and 6 frequency: channel number.
    for (std::uint8_t c : {4, 6}) {
        cases.push_back({c, field(1, [](AccessPoint& a) { a.channel = 3; }), field(2, [](AccessPoint& a) { a.channel = 40; }),
                         field(3, [](AccessPoint& a) { a.channel = 3; a.rssi = -20.0f; })});
    }
    // 5 mode: text order, "a/..." before "b/...", "b/g/" before "b/g/n/".
    cases.push_back({5, field(1, [](AccessPoint& a) { a.modes = 0x08 | 0x04; }), field(2, [](AccessPoint& a) { a.modes = 0x01; }),
                     field(3, [](AccessPoint& a) { a.modes = 0x08 | 0x04 | 0x80; })});
    cases.push_back({5, field(1, [](AccessPoint& a) { a.modes = 0x03; }), field(2, [](AccessPoint& a) { a.modes = 0x07; }),
                     field(3, [](AccessPoint& a) { a.modes = 0x03; })});
    // 7 count.
    cases.push_back({7, field(1, [](AccessPoint& a) { a.timesSeen = 9; }), field(2, [](AccessPoint& a) { a.timesSeen = 10; }),
                     field(3, [](AccessPoint& a) { a.timesSeen = 9; })});
    // 8 security rank: WPA2 (3) before WPS (4), unknown last.
    cases.push_back({8, field(1, [](AccessPoint& a) { a.security = 4; }), field(2, [](AccessPoint& a) { a.security = 1; }),
                     field(3, [](AccessPoint& a) { a.security = 4; })});
    cases.push_back({8, field(1, [](AccessPoint& a) { a.security = 1; }), field(2, [](AccessPoint& a) { a.security = -1; }),
                     field(3, [](AccessPoint& a) { a.security = 1; a.rssi = -99.0f; })});
    cases.push_back({8, field(1, [](AccessPoint& a) { a.security = 0; }), field(2, [](AccessPoint& a) { a.security = 2; }),
                     field(3, [](AccessPoint& a) { a.security = 0; })});
    cases.push_back({8, field(1, [](AccessPoint& a) { a.security = 2; }), field(2, [](AccessPoint& a) { a.security = 3; }),
                     field(3, [](AccessPoint& a) { a.security = 2; })});
    // 9 utilization, 10 and 11 grade.
    cases.push_back({9, field(1, [](AccessPoint& a) { a.utilization = 1.5f; }), field(2, [](AccessPoint& a) { a.utilization = 2.0f; }),
                     field(3, [](AccessPoint& a) { a.utilization = 1.5f; })});
    for (std::uint8_t c : {10, 11}) {
        cases.push_back({c, field(1, [](AccessPoint& a) { a.grade = 59.0f; }), field(2, [](AccessPoint& a) { a.grade = 91.0f; }),
                         field(3, [](AccessPoint& a) { a.grade = 59.0f; a.utilization = 80.0f; })});
    }
    return cases;
}

TEST(AccessPointSort, EveryCriterionIsAStrictOrderingInBothDirections)
{
    for (const auto& c : criterionCases()) {
        SCOPED_TRACE(::testing::Message() << "criterion " << int(c.criterion));
        // Ascending.
        EXPECT_TRUE(AccessPointList::sortsBefore(c.lesser, c.greater, c.criterion, false));
        EXPECT_FALSE(AccessPointList::sortsBefore(c.greater, c.lesser, c.criterion, false));
        // Descending is the exact reverse.
        EXPECT_TRUE(AccessPointList::sortsBefore(c.greater, c.lesser, c.criterion, true));
        EXPECT_FALSE(AccessPointList::sortsBefore(c.lesser, c.greater, c.criterion, true));
        // Equal records are never ordered, in either direction, nor is a record before itself.
        for (bool descending : {false, true}) {
            EXPECT_FALSE(AccessPointList::sortsBefore(c.lesser, c.equalToLesser, c.criterion, descending));
            EXPECT_FALSE(AccessPointList::sortsBefore(c.equalToLesser, c.lesser, c.criterion, descending));
            EXPECT_FALSE(AccessPointList::sortsBefore(c.greater, c.greater, c.criterion, descending));
        }
    }
}

TEST(AccessPointSort, SsidLengthByteBeyond32ComparesThe32Bytes)
{
    const std::string name(32, 'q');
    const AccessPoint longByte = withSsid(1, name.c_str(), 255);
    const AccessPoint exact = withSsid(2, name.c_str(), 32);
    EXPECT_FALSE(AccessPointList::sortsBefore(longByte, exact, 2, false));
    EXPECT_FALSE(AccessPointList::sortsBefore(exact, longByte, 2, false));
}

TEST(AccessPointSort, NanValuesKeepTheOrderingStrict)
{
    AccessPoint a = makeAp(1, 1, -50.0f);
    AccessPoint b = makeAp(2, 1, -50.0f);
    a.grade = std::numeric_limits<float>::quiet_NaN();
    b.grade = 10.0f;
    EXPECT_TRUE(AccessPointList::sortsBefore(a, b, 10, false)); // NaN sorts lowest
    EXPECT_FALSE(AccessPointList::sortsBefore(b, a, 10, false));
}

std::vector<std::uint8_t> lastBytes(const AccessPointList& list)
{
    std::vector<std::uint8_t> ids;
    for (const auto& entry : list) {
        ids.push_back(entry->bssid[5]);
    }
    return ids;
}

TEST(AccessPointSort, SortsTheListAndIgnoresUnknownCriteria)
{
    AccessPointList list;
    auto batch = batchOf({makeAp(1, 6, -70.0f), makeAp(2, 1, -40.0f), makeAp(3, 11, -90.0f), makeAp(4, 3, -55.0f)});
    list.merge(batch, 0, {});
    const std::vector<std::uint8_t> insertion{1, 2, 3, 4};
    list.sort(0, false);
    EXPECT_EQ(lastBytes(list), insertion);
    list.sort(12, true);
    EXPECT_EQ(lastBytes(list), insertion);
    list.sort(3, true); // strongest first
    EXPECT_EQ(lastBytes(list), (std::vector<std::uint8_t>{2, 4, 1, 3}));
    list.sort(4, false);
    EXPECT_EQ(lastBytes(list), (std::vector<std::uint8_t>{2, 4, 1, 3}));
    list.sort(6, true);
    EXPECT_EQ(lastBytes(list), (std::vector<std::uint8_t>{3, 1, 4, 2}));

    // Grade percent and grade give the same order.
    const float grades[] = {72.0f, 95.0f, 10.0f, 88.0f};
    for (auto& entry : list) {
        entry->grade = grades[entry->bssid[5] - 1];
    }
    list.sort(10, true);
    const auto byPercent = lastBytes(list);
    list.sort(3, false);
    list.sort(11, true);
    EXPECT_EQ(lastBytes(list), byPercent);
    EXPECT_EQ(byPercent, (std::vector<std::uint8_t>{2, 4, 1, 3}));
}

TEST(AccessPointSort, ArbitrarySsidBytesSortWithoutFault)
{
    // Random bytes and length bytes up to 255: a strict weak ordering never lets std::sort run
    // off the list, and the result must be ordered under the same comparator.
    std::mt19937 random(7);
    AccessPointList list;
    AccessPointBatch batch;
    for (int i = 0; i < 300; ++i) {
        auto ap = testing::makeApPtr(static_cast<std::uint8_t>(i), 1, -50.0f);
        ap->bssid[4] = static_cast<std::uint8_t>(i >> 8);
        for (auto& byte : ap->ssid) {
            byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 'A' + random() % 3 : random());
        }
        ap->ssidLength = static_cast<std::uint8_t>(random());
        batch.push_back(std::move(ap));
    }
    list.merge(batch, 0, {});
    for (bool descending : {false, true}) {
        list.sort(2, descending);
        for (std::size_t i = 1; i < list.size(); ++i) {
            EXPECT_FALSE(AccessPointList::sortsBefore(list[i], list[i - 1], 2, descending)) << i;
        }
    }
}

} // namespace
} // namespace nolvo
