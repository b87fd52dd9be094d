// The connection state machine, one worker pass at a time (no threads).
#include <gtest/gtest.h>

#include "fakes/AccessoryRig.h"
#include "platform/Clock.h"

namespace nolvo {
namespace {

using sim::SimulatedModel;
using testing::Bytes;
using testing::ParserRig;
using D = AccessoryCommunicationDelegate;

const Bytes kIdentify = {0xAA, 0x03, 0x03};
const Bytes kStartSpectrum = {0xAA, 0x03, 0x05};
const Bytes kStartPower = {0xAA, 0x03, 0x01};
const Bytes kStartScan = {0xAA, 0x03, 0x07};
const Bytes kStop = {0xAA, 0x03, 0x06};

TEST(StateMachine, IdentifySettingsAcknowledgeStart)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.model.spectrum.ssidOverlay = 1;
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kAwaitIdentification);
    ASSERT_EQ(rig.queued(), std::vector<Bytes>{kIdentify});
    EXPECT_EQ(rig.link.queuedCommandCopies()[0].tag, D::kTagIdentify);
    // Until the identification arrives the request goes out again on every pass.
    rig.passes(2);
    EXPECT_EQ(rig.queuedWithCode(3), 3);
    rig.link.clearQueue();

    rig.feed(rig.simulator->identificationFrame());
    EXPECT_EQ(rig.delegate.linkState(), D::kIdentified);
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kSendSettings);
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kAwaitSettingsAck);
    auto queued = rig.link.queuedCommandCopies();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].tag, D::kTagSettings);
    EXPECT_EQ(queued[0].bytes.size(), 20u);
    EXPECT_EQ(queued[0].bytes[3], 0x53);
    rig.link.clearQueue();

    // A history from before the connection is cleared once the settings are acknowledged.
    {
        ModelLock lock(rig.model, kDataLock);
        const float old[4] = {1, 2, 3, 4};
        rig.model.pushSweep(kBand24, old, 4);
    }
    rig.feed(testing::settingsAck());
    EXPECT_EQ(rig.delegate.linkState(), D::kSettingsAcknowledged);
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kStartStreaming);
    EXPECT_TRUE(rig.delegate.dataLogReady());
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    {
        ModelLock lock(rig.model, kDataLock);
        EXPECT_EQ(rig.model.powerStore.acquisitionPhase, 2);
    }
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kStreaming);
    // This model sweeps while it scans: both start commands, the scan first.
    EXPECT_EQ(rig.queued(), (std::vector<Bytes>{kStartScan, kStartSpectrum}));
    rig.passes(5);
    EXPECT_EQ(rig.queued().size(), 2u); // streaming: nothing more to send
}

TEST(StateMachine, LostSettingsAcknowledgementIsRepeatedAfterFiftyPasses)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    rig.passes(1);
    rig.feed(rig.simulator->identificationFrame());
    rig.passes(2); // settings sent
    ASSERT_EQ(rig.queuedWithCode(2), 1);
    rig.passes(49);
    EXPECT_EQ(rig.queuedWithCode(2), 1);
    EXPECT_EQ(rig.delegate.linkState(), D::kAwaitSettingsAck);
    rig.passes(1); // the fiftieth pass without an acknowledgement
    EXPECT_EQ(rig.delegate.linkState(), D::kSendSettings);
    rig.passes(1);
    ASSERT_EQ(rig.queuedWithCode(2), 2);
    std::vector<Bytes> settings;
    for (const Bytes& b : rig.queued()) {
        if (b[2] == 2) {
            settings.push_back(b);
        }
    }
    // The repeated command carries the next sequence number.
    EXPECT_EQ(settings[1][4], settings[0][4] + 1);
}

