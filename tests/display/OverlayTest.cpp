// Axis labels: texts and the touch-driven fade.

#include <gtest/gtest.h>

#include <cmath>

#include "GuiTestFixture.h"
#include "display/OverlayLayer.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

TEST(OverlayText, AmplitudeEndsInDbmWattsOrEmpty)
{
    EXPECT_EQ(OverlayLayer::amplitudeText(-50.0f, 0), "-50.00dBm");
    EXPECT_EQ(OverlayLayer::amplitudeText(0.0f, 1), "1.00 mW");    // 0 dBm is one milliwatt
    EXPECT_EQ(OverlayLayer::amplitudeText(-30.0f, 1), "1.00 µW");
    EXPECT_EQ(OverlayLayer::amplitudeText(NAN, 0), "");
}

class OverlayTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        model.band5.amplitudeBottom = -110.0f;
        model.band5.amplitudeTop = -20.0f;
        layer = OverlayLayer::createWithModel(model);
        layer->setContentSize(engine::Size(400, 200));
        layer->setMode(false, 1, false);
        scene->addChild(layer);
    }
    void frame(float dt)
    {
        layer->update(dt);
        render();
    }
    DataModel model;
    OverlayLayer* layer = nullptr;
};

TEST_F(OverlayTest, LabelsFadeInAtFourPerSecondAndOutOverTwoSeconds)
{
    frame(0.1f);
    EXPECT_FALSE(layer->topLabel()->isVisible());
    layer->touchBegan();
    frame(0.1f);
    EXPECT_NEAR(layer->labelFade(), 0.4f, 1e-5f);
    EXPECT_EQ(layer->topLabel()->getString(), "-20.00dBm");
    EXPECT_EQ(layer->bottomLabel()->getString(), "-110.00dBm");
    EXPECT_EQ(layer->lowFrequencyLabel()->getString(), "5.145GHz");
    EXPECT_EQ(layer->highFrequencyLabel()->getString(), "5.860GHz");
    EXPECT_EQ(layer->topLabel()->getOpacity(), 102); // 0.4 x 255
    frame(0.2f);
    EXPECT_EQ(layer->labelFade(), 1.0f);
    layer->touchEnded();
    layer->touchEnded(); // never below zero
    frame(1.0f);
    EXPECT_NEAR(layer->labelFade(), 0.5f, 1e-5f);
    layer->touchBegan(); // a touch brings them back
    frame(0.05f);
    EXPECT_NEAR(layer->labelFade(), 0.7f, 1e-5f);
    layer->touchEnded();
    frame(1.2f);
    EXPECT_TRUE(layer->topLabel()->isVisible()); // 0.1 left
    frame(0.3f);
    EXPECT_FALSE(layer->topLabel()->isVisible());
}

TEST_F(OverlayTest, PowerModeHidesFrequenciesAndShowsThePowerWindow)
{
    model.powerStore.amplitudeBottom = -40.0f;
    model.powerStore.amplitudeTop = 0.0f;
    model.common.externalAttenuation = 10.0f;
    model.accessoryConnected.store(true); // the attenuation counts only with an accessory
    layer->setMode(true, 0, false);
    layer->touchBegan();
    frame(0.5f);
    EXPECT_FALSE(layer->lowFrequencyLabel()->isVisible());
    EXPECT_EQ(layer->bottomLabel()->getString(), "-30.00dBm");
    EXPECT_EQ(layer->topLabel()->getString(), "10.00dBm");
}

} // namespace
} // namespace nolvo
