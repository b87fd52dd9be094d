// Link health: what goes wrong on the wire shows up in the counters exactly as often as it
// happened, whether it comes through the real link thread from the simulator or straight into
// the parser; the rates and texts derive from two snapshots.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "accessory/LinkHealth.h"
#include "fakes/AccessoryRig.h"
#include "support/Eventually.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;

using test::eventually;

// A dual-band access-point frame whose `records` records all fail their checksum.
Bytes accessPointsWithBadChecksums(int records)
{
    Bytes frame = testing::frame(7, 0, static_cast<std::uint8_t>(records), 4 + 64 * static_cast<std::size_t>(records));
    for (int r = 0; r < records; ++r) {
        frame[4 + 64 * static_cast<std::size_t>(r) + 1] = 6; // channel 6, nothing to balance it
    }
    return frame;
}

TEST(LinkHealth, InjectedFaultsThroughTheLinkAreCountedExactly)
{
    DataModel model;
    model.demo.hardware = 255;
    model.spectrum.ssidOverlay = 0; // no scans: only injected access-point frames arrive
    auto simulator = std::make_shared<sim::AccessorySimulator>(sim::SimulatedModel::kNolvo25);
    simulator->setFrameInterval(40ms);
    sim::SimulatedUsbBackend backend;
    backend.attach(simulator);
    AccessoryCommunication link(&backend);
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{20ms, true});
    delegate.bind(link);
    LinkHealth& health = link.health();
    health.silenceLimitMs = 300;
    link.start();

    auto frames = [&] { return health.frames.load(); };
    auto streaming = [&] { return delegate.linkState() == AccessoryCommunicationDelegate::kStreaming && frames() > 0; };
    ASSERT_TRUE(eventually(streaming));
    ASSERT_TRUE(eventually([&] { return frames() > 5; }));
    // Right after a frame came in, so that injected bytes arrive between two frames.
    auto afterNextFrame = [&] {
        const std::uint64_t seen = frames();
        ASSERT_TRUE(eventually([&] { return frames() > seen; }));
    };
    const LinkHealthCounters before = health.snapshot();

    for (int i = 0; i < 3; ++i) {
        afterNextFrame();
        simulator->injectGarbage({0x01, 0x02, 0x03, 0x55, 0x7F});
    }
    afterNextFrame();
    simulator->injectGarbage(accessPointsWithBadChecksums(2));
    afterNextFrame();
    afterNextFrame();
    for (int i = 0; i < 2; ++i) {
        simulator->setStalled(true);
        std::this_thread::sleep_for(600ms);
        simulator->setStalled(false);
        afterNextFrame();
    }
    for (int i = 0; i < 2; ++i) {
        simulator->unplug();
        ASSERT_TRUE(eventually([&] { return !model.accessoryConnected.load(); }));
        simulator->plug();
        ASSERT_TRUE(eventually([&] { return model.accessoryConnected.load(); }));
        ASSERT_TRUE(eventually(streaming));
        afterNextFrame();
    }
    link.stop();
    delegate.stop();

    const LinkHealthCounters delta = health.snapshot() - before;
    EXPECT_EQ(delta.resyncs, 3u);
    EXPECT_EQ(delta.badChecksums, 2u);
    EXPECT_EQ(delta.timeouts, 2u);
    EXPECT_EQ(delta.reconnects, 2u);
    EXPECT_EQ(delta.droppedPartialFrames, 0u);
    EXPECT_GT(delta.frames, 10u);
    EXPECT_GE(delta.bytes, 3 * 5 + (4 + 2 * 64) + delta.frames * 4); // garbage, then every frame's header at least
}