TEST(StateMachine, StopAndRestart)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.bringUp();
    rig.passes(1);
    ASSERT_EQ(rig.delegate.linkState(), D::kStreaming);
    rig.link.clearQueue();

    rig.model.runState = kStopped; // paused, as the run-state button does before a stop
    rig.delegate.requestStop();
    EXPECT_EQ(rig.delegate.linkState(), D::kStop);
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kAwaitStopAck);
    EXPECT_EQ(rig.queued(), std::vector<Bytes>{kStop});
    rig.feed(testing::stopAck());
    EXPECT_EQ(rig.delegate.linkState(), D::kStopped);
    rig.passes(3);
    EXPECT_EQ(rig.delegate.linkState(), D::kStopped); // stays stopped without a restart
    rig.link.clearQueue();

    // Restart with new settings and a cleared history.
    {
        ModelLock lock(rig.model, kDataLock);
        const float old[4] = {1, 2, 3, 4};
        rig.model.pushSweep(kBand24, old, 4);
    }
    rig.delegate.requestRestart(true);
    rig.passes(1);
    rig.feed(testing::stopAck());
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kSendSettings);
    rig.passes(1);
    EXPECT_EQ(rig.queuedWithCode(2), 1);
    rig.feed(testing::settingsAck());
    rig.passes(3);
    // Still paused: the new settings are in, but nothing starts; the accessory is stopped again.
    EXPECT_EQ(rig.delegate.linkState(), D::kAwaitStopAck);
    EXPECT_EQ(rig.queuedWithCode(5), 0);
    EXPECT_EQ(rig.queued().back(), kStop);
    rig.feed(testing::stopAck());
    rig.link.clearQueue();
    rig.model.runState = kRunning; // resumed
    rig.passes(2);
    EXPECT_EQ(rig.delegate.linkState(), D::kStreaming);
    EXPECT_EQ(rig.sweeps(kBand24), 0u);
    EXPECT_EQ(rig.queuedWithCode(5), 1);

    // A stop acknowledgement outside a stop is ignored.
    rig.feed(testing::stopAck());
    EXPECT_EQ(rig.delegate.linkState(), D::kStreaming);
}

// After a completed single sweep the accessory is stopped; arming another single sweep, or
// running again, must start it streaming again.
TEST(StateMachine, RunningAgainAfterASingleSweepRestartsStreaming)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.bringUp();
    rig.passes(1);
    ASSERT_EQ(rig.delegate.linkState(), D::kStreaming);
    rig.model.runState = kSingleArmed;
    rig.feed(testing::wideSpectrum(0, 10));
    EXPECT_EQ(rig.model.runState.load(), kSingleDone);
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
    rig.passes(1);
    rig.feed(testing::stopAck());
    rig.passes(2);
    EXPECT_EQ(rig.delegate.linkState(), D::kStopped); // single done: stays stopped
    rig.link.clearQueue();

    for (const int again : {kSingleArmed, kRunning}) {
        rig.model.runState = again;
        rig.passes(2);
        EXPECT_EQ(rig.delegate.linkState(), D::kStreaming) << again;
        EXPECT_EQ(rig.queuedWithCode(5), 1) << again; // the start command goes out again
        rig.link.clearQueue();
        rig.feed(testing::wideSpectrum(0, 20));
        if (again == kSingleArmed) {
            EXPECT_EQ(rig.model.runState.load(), kSingleDone);
            rig.passes(1);
            rig.feed(testing::stopAck());
            rig.passes(1);
            EXPECT_EQ(rig.delegate.linkState(), D::kStopped);
        }
    }
    EXPECT_EQ(rig.sweeps(kBand24), 3u);
}

TEST(StateMachine, RequestsBeforeIdentificationDoNothing)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.passes(1);
    rig.delegate.requestStop();
    rig.delegate.requestRestart(true);
    EXPECT_EQ(rig.delegate.linkState(), D::kAwaitIdentification);
}

