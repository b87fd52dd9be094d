// What the parser does with access-point frames: scan completion and the link states, the merge
// into the model, edit mode, and frames the dual-band model must reject.
#include <gtest/gtest.h>

#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using sim::SimulatedModel;
using testing::Bytes;
using testing::concat;
using testing::ParserRig;
using State = AccessoryCommunicationDelegate;

// A 64-byte record of an open 20 MHz access point on channel 1 whose BSSID ends in `id`.
Bytes record(std::uint8_t id)
{
    Bytes r(64, 0);
    r[1] = 1;                                  // channel 1
    r[2] = 0xFF;                               // RSSI 0xFFC4 = -60 dBm
    r[3] = 0xC4;
    r[4] = 0x02;                               // BSSID 02:00:00:00:00:id
    r[9] = id;
    r[10] = 0x08;                              // flags: 20 MHz, no secondary channel
    r[12] = 1;                                 // SSID length 1
    r[13] = static_cast<std::uint8_t>('A' + id % 26);
    r[45] = 0x02;                              // 802.11g
    r[46] = 0x01;                              // 2.4 GHz
    std::uint8_t sum = 0;
    for (std::uint8_t b : r) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    r[63] = static_cast<std::uint8_t>(-sum);   // checksum
    return r;
}

// A type-7 frame with `n` records whose ids start at `firstId`.
Bytes scanFrame(int n, int firstId = 1)
{
    Bytes f = {0xAA, 0xE0, static_cast<std::uint8_t>(n), 0x00};
    for (int i = 0; i < n; ++i) {
        const Bytes r = record(static_cast<std::uint8_t>(firstId + i));
        f.insert(f.end(), r.begin(), r.end());
    }
    return f;
}

std::size_t listSize(ParserRig& rig)
{
    ModelLock lock(rig.model, kAccessPointLock);
    return rig.model.accessPoints.size();
}

// Periodic scanning of a non-concurrent model in the real-wave display, brought to streaming (7).
void streamWithPeriodicScans(ParserRig& rig)
{
    rig.model.common.spectrumModeActive = 1;
    rig.model.spectrum.displayMode = 0;
    rig.model.spectrum.ssidOverlay = 1;
    rig.model.spectrum.ssidScanInterval = 10.0f;
    rig.bringUp();
    rig.passes(1);
    ASSERT_EQ(rig.delegate.linkState(), State::kStreaming);
    // Clearing the histories at the start raised the list flags; tests watch them from here.
    rig.model.accessPointListChanged[0] = false;
    rig.model.accessPointListChanged[1] = false;
    rig.link.clearQueue();
}

TEST(AccessPointScan, EmptyFrameWhileStreamingEndsTheScan)
{
    for (SimulatedModel which : {SimulatedModel::kNolvo2, SimulatedModel::kNolvo25}) {
        ParserRig rig(which);
        streamWithPeriodicScans(rig);
        rig.feed(scanFrame(0));
        EXPECT_EQ(rig.delegate.linkState(), State::kStreamingScanDone);
        EXPECT_EQ(rig.model.totalScanCount.load(), 0u); // nothing to merge
        EXPECT_FALSE(rig.model.accessPointListChanged[0].load());
    }
}

TEST(AccessPointScan, EmptyFrameAfterAFullOneEndsTheScan)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    rig.feed(scanFrame(20));
    ASSERT_EQ(rig.delegate.linkState(), State::kStreaming);
    rig.feed(scanFrame(0)); // in state 7 an empty frame marks the scan done
    EXPECT_EQ(rig.delegate.linkState(), State::kStreamingScanDone);
    // Outside state 7 an empty frame completes the scan and the sweep comes back.
    rig.feed(scanFrame(0));
    EXPECT_EQ(rig.delegate.linkState(), State::kStop);
}

TEST(AccessPointScan, FullFrameWaitsForTheNextOne)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    rig.feed(scanFrame(20, 1));
    // Twenty records may mean more to come: no switch back to the spectrum yet.
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    EXPECT_EQ(listSize(rig), 20u);
    EXPECT_EQ(rig.model.totalScanCount.load(), 1u);
    rig.feed(scanFrame(3, 21));
    EXPECT_EQ(rig.delegate.linkState(), State::kStop);
    EXPECT_EQ(listSize(rig), 23u);
    EXPECT_EQ(rig.model.totalScanCount.load(), 2u);
    rig.link.clearQueue();
    // The stop goes out and the restart after the acknowledgement sweeps again.
    rig.passes(1);
    EXPECT_EQ(rig.queuedWithCode(6), 1);
    rig.feed(testing::stopAck());
    rig.passes(2);
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    EXPECT_EQ(rig.queuedWithCode(5), 1);
}

TEST(AccessPointScan, SecondFullFrameAlsoEndsTheScan)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    rig.feed(scanFrame(20, 1));
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    rig.feed(scanFrame(20, 21));
    EXPECT_EQ(rig.delegate.linkState(), State::kStop);
    // The counter starts over: the next scan's first full frame waits again.
    rig.passes(1);
    rig.feed(testing::stopAck());
    rig.passes(2);
    ASSERT_EQ(rig.delegate.linkState(), State::kStreaming);
    rig.feed(scanFrame(20, 41));
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    EXPECT_EQ(listSize(rig), 60u);
}

