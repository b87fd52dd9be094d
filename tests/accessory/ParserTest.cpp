// The delegate's packet parser and spectrum assembly, fed by hand (no threads).
#include <gtest/gtest.h>

#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using sim::SimulatedModel;
using testing::Bytes;
using testing::concat;
using testing::ParserRig;

// Identification, settings acknowledgement and three 2.4 GHz sweeps of the second generation.
Bytes secondGenerationStream(ParserRig& rig)
{
    return concat({rig.simulator->identificationFrame(), testing::settingsAck(), testing::wideSpectrum(0, 50),
                   testing::wideSpectrum(0, 60), testing::wideSpectrum(0, 70)});
}

TEST(Parser, StreamSplitAtEveryPositionIsReassembled)
{
    ParserRig probe(SimulatedModel::kNolvo2);
    const Bytes stream = secondGenerationStream(probe);
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        ParserRig rig(SimulatedModel::kNolvo2);
        rig.passes(1); // identify request sent, waiting for identification
        rig.feed(stream.data(), split);
        rig.feed(stream.data() + split, stream.size() - split);
        ASSERT_TRUE(rig.delegate.identified()) << "split " << split;
        ASSERT_EQ(rig.delegate.linkState(), AccessoryCommunicationDelegate::kSettingsAcknowledged) << split;
        ASSERT_EQ(rig.sweeps(kBand24), 3u) << "split " << split;
        // The newest sweep is the third frame: sample i = 70 + i, scale 0.5, offset −120, floor −100.
        const std::vector<float> newest = rig.newestSweep(kBand24, 256);
        ASSERT_FLOAT_EQ(newest[100], (70 + 100) * 0.5f - 120.0f) << split;
        ASSERT_EQ(rig.delegate.parseBufferFill(), 0u) << split;
    }
}

TEST(Parser, ByteByByteDeliveryOfTheFirstGeneration)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.passes(1);
    const Bytes stream = concat({rig.simulator->identificationFrame(), testing::nolvoSpectrum(0, 100),
                                 testing::nolvoSpectrum(1, 150)});
    for (std::uint8_t b : stream) {
        rig.feed(&b, 1);
    }
    EXPECT_TRUE(rig.delegate.identified());
    ASSERT_EQ(rig.sweeps(kBand24), 1u);
    const std::vector<float> sweep = rig.newestSweep(kBand24, 100);
    const float scale = 0.36290324f;
    EXPECT_FLOAT_EQ(sweep[0], 100 * scale - 100.0f);  // segment 0, value 0
    EXPECT_FLOAT_EQ(sweep[1], 150 * scale - 100.0f);  // segment 1, value 0
    EXPECT_FLOAT_EQ(sweep[99], 199 * scale - 100.0f); // segment 1, value 49
}

TEST(Parser, GarbageBeforeSyncAndFramesBeforeIdentificationAreSkipped)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.passes(1);
    const Bytes garbage = {0x00, 0x55, 0xFF, 0xA9, 0x12};
    // A spectrum frame before identification, and a lone sync byte inside the garbage.
    rig.feed(concat({garbage, testing::wideSpectrum(0, 10), {0xAA}, garbage}));
    EXPECT_FALSE(rig.delegate.identified());
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    rig.feed(concat({garbage, rig.simulator->identificationFrame(), garbage, testing::wideSpectrum(0, 10)}));
    EXPECT_TRUE(rig.delegate.identified());
    EXPECT_EQ(rig.delegate.protocolModelId(), 6);
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
    {
        ModelLock lock(rig.model, kDataLock);
        EXPECT_EQ(rig.model.deviceInfo.modelId, 6);
    }
}

TEST(Parser, UnknownModelIdDropsEverythingBuffered)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.passes(1);
    Bytes unknown = rig.simulator->identificationFrame();
    unknown[2] = 5;
    // The valid identification behind the unknown one goes with the buffer.
    rig.feed(concat({unknown, rig.simulator->identificationFrame()}));
    EXPECT_FALSE(rig.delegate.identified());
    EXPECT_EQ(rig.delegate.parseBufferFill(), 0u);
    rig.feed(rig.simulator->identificationFrame());
    EXPECT_TRUE(rig.delegate.identified());
}

