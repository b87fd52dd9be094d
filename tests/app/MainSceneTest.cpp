#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include <SDL2/SDL.h>

#include "SceneTestFixture.h"
#include "app/MainScene.h"
#include "display/ChannelGuideLayer.h"
#include "display/GridLayer.h"
#include "display/RssiLayer.h"
#include "display/SSIDLayer.h"
#include "display/WaterfallLayer.h"
#include "engine/app/Director.h"
#include "engine/scene/Layer.h"
#include "engine/scene/DrawNode.h"
#include "engine/text/Label.h"
#include "engine/ui/ImageView.h"
#include "menus/AlertViewLayer.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo::test {
namespace {

using namespace engine;

class MainSceneTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        model = DataModel::getInstance();
    }
    // Creates and runs the scene; the first frame enters it, the second runs its update.
    void start()
    {
        scene = MainScene::create();
        ASSERT_NE(scene, nullptr);
        Director::getInstance()->runWithScene(scene);
        frames(2);
    }
    int alertCount() const
    {
        int n = 0;
        for (Node* child : scene->getChildren()) n += dynamic_cast<AlertViewLayer*>(child) != nullptr;
        return n;
    }
    void identify(bool has5)
    {
        ModelLock lock(*model, kDataLock);
        model->deviceInfo.modelId = has5 ? 7 : 6;
        model->deviceInfo.has5Spectrum = has5;
    }
    void addAccessPoint(std::uint8_t last, std::uint64_t seenMs)
    {
        AccessPointBatch batch;
        auto record = std::make_unique<AccessPoint>();
        record->bssid = {1, 2, 3, 4, 5, last};
        batch.push_back(std::move(record));
        ModelLock lock(*model, kAccessPointLock);
        model->accessPoints.merge(batch, seenMs, {});
    }
    DataModel* model = nullptr;
    MainScene* scene = nullptr;
};

TEST_F(MainSceneTest, FirstFrameRebuildsEvenWithTheDefaultModeAndModeChangesRebuildAgain)
{
    start();
    // onEnter builds once, the first update once more (the rebuild request of a new scene).
    EXPECT_EQ(scene->rebuildCount(), 2);
    frames(3);
    EXPECT_EQ(scene->rebuildCount(), 2) << "an unchanged mode must not rebuild";

    const struct {
        void (*change)(DataModel&);
        std::vector<LayerSlot> first;
    } changes[] = {
        {[](DataModel& m) { m.spectrum.displayMode = 1; }, {LayerSlot::Grid, LayerSlot::Waterfall24}},
        {[](DataModel& m) { m.spectrum.ssidOverlay = m.spectrum.ssidOverlay ? 0 : 1; }, {LayerSlot::Grid, LayerSlot::Waterfall24}},
        {[](DataModel& m) { m.spectrum.displayMode = 0; }, {LayerSlot::Grid, LayerSlot::Rssi24}},
        {[](DataModel& m) { m.common.spectrumModeActive = 0; }, {LayerSlot::Grid, LayerSlot::Power}},
    };
    int expected = 2;
    for (const auto& c : changes) {
        c.change(*model);
        frames(1);
        ++expected;
        EXPECT_EQ(scene->rebuildCount(), expected);
        ASSERT_GE(scene->lastPlan().slots.size(), 2u);
        EXPECT_EQ(scene->lastPlan().slots[0], c.first[0]);
        EXPECT_EQ(scene->lastPlan().slots[1], c.first[1]);
    }
    // The plot lies above the strip: 960 x (640 - B).
    const float b = MenuController::getInstance()->getBarHeight();
    EXPECT_EQ(scene->plotGeometry().plot.origin.y, b);
    EXPECT_EQ(scene->plotGeometry().plot.size.height, 640.0f - b);
    EXPECT_EQ(scene->plotGeometry().inner.size.width, 958.0f);
}

TEST_F(MainSceneTest, SlotsHoldTheLayersOfTheMode)
{
    start();
    EXPECT_NE(dynamic_cast<GridLayer*>(scene->getLayer(LayerSlot::Grid)), nullptr);
    EXPECT_NE(dynamic_cast<RssiLayer*>(scene->getLayer(LayerSlot::Rssi24)), nullptr);
    EXPECT_EQ(scene->getLayer(LayerSlot::Rssi5), nullptr);
    EXPECT_EQ(scene->getLayer(LayerSlot::Grid)->getPosition().y, scene->plotGeometry().plot.origin.y);
    EXPECT_EQ(scene->getLayer(LayerSlot::Rssi24)->getContentSize().width, scene->plotGeometry().inner.size.width);
    model->spectrum.displayMode = 1;
    frames(1);
    EXPECT_EQ(scene->getLayer(LayerSlot::Rssi24), nullptr) << "the old set is removed";
    EXPECT_NE(dynamic_cast<WaterfallLayer*>(scene->getLayer(LayerSlot::Waterfall24)), nullptr);
    identify(true);
    model->spectrum.band = 1;
    frames(1);
    EXPECT_EQ(scene->getLayer(LayerSlot::Waterfall24), nullptr);
    EXPECT_NE(scene->getLayer(LayerSlot::Waterfall5), nullptr);
    model->common.spectrumModeActive = 0;
    frames(1);
    EXPECT_EQ(scene->getLayer(LayerSlot::Waterfall5), nullptr);
    EXPECT_NE(scene->getLayer(LayerSlot::Grid), nullptr);
}

