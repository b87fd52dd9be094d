#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "model/AccessPointFilter.h"
#include "model/DataModel.h"
#include "model/ListCodec.h"
#include "support/TempDir.h"

using engine::Data;
using engine::UserDefault;

namespace nolvo::test {
namespace {

template <typename Record>
std::string bytesOf(const Record& record)
{
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

template <typename Record>
void scramble(Record& record, std::mt19937& random)
{
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i) {
        bytes[i] = static_cast<std::uint8_t>(random());
    }
}

// Fills every persisted record with random bytes (255s included) and a non-trivial reference.
void scrambleSettings(DataModel& m, unsigned seed)
{
    std::mt19937 random(seed);
    m.graticuleMask = static_cast<std::int32_t>(random());
    m.alertsMask = static_cast<std::int32_t>(random());
    scramble(m.cursors, random);
    scramble(m.common, random);
    scramble(m.spectrum, random);
    m.spectrum.ssidScanInterval = 45.0f; // keep clear of the minimum-interval rule
    scramble(m.power, random);
    std::memset(m.power.measurements, 255, sizeof m.power.measurements);
    scramble(m.powerChannel, random);
    scramble(m.referenceChannel, random);
    scramble(m.demo, random);
    scramble(m.apFilter, random);
    m.referenceHistory.history = {{1.0f, 2.0f}, {}, {3.5f}};
    m.referenceHistory.processedHistory = {{-1.0f}};
    m.referenceHistory.alpha = {0.25f, 1.0f};
    m.referenceHistory.rollingHistory = {9.0f};
    m.referenceHistory.processedRollingHistory = {};
    m.referenceHistory.maxRollPointsNeeded = 240;
    m.referenceHistory.timeScaleIndex = 7;
    m.referenceHistory.amplitudeScaleIndex = 0;
    m.referenceHistory.isValid = true;
}

void expectSameSettings(const DataModel& a, const DataModel& b)
{
    EXPECT_EQ(a.graticuleMask, b.graticuleMask);
    EXPECT_EQ(a.alertsMask, b.alertsMask);
    EXPECT_EQ(bytesOf(a.cursors), bytesOf(b.cursors));
    EXPECT_EQ(bytesOf(a.common), bytesOf(b.common));
    EXPECT_EQ(bytesOf(a.spectrum), bytesOf(b.spectrum));
    EXPECT_EQ(bytesOf(a.power), bytesOf(b.power));
    EXPECT_EQ(bytesOf(a.powerChannel), bytesOf(b.powerChannel));
    EXPECT_EQ(bytesOf(a.referenceChannel), bytesOf(b.referenceChannel));
    EXPECT_EQ(bytesOf(a.demo), bytesOf(b.demo));
    EXPECT_EQ(bytesOf(a.apFilter), bytesOf(b.apFilter));
    EXPECT_EQ(a.referenceHistory.history, b.referenceHistory.history);
    EXPECT_EQ(a.referenceHistory.processedHistory, b.referenceHistory.processedHistory);
    EXPECT_EQ(a.referenceHistory.alpha, b.referenceHistory.alpha);
    EXPECT_EQ(a.referenceHistory.rollingHistory, b.referenceHistory.rollingHistory);
    EXPECT_EQ(a.referenceHistory.processedRollingHistory, b.referenceHistory.processedRollingHistory);
    EXPECT_EQ(a.referenceHistory.maxRollPointsNeeded, b.referenceHistory.maxRollPointsNeeded);
    EXPECT_EQ(a.referenceHistory.timeScaleIndex, b.referenceHistory.timeScaleIndex);
    EXPECT_EQ(a.referenceHistory.amplitudeScaleIndex, b.referenceHistory.amplitudeScaleIndex);
    EXPECT_EQ(a.referenceHistory.isValid, b.referenceHistory.isValid);
}

using ConfigurationTest = IsolatedStoreTest;

// The named accessors of the option bytes write exactly the stored bytes they stand for.
TEST(OptionAccessors, WriteTheStoredBytesAndNothingElse)
{
    struct Case {
        const char* what;
        std::size_t offset;
        std::function<void(CursorSettings&, ChannelSettings&)> set;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"time unit", 9, [](CursorSettings& c, ChannelSettings&) { c.setTimeUnit(kUnitRatio); }, {2}},
        {"phase span", 10, [](CursorSettings& c, ChannelSettings&) { c.setPhaseSpan(kWithinGrid); }, {2}},
        {"ratio span", 11, [](CursorSettings& c, ChannelSettings&) { c.setRatioSpan(kWithinCursors); }, {1}},
        // Channel records are told apart by offsets past the cursor record's 44 bytes.
        {"vertical offset", 44 + 4, [](CursorSettings&, ChannelSettings& ch) { ch.setVerticalOffset(-20); },
         {0xEC, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CursorSettings cursors{};
        ChannelSettings channel{};
        c.set(cursors, channel);
        std::uint8_t stored[sizeof cursors + sizeof channel];
        std::memcpy(stored, &cursors, sizeof cursors);
        std::memcpy(stored + sizeof cursors, &channel, sizeof channel);
        for (std::size_t i = 0; i < sizeof stored; ++i) {
            const bool inside = i >= c.offset && i < c.offset + c.bytes.size();
            EXPECT_EQ(stored[i], inside ? c.bytes[i - c.offset] : 0) << "byte " << i;
        }
    }
    CursorSettings fresh{};
    fresh.option9 = 1;
    fresh.option10 = 2;
    EXPECT_EQ(fresh.timeUnit(), kUnitPhase);
    EXPECT_EQ(fresh.phaseSpan(), kWithinGrid);
}

TEST_F(ConfigurationTest, DefaultsMatchTheDocumentedValues)
{
    DataModel m;
    EXPECT_EQ(m.graticuleMask, 31);
    EXPECT_EQ(m.alertsMask, 3);
    EXPECT_EQ(m.cursors.verticalSelected, 1);
    EXPECT_EQ(m.cursors.option9, 255);
    EXPECT_EQ(m.cursors.secondX[1], 200.0f);
    EXPECT_EQ(m.common.spectrumModeActive, 1);
    EXPECT_EQ(m.spectrum.ssidOverlay, 1);
    EXPECT_EQ(m.spectrum.traceSelection[0], 6);
    EXPECT_EQ(m.spectrum.waterfallLowThreshold, -85.0f);
    const std::uint8_t colors[15] = {0, 0, 255, 255, 0, 0, 0, 255, 255, 0, 255, 0, 0, 0, 255};
    EXPECT_EQ(std::memcmp(m.spectrum.traceColors, colors, 15), 0);
    EXPECT_EQ(m.spectrum.channelGuide24, 3);
    EXPECT_EQ(m.spectrum.ssidScanInterval, 30.0f);
    EXPECT_EQ(m.spectrum.utilizationSortCriteria, SpectrumSettings::kSortGrade);
    EXPECT_EQ(m.power.timeScaleIndex, 15);
    EXPECT_EQ(m.power.triggerLevel, -30.56f);
    const std::uint8_t triggerBytes[6] = {1, 0, 0, 1, 1, 0};
    EXPECT_EQ(std::memcmp(&m.power.powerEdgeRising, triggerBytes, 6), 0);
    EXPECT_EQ(m.power.measurements[5], 255);
    EXPECT_EQ(m.powerChannel.color[1], 255);
    EXPECT_EQ(m.referenceChannel.shown, 0);
    EXPECT_EQ(bytesOf(m.demo), std::string("\x02\x01\x01", 3));
}

TEST_F(ConfigurationTest, SaveThenLoadReproducesEveryRecordInEverySlot)
{
    DataModel saved[DataModel::kSlotCount];
    for (int slot = 0; slot < DataModel::kSlotCount; ++slot) {
        scrambleSettings(saved[slot], 100u + static_cast<unsigned>(slot));
        saved[slot].saveConfiguration(slot);
    }
    reopenStore(); // as a new process would see it
    for (int slot = 0; slot < DataModel::kSlotCount; ++slot) {
        DataModel loaded;
        loaded.loadConfiguration(slot);
        SCOPED_TRACE(slot);
        expectSameSettings(saved[slot], loaded);
    }
}

TEST_F(ConfigurationTest, AStoreWithoutTheFilterKeyLoadsEverythingElseAndKeepsTheFilterInMemory)
{
    DataModel stored;
    scrambleSettings(stored, 42);
    stored.saveConfiguration(1);
    const char* const keys[] = {"config1.ap_filter", nullptr};
    for (const char* key : keys) {
        UserDefault* store = reopenStore();
        if (key) {
            store->deleteValueForKey(key); // as a program from before the filter wrote it
        } else {
            // A blob shorter than the record is ignored like any other short record.
            store->setDataForKey("config1.ap_filter", Data("\x05" "abcde", 6));
        }
        DataModel m;
        setFilterSsid(m.apFilter, "kept");
        const std::string before = bytesOf(m.apFilter);
        m.loadConfiguration(1);
        SCOPED_TRACE(key ? "missing" : "short");
        EXPECT_EQ(bytesOf(m.apFilter), before);
        m.apFilter = stored.apFilter;
        expectSameSettings(stored, m);
    }
    // Reset clears the filter.
    DataModel m;
    m.apFilter = stored.apFilter;
    m.resetSettings();
    EXPECT_EQ(bytesOf(m.apFilter), std::string(sizeof m.apFilter, '\0'));
}

TEST_F(ConfigurationTest, SlotsOutsideZeroToThreeDoNothing)
{
    DataModel m;
    m.graticuleMask = 5;
    m.saveConfiguration(4);
    m.saveConfiguration(-1);
    m.loadConfiguration(7);
    EXPECT_EQ(m.graticuleMask, 5);
    EXPECT_EQ(UserDefault::getInstance()->getIntegerForKey("config4.version", -1), -1);
}

TEST_F(ConfigurationTest, ANeverWrittenSlotLoadsDefaultsAndWritesThem)
{
    DataModel m;
    scrambleSettings(m, 1);
    m.loadConfiguration(2);
    expectSameSettings(DataModel(), m);
    // The slot now holds the defaults, on disk too.
    UserDefault* store = reopenStore();
    EXPECT_EQ(store->getIntegerForKey("config2.version", -1), 1);
    EXPECT_EQ(store->getDataForKey("config2.spectrum_settings").getSize(), 88u);
}

TEST_F(ConfigurationTest, ANewerOrDamagedVersionResetsToDefaults)
{
    for (int version : {2, 1000, -7}) {
        DataModel m;
        scrambleSettings(m, 3);
        m.saveConfiguration(1);
        UserDefault::getInstance()->setIntegerForKey("config1.version", version);
        m.loadConfiguration(1);
        SCOPED_TRACE(version);
        expectSameSettings(DataModel(), m);
    }
}

TEST_F(ConfigurationTest, ShortBlobsAreIgnoredFieldForField)
{
    DataModel stored;
    scrambleSettings(stored, 9);
    stored.saveConfiguration(3);
    UserDefault* store = UserDefault::getInstance();
    // Cut each fixed-size record by one byte: each must keep its in-memory value.
    for (const char* key : {"cursors", "common_settings", "spectrum_settings", "power_setting", "power_channel0",
                            "reference_channel0", "demo"}) {
        const std::string full = std::string("config3.") + key;
        Data blob = store->getDataForKey(full.c_str());
        blob.resize(blob.getSize() - 1);
        store->setDataForKey(full.c_str(), blob);
    }
    DataModel m;
    m.loadConfiguration(3);
    const DataModel defaults;
    EXPECT_EQ(bytesOf(m.cursors), bytesOf(defaults.cursors));
    EXPECT_EQ(bytesOf(m.common), bytesOf(defaults.common));
    EXPECT_EQ(bytesOf(m.spectrum), bytesOf(defaults.spectrum));
    EXPECT_EQ(bytesOf(m.power), bytesOf(defaults.power));
    EXPECT_EQ(bytesOf(m.powerChannel), bytesOf(defaults.powerChannel));
    EXPECT_EQ(bytesOf(m.referenceChannel), bytesOf(defaults.referenceChannel));
    EXPECT_EQ(bytesOf(m.demo), bytesOf(defaults.demo));
    // The integers and the reference still load.
    EXPECT_EQ(m.graticuleMask, stored.graticuleMask);
    EXPECT_EQ(m.referenceHistory.history, stored.referenceHistory.history);
}

TEST_F(ConfigurationTest, VersionZeroSpectrumSettingsConvertAndKeepTheNewerFields)
{
    // An 84-byte old record: bytes 0..71 as today, then what now sits at 76..87.
    std::uint8_t old[84];
    for (int i = 0; i < 84; ++i) {
        old[i] = static_cast<std::uint8_t>(i + 1);
    }
    const float oldInterval = 60.0f;
    std::memcpy(old + 76, &oldInterval, 4);
    UserDefault* store = UserDefault::getInstance();
    store->setIntegerForKey("config1.version", 0);
    store->setDataForKey("config1.spectrum_settings", Data(old, sizeof old));

    DataModel m;
    m.spectrum.traceSelection[2] = 5;
    m.spectrum.holdTime = 7.5f;
    m.spectrum.decayRate = 0.5f;
    m.spectrum.averageTime = 3.0f;
    m.spectrum.channelGuide5 = 9;
    const SpectrumSettings before = m.spectrum;
    m.loadConfiguration(1);

    const auto* now = reinterpret_cast<const std::uint8_t*>(&m.spectrum);
    EXPECT_EQ(now[0], 1);                                  // display mode
    EXPECT_EQ(std::memcmp(now + 4, old + 4, 4), 0);        // band
    EXPECT_EQ(now[8], 9);                                  // overlay
    EXPECT_EQ(now[9], 10);                                 // trace 1
    EXPECT_EQ(now[10], 11);                                // trace 2
    EXPECT_EQ(m.spectrum.traceSelection[2], 5);            // trace 3 kept
    EXPECT_EQ(m.spectrum.holdTime, 7.5f);                  // kept
    EXPECT_EQ(m.spectrum.decayRate, 0.5f);                 // kept
    EXPECT_EQ(m.spectrum.averageTime, 3.0f);               // kept
    EXPECT_EQ(std::memcmp(now + 24, old + 24, 43), 0);     // 24..66 copied
    EXPECT_EQ(std::memcmp(now + 68, old + 68, 4), 0);      // 2.4 GHz guide
    EXPECT_EQ(m.spectrum.channelGuide5, 9);                // kept
    EXPECT_EQ(now[76], old[72]);                           // guide option moved
    EXPECT_EQ(m.spectrum.ssidScanInterval, 60.0f);         // interval moved
    EXPECT_EQ(std::memcmp(now + 84, old + 80, 4), 0);      // sort bytes moved
    EXPECT_EQ(now[67], reinterpret_cast<const std::uint8_t*>(&before)[67]); // pad untouched
}

TEST_F(ConfigurationTest, ScanIntervalsBelowTwentySecondsBecomeTwenty)
{
    const struct {
        float stored;
        float loaded;
    } cases[] = {{5.0f, 20.0f}, {0.0f, 0.0f}, {19.99f, 20.0f}, {20.0f, 20.0f}, {120.0f, 120.0f},
                 {-3.0f, 20.0f}, {NAN, 20.0f}};
    for (const auto& c : cases) {
        DataModel m;
        m.spectrum.ssidScanInterval = c.stored;
        m.saveConfiguration(0);
        DataModel loaded;
        loaded.loadConfiguration(0);
        EXPECT_EQ(loaded.spectrum.ssidScanInterval, c.loaded) << c.stored;
    }
}

TEST_F(ConfigurationTest, TruncatedReferenceListsKeepTheCompleteBlocks)
{
    DataModel m;
    m.saveConfiguration(0);
    const std::vector<std::vector<float>> lists = {{1, 2, 3}, {4}, {5, 6}};
    Data blob = encodeFloatLists(lists);
    ASSERT_EQ(blob.getSize(), (4u + 12u) + (4u + 4u) + (4u + 8u));
    blob.resize(blob.getSize() - 1); // the last block now claims more than remains
    UserDefault::getInstance()->setDataForKey("config0.referenceHistory.history", blob);
    // A float list whose size is not a multiple of 4 keeps its whole floats.
    const float alpha[2] = {0.5f, 1.0f};
    UserDefault::getInstance()->setDataForKey("config0.referenceHistory.alpha", Data(alpha, 7));
    m.loadConfiguration(0);
    EXPECT_EQ(m.referenceHistory.history, (std::vector<std::vector<float>>{{1, 2, 3}, {4}}));
    EXPECT_EQ(m.referenceHistory.alpha, std::vector<float>{0.5f});
}

TEST(ListCodec, HostileCountsStopTheDecodeWithoutReadingPastTheEnd)
{
    // count 0x40000001 * 4 wraps a 32-bit product to 4: it must not be read as one float.
    const std::uint8_t wrap[] = {0x01, 0x00, 0x00, 0x40, 0xAA, 0xBB, 0xCC, 0xDD};
    EXPECT_TRUE(decodeFloatLists(wrap, sizeof wrap).empty());
    const std::uint8_t emptyList[] = {0, 0, 0, 0, 0, 0};
    EXPECT_EQ(decodeFloatLists(emptyList, sizeof emptyList).size(), 1u); // one empty list, 2 stray bytes
    EXPECT_TRUE(decodeFloatLists(nullptr, 12).empty());
}

TEST_F(ConfigurationTest, ACorruptedStoreFileLoadsDefaultsWithoutCrashing)
{
    DataModel m;
    scrambleSettings(m, 5);
    m.saveConfiguration(0);
    const std::string path = UserDefault::getStorePath();
    std::ifstream in(path, std::ios::binary);
    std::string image((std::istreambuf_iterator<char>(in)), {});
    in.close();
    // Keep only the first 40 bytes: the version record of slot 0 may survive, the records do not.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << image.substr(0, 40);
    ::testing::internal::CaptureStderr();
    reopenStore();
    DataModel loaded;
    loaded.loadConfiguration(0);
    ::testing::internal::GetCapturedStderr();
    expectSameSettings(DataModel(), loaded);
}

// One record of a store image as the store lays it out: kind, key, value and the bytes it spans.
struct StoredRecord {
    std::uint8_t kind;
    std::string key;
    std::string value;
    std::size_t begin;
    std::size_t end;
};

std::vector<StoredRecord> recordsOf(const std::string& image)
{
    std::vector<StoredRecord> records;
    auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            v = (v << 8) | static_cast<std::uint8_t>(image[at + static_cast<std::size_t>(i)]);
        }
        return v;
    };
    std::size_t pos = 12; // magic and count
    while (pos < image.size()) {
        StoredRecord r{};
        r.begin = pos;
        r.kind = static_cast<std::uint8_t>(image[pos]);
        const std::size_t keyLength = le(pos + 1, 2);
        r.key = image.substr(pos + 3, keyLength);
        const std::size_t valueLength = le(pos + 3 + keyLength, 4);
        r.value = image.substr(pos + 7 + keyLength, valueLength);
        r.end = pos + 7 + keyLength + valueLength + 4;
        pos = r.end;
        records.push_back(r);
    }
    return records;
}

// The value the store holds for `record`'s key and kind, or nothing when it has none.
std::optional<std::string> storedValue(const StoredRecord& record)
{
    UserDefault* store = UserDefault::getInstance();
    const char* key = record.key.c_str();
    switch (record.kind) {
    case 1: {
        const int a = store->getIntegerForKey(key, 1);
        if (a != store->getIntegerForKey(key, 2)) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(&a), 4);
    }
    case 2: {
        const bool a = store->getBoolForKey(key, false);
        if (a != store->getBoolForKey(key, true)) return std::nullopt;
        return std::string(1, a ? '\1' : '\0');
    }
    default: {
        const std::uint8_t marker = 0xEE;
        const Data data = store->getDataForKey(key, Data(&marker, 1));
        if (data.getSize() == 1 && data.getBytes()[0] == marker && record.value != "\xEE") return std::nullopt;
        return std::string(reinterpret_cast<const char*>(data.getBytes()), data.getSize());
    }
    }
}

