// Power mode end to end in a real window: the demo's second-generation recordings drive the
// main scene's power layers through the parser, as in the program.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "SceneTestFixture.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "app/MainScene.h"
#include "display/PowerLayer.h"
#include "display/PowerUIAndTouchLayer.h"
#include "engine/app/Director.h"
#include "engine/renderer/PngFile.h"
#include "engine/text/Label.h"
#include "model/AcquisitionPhase.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo::test {
namespace {

using namespace engine;

class PowerModeTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        model = DataModel::getInstance();
        model->common.spectrumModeActive = 0;
        model->demo = DemoSettings{1, 1, 0}; // second generation, Wi-Fi scene
        const std::uint8_t slots[6] = {17, 19, 13, 18, 255, 255};
        std::copy(slots, slots + 6, model->power.measurements);
        scene = MainScene::create();
        ASSERT_NE(scene, nullptr);
        Director::getInstance()->runWithScene(scene);
        frames(2);
        delegate = std::make_unique<AccessoryCommunicationDelegate>(
            *model, AccessoryCommunicationDelegate::Options{std::chrono::milliseconds(100), false});
    }
    void TearDown() override
    {
        delegate.reset();
        SceneTest::TearDown();
    }
    // One worker period of demo playback and the frames that fill it.
    void period()
    {
        delegate->runWorkerPass();
        frames(6, 17);
    }
    PowerLayer* powerLayer() const { return dynamic_cast<PowerLayer*>(scene->getLayer(LayerSlot::Power)); }
    PowerUIAndTouchLayer* uiLayer() const
    {
        return dynamic_cast<PowerUIAndTouchLayer*>(scene->getLayer(LayerSlot::PowerUI));
    }

    DataModel* model = nullptr;
    MainScene* scene = nullptr;
    std::unique_ptr<AccessoryCommunicationDelegate> delegate;
};

bool hasDigit(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

TEST_F(PowerModeTest, DemoTraceChangesBetweenFramesAndThePanelShowsNumbers)
{
    ASSERT_NE(powerLayer(), nullptr);
    ASSERT_NE(uiLayer(), nullptr);
    for (int i = 0; i < 10; ++i) period();
    ASSERT_TRUE(delegate->identified());
    ASSERT_FALSE(powerLayer()->traceBatches().empty()) << "no power trace reached the layer";
    const std::vector<float> first = powerLayer()->traceVertices();
    std::vector<float> later;
    for (int i = 0; i < 10 && (later.empty() || later == first); ++i) {
        period();
        later = powerLayer()->traceVertices();
    }
    EXPECT_NE(later, first) << "the trace did not change between frames";

    // The panel's first slot is Max with a number in it.
    const std::string max = uiLayer()->panelLabel(0)->getString();
    EXPECT_EQ(max.rfind("Max: ", 0), 0u) << max;
    EXPECT_TRUE(hasDigit(max)) << max;
    EXPECT_TRUE(hasDigit(uiLayer()->panelLabel(1)->getString()));

    // Something besides the background is drawn inside the plot.
    readPixels();
    EXPECT_GT(distinctColours(), 8u);
    if (const char* shot = std::getenv("NOLVO_POWER_SCREENSHOT")) {
        PngFile::save(shot, reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height);
    }
}

TEST_F(PowerModeTest, TriggerLabelFollowsTheAcquisitionPhase)
{
    for (int i = 0; i < 10; ++i) period();
    ASSERT_TRUE(delegate->identified());
    Label* label = scene->triggerLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    struct Case {
        std::int32_t phase;
        std::uint8_t autoMode;
        const char* text;
    } const cases[] = {{2, 1, "TRIG?"}, {0, 1, "TRIG"}, {1, 1, "AUTO"}, {1, 0, "TRIG?"}, {0, 0, "TRIG"}};
    delegate.reset(); // no more frames: the phase is what the test sets
    for (const Case& c : cases) {
        {
            ModelLock lock(*model, kDataLock);
            model->powerStore.acquisitionPhase = c.phase;
        }
        model->power.autoTrigger = c.autoMode;
        frames(1);
        EXPECT_EQ(label->getString(), c.text) << "phase " << c.phase << " auto " << int(c.autoMode);
    }
    // Roll mode has no trigger.
    model->power.timeScaleIndex = 0;
    frames(1);
    EXPECT_EQ(label->getString(), "");
}

} // namespace
} // namespace nolvo::test
