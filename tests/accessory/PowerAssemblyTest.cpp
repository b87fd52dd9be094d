// Power frames: their conversion to dBm, the assembly of traces, trigger gating, roll mode and its
// decimation, the rolling cap, the acquisition phase on an injected clock and single-shot.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

#include "accessory/PowerAssembler.h"
#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "fakes/AccessoryRig.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "platform/Clock.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using sim::SimulatedModel;
using testing::Bytes;
using testing::ParserRig;

std::uint64_t g_now = 0;
std::uint64_t fakeNow() { return g_now; }

// First-generation power frame: segment, triggered flag, sample k = byteOf(k).
template <typename F>
Bytes nolvoPower(int segment, bool triggered, F byteOf)
{
    Bytes f = testing::frame(1, segment | (triggered ? 16 : 0), 0, 62);
    for (int k = 0; k < 40; ++k) {
        f[static_cast<std::size_t>(2 + k)] = byteOf(k);
    }
    return f;
}

// Second-generation power frame of 1000 samples, sample k = byteOf(k).
template <typename F>
Bytes nolvo2Power(bool triggered, F byteOf)
{
    Bytes f = testing::frame(1, triggered ? 16 : 0, 0, 1254);
    for (int k = 0; k < 1000; ++k) {
        f[static_cast<std::size_t>(4 + k)] = byteOf(k);
    }
    return f;
}

TEST(PowerDecode, SampleBytesBecomeDbmWithoutClamping)
{
    // The simulator's identification announces 0.25 dB per step from -60 dBm (the second
    // generation sends the offset 5 dB higher, and the decoder takes the 5 dB off again).
    for (SimulatedModel which : {SimulatedModel::kNolvo, SimulatedModel::kNolvo2}) {
        sim::AccessorySimulator simulator(which);
        std::unique_ptr<AccessoryProtocol> protocol;
        if (which == SimulatedModel::kNolvo) {
            protocol = std::make_unique<AccessoryProtocolNolvo>();
        } else {
            protocol = std::make_unique<AccessoryProtocolNolvo2>();
        }
        const Bytes id = simulator.identificationFrame();
        ASSERT_EQ(protocol->decodeIdentification(id.data(), static_cast<int>(id.size()), nullptr), 0);
        // Sample 0 is byte 0, sample 1 byte 255, the rest byte 100.
        auto bytes = [](int k) -> std::uint8_t { return k == 0 ? 0 : k == 1 ? 255 : 100; };
        const Bytes f = which == SimulatedModel::kNolvo ? nolvoPower(5, true, bytes) : nolvo2Power(true, bytes);
        float values[1000];
        int count = -7, segment = -7;
        bool triggered = false;
        ASSERT_EQ(protocol->decodePower(f.data(), static_cast<int>(f.size()), values, 1000, &count, &segment,
                                        &triggered),
                  0);
        EXPECT_EQ(count, which == SimulatedModel::kNolvo ? 40 : 1000);
        EXPECT_EQ(segment, which == SimulatedModel::kNolvo ? 5 : 0);
        EXPECT_TRUE(triggered);
        EXPECT_FLOAT_EQ(values[0], -60.0f);
        EXPECT_FLOAT_EQ(values[1], 255 * 0.25f - 60.0f); // +3.75 dBm: no ceiling
        EXPECT_FLOAT_EQ(values[2], -35.0f);
    }
}