TEST(StateMachine, FirstGenerationRepeatsStartAndStopsWithoutAcknowledgement)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.bringUp();
    rig.passes(3);
    EXPECT_EQ(rig.delegate.linkState(), D::kStartStreaming);
    EXPECT_EQ(rig.queuedWithCode(5), 3); // one start per pass
    rig.link.clearQueue();
    rig.delegate.requestStop();
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kStopped);
    EXPECT_TRUE(rig.queued().empty()); // this model has no stop command
}

TEST(StateMachine, FirstGenerationPowerModeStartsSpectrumOnceFirst)
{
    ParserRig rig(SimulatedModel::kNolvo);
    rig.model.common.spectrumModeActive = 0;
    rig.bringUp();
    rig.passes(2);
    EXPECT_EQ(rig.queued(), (std::vector<Bytes>{kStartSpectrum, kStartPower, kStartPower}));
    for (const auto& command : rig.link.queuedCommandCopies()) {
        EXPECT_EQ(command.tag, D::kTagStart);
    }
}

TEST(StateMachine, IdentificationBringsSettingsIntoTheModelsRange)
{
    // Power mode on a model without power: switch to spectrum and say so.
    ParserRig dual(SimulatedModel::kNolvo25);
    dual.model.common.spectrumModeActive = 0;
    dual.model.power.timeScaleIndex = -3;
    dual.passes(1);
    dual.feed(dual.simulator->identificationFrame());
    EXPECT_EQ(dual.model.common.spectrumModeActive, 1);
    EXPECT_TRUE(dual.model.modeChanged.load());
    EXPECT_EQ(dual.model.power.timeScaleIndex, -3); // no time table on this model

    ParserRig gen2(SimulatedModel::kNolvo2);
    gen2.model.power.timeScaleIndex = -1;
    gen2.model.power.amplitudeScaleIndex = -7;
    gen2.passes(1);
    gen2.feed(gen2.simulator->identificationFrame());
    EXPECT_EQ(gen2.model.power.timeScaleIndex, 14);
    EXPECT_EQ(gen2.model.power.amplitudeScaleIndex, 0);
    EXPECT_EQ(gen2.model.common.spectrumModeActive, 1); // the second generation has both modes
    EXPECT_FALSE(gen2.model.modeChanged.load());
}

TEST(StateMachine, DualBandAlternatesScanAndSweeps)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    rig.model.spectrum.ssidOverlay = 1;
    rig.model.spectrum.displayMode = 0;
    rig.model.spectrum.ssidScanInterval = 0.0f; // scan continuously
    rig.bringUp();
    rig.passes(1);
    // Not concurrent: the scan starts instead of the sweep.
    EXPECT_EQ(rig.queued(), std::vector<Bytes>{kStartScan});
    EXPECT_TRUE(rig.model.accessPointScanRunning.load());
    EXPECT_EQ(rig.delegate.linkState(), D::kStreaming);
    rig.link.clearQueue();

    // In the waterfall no scan is started and the sweep runs.
    rig.delegate.requestRestart(false);
    rig.model.spectrum.displayMode = 1;
    rig.passes(1);
    rig.feed(testing::stopAck());
    rig.passes(1); // restart: settings again
    rig.feed(testing::settingsAck());
    rig.passes(2);
    EXPECT_EQ(rig.queuedWithCode(7), 0);
    EXPECT_EQ(rig.queuedWithCode(5), 1);
    EXPECT_FALSE(rig.model.accessPointScanRunning.load());
}