TEST_F(ConfigurationTest, AStoreDamagedAtAnyByteKeepsEveryRecordItCouldRead)
{
    for (int slot = 0; slot < DataModel::kSlotCount; ++slot) {
        DataModel m;
        scrambleSettings(m, 300u + static_cast<unsigned>(slot));
        m.saveConfiguration(slot);
    }
    const std::string path = UserDefault::getStorePath();
    std::string clean;
    {
        std::ifstream in(path, std::ios::binary);
        clean.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::vector<StoredRecord> records = recordsOf(clean);
    ASSERT_EQ(records.size(), 4u * 20u); // every record of the four slots (19 settings and the access-point filter)
    for (std::size_t at = 0; at < clean.size(); ++at) {
        std::string damaged = clean;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        ::testing::internal::CaptureStderr();
        UserDefault* store = reopenStore();
        const std::string said = ::testing::internal::GetCapturedStderr();
        // Told once, on stderr and to the program, and the file as it was found is kept.
        ASSERT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "byte " << at << ": " << said;
        ASSERT_FALSE(store->takeLoadProblem().empty()) << "byte " << at;
        ASSERT_TRUE(store->takeLoadProblem().empty()) << "byte " << at;
        std::ifstream copy(path + ".damaged", std::ios::binary);
        ASSERT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), damaged) << "byte " << at;
        std::filesystem::remove(path + ".damaged");
        for (const StoredRecord& record : records) {
            const std::optional<std::string> value = storedValue(record);
            const bool hit = at >= record.begin && at < record.end;
            if (!hit) {
                ASSERT_EQ(value, record.value) << "byte " << at << " lost " << record.key;
            } else if (value) {
                ASSERT_EQ(*value, record.value) << "byte " << at << " changed " << record.key;
            }
        }
    }
    // And the program starts from it: slot 0 loads (the damaged records at their defaults).
    DataModel loaded;
    loaded.loadConfiguration(0);
}

