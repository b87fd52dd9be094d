// The menus' writes against the threads that read them: the demo menu while the worker plays the
// recordings, the trigger menu while demo playback presets the trigger and while the worker builds
// the accessory's settings from it, the power display's reads while the demo presets the trigger
// and the scales, and stops and restarts asked for during a burst of
// acknowledgements from a quick accessory. Label `threaded`: also run under ThreadSanitizer, where
// a field written or read without the shared-access helpers is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "display/PowerPlot.h"
#include "menus/DemoMenu.h"
#include "menus/LinkControl.h"
#include "menus/MenuController.h"
#include "menus/TriggerMenu.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/SharedField.h"
#include "platform/FileUtils.h"
#include "support/Eventually.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using sim::AccessorySimulator;
using sim::SimulatedModel;
using sim::SimulatedUsbBackend;
using test::eventually;

// What the application's link control does: the menus' requests reach the delegate.
struct DelegateControl : LinkControl {
    explicit DelegateControl(AccessoryCommunicationDelegate& d) : delegate(d) {}
    void requestStop() override { delegate.requestStop(); }
    void requestRestart(bool clearHistories) override { delegate.requestRestart(clearHistories); }
    void restartDemoPlayback() override { delegate.requestPlaybackRestart(); }
    AccessoryCommunicationDelegate& delegate;
};

// The menus work on the process's model, so the delegate does too; the shipped recordings are
// the demo.
class MenusBesideTheWorker : public test::IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        engine::FileUtils* files = engine::FileUtils::getInstance();
        m_savedRoots = files->getResourceRoots();
        m_savedPaths = files->getSearchPaths();
        files->setResourceRoots({NOLVO_SOURCE_DIR});
        files->setSearchPaths({"res"});
        MenuController::getInstance()->setLinkControl(&control);
    }
    void TearDown() override
    {
        link.stop();
        delegate.stop();
        MenuController::getInstance()->setLinkControl(nullptr);
        {
            ModelLock lock(model, kAllModelLocks);
            model.resetSettings();
            model.clearHistories();
        }
        model.runState = kRunning;
        engine::FileUtils::getInstance()->setResourceRoots(m_savedRoots);
        engine::FileUtils::getInstance()->setSearchPaths(m_savedPaths);
        IsolatedStoreTest::TearDown();
    }

    // The demo (or the accessory) of model `modelId` delivers frames.
    bool plays(int modelId)
    {
        const std::uint64_t before = delegate.framesDispatched();
        return eventually([&] { return delegate.protocolModelId() == modelId && delegate.framesDispatched() > before + 5; });
    }

    DataModel& model = *DataModel::getInstance();
    SimulatedUsbBackend backend;
    AccessoryCommunication link{&backend};
    AccessoryCommunicationDelegate delegate{model, {std::chrono::milliseconds(5), true}};
    DelegateControl control{delegate};
    std::vector<std::string> m_savedRoots;
    std::vector<std::string> m_savedPaths;
};

// Runs `menu(i)` on this thread every `period` for `duration`.
template <typename Menu>
void churn(std::chrono::milliseconds duration, Menu menu, std::chrono::milliseconds period = 2ms)
{
    const auto until = std::chrono::steady_clock::now() + duration;
    for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
        menu(i);
        std::this_thread::sleep_for(period);
    }
}

TEST_F(MenusBesideTheWorker, DemoMenuWhilePlaying)
{
    ASSERT_TRUE(plays(7)); // the dual-band model by default
    churn(1500ms, [](int i) {
        DemoMenu::chooseHardware(i % 3);
        DemoMenu::chooseSignal(1 + i % 3);
        DemoMenu::chooseAccessPoints(i % 2 == 0);
        const DemoSettings shown = DataModel::getInstance()->demoSettings();
        EXPECT_NE(DemoMenu::hardwareLabel(shown.hardware), "Unknown");
    });
    // What was chosen last is what plays.
    DemoMenu::chooseHardware(1);
    DemoMenu::chooseSignal(1);
    EXPECT_TRUE(plays(6));
}

TEST_F(MenusBesideTheWorker, TriggerMenuWhileTheDemoPresets)
{
    DemoMenu::chooseHardware(1);
    storeShared<std::uint8_t>(model.common.spectrumModeActive, 0); // power mode: the demo presets the trigger
    delegate.requestPlaybackRestart();
    ASSERT_TRUE(plays(6));
    MenuController::getInstance()->setLinkControl(nullptr); // the menu's writes alone
    churn(1500ms, [this](int i) {
        TriggerMenu::chooseTrigger(&PowerSettings::triggerLevel, -40.0f + static_cast<float>(i % 20));
        TriggerMenu::chooseTrigger(&PowerSettings::triggerDelay, 1e-5f * static_cast<float>(i % 7));
        TriggerMenu::chooseTrigger(&PowerSettings::triggerHoldoff, 1e-3f * static_cast<float>(i % 5));
        TriggerMenu::chooseTrigger(&PowerSettings::triggerType, static_cast<std::uint8_t>(i % 2));
        if (i % 10 == 0) {
            delegate.requestPlaybackRestart(); // identification again: the preset runs again
        }
        EXPECT_LE(loadShared(model.power.triggerLevel), 0.0f);
    });
    // Once playback has settled, a level chosen in the menu stays.
    MenuController::getInstance()->setLinkControl(&control);
    ASSERT_TRUE(plays(6));
    TriggerMenu::chooseTrigger(&PowerSettings::triggerLevel, -12.5f);
    EXPECT_TRUE(plays(6));
    EXPECT_EQ(loadShared(model.power.triggerLevel), -12.5f);
}