TEST(PowerDecode, RejectsBadFramesInOrder)
{
    AccessoryProtocolNolvo protocol;
    float values[40];
    int count = 0, segment = 0;
    bool triggered = false;
    const Bytes good = nolvoPower(2, false, [](int) { return 0; });
    struct Case {
        const char* what;
        Bytes bytes;
        int capacity;
        bool withValues;
        int expected;
    };
    const Case cases[] = {
        {"one byte", {0xAA}, 40, true, kDecodeTooShort},
        {"bad sync", {0xAB, 0x20, 0x00}, 40, true, kDecodeBadSync},
        {"header only", {0xAA, 0x20}, 40, true, kDecodeTooShort},
        {"spectrum type", {0xAA, 0xA0, 0x00}, 40, true, kDecodeWrongType},
        {"cut frame", Bytes(good.begin(), good.begin() + 61), 40, true, kDecodeTooShort},
        {"small buffer", good, 39, true, kDecodeTooShort},
        {"no buffer", good, 40, false, kDecodeNoBuffer},
        {"whole frame", good, 40, true, 0},
    };
    for (const Case& c : cases) {
        segment = 99;
        EXPECT_EQ(protocol.decodePower(c.bytes.data(), static_cast<int>(c.bytes.size()),
                                       c.withValues ? values : nullptr, c.capacity, &count, &segment, &triggered),
                  c.expected)
            << c.what;
    }
    EXPECT_EQ(segment, 2);
    EXPECT_FALSE(triggered);
    EXPECT_EQ(protocol.decodePower(nullptr, 62, values, 40, &count, &segment, &triggered), kDecodeNoBuffer);
    // The dual-band model has no power mode.
    AccessoryProtocolNolvo25 dual;
    EXPECT_EQ(dual.decodePower(good.data(), 62, values, 40, &count, &segment, &triggered), kUnsupported);
}

class PowerParser : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_now = 1000;
        engine::clock::setSource(&fakeNow);
    }
    void TearDown() override { engine::clock::setSource(nullptr); }

    // Identified in power mode at a triggered (non-roll) time base.
    static void bringUpPower(ParserRig& rig, int timeIndex = 15)
    {
        rig.model.common.spectrumModeActive = 0;
        rig.bringUp();
        rig.model.power.timeScaleIndex = timeIndex;
        rig.model.power.autoTrigger = 0;
    }
    static std::vector<std::vector<float>> traces(ParserRig& rig)
    {
        ModelLock lock(rig.model, kDataLock);
        return rig.model.powerStore.live.history;
    }
    static std::vector<float> rolling(ParserRig& rig)
    {
        ModelLock lock(rig.model, kDataLock);
        return rig.model.powerStore.live.rollingHistory;
    }
    static int phase(ParserRig& rig)
    {
        ModelLock lock(rig.model, kDataLock);
        return rig.model.powerStore.acquisitionPhase;
    }
};

TEST_F(PowerParser, SixFirstGenerationFramesInterleaveIntoOneTrace)
{
    ParserRig rig(SimulatedModel::kNolvo);
    bringUpPower(rig);
    // Sample k of segment s carries the byte 6k + s: the assembled trace must count up.
    for (int s = 0; s < 6; ++s) {
        EXPECT_TRUE(traces(rig).empty()) << "trace complete before segment " << s;
        rig.feed(nolvoPower(s, true, [s](int k) { return static_cast<std::uint8_t>(6 * k + s); }));
    }
    const auto all = traces(rig);
    ASSERT_EQ(all.size(), 1u);
    ASSERT_EQ(all[0].size(), 240u);
    for (int i = 0; i < 240; ++i) {
        ASSERT_FLOAT_EQ(all[0][static_cast<std::size_t>(i)], i * 0.25f - 60.0f) << "sample " << i;
    }
    ModelLock lock(rig.model, kDataLock);
    EXPECT_TRUE(rig.model.powerStore.newData);
    // The measurements of the ramp: maximum byte 239, minimum byte 0, peak to peak 59.75 dB.
    const auto& m = rig.model.powerStore.measurements;
    EXPECT_FLOAT_EQ(m[17], 239 * 0.25f - 60.0f);
    EXPECT_FLOAT_EQ(m[18], -60.0f);
    EXPECT_FLOAT_EQ(m[13], 59.75f);
}

TEST_F(PowerParser, LostSegmentDelaysTheTraceUntilTheNextSegmentZero)
{
    ParserRig rig(SimulatedModel::kNolvo);
    bringUpPower(rig);
    auto zero = [](int) { return 0; };
    for (int s : {0, 1, 2, 4, 5}) { // segment 3 lost
        rig.feed(nolvoPower(s, true, zero));
    }
    for (int s : {0, 1, 2, 3, 4}) {
        rig.feed(nolvoPower(s, true, zero));
    }
    EXPECT_TRUE(traces(rig).empty());
    rig.feed(nolvoPower(5, true, zero));
    EXPECT_EQ(traces(rig).size(), 1u);
}