TEST(AccessPointScan, ScanWithoutPeriodicIntervalKeepsScanning)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.model.common.spectrumModeActive = 1;
    rig.model.spectrum.ssidOverlay = 1;
    rig.model.spectrum.ssidScanInterval = 0.0f; // scan all the time
    rig.bringUp();
    rig.passes(1);
    ASSERT_EQ(rig.queuedWithCode(7), 1);
    ASSERT_EQ(rig.delegate.linkState(), State::kStreaming);
    rig.feed(scanFrame(2));
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    EXPECT_EQ(listSize(rig), 2u);
}

TEST(AccessPointScan, RecordsReachTheModel)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    streamWithPeriodicScans(rig);
    rig.feed(scanFrame(3, 1));
    // The second generation sweeps while it scans: a finished scan does not stop the link.
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    {
        ModelLock lock(rig.model, kAccessPointLock);
        ASSERT_EQ(rig.model.accessPoints.size(), 3u);
        const AccessPoint& first = rig.model.accessPoints[0];
        EXPECT_EQ(first.bssid, (Bssid{0x02, 0, 0, 0, 0, 1}));
        EXPECT_EQ(first.timesSeen, 1u);
        EXPECT_FLOAT_EQ(first.rssi, -60.0f);
        EXPECT_EQ(first.channelWidth, 20);
    }
    EXPECT_TRUE(rig.model.accessPointListChanged[0].load());
    EXPECT_TRUE(rig.model.accessPointListChanged[1].load());
    // The same access points in the next scan are merged, not added.
    rig.model.accessPointListChanged[0] = false;
    rig.feed(scanFrame(3, 2));
    {
        ModelLock lock(rig.model, kAccessPointLock);
        ASSERT_EQ(rig.model.accessPoints.size(), 4u);
        EXPECT_EQ(rig.model.accessPoints[rig.model.accessPoints.find(Bssid{0x02, 0, 0, 0, 0, 2})].timesSeen, 2u);
    }
    EXPECT_TRUE(rig.model.accessPointListChanged[0].load());
    EXPECT_EQ(rig.model.totalScanCount.load(), 2u);
}

TEST(AccessPointScan, EditModeDropsScans)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    rig.model.utilizationEditMode = true;
    rig.feed(scanFrame(3));
    EXPECT_EQ(listSize(rig), 0u);
    EXPECT_EQ(rig.model.totalScanCount.load(), 0u);
    EXPECT_FALSE(rig.model.accessPointListChanged[0].load());
    // The scan still completes.
    EXPECT_EQ(rig.delegate.linkState(), State::kStop);
    rig.model.utilizationEditMode = false;
    rig.feed(scanFrame(3));
    EXPECT_EQ(listSize(rig), 3u);
}

TEST(AccessPointScan, DualBandRejectsTwentyOneRecordsAndEmptiesTheBuffer)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    // A well-formed frame of 21 records, then a valid one that went into the same read.
    rig.feed(concat({scanFrame(21), scanFrame(2)}));
    EXPECT_EQ(listSize(rig), 0u);
    EXPECT_EQ(rig.delegate.parseBufferFill(), 0u);
    EXPECT_EQ(rig.delegate.linkState(), State::kStreaming);
    rig.feed(scanFrame(2));
    EXPECT_EQ(listSize(rig), 2u);
}

TEST(AccessPointScan, FrameSplitAcrossReadsIsDecodedOnce)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    const Bytes f = scanFrame(5);
    for (std::size_t split : {1u, 3u, 4u, 67u, 68u, 200u, 323u}) {
        rig.feed(f.data(), split);
        rig.feed(f.data() + split, f.size() - split);
    }
    EXPECT_EQ(listSize(rig), 5u);
    EXPECT_EQ(rig.model.totalScanCount.load(), 7u);
    ModelLock lock(rig.model, kAccessPointLock);
    EXPECT_EQ(rig.model.accessPoints[0].timesSeen, 7u);
}

TEST(AccessPointScan, DemoPlaybackRenamesOnTheDualBandModel)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    streamWithPeriodicScans(rig);
    Bytes f = scanFrame(1);
    const std::uint8_t demo[6] = {0xE0, 0x91, 0xF5, 0x76, 0x83, 0x23};
    std::uint8_t sum = 0;
    for (int i = 0; i < 6; ++i) {
        f[4 + 4 + static_cast<std::size_t>(i)] = demo[i];
    }
    f[4 + 63] = 0;
    for (int i = 0; i < 64; ++i) {
        sum = static_cast<std::uint8_t>(sum + f[4 + static_cast<std::size_t>(i)]);
    }
    f[4 + 63] = static_cast<std::uint8_t>(-sum);
    rig.feed(f);
    {
        ModelLock lock(rig.model, kAccessPointLock);
        ASSERT_EQ(rig.model.accessPoints.size(), 1u);
        EXPECT_EQ(rig.model.accessPoints[0].ssidBytes(), "B"); // a live accessory keeps the name
    }
    rig.model.accessoryConnected = false; // what demo playback runs with
    rig.feed(f);
    ModelLock lock(rig.model, kAccessPointLock);
    EXPECT_EQ(rig.model.accessPoints[0].ssidBytes(), "Free WiFi");
}

} // namespace
} // namespace nolvo