TEST(Parser, InvalidFramesEmptyTheBuffer)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    rig.bringUp();
    const Bytes tooManyRecords = {0xAA, 0xE0, 21, 0x00}; // type 7 announcing 21 records
    rig.feed(concat({tooManyRecords, testing::wideSpectrum(0, 80)}));
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    EXPECT_EQ(rig.delegate.parseBufferFill(), 0u);
    Bytes badBand = testing::wideSpectrum(0, 80);
    badBand[2] = 2;
    rig.feed(concat({badBand, testing::wideSpectrum(0, 80)}));
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    rig.feed(testing::wideSpectrum(0, 80));
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
}

TEST(Parser, FrameThatCanNeverCompleteDoesNotStallTheStream)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.bringUp();
    // The first generation has no access-point frames: a type-7 header would wait for ever.
    const Bytes stuck = {0xAA, 0xE0, 0x01};
    rig.feed(concat({stuck, testing::nolvoSpectrum(0, 1), testing::nolvoSpectrum(1, 2)}));
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
    // A long run of such headers keeps the buffer bounded and the stream flowing.
    Bytes flood;
    for (int i = 0; i < 20000; ++i) {
        flood.insert(flood.end(), stuck.begin(), stuck.end());
    }
    rig.feed(flood);
    rig.feed(concat({testing::nolvoSpectrum(0, 3), testing::nolvoSpectrum(1, 4)}));
    EXPECT_EQ(rig.sweeps(kBand24), 2u);
    EXPECT_LE(rig.delegate.parseBufferCapacity(),
              static_cast<std::size_t>(AccessoryCommunicationDelegate::kParseChunk + 68 + 100));
}

TEST(Parser, BufferStaysBoundedForTheLargestAnnouncedFrames)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.bringUp();
    // Access-point headers announcing 255 records, over and over, in large deliveries.
    Bytes flood;
    while (flood.size() < 200000) {
        flood.insert(flood.end(), {0xAA, 0xE0, 0xFF, 0x00, 0x11, 0x22});
    }
    rig.feed(flood);
    // At most 20 records per frame: the largest frame is 1284 bytes.
    EXPECT_LE(rig.delegate.parseBufferCapacity(),
              static_cast<std::size_t>(AccessoryCommunicationDelegate::kParseChunk + 1284 + 100));
    // Once a largest frame's worth follows the last false header, every sweep behind it is found.
    for (int i = 0; i < 6; ++i) {
        rig.feed(testing::wideSpectrum(0, 90));
    }
    EXPECT_EQ(rig.sweeps(kBand24), 6u);
}

TEST(Parser, UnknownTypesAreSkippedTwoBytesAtATime)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.bringUp();
    const Bytes unknownType = {0xAA, 0x80}; // type 4
    rig.feed(concat({unknownType, testing::wideSpectrum(0, 5)}));
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
}

TEST(SpectrumAssembly, InterleavedSegmentsOutOfOrder)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.bringUp();
    // Segment 1, then segment 0 (a new sweep begins), then segment 1 completes it.
    rig.feed(testing::nolvoSpectrum(1, 200));
    rig.feed(testing::nolvoSpectrum(0, 20));
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    rig.feed(testing::nolvoSpectrum(1, 120));
    ASSERT_EQ(rig.sweeps(kBand24), 1u);
    const std::vector<float> sweep = rig.newestSweep(kBand24, 100);
    const float scale = 0.36290324f;
    for (int k = 0; k < 50; ++k) {
        EXPECT_FLOAT_EQ(sweep[static_cast<std::size_t>(2 * k)], (20 + k) * scale - 100.0f) << k;
        EXPECT_FLOAT_EQ(sweep[static_cast<std::size_t>(2 * k + 1)], (120 + k) * scale - 100.0f) << k;
    }
    {
        ModelLock lock(rig.model, kDataLock);
        EXPECT_EQ(rig.model.band24.binCount, 100);
        EXPECT_TRUE(rig.model.band24.newSweep);
    }
}