TEST_F(MainSceneTest, OverlayOfTheBandAndTheChannelGuideJoinTheSpectrumViews)
{
    model->spectrum.ssidOverlay = 1;
    model->spectrum.band = 1;
    identify(true);
    // One access point in each band: the 5 GHz layer draws only its own.
    AccessPointBatch batch;
    for (int band : {0, 1}) {
        auto record = std::make_unique<AccessPoint>();
        record->bssid = {9, 9, 9, 9, 9, static_cast<std::uint8_t>(band)};
        record->band = band;
        record->channel = band == 0 ? 6 : 36;
        record->channelWidth = 20;
        record->rssi = -50.0f;
        batch.push_back(std::move(record));
    }
    {
        ModelLock lock(*model, kAccessPointLock);
        model->accessPoints.merge(batch, 1000, {});
    }
    start();
    auto* ssid = dynamic_cast<SSIDLayer*>(scene->getLayer(LayerSlot::SSID5));
    ASSERT_NE(ssid, nullptr);
    EXPECT_EQ(scene->getLayer(LayerSlot::SSID24), nullptr);
    EXPECT_EQ(ssid->getContentSize().width, scene->plotGeometry().inner.size.width);
    EXPECT_EQ(ssid->shapeCount(), 1u);
    auto* guide = dynamic_cast<ChannelGuideLayer*>(scene->getLayer(LayerSlot::ChannelGuide));
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->getPosition(), scene->plotGeometry().inner.origin);

    model->spectrum.displayMode = 1; // the waterfall keeps the guide, not the overlay
    frames(1);
    EXPECT_EQ(scene->getLayer(LayerSlot::SSID5), nullptr);
    EXPECT_NE(dynamic_cast<ChannelGuideLayer*>(scene->getLayer(LayerSlot::ChannelGuide)), nullptr);
    model->common.spectrumModeActive = 0;
    frames(1);
    EXPECT_EQ(scene->getLayer(LayerSlot::ChannelGuide), nullptr);
}

TEST_F(MainSceneTest, GraticuleSwitchesRedrawTheGridAtOnce)
{
    start();
    const Rect plot = scene->plotGeometry().plot;
    const int y = static_cast<int>(plot.origin.y + plot.size.height * 0.3f);
    auto inkedPixels = [&] {
        readPixels();
        int n = 0;
        const std::uint32_t background = pixel(static_cast<int>(plot.origin.x + 3), y + 1);
        for (int x = static_cast<int>(plot.origin.x) + 10; x < static_cast<int>(plot.origin.x + plot.size.width) - 10; ++x) {
            n += pixel(x, y) != background;
        }
        return n;
    };
    const int full = inkedPixels();
    model->graticuleMask = 0; // outline only
    frames(1);
    const int bare = inkedPixels();
    EXPECT_LT(bare, full);
    model->graticuleMask = kGraticuleAll;
    frames(1);
    EXPECT_EQ(inkedPixels(), full);
}

TEST_F(MainSceneTest, FiveGigahertzFallbackAlertsOnce)
{
    model->spectrum.band = 1;
    identify(false);
    start();
    EXPECT_EQ(model->spectrum.band, 0);
    EXPECT_EQ(scene->fallbackAlertCount(), 1);
    EXPECT_EQ(alertCount(), 1);
    frames(5);
    EXPECT_EQ(scene->fallbackAlertCount(), 1);
    // A dual-band accessory keeps the 5 GHz view.
    identify(true);
    model->spectrum.band = 1;
    frames(2);
    EXPECT_EQ(model->spectrum.band, 1);
    EXPECT_EQ(scene->fallbackAlertCount(), 1);
}

TEST_F(MainSceneTest, UnidentifiedAccessoryKeepsTheStoredBand)
{
    model->spectrum.band = 1; // nothing identified yet: no verdict on 5 GHz
    start();
    EXPECT_EQ(model->spectrum.band, 1);
    EXPECT_EQ(scene->fallbackAlertCount(), 0);
}