TEST(Accessors, OutOfRangeStoredValuesTakeTheirFallbacks)
{
    DataModel m;
    m.spectrum.band = 7;
    EXPECT_EQ(m.bandIndex(), kBand24);
    m.spectrum.band = 1;
    EXPECT_EQ(m.bandIndex(), kBand5);
    EXPECT_EQ(DataModel::colorMapIndex(3), 3);
    EXPECT_EQ(DataModel::colorMapIndex(-1), 4);
    EXPECT_EQ(DataModel::colorMapIndex(99), 4);
    EXPECT_EQ(DataModel::traceKindOf(6), 6);
    EXPECT_EQ(DataModel::traceKindOf(200), 0);
    EXPECT_EQ(DataModel::waterfallTimeFactor(2), 5);
    EXPECT_EQ(DataModel::waterfallTimeFactor(-3), 1);
    EXPECT_EQ(DataModel::peakCountOf(255), 5);

    // Without a table there is no time per division; with one the index is clamped into it.
    m.power.timeScaleIndex = -4;
    EXPECT_EQ(m.clampedTimeScaleIndex(), -1);
    EXPECT_TRUE(std::isnan(m.timePerDivision()));
    AccessoryInfo info;
    info.timePerDivision = {1.0f, 0.4f, 0.2f};
    m.setAccessoryInfo(info);
    EXPECT_EQ(m.timePerDivision(), 1.0f);
    m.power.timeScaleIndex = 99;
    EXPECT_EQ(m.timePerDivision(), 0.2f);

    // The attenuator entry applies only inside the table and only while connected.
    info.attenuatorCount = 2;
    info.attenuatorTable[1] = 8.0f;
    m.setAccessoryInfo(info);
    m.common.externalAttenuation = 10.0f;
    m.common.internalAttenuationIndex = 1;
    EXPECT_EQ(m.attenuationOffset(), 0.0f);
    m.accessoryConnected = true;
    EXPECT_EQ(m.attenuationOffset(), 18.0f);
    m.common.internalAttenuationIndex = 200;
    EXPECT_EQ(m.attenuationOffset(), 10.0f);
    m.common.internalAttenuationIndex = -1;
    EXPECT_EQ(m.attenuationOffset(), 10.0f);
}

} // namespace
} // namespace nolvo::test