TEST(LinkHealth, ParserCountsSkippedRunsAndAbandonedFrames)
{
    testing::ParserRig rig(sim::SimulatedModel::kNolvo25);
    LinkHealth health;
    rig.delegate.setHealth(&health);
    rig.bringUp();
    rig.passes(1);
    const Bytes sweep = testing::wideSpectrum(0, 10);
    struct Step {
        const char* what;
        std::function<void()> run;
        LinkHealthCounters expected; // added to the counters by the step (bytes are the link's)
    };
    LinkHealthCounters oneFrame;
    oneFrame.frames = 1;
    const std::vector<Step> steps = {
        {"a whole sweep", [&] { rig.feed(sweep); }, oneFrame},
        {"garbage split over two reads, then a sweep",
         [&] {
             rig.feed(Bytes{1, 2, 3});
             rig.feed(Bytes{4, 5});
             rig.feed(sweep);
         },
         LinkHealthCounters{0, 1, 0, 1, 0, 0, 0}},
        {"half a sweep, a reconnection, a sweep",
         [&] {
             rig.feed(Bytes(sweep.begin(), sweep.begin() + 100));
             rig.delegate.connected(&rig.link, &rig.device);
             rig.feed(sweep);
         },
         LinkHealthCounters{0, 1, 0, 0, 1, 0, 0}},
        {"an access-point frame of 21 records, which cannot be",
         [&] { rig.feed(testing::frame(7, 0, 21, 40)); },
         LinkHealthCounters{0, 0, 0, 0, 1, 0, 0}},
        {"three records with bad checksums", [&] { rig.feed(accessPointsWithBadChecksums(3)); },
         LinkHealthCounters{0, 1, 3, 0, 0, 0, 0}},
    };
    for (const Step& step : steps) {
        if (std::string(step.what).find("reconnection") != std::string::npos) {
            rig.passes(4); // identify again after the reconnection
            rig.feed(rig.simulator->identificationFrame());
            rig.passes(2);
            rig.feed(testing::settingsAck());
            rig.passes(2);
        }
        const LinkHealthCounters before = health.snapshot();
        step.run();
        const LinkHealthCounters delta = health.snapshot() - before;
        EXPECT_EQ(delta.frames, step.expected.frames) << step.what;
        EXPECT_EQ(delta.resyncs, step.expected.resyncs) << step.what;
        EXPECT_EQ(delta.droppedPartialFrames, step.expected.droppedPartialFrames) << step.what;
        EXPECT_EQ(delta.badChecksums, step.expected.badChecksums) << step.what;
    }
}

TEST(LinkHealth, SilenceCountsOnceAndOnlyWhileStreamingIsExpected)
{
    LinkHealth health;
    health.silenceLimitMs = 1000;
    health.connected();
    health.readFinished(0, 5000); // not streaming yet: no timeout however long
    health.readFinished(0, 9000);
    EXPECT_EQ(health.timeouts.load(), 0u);
    health.streamExpected = true;
    health.readFinished(100, 9100);
    health.readFinished(0, 10000);
    EXPECT_EQ(health.timeouts.load(), 0u);
    health.readFinished(0, 10100); // 1000 ms without a byte
    health.readFinished(0, 12000); // the same silence
    EXPECT_EQ(health.timeouts.load(), 1u);
    health.readFinished(10, 12100);
    health.readFinished(0, 13200);
    EXPECT_EQ(health.timeouts.load(), 2u);
    EXPECT_EQ(health.bytes.load(), 110u);
    health.connected();
    EXPECT_EQ(health.reconnects.load(), 1u);
}

TEST(LinkHealth, RatesAndTexts)
{
    LinkHealthRates rates;
    LinkHealthCounters counters;
    rates.update(counters, 1000);
    counters.frames = 25;
    counters.bytes = 6500;
    counters.resyncs = 2;
    counters.reconnects = 1;
    rates.update(counters, 3000);
    EXPECT_DOUBLE_EQ(rates.framesPerSecond(), 12.5);
    EXPECT_DOUBLE_EQ(rates.bytesPerSecond(), 3250.0);
    EXPECT_EQ(rates.lineText(),
              "12.5 frames/s, 3.2 kB/s, 0 bad checksums, 2 resyncs, 0 dropped partial frames, 0 timeouts, 1 reconnects");
    EXPECT_NE(rates.panelText().find("resyncs: 2"), std::string::npos);
}

} // namespace
} // namespace nolvo
