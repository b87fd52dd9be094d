// The demo menu steering the real demo playback: a new hardware choice starts playback over with
// that model's recordings (the next sweeps have its bin count); choosing the same one again
// leaves playback running.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "SceneTestFixture.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "app/AccessoryLinkControl.h"
#include "engine/app/Director.h"
#include "engine/scene/Scene.h"
#include "menus/DemoMenu.h"
#include "menus/MenuController.h"
#include "menus/MenuRows.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo::test {
namespace {

class DemoMenuPlaybackTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        model = DataModel::getInstance();
        model->common.spectrumModeActive = 1;
        model->spectrum.band = 0;
        model->demo = DemoSettings{0, 1, 0}; // first generation, Wi-Fi scene
        scene = engine::Scene::create();
        engine::Director::getInstance()->runWithScene(scene);
        MenuController::getInstance()->attach(scene);
        frames(1);
        delegate = std::make_unique<AccessoryCommunicationDelegate>(
            *model, AccessoryCommunicationDelegate::Options{std::chrono::milliseconds(100), false});
        link = std::make_unique<AccessoryLinkControl>(*delegate);
        MenuController::getInstance()->setLinkControl(link.get());
    }
    void TearDown() override
    {
        MenuController::getInstance()->setLinkControl(nullptr);
        MenuController::getInstance()->closeMenu(false);
        MenuController::getInstance()->detach();
        link.reset();
        delegate.reset();
        SceneTest::TearDown();
    }
    // Worker passes (each a period later on the injected clock) until `done` holds.
    template <typename Done>
    bool passUntil(Done done, int limit = 200)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            s_nowMs += 100;
            delegate->runWorkerPass();
        }
        return done();
    }
    // Bins of the newest 2.4 GHz sweep (-1 before the first) and the identified model.
    int newestBins()
    {
        ModelLock lock(*model, kDataLock);
        return model->band24.history.empty() ? -1 : model->band24.binCount;
    }
    int modelId()
    {
        ModelLock lock(*model, kDataLock);
        return model->deviceInfo.modelId;
    }
    ValueButtonRow* hardwareRow()
    {
        MenuController* controller = MenuController::getInstance();
        controller->closeMenu(false);
        EXPECT_TRUE(controller->showMenu(kDemoMenu, engine::Rect(500, 0, 58, 60)));
        frames(1);
        return dynamic_cast<ValueButtonRow*>(controller->getOpenMenu()->findRow("HARDWARE: "));
    }

    DataModel* model = nullptr;
    engine::Scene* scene = nullptr;
    std::unique_ptr<AccessoryCommunicationDelegate> delegate;
    std::unique_ptr<AccessoryLinkControl> link;
};

TEST_F(DemoMenuPlaybackTest, NewHardwareReplaysThatModelSameHardwareKeepsPlaying)
{
    ASSERT_TRUE(passUntil([&] { return modelId() == 2 && newestBins() > 0; }));
    const int firstBins = newestBins();

    ValueButtonRow* hardware = hardwareRow();
    ASSERT_NE(hardware, nullptr);
    hardware->choose(1); // "Nolvo-Pro"
    ASSERT_TRUE(passUntil([&] { return modelId() == 6; }));
    // The histories are cleared on the way; the sweeps that follow are the new model's and keep
    // its bin count.
    ASSERT_TRUE(passUntil([&] { return newestBins() > 0 && newestBins() != firstBins; }))
        << "still " << newestBins() << " bins";
    const int secondBins = newestBins();
    for (int i = 0; i < 10; ++i) {
        s_nowMs += 100;
        delegate->runWorkerPass();
        EXPECT_EQ(newestBins(), secondBins);
    }
    std::printf("demo sweeps: %d bins, then %d bins\n", firstBins, secondBins);

    // The same choice again: playback goes on without identifying again.
    ASSERT_TRUE(delegate->identified());
    hardwareRow()->choose(1);
    for (int i = 0; i < 5; ++i) {
        s_nowMs += 100;
        delegate->runWorkerPass();
        EXPECT_TRUE(delegate->identified()) << i;
    }
    EXPECT_EQ(modelId(), 6);
}

} // namespace
} // namespace nolvo::test