TEST_F(MainSceneTest, StatusLabelsFollowTheMode)
{
    start();
    ASSERT_NE(scene->amplitudeLabel(), nullptr);
    EXPECT_EQ(scene->amplitudeLabel()->getString(), "A:10.00dBm/div");
    EXPECT_EQ(scene->frequencyLabel()->getString(), "Hz:10.00 MHz/div");
    model->spectrum.displayMode = 1;
    frames(1);
    EXPECT_EQ(scene->amplitudeLabel()->getString(), "A:50.00 s/div");
    model->common.spectrumModeActive = 0;
    frames(1);
    EXPECT_EQ(scene->amplitudeLabel()->getString(), "A:5.00dBm/div");
    EXPECT_EQ(scene->frequencyLabel()->getString(), "T:--sec/div");
    {
        ModelLock lock(*model, kDataLock);
        model->powerStore.acquisitionPhase = 0;
    }
    frames(1);
    EXPECT_EQ(scene->triggerLabel()->getString(), "TRIG");
    // The labels sit in the strip's two rows, font B / 5.
    const float b = MenuController::getInstance()->getBarHeight();
    EXPECT_FLOAT_EQ(scene->amplitudeLabel()->getPositionY(), 0.75f * b);
    EXPECT_FLOAT_EQ(scene->frequencyLabel()->getPositionY(), 0.25f * b);
    EXPECT_FLOAT_EQ(scene->triggerLabel()->getPositionY(), 0.5f * b);
    EXPECT_FLOAT_EQ(scene->amplitudeLabel()->getTTFConfig().fontSize, b / 5);
    EXPECT_GT(scene->triggerLabel()->getPositionX(),
              scene->amplitudeLabel()->getPositionX() + scene->amplitudeLabel()->getContentSize().width);
}

TEST_F(MainSceneTest, WatermarkShowsOnlyWithoutAccessory)
{
    start();
    ASSERT_NE(scene->watermark(), nullptr);
    EXPECT_EQ(scene->watermark()->getOpacity(), 65);
    model->accessoryConnected = true;
    frames(1);
    EXPECT_EQ(scene->watermark()->getOpacity(), 0);
    EXPECT_TRUE(MenuController::getInstance()->getBar()->isAccessoryConnected());
}

