#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakeLinkControl.h"
#include "menus/MenuActions.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/UserDefault.h"
#include "support/TempDir.h"

namespace nolvo::test {
namespace {

using engine::UserDefault;

// Every persisted settings byte of a model, for before/after comparisons.
std::string settingsBytes(const DataModel& m)
{
    std::string bytes;
    auto add = [&bytes](const auto& record) { bytes.append(reinterpret_cast<const char*>(&record), sizeof record); };
    add(m.graticuleMask);
    add(m.alertsMask);
    add(m.cursors);
    add(m.common);
    add(m.spectrum);
    add(m.power);
    add(m.powerChannel);
    add(m.referenceChannel);
    add(m.demo);
    return bytes;
}

void pushSweeps(DataModel& m, int count)
{
    std::vector<float> sweep(kBins24, -80.0f);
    ModelLock lock(m, kDataLock);
    for (int i = 0; i < count; ++i) m.pushSweep(kBand24, sweep.data(), kBins24);
}

class MenuActionsTest : public IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        MenuController::getInstance()->setLinkControl(&link);
    }
    void TearDown() override
    {
        MenuController::getInstance()->setLinkControl(nullptr);
        IsolatedStoreTest::TearDown();
    }
    std::unique_ptr<DataModel> model = std::make_unique<DataModel>();
    FakeLinkControl link;
};

TEST_F(MenuActionsTest, LoadingASlotThatHoldsNoConfigurationChangesNothing)
{
    model->saveConfiguration(1);
    // Slot 2 was never saved; slot 3 comes from a newer program.
    UserDefault::getInstance()->setIntegerForKey("config3.version", 2);
    model->spectrum.band = 1;
    model->spectrum.displayMode = 1;
    model->graticuleMask = 5;
    pushSweeps(*model, 3);
    const std::string before = settingsBytes(*model);
    for (int slot : {2, 3}) {
        EXPECT_FALSE(menu_actions::loadConfiguration(*model, slot)) << slot;
        EXPECT_EQ(settingsBytes(*model), before) << "slot " << slot << " changed the working settings";
    }
    // Nothing was written into either slot, nothing reached the link, the histories stay.
    EXPECT_FALSE(model->slotHoldsConfiguration(2));
    EXPECT_EQ(UserDefault::getInstance()->getIntegerForKey("config3.version", -1), 2);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(model->band24.history.size(), 3u);
}

TEST_F(MenuActionsTest, SaveAndLoadASlotClearTheHistoriesAndRestartTheLink)
{
    model->spectrum.band = 1;
    model->graticuleMask = 7;
    pushSweeps(*model, 4);
    menu_actions::saveConfiguration(*model, 2);
    EXPECT_EQ(model->band24.history.size(), 0u); // saving also starts the histories afresh
    EXPECT_TRUE(model->slotHoldsConfiguration(2));

    model->spectrum.band = 0;
    model->graticuleMask = 31;
    pushSweeps(*model, 2);
    model->menuRefresh = false;
    ASSERT_TRUE(menu_actions::loadConfiguration(*model, 2));
    EXPECT_EQ(model->spectrum.band, 1);
    EXPECT_EQ(model->graticuleMask, 7);
    EXPECT_EQ(model->band24.history.size(), 0u);
    EXPECT_TRUE(model->menuRefresh.load());
    EXPECT_EQ(link.calls, std::vector<std::string>{"restart clear"});
}

TEST_F(MenuActionsTest, ConfigurationsThatChangeTheDemoRestartPlayback)
{
    const struct {
        std::uint8_t savedHardware;
        std::uint8_t savedScene;
        bool connected;
        const char* expected;
    } cases[] = {
        {0, 1, false, "demo restart"},  // another demo model
        {2, 3, false, "demo restart"},  // another demo scene
        {2, 1, false, "restart clear"}, // the same demo: new settings only
        {0, 1, true, "restart clear"},  // an accessory is attached: no playback to restart
    };
    for (const auto& c : cases) {
        model->demo = DemoSettings{c.savedHardware, c.savedScene, 1};
        menu_actions::saveConfiguration(*model, 1);
        model->demo = DemoSettings{2, 1, 1};
        model->accessoryConnected = c.connected;
        link.calls.clear();
        ASSERT_TRUE(menu_actions::loadConfiguration(*model, 1));
        EXPECT_EQ(link.calls, std::vector<std::string>{c.expected}) << int(c.savedHardware) << "/" << int(c.savedScene);

        // RESET CONFIG goes back to demo 2/1: a restart of playback when that differs.
        model->demo = DemoSettings{c.savedHardware, c.savedScene, 1};
        link.calls.clear();
        menu_actions::resetConfiguration(*model);
        EXPECT_EQ(model->demo.hardware, 2);
        EXPECT_EQ(link.calls, std::vector<std::string>{c.expected});
    }
}

