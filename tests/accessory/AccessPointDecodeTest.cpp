// Access-point frames of the second-generation and dual-band accessories decoded from hand-written
// records: fields, checksums, flag and security words, skip rules, the demo rename and the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "accessory/protocols/AccessPointRecord.h"
#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Record = std::array<std::uint8_t, 64>;

// A WPA access point "Cafe" on channel 6, 40 MHz with its secondary channel above.
constexpr Record kCafe = {
    0x00,                               //  0 unused
    0x06,                               //  1 channel 6
    0xFF, 0xB5,                         //  2..3 RSSI 0xFFB5 = -75 dBm
    0x00, 0x11, 0x22, 0x33, 0x44, 0x55, //  4..9 BSSID 00:11:22:33:44:55
    0x0D, 0x00,                         // 10..11 flags 0x0D00: bits 11..10 = 11 (40 MHz), bits 9..8 = 01 (above)
    0x04,                               // 12 SSID length 4
    0x43, 0x61, 0x66, 0x65,             // 13..16 "Cafe"
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 17..30 SSID padding
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 31..44 SSID padding
    0x04,                               // 45 modes: 802.11n
    0x01,                               // 46 band indicator 1: 2.4 GHz
    0x00,                               // 47 type code 0 -> 1
    0x00, 0x00,                         // 48..49 unused
    0x07, 0x09,                         // 50, 51 alternate values (dual-band only)
    0x00, 0x60, 0x00, 0x06,             // 52..55 security: bits 22, 21 (WPA wins over WPA2), bits 2, 1
    0, 0, 0, 0, 0, 0, 0,                // 56..62 unused
    0x4C,                               // 63 makes the sum 0: the bytes above sum to 0x4B4
};

std::uint8_t byteSum(const Record& r)
{
    std::uint8_t sum = 0;
    for (std::uint8_t b : r) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    return sum;
}

// Sets byte `at` and repairs the checksum through the unused byte 56, so that a test changes one
// field and nothing else fails.
Record with(Record r, std::initializer_list<std::pair<int, std::uint8_t>> changes)
{
    for (const auto& [at, value] : changes) {
        r[static_cast<std::size_t>(at)] = value;
    }
    r[56] = static_cast<std::uint8_t>(r[56] - byteSum(r));
    return r;
}

