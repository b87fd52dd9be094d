#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "AccessPointBuilders.h"
#include "model/AccessPointFilter.h"

namespace nolvo::testing {
namespace {

AccessPoint namedAp(std::uint8_t id, std::string_view ssid, int band, int channel, int security, float rssi)
{
    AccessPoint ap = makeAp(id, channel, rssi, 20, 0, band);
    ap.setSsid(ssid);
    ap.security = security;
    return ap;
}

// A small survey: names, bands, channels, security classes and levels that the cases below cut.
std::vector<AccessPoint> survey()
{
    return {
        namedAp(1, "HomeNet", 0, 1, 4, -40.0f),       // WPA2, strong
        namedAp(2, "homenet-guest", 0, 6, 0, -70.0f), // open
        namedAp(3, "Cafe", 0, 11, 3, -80.5f),         // WPA
        namedAp(4, "", 0, 6, 4, -55.0f),              // hidden, empty
        namedAp(5, std::string_view("\0\0\0", 3), 1, 36, 4, -60.0f), // hidden, zero bytes, 5 GHz
        namedAp(6, "Office5G", 1, 149, 2, -65.0f),    // WEP
        namedAp(7, "Printer", 0, 13, 1, -90.0f),      // WPS
        namedAp(8, "Odd", 0, 3, 9, -50.0f),           // security class outside 0..4
    };
}

std::vector<int> idsPassing(const AccessPointFilterSettings& settings)
{
    const AccessPointFilter filter(settings);
    std::vector<int> ids;
    for (const AccessPoint& ap : survey()) {
        if (filter.matches(ap)) {
            ids.push_back(ap.bssid[5]);
        }
    }
    return ids;
}

struct FilterCase {
    const char* name;
    void (*set)(AccessPointFilterSettings&);
    std::vector<int> expected;
};

TEST(AccessPointFilterTest, EachCriterionAndTheirCombinationsCutTheSurvey)
{
    const FilterCase cases[] = {
        {"none", [](AccessPointFilterSettings&) {}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"text, any case", [](AccessPointFilterSettings& s) { setFilterSsid(s, "HOMEnet"); }, {1, 2}},
        {"text in the middle", [](AccessPointFilterSettings& s) { setFilterSsid(s, "ICE5"); }, {6}},
        {"open or WEP", [](AccessPointFilterSettings& s) {
             s.securityMask = securityBit(SecurityClass::Open) | securityBit(SecurityClass::Wep);
         }, {2, 6}},
        {"WPS only", [](AccessPointFilterSettings& s) { s.securityMask = securityBit(SecurityClass::Wps); }, {7}},
        {"every class still drops unknown ones", [](AccessPointFilterSettings& s) { s.securityMask = kAllSecurityBits; },
         {1, 2, 3, 4, 5, 6, 7}},
        {"5 GHz", [](AccessPointFilterSettings& s) { s.bands = AccessPointFilterSettings::kBand5Only; }, {5, 6}},
        {"both band bits mean every band", [](AccessPointFilterSettings& s) {
             s.bands = AccessPointFilterSettings::kBand24Only | AccessPointFilterSettings::kBand5Only;
         }, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"channels 3..11", [](AccessPointFilterSettings& s) { s.channelFirst = 3; s.channelLast = 11; }, {2, 3, 4, 8}},
        {"channels typed backwards", [](AccessPointFilterSettings& s) { s.channelFirst = 11; s.channelLast = 3; },
         {2, 3, 4, 8}},
        {"from channel 36 up", [](AccessPointFilterSettings& s) { s.channelFirst = 36; }, {5, 6}},
        {"minimum -60 dBm is inclusive", [](AccessPointFilterSettings& s) {
             s.flags = AccessPointFilterSettings::kMinimumSignal;
             s.minimumSignal = -60.0f;
         }, {1, 4, 5, 8}},
        {"minimum value without its flag", [](AccessPointFilterSettings& s) { s.minimumSignal = -60.0f; },
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"hide hidden", [](AccessPointFilterSettings& s) { s.flags = AccessPointFilterSettings::kHideHidden; },
         {1, 2, 3, 6, 7, 8}},
        {"WPA2 on 2.4 GHz, shown names", [](AccessPointFilterSettings& s) {
             s.securityMask = securityBit(SecurityClass::Wpa2);
             s.bands = AccessPointFilterSettings::kBand24Only;
             s.flags = AccessPointFilterSettings::kHideHidden;
         }, {1}},
        {"text and minimum signal", [](AccessPointFilterSettings& s) {
             setFilterSsid(s, "home");
             s.flags = AccessPointFilterSettings::kMinimumSignal;
             s.minimumSignal = -50.0f;
         }, {1}},
    };
    for (const FilterCase& c : cases) {
        AccessPointFilterSettings settings{};
        c.set(settings);
        EXPECT_EQ(idsPassing(settings), c.expected) << c.name;
        // Readers skip the marker and the per-row test when the filter cannot hide anything.
        const bool inert = c.expected.size() == 8u;
        EXPECT_EQ(AccessPointFilter(settings).active(), !inert) << c.name;
    }
}

TEST(AccessPointFilterTest, DamagedStoredValuesNeitherCrashNorHideEverything)
{
    AccessPointFilterSettings settings{};
    settings.ssidLength = 200;                  // longer than the 32 bytes held
    std::memset(settings.ssidText, 'x', sizeof settings.ssidText);
    settings.securityMask = 0xE0;               // only bits beyond the five classes
    settings.channelFirst = -5;                 // out of any band
    settings.channelLast = 100000;
    settings.flags = AccessPointFilterSettings::kMinimumSignal;
    settings.minimumSignal = std::numeric_limits<float>::quiet_NaN();
    const AccessPointFilter filter(settings);
    // Only the (clamped) 32-byte text remains in force.
    AccessPoint ap = namedAp(1, std::string(32, 'X'), 0, 6, 4, -40.0f);
    EXPECT_TRUE(filter.matches(ap));
    ap.setSsid("short");
    EXPECT_FALSE(filter.matches(ap));
}

TEST(AccessPointFilterTest, ApplyListsThePassingIndicesInListOrder)
{
    AccessPointList list;
    AccessPointBatch batch = batchOf(survey());
    list.merge(batch, 1000, {});
    AccessPointFilterSettings settings{};
    settings.flags = AccessPointFilterSettings::kHideHidden;
    std::vector<std::uint32_t> passing = {99};
    EXPECT_EQ(AccessPointFilter(settings).apply(list, passing), 6u);
    EXPECT_EQ(passing, (std::vector<std::uint32_t>{0, 1, 2, 5, 6, 7}));
}

TEST(AccessPointFilterTest, SsidTextIsCutAtACharacterBoundaryAndTheMarkerCounts)
{
    AccessPointFilterSettings settings{};
    // 31 ASCII bytes and a two-byte character would need 33 bytes: the character is dropped whole.
    setFilterSsid(settings, std::string(31, 'a') + "\xC3\xA9");
    EXPECT_EQ(filterSsid(settings), std::string(31, 'a'));
    clearFilter(settings);
    EXPECT_FALSE(AccessPointFilter(settings).active());
    EXPECT_EQ(filteredMarkerText(3, 8), "FILTERED 3 of 8");
    EXPECT_EQ(filteredMarkerText(8, 8), "");
}

} // namespace
} // namespace nolvo::testing