TEST(StateMachine, PeriodicScanTakesTurnsWithTheSweep)
{
    ParserRig rig(SimulatedModel::kNolvo25);
    std::uint64_t now = 1000;
    static std::uint64_t* clock = &now;
    engine::clock::setSource([] { return *clock; });
    rig.model.spectrum.ssidOverlay = 1;
    rig.model.spectrum.displayMode = 0;
    rig.model.spectrum.ssidScanInterval = 2.0f; // a scan every 2 s
    rig.bringUp();
    rig.passes(1);
    EXPECT_EQ(rig.queued(), std::vector<Bytes>{kStartSpectrum});
    EXPECT_FALSE(rig.model.accessPointScanRunning.load());
    rig.link.clearQueue();
    now += 1999;
    rig.passes(1);
    EXPECT_EQ(rig.delegate.linkState(), D::kStreaming);
    now += 1;
    rig.passes(1); // the interval is up: stop the sweep ...
    rig.feed(testing::stopAck());
    rig.passes(2); // ... and start the scan without new settings
    EXPECT_EQ(rig.queued(), (std::vector<Bytes>{kStop, kStartScan}));
    EXPECT_TRUE(rig.model.accessPointScanRunning.load());
    engine::clock::setSource(nullptr);
}

TEST(StateMachine, DisconnectResetsAndReconnectIdentifiesAgain)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.bringUp();
    EXPECT_TRUE(rig.model.accessoryConnected.load());
    rig.model.dataLogState = kLogging;
    rig.feed(Bytes{0xAA, 0xA0, 0x00}); // a partial frame left in the buffer
    rig.delegate.disconnected(&rig.link, &rig.device, 0);
    EXPECT_FALSE(rig.model.accessoryConnected.load());
    EXPECT_EQ(rig.model.dataLogState.load(), kLogOff);
    rig.link.clearQueue();
    rig.passes(3); // no link: the worker sends nothing
    EXPECT_TRUE(rig.queued().empty());

    rig.delegate.connected(&rig.link, &rig.device);
    rig.passes(1);
    EXPECT_EQ(rig.queued(), std::vector<Bytes>{kIdentify});
    EXPECT_FALSE(rig.delegate.identified());
    // The stale partial frame is gone: a fresh identification is understood at once.
    rig.feed(rig.simulator->identificationFrame());
    EXPECT_TRUE(rig.delegate.identified());
}

// Every answer is parsed before the worker's send() returns: the identification, the settings
// and the stop acknowledgements must all move the link on, whatever the model.
TEST(StateMachine, AnswersParsedBeforeTheSendReturnsAreNotLost)
{
    for (const SimulatedModel which : {SimulatedModel::kNolvo, SimulatedModel::kNolvo2, SimulatedModel::kNolvo25}) {
        const bool firstGeneration = which == SimulatedModel::kNolvo; // starts every pass, no stop
        const int streaming = firstGeneration ? D::kStartStreaming : D::kStreaming;
        const std::string at = "model " + std::to_string(static_cast<int>(which));
        ParserRig fresh(which);
        fresh.answerAtOnce();
        fresh.passes(5); // identify, identified, settings, acknowledged, start
        EXPECT_EQ(fresh.delegate.linkState(), streaming) << at;

        // Brought up by hand, then restarted with an accessory that answers at once.
        ParserRig rig(which);
        rig.bringUp();
        rig.passes(1);
        rig.answerAtOnce();
        rig.delegate.requestRestart(false);
        rig.passes(5); // stop, stopped, settings, acknowledged, start
        EXPECT_EQ(rig.delegate.linkState(), streaming) << at;
        EXPECT_EQ(rig.simulator->commandCount(2), 1) << at;
        EXPECT_EQ(rig.simulator->commandCount(6), firstGeneration ? 0 : 1) << at;
        EXPECT_TRUE(rig.simulator->streamingSpectrum()) << at;
    }
}

// A pause asked for while the settings are on their way stays a pause when their
// acknowledgement arrives.
TEST(StateMachine, SettingsAcknowledgementKeepsARequestedStop)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    rig.passes(1);
    rig.feed(rig.simulator->identificationFrame());
    rig.passes(2);
    ASSERT_EQ(rig.delegate.linkState(), D::kAwaitSettingsAck);
    rig.model.runState = kStopped;
    rig.delegate.requestStop();
    rig.feed(testing::settingsAck());
    EXPECT_EQ(rig.delegate.linkState(), D::kStop);
    rig.link.clearQueue();
    rig.passes(1);
    EXPECT_EQ(rig.queued(), std::vector<Bytes>{kStop});
}