TEST(SpectrumAssembly, LostSegmentNeverMixesSweeps)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.bringUp();
    // 0, 1 complete; then the next segment 0 is lost: 1 alone must not form a sweep.
    rig.feed(concat({testing::nolvoSpectrum(0, 30), testing::nolvoSpectrum(1, 31)}));
    rig.feed(testing::nolvoSpectrum(1, 32));
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
    rig.feed(concat({testing::nolvoSpectrum(0, 33), testing::nolvoSpectrum(1, 34)}));
    ASSERT_EQ(rig.sweeps(kBand24), 2u);
    const std::vector<float> sweep = rig.newestSweep(kBand24, 2);
    EXPECT_FLOAT_EQ(sweep[0], 33 * 0.36290324f - 100.0f);
    EXPECT_FLOAT_EQ(sweep[1], 34 * 0.36290324f - 100.0f);
    // Segment numbers beyond the sweep are ignored.
    rig.feed(concat({testing::nolvoSpectrum(0, 1), testing::nolvoSpectrum(5, 1)}));
    EXPECT_EQ(rig.sweeps(kBand24), 2u);
}

TEST(SpectrumAssembly, DualBandFramesGoToTheirBand)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    rig.bringUp();
    rig.feed(testing::wideSpectrum(1, 0));
    rig.feed(testing::wideSpectrum(0, 0));
    rig.feed(Bytes{0xAA, 0xA1, 0x00, 0x00}); // status frame on its own: no sweep
    EXPECT_EQ(rig.sweeps(kBand5), 1u);
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
    ModelLock lock(rig.model, kDataLock);
    EXPECT_EQ(rig.model.band5.binCount, 512);
    EXPECT_EQ(rig.model.band24.binCount, 256);
    // Sample 250 at 5 GHz: 0.5 × 250 − 125 = 0 dBm; sample 0 is below the floor (−105).
    EXPECT_FLOAT_EQ(rig.model.band5.history.newest()[250], 0.0f);
    EXPECT_FLOAT_EQ(rig.model.band5.history.newest()[0], -105.0f);
}

TEST(SpectrumAssembly, RunStateGatesFramesAndSingleSweepStops)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.bringUp();
    rig.model.runState = kStopped;
    rig.feed(testing::wideSpectrum(0, 1));
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    rig.model.runState = kSingleDone;
    rig.feed(testing::wideSpectrum(0, 1));
    EXPECT_EQ(rig.sweeps(kBand24), 0u);

    rig.model.runState = kSingleArmed;
    rig.feed(concat({testing::wideSpectrum(0, 1), testing::wideSpectrum(0, 2)}));
    EXPECT_EQ(rig.sweeps(kBand24), 1u); // the second frame arrives after the single sweep is done
    EXPECT_EQ(rig.model.runState.load(), kSingleDone);
    EXPECT_EQ(rig.delegate.linkState(), AccessoryCommunicationDelegate::kStop);
}

TEST(Parser, SettingsAckClearsAPartialSweep)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.bringUp();
    rig.feed(testing::nolvoSpectrum(0, 1));
    rig.feed(testing::settingsAck());
    rig.feed(testing::nolvoSpectrum(1, 2)); // its partner was before the acknowledgement
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    EXPECT_EQ(rig.delegate.linkState(), AccessoryCommunicationDelegate::kSettingsAcknowledged);
}

TEST(Parser, NullOrEmptyInputIsIgnored)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.delegate.dataReceived(&rig.link, &rig.device, nullptr, 10);
    std::uint8_t byte = 0xAA;
    rig.delegate.dataReceived(&rig.link, &rig.device, &byte, 0);
    EXPECT_EQ(rig.delegate.parseBufferFill(), 0u);
}

} // namespace
} // namespace nolvo