// The power display beside demo playback that presets the trigger and the time scale on every
// identification: the display remembers a stopped capture (scale indexes and trigger delay)
// while the worker writes them.
TEST_F(MenusBesideTheWorker, PowerDisplayWhileTheDemoPresets)
{
    DemoMenu::chooseHardware(1);
    storeShared<std::uint8_t>(model.common.spectrumModeActive, 0);
    delegate.requestPlaybackRestart();
    ASSERT_TRUE(plays(6));
    model.runState = kStopped; // identification still runs; the capture is what the display keeps
    MenuController::getInstance()->setLinkControl(nullptr);
    churn(1500ms, [this](int i) {
        if (i % 5 == 0) {
            delegate.requestPlaybackRestart();
        }
        storeShared(model.power.amplitudeScaleIndex, i % 3);
        ModelLock lock(model, kDataLock);
        model.powerStore.stoppedCapture.remembered = false;
        PowerPlot::rememberStoppedCapture(model);
        const StoppedCapture& capture = model.powerStore.stoppedCapture;
        EXPECT_TRUE(capture.remembered);
        EXPECT_GE(capture.amplitudeScaleIndex, 0);
        EXPECT_LE(capture.amplitudeScaleIndex, 2);
        EXPECT_GE(capture.delay, 0.0f);
    });
    model.runState = kRunning;
}

// A live second-generation accessory in power mode that loses every settings command: the worker
// builds the command again every 50 passes, reading the trigger fields while the menu writes them
// (no restart in between to order the two).
TEST_F(MenusBesideTheWorker, TriggerMenuWhileTheAccessoryTakesItsSettings)
{
    auto simulator = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo2);
    simulator->setFrameInterval(5ms);
    backend.attach(simulator);
    delegate.bind(link);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(plays(6));
    // Power mode only now: the dual-band demo's identification before the connection would have
    // switched it back to spectrum.
    storeShared<std::uint8_t>(model.common.spectrumModeActive, 0);
    simulator->loseSettingsCommands(1'000'000);
    delegate.requestRestart(false);
    const int before = simulator->commandCount(2);
    MenuController::getInstance()->setLinkControl(nullptr); // the menu's writes alone
    churn(1500ms, [](int i) {
        TriggerMenu::chooseTrigger(&PowerSettings::triggerLevel, -40.0f + static_cast<float>(i % 20));
        TriggerMenu::chooseTrigger(&PowerSettings::digitalInputA, static_cast<std::uint8_t>(i % 4));
        TriggerMenu::chooseTrigger(&PowerSettings::edgeBRise, static_cast<std::int8_t>(i % 2));
    });
    EXPECT_GE(simulator->commandCount(2), before + 3); // the worker kept building the command

    // Once the accessory takes its settings again, a new level reaches it and it streams.
    simulator->loseSettingsCommands(0);
    MenuController::getInstance()->setLinkControl(&control);
    TriggerMenu::chooseTrigger(&PowerSettings::triggerLevel, -3.0f);
    EXPECT_TRUE(eventually([&] { return delegate.linkState() == AccessoryCommunicationDelegate::kStreaming; }));
    EXPECT_TRUE(plays(6));
}

// Pause, resume and restart as fast as a user never could, while a quick accessory acknowledges
// every stop and every settings command: the link must end streaming, never waiting for good.
TEST(StopDuringABurstOfAcknowledgements, LinkEndsStreaming)
{
    for (const SimulatedModel which : {SimulatedModel::kNolvo2, SimulatedModel::kNolvo25}) {
        SCOPED_TRACE(static_cast<int>(which));
        DataModel model;
        auto simulator = std::make_shared<AccessorySimulator>(which);
        simulator->setFrameInterval(2ms);
        SimulatedUsbBackend backend;
        backend.attach(simulator);
        AccessoryCommunication link{&backend};
        AccessoryCommunicationDelegate delegate{model, {std::chrono::milliseconds(2), true}};
        delegate.bind(link);
        ASSERT_TRUE(link.start());
        ASSERT_TRUE(eventually([&] { return simulator->sweepsSent() > 3; }));
        churn(1500ms, [&](int i) {
            model.runState = i % 3 == 0 ? kStopped : kRunning;
            if (i % 2 == 0) {
                delegate.requestStop();
            } else {
                delegate.requestRestart(i % 4 == 1);
            }
        });
        model.runState = kRunning;
        delegate.requestRestart(false);
        // (An empty access-point scan of the concurrent model moves streaming on to "scan done".)
        EXPECT_TRUE(eventually(
            [&] {
                const int state = delegate.linkState();
                return state == AccessoryCommunicationDelegate::kStreaming ||
                       state == AccessoryCommunicationDelegate::kStreamingScanDone;
            },
            20s))
            << "link state " << delegate.linkState();
        const int sent = simulator->sweepsSent();
        EXPECT_TRUE(eventually([&] { return simulator->sweepsSent() > sent + 3; }));
        link.stop();
        delegate.stop();
    }
}

} // namespace
} // namespace nolvo
