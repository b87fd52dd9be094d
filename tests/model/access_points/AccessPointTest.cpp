#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "AccessPointBuilders.h"
#include "model/AccessPoint.h"

namespace nolvo {
namespace {

using testing::makeAp;

struct SecondaryCase {
    int width;
    int code;
    int channel;
    int expected;
};

TEST(AccessPointGeometry, SecondaryChannelOnlyForFortyMegahertzThatFits)
{
    const SecondaryCase cases[] = {
        {40, 1, 9, 13}, // above, last channel with room
        {40, 1, 10, 0}, // above, no room
        {40, 2, 5, 1},  // below, first channel with room
        {40, 2, 4, 0},  // below, no room
        {40, 0, 6, 0},  // 40 MHz without a code
        {20, 1, 3, 0},  // a code on a 20 MHz access point means nothing
        {-1, 2, 9, 0},  // unknown width
    };
    for (const auto& c : cases) {
        const AccessPoint ap = makeAp(1, c.channel, -50.0f, c.width, c.code);
        EXPECT_EQ(ap.secondaryChannel(), c.expected) << c.width << "/" << c.code << " ch " << c.channel;
    }
}

struct SpanCase {
    int width;
    int code;
    int ownChannel;
    int onChannel;
    int band;
    std::optional<FrequencySpan> expected;
};

TEST(AccessPointGeometry, FrequencySpan)
{
    using S = FrequencySpan;
    const SpanCase cases[] = {
        {20, 0, 1, 1, 0, S{2402, 2422}},
        {20, 0, 13, 13, 0, S{2462, 2482}},
        {20, 0, 14, 14, 0, S{2474, 2494}},   // channel 14 sits at 2484
        {20, 0, 1, 6, 0, S{2427, 2447}},     // moved to a candidate channel
        {40, 0, 6, 6, 0, S{2427, 2447}},     // no code: as 20 MHz
        {40, 1, 9, 9, 0, S{2442, 2482}},     // secondary above
        {40, 1, 3, 10, 0, std::nullopt},     // above needs channel 9 or lower
        {40, 2, 5, 5, 0, S{2402, 2442}},     // secondary below
        {40, 2, 9, 3, 0, S{2392, 2432}},     // below: the own channel decides, not the candidate
        {40, 2, 4, 6, 0, std::nullopt},      // below: own channel 4 has no room
        {40, 2, 14, 9, 0, std::nullopt},     // below: own channel 14 is outside 5..13
        {10, 0, 6, 6, 0, std::nullopt},      // 10 MHz has no span
        {-1, 0, 6, 6, 0, std::nullopt},      // unknown width
        {20, 0, 6, 0, 0, std::nullopt},      // channel 0
        {20, 0, 6, 15, 0, std::nullopt},     // no 2.4 GHz channel 15
        {20, 0, 15, 6, 0, std::nullopt},     // own channel 15 or more
        {20, 0, 36, 36, 1, std::nullopt},    // 5 GHz
    };
    for (const auto& c : cases) {
        const AccessPoint ap = makeAp(1, c.ownChannel, -50.0f, c.width, c.code, c.band);
        const auto span = ap.frequencySpanAt(c.onChannel);
        SCOPED_TRACE(::testing::Message() << c.width << "/" << c.code << " own " << c.ownChannel << " on " << c.onChannel);
        ASSERT_EQ(span.has_value(), c.expected.has_value());
        if (span) {
            EXPECT_EQ(span->lowMHz, c.expected->lowMHz);
            EXPECT_EQ(span->highMHz, c.expected->highMHz);
        }
    }
}

struct RangeCase {
    int width;
    int code;
    int onChannel;
    int band;
    std::optional<ChannelRange> expected;
};

TEST(AccessPointGeometry, OverlappingChannelRange)
{
    using R = ChannelRange;
    const RangeCase cases[] = {
        {20, 0, 1, 0, R{1, 5}},
        {20, 0, 3, 0, R{1, 7}},
        {20, 0, 13, 0, R{9, 14}},
        {20, 0, 14, 0, R{12, 14}},
        {40, 1, 3, 0, R{1, 11}},
        {40, 1, 9, 0, R{5, 14}},
        {40, 1, 10, 0, std::nullopt},
        {40, 2, 5, 0, R{1, 9}},
        {40, 2, 13, 0, R{5, 14}},
        {40, 2, 4, 0, std::nullopt},
        {40, 2, 14, 0, std::nullopt},
        {40, 0, 6, 0, std::nullopt}, // 40 MHz without a code has no range
        {10, 0, 6, 0, std::nullopt},
        {20, 0, 0, 0, std::nullopt},
        {20, 0, 6, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        const AccessPoint ap = makeAp(1, c.onChannel, -50.0f, c.width, c.code, c.band);
        const auto range = ap.overlappingChannelsAt(c.onChannel);
        SCOPED_TRACE(::testing::Message() << c.width << "/" << c.code << " on " << c.onChannel);
        ASSERT_EQ(range.has_value(), c.expected.has_value());
        if (range) {
            EXPECT_EQ(range->first, c.expected->first);
            EXPECT_EQ(range->last, c.expected->last);
        }
    }
}

AccessPoint withSsidBytes(const std::string& bytes, int lengthByte = -1)
{
    AccessPoint ap;
    std::memcpy(ap.ssid, bytes.data(), std::min<std::size_t>(bytes.size(), AccessPoint::kSsidBytes));
    ap.ssidLength = static_cast<std::uint8_t>(lengthByte < 0 ? bytes.size() : lengthByte);
    return ap;
}

TEST(AccessPointText, DisplayTextIsValidUtf8WithoutControls)
{
    const std::string r = "\xEF\xBF\xBD"; // U+FFFD
    const struct {
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"Cafe", "Cafe"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},              // valid two-byte sequence kept
        {"50%off %s%n", "50%off %s%n"},              // '%' is text here (see escapeForFormat)
        {"\x07" "bell", r + "bell"},                 // C0 control
        {"a\x7F" "b", "a" + r + "b"},                // DEL
        {"\xC2\x85" "x", r + "x"},                   // C1 control (NEL)
        {"\xC3(", r + "("},                          // lead byte without continuation
        {"ab\xE2\x82", "ab" + r + r},                // sequence cut at the end
        {"\xC0\xAF", r + r},                         // overlong '/'
        {"\xED\xA0\x80", r + r + r},                 // UTF-16 surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},         // above U+10FFFF
        {"x\xE2\x80\xAEy", "x" + r + "y"},           // right-to-left override
        {"x\xE2\x80\x8Ey", "x" + r + "y"},           // left-to-right mark
        {"x\xE2\x80\x8Fy", "x" + r + "y"},           // right-to-left mark
        {"x\xD8\x9Cy", "x" + r + "y"},               // Arabic letter mark
        {"x\xD8\x9By", "x\xD8\x9By"},               // its neighbour U+061B (Arabic semicolon) is text
        {"\xF0\x9F\x93\xB6", "\xF0\x9F\x93\xB6"},    // four-byte emoji kept
        {std::string("a\0b", 3), "a" + r + "b"},     // NUL inside
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withSsidBytes(c.bytes).ssidDisplayText(), c.expected) << c.bytes;
    }
}

TEST(AccessPointText, LengthByteIsClampedTo32)
{
    const AccessPoint ap = withSsidBytes(std::string(32, 'a'), 255);
    EXPECT_EQ(ap.ssidSize(), 32);
    EXPECT_EQ(ap.ssidBytes().size(), 32u);
    EXPECT_EQ(ap.ssidDisplayText(), std::string(32, 'a'));

    AccessPoint named;
    named.setSsid(std::string(40, 'z'));
    EXPECT_EQ(named.ssidLength, 32);
    named.setSsid("Free WiFi");
    EXPECT_EQ(named.ssidLength, 9);
    EXPECT_EQ(named.ssid[9], 0); // the rest is cleared
    EXPECT_EQ(named.ssidBytes(), "Free WiFi");
}

TEST(AccessPointText, EscapeForFormatDoublesPercent)
{
    EXPECT_EQ(AccessPoint::escapeForFormat("100%"), "100%%");
    EXPECT_EQ(AccessPoint::escapeForFormat("%s%%n"), "%%s%%%%n");
    EXPECT_EQ(AccessPoint::escapeForFormat("plain"), "plain");
    // Used as a format, the escaped text prints itself and consumes no argument.
    char out[32];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
    std::snprintf(out, sizeof out, AccessPoint::escapeForFormat("%d%s").c_str());
#pragma GCC diagnostic pop
    EXPECT_STREQ(out, "%d%s");
}

TEST(AccessPointText, ModeTextAndSecurityRank)
{
    AccessPoint ap;
    ap.modes = 0x1F;
    EXPECT_EQ(ap.modeText(), "a/b/g/n/ac/");
    ap.modes = AccessPoint::kMode11g | AccessPoint::kMode11n;
    EXPECT_EQ(ap.modeText(), "g/n/");
    ap.modes = 0xE0; // bits outside the five flags
    EXPECT_EQ(ap.modeText(), "");

    const int ranks[][2] = {{0, 0}, {2, 1}, {3, 2}, {4, 3}, {1, 4}, {-1, 10}, {5, 10}};
    for (const auto& r : ranks) {
        ap.security = r[0];
        EXPECT_EQ(ap.securityRank(), r[1]) << r[0];
    }
}

TEST(AccessPointAnalysis, SuggestionListKeepsTheNewestTen)
{
    AccessPoint ap;
    for (int i = 1; i <= 12; ++i) {
        ap.addSuggestion(static_cast<std::uint8_t>(i));
    }
    ASSERT_EQ(ap.suggestionCount, 10);
    EXPECT_EQ(ap.suggestions[0], 3);
    EXPECT_EQ(ap.suggestions[9], 12);

    ap.grade = 50.0f;
    ap.bestChannel = 6;
    ap.resetAnalysis();
    EXPECT_EQ(ap.suggestionCount, 0);
    EXPECT_EQ(ap.grade, 0.0f);
    EXPECT_EQ(ap.bestChannel, 0);
}

} // namespace
} // namespace nolvo
