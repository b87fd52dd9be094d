// The window replaying a stream recording: the strip appears and follows the keys, the wheel and
// a click; Space pauses the replay rather than the sweep; H shows the link's health; Esc ends the
// replay and lets the accessory link go again.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <SDL2/SDL.h>

#include "SceneTestFixture.h"
#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "accessory/sim/AccessorySimulator.h"
#include "app/AppDelegate.h"
#include "app/FieldControls.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"
#include "engine/ui/ImageView.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/UserDefault.h"

namespace nolvo::test {
namespace {

using namespace std::chrono_literals;

class FieldControlsTest : public SceneTest {
protected:
    // Runs frames (the injected clock moves 16 ms each) until `condition` holds; the worker is a
    // real thread, so real time passes too.
    bool framesUntil(const std::function<bool()>& condition, int limit = 600)
    {
        for (int i = 0; i < limit; ++i) {
            if (condition()) return true;
            frames(1);
            std::this_thread::sleep_for(5ms);
        }
        return condition();
    }
};

// 60 s of the dual-band accessory: a 2.4 GHz sweep every 100 ms.
std::shared_ptr<const Recording> minuteOfSweeps()
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 5);
    DataModel defaults;
    std::vector<std::uint8_t> file =
        recording::encodeHeader(LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "t"));
    for (std::uint64_t t = 100000; t <= 60000000; t += 100000) {
        const std::vector<std::uint8_t> sweep = simulator.sweepFrames(0);
        const auto chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, sweep.data(), sweep.size());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    std::string error;
    return Recording::parse(file, "minute.nolrec", error);
}

TEST_F(FieldControlsTest, ReplayStripKeysClickHealthAndEnd)
{
    DataModel* model = DataModel::getInstance();
    model->demo.hardware = 255; // only the replay feeds the model
    AppDelegate app;
    app.setReplay(minuteOfSweeps());
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    FieldControls* controls = app.fieldControls();
    ASSERT_NE(controls, nullptr);
    RecordingPlayback& replay = app.accessoryDelegate()->replay();
    EXPECT_TRUE(app.link()->suspended.load()) << "the replay keeps an accessory away";

    ASSERT_TRUE(framesUntil([&] { return replay.positionUs() >= 1000000; }));
    EXPECT_TRUE(controls->isStripShown());
    EXPECT_FALSE(app.scene()->watermark()->isVisible()) << "no DEMO over a replay";
    EXPECT_EQ(controls->stripText().substr(0, 6), "REPLAY");
    {
        ModelLock lock(*model, kDataLock);
        EXPECT_GT(model->band24.history.size(), 5u);
    }

    key(SDLK_SPACE);
    EXPECT_TRUE(replay.paused());
    EXPECT_EQ(model->runState.load(), kRunning) << "Space paused the sweep instead of the replay";
    frames(1);
    EXPECT_EQ(controls->stripText().substr(0, 6), "PAUSED");

    key(SDLK_END);
    ASSERT_TRUE(framesUntil([&] { return replay.atEnd(); }));
    EXPECT_EQ(replay.positionUs(), 60000000u);
    frames(1);
    EXPECT_EQ(controls->stripText().substr(0, 3), "END");

    key(SDLK_LEFT);
    ASSERT_TRUE(framesUntil([&] { return replay.positionUs() == 50000000u; }));
    {
        // The rebuilt history holds the sweeps up to 50 s, at most what a history keeps.
        ModelLock lock(*model, kDataLock);
        EXPECT_EQ(model->band24.history.size(), 500u);
    }

    // A click in the middle of the strip seeks to the middle of the recording.
    const float stripY = 640.0f - FieldControls::kStripHeight / 2;
    click(480.0f, stripY);
    ASSERT_TRUE(framesUntil([&] { return replay.positionUs() >= 29900000u && replay.positionUs() <= 30100000u; }));
    // A click below the strip is not the strip's.
    const std::uint64_t before = replay.positionUs();
    click(100.0f, 300.0f);
    frames(5);
    EXPECT_EQ(replay.positionUs(), before);

    EXPECT_FALSE(controls->isHealthShown());
    key(SDLK_h);
    frames(70); // the panel refreshes once a second
    EXPECT_TRUE(controls->isHealthShown());
    EXPECT_NE(controls->healthText().find("LINK HEALTH"), std::string::npos);
    EXPECT_NE(controls->healthText().find("resyncs: 0"), std::string::npos);

    key(SDLK_ESCAPE);
    EXPECT_FALSE(replay.active());
    frames(2);
    EXPECT_FALSE(controls->isStripShown());
    EXPECT_FALSE(app.link()->suspended.load()) << "after the replay the accessory may come back";
    EXPECT_TRUE(app.scene()->watermark()->isVisible());

    engine::Director::getInstance()->purge();
    app.shutdown();
}

TEST_F(FieldControlsTest, MinimisingDuringAReplaySavesTheUsersSettingsAndEscGivesThemBack)
{
    // The user works at 5 GHz with a -30 dBm trigger; the recording is a 2.4 GHz one.
    DataModel* model = DataModel::getInstance();
    model->demo.hardware = 255;
    model->spectrum.band = 1;
    model->power.triggerLevel = -30.0f;
    model->saveConfiguration(0); // what the start loads
    AppDelegate app;
    app.setReplay(minuteOfSweeps());
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    RecordingPlayback& replay = app.accessoryDelegate()->replay();
    ASSERT_TRUE(framesUntil([&] { return replay.positionUs() >= 500000; }));
    EXPECT_EQ(model->spectrum.band, 0) << "the recording's band while it replays";

    app.applicationDidEnterBackground();
    engine::UserDefault::destroyInstance(); // read the store as the next start will
    {
        auto saved = std::make_unique<DataModel>();
        saved->loadConfiguration(0);
        EXPECT_EQ(saved->spectrum.band, 1);
        EXPECT_EQ(saved->power.triggerLevel, -30.0f);
    }
    app.applicationWillEnterForeground();
    EXPECT_EQ(model->spectrum.band, 0) << "the replay goes on with its own";

    key(SDLK_ESCAPE);
    ASSERT_TRUE(framesUntil([&] { return model->spectrum.band == 1; }));
    EXPECT_EQ(model->power.triggerLevel, -30.0f);
    engine::Director::getInstance()->purge();
    app.shutdown();
}

} // namespace
} // namespace nolvo::test