TEST_F(MenuActionsTest, ResetRestoresTheDefaultsAndClearsTheHistories)
{
    const std::string defaults = settingsBytes(*model);
    model->spectrum.traceSelection[0] = 3;
    model->common.powerUnits = 1;
    pushSweeps(*model, 2);
    menu_actions::resetConfiguration(*model);
    EXPECT_EQ(settingsBytes(*model), defaults);
    EXPECT_EQ(model->band24.history.size(), 0u);
}

TEST_F(MenuActionsTest, DataLogStartsOnlyWhenOffAndStopsOnlyWhenRunning)
{
    const struct {
        int before;
        bool start; // START, else STOP
        bool acted;
        int after;
    } cases[] = {
        {kLogOff, true, true, kLogStartRequested},
        {kLogStartRequested, true, false, kLogStartRequested},
        {kLogging, true, false, kLogging}, // no "new file" block in the middle of the open file
        {kLogStopRequested, true, false, kLogStopRequested},
        {kLogging, false, true, kLogStopRequested},
        {kLogStartRequested, false, true, kLogStopRequested},
        {kLogOff, false, false, kLogOff},
        {kLogStopRequested, false, false, kLogStopRequested},
    };
    for (const auto& c : cases) {
        model->dataLogState = c.before;
        EXPECT_EQ(c.start ? menu_actions::startDataLog(*model) : menu_actions::stopDataLog(*model), c.acted)
            << c.before << c.start;
        EXPECT_EQ(model->dataLogState.load(), c.after) << c.before << c.start;
    }
}

TEST_F(MenuActionsTest, ClearWaveformWaitsForTheAccessPointLock)
{
    pushSweeps(*model, 5);
    AccessPointBatch batch;
    batch.push_back(std::make_unique<AccessPoint>());
    batch.back()->bssid = {2, 0, 0, 0, 0, 1};
    model->mergeAccessPoints(batch);
    ASSERT_EQ(model->accessPoints.size(), 1u);

    std::atomic<bool> done{false};
    std::thread clearer;
    {
        ModelLock held(*model, kAccessPointLock);
        clearer = std::thread([&] {
            menu_actions::clearWaveform(*model);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // The list is shared with the access-point decoder: nothing may be cleared without its lock.
        EXPECT_FALSE(done.load());
    }
    clearer.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(model->band24.history.size(), 0u);
    EXPECT_EQ(model->accessPoints.size(), 0u);
}

TEST_F(MenuActionsTest, RunStateStepsAndPausingStopsTheLink)
{
    const struct {
        int before;
        int after;
    } steps[] = {{kRunning, kStopped}, {kStopped, kRunning}, {kSingleArmed, kSingleArmed}, {kSingleDone, kSingleArmed}, {7, kRunning}};
    for (const auto& s : steps) EXPECT_EQ(MenuBar::nextRunState(s.before), s.after) << s.before;

    MenuBar::applyRunState(*model, kStopped);
    EXPECT_EQ(model->runState.load(), kStopped);
    EXPECT_TRUE(model->menuRefresh.load());
    EXPECT_EQ(link.calls, std::vector<std::string>{"stop"});
    link.calls.clear();
    // Running again and single sweeps are picked up by the stopped link from the run state.
    MenuBar::applyRunState(*model, kRunning);
    MenuBar::applyRunState(*model, kSingleArmed);
    EXPECT_TRUE(link.calls.empty());
}

TEST(ScreenshotNameTest, CarriesLocalDateAndTime)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(menu_actions::screenshotFileName(0), "Nolvo_19700101_000000.png");
    EXPECT_EQ(menu_actions::screenshotFileName(1796428805), "Nolvo_20261205_000005.png");
}

} // namespace
} // namespace nolvo::test