Bytes frameOf(std::initializer_list<Record> records)
{
    Bytes f(4 + 64 * records.size());
    f[0] = 0xAA;                                      // sync
    f[1] = 0xE0;                                      // type 7
    f[2] = static_cast<std::uint8_t>(records.size()); // record count
    f[3] = 0x2A;                                      // the accessory's scan counter
    std::size_t at = 4;
    for (const Record& r : records) {
        std::copy(r.begin(), r.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
        at += r.size();
    }
    return f;
}

struct Decoded {
    int result = 0;
    std::unique_ptr<AccessPointBatch> list;
    std::string printed;
    std::size_t size() const { return list ? list->size() : 0; }
    const AccessPoint& at(std::size_t i) const { return *(*list)[i]; }
};

Decoded decode(const AccessoryProtocol& protocol, const Bytes& frame)
{
    Decoded d;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    d.result = protocol.decodeAccessPoints(frame.data(), static_cast<int>(frame.size()), &d.list);
    d.printed = ::testing::internal::GetCapturedStderr();
    // Standard output belongs to the headless logger's CSV path alone.
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    return d;
}

class RecordingSink : public LogSink {
public:
    void logLine(int level, const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        levels.push_back(level);
        lines.push_back(text);
    }
    std::vector<int> levels;
    std::vector<std::string> lines;

private:
    std::mutex m_mutex;
};

TEST(AccessPointDecode, FixtureIsWellFormed)
{
    EXPECT_EQ(byteSum(kCafe), 0);
    EXPECT_TRUE(AccessPointRecord::checksumValid(kCafe.data()));
}

TEST(AccessPointDecode, SecondGenerationRecordFields)
{
    AccessoryProtocolNolvo2 protocol;
    const Decoded d = decode(protocol, frameOf({kCafe}));
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.size(), 1u);
    const AccessPoint& ap = d.at(0);
    EXPECT_EQ(ap.lastSeen, 0u);
    EXPECT_EQ(ap.timesSeen, 0u);
    EXPECT_EQ(ap.channel, 6);
    EXPECT_FLOAT_EQ(ap.rssi, -75.0f);
    EXPECT_EQ(ap.bssid, (Bssid{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(ap.channelWidth, 40);
    EXPECT_EQ(ap.secondaryCode, AccessPoint::kSecondaryAbove);
    EXPECT_EQ(ap.ssidBytes(), "Cafe");
    EXPECT_EQ(ap.modes, AccessPoint::kMode11n);
    EXPECT_EQ(ap.band, kBand24);
    EXPECT_EQ(ap.typeCode, 1);
    EXPECT_EQ(ap.alternate[0], 0); // the second generation has no alternate values
    EXPECT_EQ(ap.alternate[1], 0);
    EXPECT_EQ(ap.security, 3);
    EXPECT_EQ(ap.encryption, 3);
    EXPECT_TRUE(d.printed.empty());
}

TEST(AccessPointDecode, DualBandRecordFields)
{
    AccessoryProtocolNolvo25 protocol;
    const Decoded d = decode(protocol, frameOf({with(kCafe, {{45, 0xFF}, {46, 0x00}})})); // all mode bits; 5 GHz
    ASSERT_EQ(d.size(), 1u);
    const AccessPoint& ap = d.at(0);
    EXPECT_EQ(ap.modes, 0x1F);
    EXPECT_EQ(ap.band, kBand5);
    EXPECT_EQ(ap.alternate[0], 7);
    EXPECT_EQ(ap.alternate[1], 9);
    EXPECT_FLOAT_EQ(ap.rssi, -75.0f);
}

TEST(AccessPointDecode, ModesBandAndTypeCode)
{
    struct Case {
        std::uint8_t modes, band, type;
        std::uint8_t gen2Modes, dualModes;
        int expectedBand, expectedType;
    };
    const Case cases[] = {
        {0x01, 0x01, 0x01, 0x01, 0x01, kBand24, 0}, // b; type 1 -> 0
        {0x02, 0x07, 0x02, 0x02, 0x02, kBand24, 2}, // g; any non-zero band byte is 2.4 GHz; type 2 -> 2
        {0x03, 0xFF, 0x03, 0x00, 0x03, kBand24, 3}, // b+g is not one of 1, 2, 4 on the second generation
        {0x08, 0x00, 0x09, 0x00, 0x08, kBand5, 3},  // a; band 0 is 5 GHz; type 9 -> 3
        {0x34, 0x00, 0xFF, 0x00, 0x14, kBand5, 3},  // bit 5 is masked off on the dual-band model
    };
    AccessoryProtocolNolvo2 gen2;
    AccessoryProtocolNolvo25 dual;
    for (const Case& c : cases) {
        const Bytes f = frameOf({with(kCafe, {{45, c.modes}, {46, c.band}, {47, c.type}})});
        const Decoded a = decode(gen2, f);
        const Decoded b = decode(dual, f);
        ASSERT_EQ(a.size(), 1u);
        ASSERT_EQ(b.size(), 1u);
        EXPECT_EQ(a.at(0).modes, c.gen2Modes) << int(c.modes);
        EXPECT_EQ(b.at(0).modes, c.dualModes) << int(c.modes);
        EXPECT_EQ(a.at(0).band, c.expectedBand) << int(c.band);
        EXPECT_EQ(a.at(0).typeCode, c.expectedType) << int(c.type);
    }
}

TEST(AccessPointDecode, RssiIsSigned)
{
    struct Case {
        std::uint8_t high, low;
        float dbm;
    };
    const Case cases[] = {{0xFF, 0xB5, -75.0f}, {0x00, 0x05, 5.0f}, {0x80, 0x00, -32768.0f}, {0xFF, 0xFF, -1.0f}};
    AccessoryProtocolNolvo2 protocol;
    for (const Case& c : cases) {
        const Decoded d = decode(protocol, frameOf({with(kCafe, {{2, c.high}, {3, c.low}})}));
        ASSERT_EQ(d.size(), 1u);
        EXPECT_FLOAT_EQ(d.at(0).rssi, c.dbm);
    }
}

TEST(AccessPointDecode, ChannelFlagWords)
{
    struct Case {
        std::uint8_t high, low; // bytes 10, 11
        int width, secondary;
    };
    const Case cases[] = {
        {0x0C, 0x00, 40, 0}, // bits 11, 10
        {0x01, 0x00, -1, 1}, // bit 8 only: no width, above
        {0x00, 0x00, -1, 0},
        {0x04, 0x00, 10, 0}, // bits 11..10 = 01
        {0x08, 0x00, 20, 0}, // bits 11..10 = 10
        {0x0A, 0x00, 20, 2}, // 20 MHz, bits 9..8 = 10: below
        {0x0F, 0x00, 40, 0}, // bits 9..8 = 11 is no code
        {0xF3, 0xFF, -1, 0}, // every other bit set: bits 11..10 and 9..8 decide alone
    };
    AccessoryProtocolNolvo2 protocol;
    for (const Case& c : cases) {
        const Decoded d = decode(protocol, frameOf({with(kCafe, {{10, c.high}, {11, c.low}})}));
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(d.at(0).channelWidth, c.width) << std::hex << int(c.high) << int(c.low);
        EXPECT_EQ(d.at(0).secondaryCode, c.secondary) << std::hex << int(c.high) << int(c.low);
    }
}

TEST(AccessPointDecode, SecurityWords)
{
    struct Case {
        std::array<std::uint8_t, 4> word; // bytes 52..55, big-endian
        int security, encryption;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x00, 0x00}, 0, 0},   // open
        {{0xFF, 0xFF, 0xFF, 0xFF}, -1, -1}, // unknown
        {{0x00, 0x20, 0x00, 0x06}, 3, 3},   // bits 21, 2, 1: WPA, both ciphers
        {{0x00, 0x00, 0x00, 0x01}, 2, -1},  // bit 0 only: WEP, no cipher bit
        {{0x00, 0x10, 0x00, 0x00}, 1, 0},   // bit 20 only: WPS
        {{0x00, 0x40, 0x00, 0x02}, 4, 1},   // bit 22 and bit 1: WPA2
        {{0x00, 0x40, 0x00, 0x04}, 4, 2},   // bit 22 and bit 2
        {{0x00, 0x70, 0x00, 0x01}, 1, 0},   // WPS wins over WPA and WPA2
        {{0x00, 0x60, 0x00, 0x00}, 3, -1},  // WPA wins over WPA2
        {{0x80, 0x00, 0x00, 0x00}, -1, -1}, // only unknown bits
        {{0x00, 0x00, 0x00, 0x06}, -1, 3},  // cipher bits without a class
    };
    AccessoryProtocolNolvo2 protocol;
    for (const Case& c : cases) {
        const Decoded d = decode(
            protocol, frameOf({with(kCafe, {{52, c.word[0]}, {53, c.word[1]}, {54, c.word[2]}, {55, c.word[3]}})}));
        ASSERT_EQ(d.size(), 1u);
        const std::string word = std::to_string(c.word[0]) + "." + std::to_string(c.word[1]) + "." +
                                 std::to_string(c.word[2]) + "." + std::to_string(c.word[3]);
        EXPECT_EQ(d.at(0).security, c.security) << word;
        EXPECT_EQ(d.at(0).encryption, c.encryption) << word;
    }
}

TEST(AccessPointDecode, EverySingleByteChangeFailsTheChecksum)
{
    AccessoryProtocolNolvo2 protocol;
    for (std::size_t at = 0; at < kCafe.size(); ++at) {
        Record bad = kCafe;
        bad[at] = static_cast<std::uint8_t>(bad[at] + 1);
        // The bad record sits between two good ones: only it is dropped, with its index.
        const Decoded d = decode(protocol, frameOf({kCafe, bad, with(kCafe, {{1, 11}})}));
        ASSERT_EQ(d.result, 0);
        EXPECT_EQ(d.printed, "!!!!!SSID: 1 Checksum failed.\n") << "byte " << at;
        ASSERT_EQ(d.size(), 2u) << "byte " << at;
        EXPECT_EQ(d.at(0).channel, 6);
        EXPECT_EQ(d.at(1).channel, 11);
    }
}

TEST(AccessPointDecode, AllRecordsFailingLeaveNoList)
{
    Record bad = kCafe;
    bad[63] = 0x4D; // sum 1
    AccessoryProtocolNolvo25 protocol;
    const Decoded d = decode(protocol, frameOf({bad, bad}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.list, nullptr);
    EXPECT_EQ(d.printed, "!!!!!SSID: 0 Checksum failed.\n!!!!!SSID: 1 Checksum failed.\n");
}

TEST(AccessPointDecode, DualBandSkipsPlaceholdersTheSecondGenerationKeeps)
{
    const Record placeholders[] = {
        with(kCafe, {{1, 0x00}}),                                                 // channel 0
        with(kCafe, {{1, 0xFF}}),                                                 // channel 255
        with(kCafe, {{4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}}),             // BSSID all zero
    };
    AccessoryProtocolNolvo2 gen2;
    AccessoryProtocolNolvo25 dual;
    for (const Record& r : placeholders) {
        const Bytes f = frameOf({r, kCafe});
        const Decoded fromDual = decode(dual, f);
        ASSERT_EQ(fromDual.size(), 1u); // only the real record
        EXPECT_EQ(fromDual.at(0).channel, 6);
        const Decoded fromGen2 = decode(gen2, f);
        EXPECT_EQ(fromGen2.size(), 2u);
        EXPECT_TRUE(fromGen2.printed.empty());
    }
    // A BSSID with a single non-zero byte is real.
    EXPECT_EQ(decode(dual, frameOf({with(kCafe, {{4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 1}})})).size(), 1u);
}

TEST(AccessPointDecode, FrameErrors)
{
    AccessoryProtocolNolvo2 gen2;
    AccessoryProtocolNolvo25 dual;
    const Bytes one = frameOf({kCafe});
    for (const AccessoryProtocol* p : {static_cast<const AccessoryProtocol*>(&gen2),
                                       static_cast<const AccessoryProtocol*>(&dual)}) {
        std::unique_ptr<AccessPointBatch> list;
        EXPECT_EQ(p->decodeAccessPoints(nullptr, 68, &list), -3);
        EXPECT_EQ(p->decodeAccessPoints(one.data(), 3, &list), -2);  // no complete header
        EXPECT_EQ(p->decodeAccessPoints(one.data(), 67, &list), -2); // one byte short of the record
        Bytes badSync = one;
        badSync[0] = 0xAB;
        EXPECT_EQ(p->decodeAccessPoints(badSync.data(), 68, &list), -1);
        EXPECT_EQ(list, nullptr);
        EXPECT_EQ(p->decodeAccessPoints(one.data(), 68, nullptr), 0); // nowhere to put records
        // A record count that claims more than the bytes hold is short, whatever the count byte says.
        Bytes claims = one;
        claims[2] = 0xFF;
        EXPECT_EQ(p->decodeAccessPoints(claims.data(), 68, &list), -2);
        // An empty frame decodes to no list.
        const Bytes empty = {0xAA, 0xE0, 0x00, 0x07};
        EXPECT_EQ(p->decodeAccessPoints(empty.data(), 4, &list), 0);
        EXPECT_EQ(list, nullptr);
    }
    AccessoryProtocolNolvo gen1;
    std::unique_ptr<AccessPointBatch> list;
    EXPECT_EQ(gen1.decodeAccessPoints(one.data(), 68, &list), -99);
}

// The demo recordings carry two access points that are shown as "Free WiFi".
TEST(AccessPointDecode, DemoRenameOnlyWithoutAccessoryOnTheDualBandModel)
{
    const Record demo22 = with(kCafe, {{4, 0xE0}, {5, 0x91}, {6, 0xF5}, {7, 0x76}, {8, 0x83}, {9, 0x22},
                                       {12, 32}, {20, 'x'}, {44, 'y'}}); // a 32-byte SSID to overwrite
    const Record demo23 = with(demo22, {{9, 0x23}});
    const Record other = with(demo22, {{9, 0x24}});
    DataModel model;
    AccessoryProtocolNolvo25 dual;
    AccessoryProtocolNolvo2 gen2;
    dual.setAccessPointModel(&model);
    gen2.setAccessPointModel(&model);
    const Bytes f = frameOf({demo22, demo23, other});

    model.accessoryConnected = false;
    Decoded d = decode(dual, f);
    ASSERT_EQ(d.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(d.at(i).ssidLength, 9);
        EXPECT_EQ(d.at(i).ssidBytes(), "Free WiFi");
        for (int b = 9; b < AccessPoint::kSsidBytes; ++b) {
            EXPECT_EQ(d.at(i).ssid[b], 0) << b;
        }
    }
    EXPECT_EQ(d.at(2).ssidLength, 32);
    EXPECT_EQ(d.at(2).ssid[7], 'x');

    model.accessoryConnected = true;
    d = decode(dual, f);
    EXPECT_EQ(d.at(0).ssidLength, 32);
    EXPECT_EQ(d.at(0).ssid[31], 'y');

    model.accessoryConnected = false;
    d = decode(gen2, f);
    EXPECT_EQ(d.at(0).ssidLength, 32);
}

TEST(AccessPointDecode, LogLinesAreSafeForAnySsid)
{
    DataModel model;
    RecordingSink sink;
    model.setLogSink(&sink);
    model.accessoryConnected = true;
    AccessoryProtocolNolvo2 gen2;
    gen2.setAccessPointModel(&model);
    // SSID "%s%n" followed by a newline and an invalid UTF-8 byte; the length byte claims 200.
    const Record hostile = with(kCafe, {{12, 200}, {13, '%'}, {14, 's'}, {15, '%'}, {16, 'n'}, {17, '\n'},
                                        {18, 0xFF}, {44, 'Z'}});
    Record bad = kCafe;
    bad[0] = 1; // checksum fails: no line
    const Decoded d = decode(gen2, frameOf({hostile, bad, kCafe}));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d.at(0).ssidLength, 32); // clamped to the bytes the record holds
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.levels, (std::vector<int>{8, 8, 8}));
    EXPECT_EQ(sink.lines[0], "--------------");
    // The 32 SSID bytes: "%s%n", two replaced bytes, 25 NULs (control characters, replaced), "Z".
    std::string expectedSsid = "%s%n\xEF\xBF\xBD\xEF\xBF\xBD";
    for (int i = 0; i < 25; ++i) {
        expectedSsid += "\xEF\xBF\xBD";
    }
    expectedSsid += "Z";
    EXPECT_EQ(sink.lines[1], "0) " + expectedSsid + " CH: 6 BW:40 SB:1 Alt: 0 0 Sec 3 Enc: 3");
    EXPECT_EQ(sink.lines[2], "2) Cafe CH: 6 BW:40 SB:1 Alt: 0 0 Sec 3 Enc: 3");
    model.setLogSink(nullptr);
}

TEST(AccessPointDecode, DualBandLogsOnlyFiveGigahertzRecords)
{
    DataModel model;
    RecordingSink sink;
    model.setLogSink(&sink);
    model.accessoryConnected = true;
    AccessoryProtocolNolvo25 dual;
    dual.setAccessPointModel(&model);
    const Record band5 = with(kCafe, {{1, 36}, {45, 0x1C}, {46, 0x00}}); // channel 36, a/n/ac, 5 GHz
    const Decoded d = decode(dual, frameOf({kCafe, band5}));
    ASSERT_EQ(d.size(), 2u);
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0], "--------------");
    // BSSID bytes 00 11 22 33 read little-endian: 0x33221100.
    EXPECT_EQ(sink.lines[1], "1) Cafe CH: 36 BW:40 SB:1 Alt: 7 9 Sec 3 Enc: 3 a/n/ac/  33221100");
    model.setLogSink(nullptr);
}

} // namespace
} // namespace nolvo