// No wait lasts for good: an unanswered stop goes out again every ten passes.
TEST(StateMachine, LostStopAcknowledgementIsRepeated)
{
    for (const SimulatedModel which : {SimulatedModel::kNolvo2, SimulatedModel::kNolvo25}) {
        ParserRig rig(which);
        rig.bringUp();
        rig.passes(1);
        rig.link.clearQueue();
        rig.model.runState = kStopped;
        rig.delegate.requestStop();
        rig.passes(1);
        EXPECT_EQ(rig.queued(), std::vector<Bytes>{kStop});
        rig.passes(LinkStateMachine::kStopRetryPasses);
        EXPECT_EQ(rig.delegate.linkState(), D::kStop) << static_cast<int>(which);
        rig.passes(1);
        EXPECT_EQ(rig.queued(), (std::vector<Bytes>{kStop, kStop})) << static_cast<int>(which);
        rig.feed(testing::stopAck());
        rig.passes(3);
        EXPECT_EQ(rig.delegate.linkState(), D::kStopped) << static_cast<int>(which);
    }
}

} // namespace
} // namespace nolvo

namespace nolvo {
namespace {

// The one access-point scan timing rule, for live accessories and recordings alike.
TEST(ScanTiming, SwitchesIntoAndOutOfScans)
{
    struct Case {
        const char* name;
        int state;
        bool recorded;
        bool scanning;
        std::uint64_t firstFrameMs; // first access-point frame of the running scan, 0 none
        std::uint64_t nowMs;
        int expectedState;
        bool expectedScanning;
    };
    // The last switch to sweeping is at 1,000 ms; the scan interval is 20 s.
    const Case cases[] = {
        {"interval not over", D::kStreaming, false, false, 0, 20'999, D::kStreaming, false},
        {"interval over", D::kStreaming, false, false, 0, 21'000, D::kStop, true},
        {"scan done, interval over", D::kStreamingScanDone, false, false, 0, 21'000, D::kStop, true},
        {"live start state is not streaming", D::kStartStreaming, false, false, 0, 30'000, D::kStartStreaming, false},
        {"a recording streams from the start state", D::kStartStreaming, true, false, 0, 30'000, D::kStop, true},
        {"scan without frames goes on", D::kStreaming, false, true, 0, 30'000, D::kStreaming, true},
        {"scan 249 ms after its first frame", D::kStreaming, false, true, 25'000, 25'249, D::kStreaming, true},
        {"scan 250 ms after its first frame", D::kStreaming, false, true, 25'000, 25'250, D::kStop, false},
        {"recorded scan ends the same way", D::kStartStreaming, true, true, 25'000, 25'250, D::kStop, false},
        // The parser noted the first frame after this pass read the clock.
        {"first frame later than now", D::kStreaming, false, true, 25'010, 25'000, D::kStreaming, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataModel model;
        model.common.spectrumModeActive = 1;
        model.spectrum.ssidOverlay = 1;
        model.spectrum.displayMode = 0;
        model.spectrum.ssidScanInterval = 20.0f;
        LinkContext context(model);
        PacketParser parser(context);
        LinkStateMachine machine(context, parser);
        context.identified = true;
        context.state = c.state;
        context.scanningAccessPoints = c.scanning;
        context.lastSpectrumSwitchMs = 1'000;
        context.firstAccessPointFrameMs = c.firstFrameMs;
        machine.accessPointScanTiming(c.nowMs, c.recorded);
        EXPECT_EQ(context.state.load(), c.expectedState);
        EXPECT_EQ(context.scanningAccessPoints.load(), c.expectedScanning);
        EXPECT_EQ(context.restartPending.load(), c.expectedState == D::kStop);
    }
}

} // namespace
} // namespace nolvo