TEST_F(PowerParser, UntriggeredFramesAreDroppedOnlyInNormalModeOutsideRoll)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    bringUpPower(rig);
    auto flat = [](int) { return 80; };
    rig.feed(nolvo2Power(false, flat));
    EXPECT_TRUE(traces(rig).empty()) << "NORMAL mode keeps untriggered captures";
    rig.feed(nolvo2Power(true, flat));
    EXPECT_EQ(traces(rig).size(), 1u);
    rig.model.power.autoTrigger = 1; // AUTO: free running
    rig.feed(nolvo2Power(false, flat));
    EXPECT_EQ(traces(rig).size(), 2u);
    rig.model.power.autoTrigger = 0;
    rig.model.power.timeScaleIndex = 0; // roll mode takes everything
    rig.feed(nolvo2Power(false, flat));
    EXPECT_EQ(traces(rig).size(), 2u);
    EXPECT_FALSE(rolling(rig).empty());
}

TEST_F(PowerParser, AcquisitionPhaseFollowsTheTimeSinceTheLastTrigger)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    bringUpPower(rig); // streaming starts at t = 1000
    auto flat = [](int) { return 80; };
    struct Step {
        std::uint64_t at;
        bool triggered;
        int phase;
    };
    const Step steps[] = {
        {2999, false, 2}, // below 2 s the phase stays what the start of streaming set
        {3000, false, 2}, // 2 s without a trigger
        {10999, false, 2},
        {11000, false, 1}, // 10 s
        {11001, true, 0},  // a trigger
        {12000, false, 0}, // 1 s later: unchanged
        {13001, false, 2},
        {21001, false, 1},
    };
    for (const Step& step : steps) {
        g_now = step.at;
        rig.feed(nolvo2Power(step.triggered, flat));
        EXPECT_EQ(phase(rig), step.phase) << "at " << step.at;
    }
}

TEST_F(PowerParser, SingleShotStopsAfterTheFirstTrace)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    bringUpPower(rig);
    rig.model.runState = kSingleArmed;
    rig.feed(nolvo2Power(true, [](int) { return 10; }));
    EXPECT_EQ(rig.model.runState.load(), kSingleDone);
    EXPECT_EQ(rig.delegate.linkState(), AccessoryCommunicationDelegate::kStop);
    rig.feed(nolvo2Power(true, [](int) { return 10; }));
    EXPECT_EQ(traces(rig).size(), 1u) << "nothing is taken once the single capture is done";
}

TEST_F(PowerParser, TraceHistoryStaysBoundedWithoutAViewer)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    bringUpPower(rig);
    for (int i = 0; i < PowerAssembler::kMaxLiveTraces + 5; ++i) {
        rig.feed(nolvo2Power(true, [i](int) { return static_cast<std::uint8_t>(i); }));
    }
    const auto all = traces(rig);
    ASSERT_EQ(all.size(), static_cast<std::size_t>(PowerAssembler::kMaxLiveTraces));
    EXPECT_FLOAT_EQ(all.back()[0], (PowerAssembler::kMaxLiveTraces + 4) * 0.25f - 60.0f);
    EXPECT_FLOAT_EQ(all.front()[0], 5 * 0.25f - 60.0f);
}

class PowerRoll : public ::testing::Test {
protected:
    // A second-generation description whose roll reference is 0.1 s/div: at 0.2 s/div (index 0)
    // the decimation factor is 2.
    PowerRoll()
    {
        AccessoryInfo info;
        info.modelId = AccessoryProtocolNolvo2::kModelId;
        info.timePerDivision = {0.2f, 0.1f, 0.01f};
        info.rollThreshold = 2;
        info.rollReferenceIndex = 1;
        model.setAccessoryInfo(info);
        model.power.timeScaleIndex = 0;
        model.power.autoTrigger = 0;
    }
    bool feed(const std::vector<float>& samples)
    {
        return assembler.process(model, nullptr, protocol, samples.data(), static_cast<int>(samples.size()), 0,
                                 false, 5000);
    }

    DataModel model;
    AccessoryProtocolNolvo2 protocol;
    PowerAssembler assembler;
};