TEST_F(MainSceneTest, AgeingRemovesAtExactly180SecondsWhileATableIsOpen)
{
    start();
    addAccessPoint(9, s_nowMs - 500'000);
    // Without a table the timer only accumulates.
    frames(1, 10'000);
    EXPECT_EQ(model->accessPoints.size(), 1u);
    EXPECT_GE(scene->ageingTimer(), 10.0f);
    int reloads = 0;
    scene->setTable(MainScene::Table::AccessPoints, Layer::create(), {[&] { ++reloads; }, nullptr, nullptr});
    // The first check after a table opens runs at once.
    frames(1);
    EXPECT_EQ(model->accessPoints.size(), 0u);
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(model->accessPointListChanged[0].load());

    const std::uint64_t check = s_nowMs + 10'000; // when the next check runs
    addAccessPoint(1, check - 180'000);           // exactly 180 s old then: removed
    addAccessPoint(2, check - 179'999);           // 179.999 s old: kept
    frames(1, 10'000);
    ASSERT_EQ(s_nowMs, check);
    ASSERT_EQ(model->accessPoints.size(), 1u);
    EXPECT_EQ(model->accessPoints[0].bssid[5], 2);
    EXPECT_EQ(reloads, 2);
    // In edit mode nothing is aged.
    model->utilizationEditMode = true;
    frames(1, 200'000);
    EXPECT_EQ(model->accessPoints.size(), 1u);
}

// A scan merged while the open table reloads (it raises the changed flags again) is shown on the
// next frame, not lost until the next scan.
TEST_F(MainSceneTest, ScanMergedDuringATableReloadIsShownNextFrame)
{
    start();
    int reloads = 0;
    scene->setTable(MainScene::Table::AccessPoints, Layer::create(), {[&] {
                        if (++reloads == 1) model->accessPointListChanged[0].store(true);
                    },
                                                                       nullptr, nullptr});
    model->accessPointListChanged[0].store(true);
    frames(1);
    ASSERT_EQ(reloads, 1);
    frames(1);
    EXPECT_EQ(reloads, 2);
    frames(1);
    EXPECT_EQ(reloads, 2); // nothing changed since
}

TEST_F(MainSceneTest, PowerModeClosesOpenTables)
{
    start();
    bool closed = false;
    scene->setTable(MainScene::Table::Utilization, Layer::create(), {nullptr, nullptr, [&] { closed = true; }});
    ASSERT_NE(scene->getTable(MainScene::Table::Utilization), nullptr);
    // An open table covers the watermark; an opened menu covers the table.
    ASSERT_NE(scene->watermark(), nullptr);
    EXPECT_GT(scene->getTable(MainScene::Table::Utilization)->getLocalZOrder(), scene->watermark()->getLocalZOrder());
    EXPECT_LT(scene->getTable(MainScene::Table::Utilization)->getLocalZOrder(), MenuController::kOverlayZOrder);
    model->common.spectrumModeActive = 0;
    frames(1);
    EXPECT_TRUE(closed);
    EXPECT_EQ(scene->getTable(MainScene::Table::Utilization), nullptr);
}

TEST_F(MainSceneTest, AcquiringIndicatorShownAndRemoved)
{
    start();
    EXPECT_FALSE(scene->isAcquiringIndicatorShown());
    model->acquiringSSID = true;
    frames(1);
    EXPECT_TRUE(scene->isAcquiringIndicatorShown());
    readPixels();
    // The dimming layer greys the plot's centre.
    const std::uint32_t dimmed = pixel(100, 400);
    model->acquiringSSID = false;
    frames(1);
    EXPECT_FALSE(scene->isAcquiringIndicatorShown());
    readPixels();
    EXPECT_NE(pixel(100, 400), dimmed);
    // Power mode removes it and clears the flag.
    model->acquiringSSID = true;
    frames(1);
    model->common.spectrumModeActive = 0;
    frames(1);
    EXPECT_FALSE(scene->isAcquiringIndicatorShown());
    EXPECT_FALSE(model->acquiringSSID.load());
}

TEST_F(MainSceneTest, ResizeRescalesCursorsAndRebuilds)
{
    start();
    const float b = MenuController::getInstance()->getBarHeight();
    model->cursors.verticalX[0] = 100.0f;
    model->cursors.secondX[1] = 480.0f;
    model->cursors.horizontalY[0] = 290.0f;
    model->cursors.secondY[1] = 58.0f;
    const int rebuilds = scene->rebuildCount();
    {
        ModelLock lock(*model, kDataLock);
        model->band24.grid.isNew = false;
        model->band24.grid.accumulated = false;
    }
    view->setFrameSize(1440, 640 + (640 - b)); // twice as wide, plot twice as tall
    frames(1);
    EXPECT_FLOAT_EQ(model->cursors.verticalX[0], 150.0f);
    EXPECT_FLOAT_EQ(model->cursors.secondX[1], 720.0f);
    EXPECT_FLOAT_EQ(model->cursors.horizontalY[0], 580.0f);
    EXPECT_FLOAT_EQ(model->cursors.secondY[1], 116.0f);
    {
        ModelLock lock(*model, kDataLock);
        EXPECT_TRUE(model->band24.grid.isNew);
        EXPECT_TRUE(model->band24.grid.accumulated);
    }
    frames(1);
    EXPECT_GT(scene->rebuildCount(), rebuilds);
    EXPECT_FLOAT_EQ(scene->plotGeometry().plot.size.width, 1440.0f);
    // The watermark is centred on the new plot, and on a narrow one too.
    ASSERT_NE(scene->watermark(), nullptr);
    for (const Size size : {Size(1440, 640 + (640 - b)), Size(480, 320)}) {
        view->setFrameSize(size.width, size.height);
        frames(1);
        EXPECT_FLOAT_EQ(scene->watermark()->getPositionX(), size.width / 2);
        EXPECT_FLOAT_EQ(scene->watermark()->getPositionY(), b + (size.height - b) / 2);
    }
    view->setFrameSize(1440, 640 + (640 - b));
    frames(1);
    // The same size again changes nothing.
    frames(2);
    EXPECT_FLOAT_EQ(model->cursors.verticalX[0], 150.0f);
}

TEST_F(MainSceneTest, KeyboardDrivesTheRunState)
{
    start();
    key(SDLK_SPACE);
    EXPECT_EQ(model->runState.load(), kStopped);
    key(SDLK_SPACE);
    EXPECT_EQ(model->runState.load(), kRunning);
    key(SDLK_s);
    EXPECT_EQ(model->runState.load(), kSingleArmed);
}

TEST_F(MainSceneTest, DrawsTheStripAndTheWatermark)
{
    start();
    readPixels();
    EXPECT_GT(distinctColours(), 8u);
    const float b = MenuController::getInstance()->getBarHeight();
    // The strip differs from the plot background.
    EXPECT_NE(pixel(900, static_cast<int>(b / 2)), pixel(900, 600));
}

} // namespace
} // namespace nolvo::test