TEST_F(PowerRoll, FactorTwoKeepsEveryThirdSampleAcrossFrames)
{
    ASSERT_EQ(PowerAssembler::rollDecimation(model.deviceInfo, protocol.modelId(), 0), 2);
    std::vector<float> first, second;
    for (int i = 0; i < 10; ++i) {
        first.push_back(static_cast<float>(i));
        second.push_back(static_cast<float>(10 + i));
    }
    EXPECT_TRUE(feed(first));
    EXPECT_TRUE(feed(second));
    // The counter carries over from one frame to the next: 0, 3, 6, 9, 12, 15, 18.
    EXPECT_EQ(model.powerStore.live.rollingHistory, (std::vector<float>{0, 3, 6, 9, 12, 15, 18}));
    EXPECT_TRUE(model.powerStore.live.history.empty());
}

TEST_F(PowerRoll, RollingHistoryKeepsTheNewest2000Samples)
{
    model.deviceInfo.rollReferenceIndex = -1; // factor 0: every sample
    std::vector<float> frame(1000);
    for (int n = 0; n < 3; ++n) {
        for (int i = 0; i < 1000; ++i) {
            frame[static_cast<std::size_t>(i)] = static_cast<float>(n * 1000 + i);
        }
        feed(frame);
        EXPECT_LE(model.powerStore.live.rollingHistory.size(), 2000u);
    }
    const auto& rolling = model.powerStore.live.rollingHistory;
    ASSERT_EQ(rolling.size(), 2000u);
    EXPECT_EQ(rolling.front(), 1000.0f);
    EXPECT_EQ(rolling.back(), 2999.0f);
}

TEST(PowerRollFactor, FirstGenerationTableAndGuards)
{
    AccessoryInfo info;
    info.timePerDivision = {1.0f, 0.4f, 0.2f, 0.1f, 0.04f, 0.02f};
    info.rollThreshold = 4;
    info.rollReferenceIndex = 4;
    const int first = AccessoryProtocolNolvo::kModelId;
    EXPECT_EQ(PowerAssembler::rollDecimation(info, first, 0), 25); // 1 s / 0.04 s
    EXPECT_EQ(PowerAssembler::rollDecimation(info, first, 2), 5);
    EXPECT_EQ(PowerAssembler::rollDecimation(info, first, 3), 4); // trunc(2.5), doubled on the last roll step
    info.rollThreshold = 9;                                       // beyond the table
    EXPECT_EQ(PowerAssembler::rollDecimation(info, first, 0), 0);
    info.rollReferenceIndex = -1;
    EXPECT_EQ(PowerAssembler::rollDecimation(info, 6, 0), 0);
    info.rollReferenceIndex = 4;
    info.timePerDivision[4] = 0.0f; // a hostile table cannot divide by zero
    EXPECT_EQ(PowerAssembler::rollDecimation(info, 6, 0), 0);
}

class PowerLog : public test::IsolatedStoreTest {};

TEST_F(PowerLog, EachTraceBecomesRowsOfTheLog)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    DataLogFile file;
    DataLogger logger(rig.model, file);
    rig.delegate.setDataLogger(&logger);
    rig.model.common.spectrumModeActive = 0;
    rig.bringUp();
    rig.model.power.timeScaleIndex = 15;
    rig.model.power.autoTrigger = 1;
    rig.model.dataLogState = kLogStartRequested;
    rig.feed(nolvo2Power(true, [](int k) { return static_cast<std::uint8_t>(k % 200); }));
    logger.waitForWrites(); // the rows go to the file on the logger's writer thread
    ASSERT_TRUE(file.isOpen());
    const std::string path = file.path();
    file.stopDataLog();
    std::ifstream in(path);
    int rows = 0;
    std::string line, lastRow;
    std::vector<std::string> header;
    while (std::getline(in, line)) {
        // Rows start with their time cell; the header lines with a word.
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            ++rows;
            lastRow = line;
        } else {
            header.push_back(line);
        }
    }
    ASSERT_EQ(header.size(), 2u);
    EXPECT_EQ(header[0], "Power");
    EXPECT_EQ(header[1].rfind("time:,", 0), 0u) << header[1];
    EXPECT_EQ(rows, 1000);
    // Sample 999 is byte 199: 199 x 0.25 - 60 = -10.25 dBm.
    EXPECT_NE(lastRow.find("-10.25"), std::string::npos) << lastRow;
}

} // namespace
} // namespace nolvo
