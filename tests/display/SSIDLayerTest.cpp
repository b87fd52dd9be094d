// Access-point overlay in a window: outlines where their values say, SSID labels, band
// switches, the smoothing on an injected frame clock and pools that follow the list.

#include <gtest/gtest.h>

#include <string>

#include "GuiTestFixture.h"
#include "display/SSIDLayer.h"
#include "engine/scene/DrawNode.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using engine::Color4B;

// 900 x 200 points at (30, 100): 9 points per MHz on 2.4 GHz; the default window -90..-10 dBm
// gives 2.5 points per dB.
constexpr float kWidth = 900.0f;
constexpr float kHeight = 200.0f;
constexpr int kX = 30;
constexpr int kY = 100;
constexpr float kU = 9.0f;

struct ApSpec {
    int band = 0;
    std::uint8_t modes = AccessPoint::kMode11g;
    int channel = 6;
    int width = 20;
    float level = -50.0f; // shown and received
    Color4B colour{255, 0, 0, 255};
    std::string ssid;
};

class SSIDLayerTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (HasFatalFailure()) return;
        model.displaySizeClass.store(3);
        model.band5.amplitudeBottom = -110.0f;
        model.band5.amplitudeTop = -30.0f;
        layer = SSIDLayer::createWithModel(model);
        ASSERT_NE(layer, nullptr);
        layer->setContentSize(engine::Size(kWidth, kHeight));
        layer->setPosition(kX, kY);
        scene->addChild(layer);
    }

    // Appends access points with levels already settled (no smoothing in flight).
    void add(const std::vector<ApSpec>& shapes)
    {
        AccessPointBatch batch;
        for (const ApSpec& s : shapes) {
            auto ap = std::make_unique<AccessPoint>();
            ap->band = s.band;
            ap->modes = s.modes;
            ap->channel = static_cast<std::uint16_t>(s.channel);
            ap->channelWidth = s.width;
            ap->rssi = s.level;
            ap->setSsid(s.ssid);
            const auto n = static_cast<unsigned>(model.accessPoints.size() + batch.size());
            ap->bssid = {0x02, 0, 0, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
                         static_cast<std::uint8_t>(n)};
            batch.push_back(std::move(ap));
        }
        const std::size_t first = model.accessPoints.size();
        model.accessPoints.merge(batch, 1000, {});
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            AccessPoint& ap = model.accessPoints[first + i];
            ap.displayFrom = ap.displayLevel = ap.displayTo = shapes[i].level;
            const Color4B& c = shapes[i].colour;
            ap.color[0] = c.r;
            ap.color[1] = c.g;
            ap.color[2] = c.b;
            ap.color[3] = c.a;
        }
    }
    void frame(float dt)
    {
        layer->update(dt);
        render();
    }
    // Pixels of a colour in a rectangle given in layer points.
    int inkIn(float x0, float y0, float x1, float y1, const Color4B& colour) const
    {
        return countNear(kX + static_cast<int>(x0), kY + static_cast<int>(y0), kX + static_cast<int>(x1),
                         kY + static_cast<int>(y1), colour, 40);
    }

    DataModel model;
    SSIDLayer* layer = nullptr;
};

TEST_F(SSIDLayerTest, TrapezoidAndDomeWhereTheirValuesSay)
{
    const Color4B red(255, 0, 0, 255);
    const Color4B green(0, 255, 0, 255);
    // g on channel 6 at -50 dBm: top edge 100 points up, from 27u to 47u; the bottom 26u to 48u.
    // b on channel 14 at -30 dBm: a dome 150 points high over 76u..98u, centred at 87u.
    add({{0, AccessPoint::kMode11g, 6, 20, -50.0f, red, ""}, {0, AccessPoint::kMode11b, 14, 20, -30.0f, green, ""}});
    frame(1.0f / 60);
    ASSERT_EQ(layer->shapeCount(), 2u);
    EXPECT_EQ(layer->labelCount(), 0u) << "no SSID, no label";

    EXPECT_GT(inkIn(27 * kU + 10, 98, 47 * kU - 10, 103, red), 150) << "top edge";
    EXPECT_EQ(inkIn(27 * kU + 10, 106, 47 * kU - 10, 190, red), 0) << "nothing above it";
    EXPECT_EQ(inkIn(27 * kU + 10, 5, 47 * kU - 10, 95, red), 0) << "hollow";
    EXPECT_GT(inkIn(26 * kU - 4, 0, 26 * kU + 6, 10, red), 0) << "left foot";
    EXPECT_GT(inkIn(48 * kU - 6, 0, 48 * kU + 4, 10, red), 0) << "right foot";

    EXPECT_GT(inkIn(87 * kU - 20, 146, 87 * kU + 20, 153, green), 20) << "dome apex";
    EXPECT_EQ(inkIn(87 * kU - 20, 156, 87 * kU + 20, 190, green), 0) << "nothing above the apex";
    EXPECT_GT(inkIn(76 * kU - 4, 0, 76 * kU + 4, 8, green), 0) << "dome foot";
    EXPECT_EQ(inkIn(80 * kU, 150, 85 * kU, 190, green), 0);

    // The next frame follows a new level and a new colour (an unchanged outline is kept as it is).
    AccessPoint& g = model.accessPoints[0];
    g.rssi = g.displayLevel = g.displayTo = g.displayFrom = -30.0f;
    g.color[0] = 0;
    g.color[2] = 255;
    frame(1.0f / 60);
    const Color4B blue(0, 0, 255, 255);
    EXPECT_EQ(inkIn(27 * kU + 10, 98, 47 * kU - 10, 103, blue), 0) << "the old top edge is gone";
    EXPECT_EQ(inkIn(27 * kU + 10, 98, 47 * kU - 10, 103, red), 0);
    EXPECT_GT(inkIn(27 * kU + 10, 148, 47 * kU - 10, 153, blue), 150) << "top edge at 150 points";
    EXPECT_GT(inkIn(87 * kU - 20, 146, 87 * kU + 20, 153, green), 20) << "the dome stays";
}

TEST_F(SSIDLayerTest, SafeSsidLabelsAboveTheShapes)
{
    const Color4B amber(255, 160, 0, 255);
    add({{0, AccessPoint::kMode11g, 1, 20, -50.0f, amber, "Caf\xc3\xa9"},
         {0, AccessPoint::kMode11g, 6, 20, -70.0f, amber, ""},
         {0, AccessPoint::kMode11n, 11, 20, -10.0f, amber, std::string("\x01ok\xff\x1b[2J", 8)}});
    frame(1.0f / 60);
    ASSERT_EQ(layer->shapeCount(), 3u);
    ASSERT_EQ(layer->labelCount(), 2u) << "the empty SSID has a shape but no label";

    engine::Label* cafe = layer->label(0);
    EXPECT_EQ(cafe->getString(), "Caf\xc3\xa9");
    EXPECT_EQ(cafe->getTextColor(), amber);
    const float lh = cafe->getContentSize().height;
    EXPECT_FLOAT_EQ(cafe->getPosition().x, 12 * kU);
    EXPECT_FLOAT_EQ(cafe->getPosition().y, 100.0f + lh / 2) << "just above the 100-point shape";

    // Control characters and broken UTF-8 are made visible, never passed to the text renderer raw.
    engine::Label* odd = layer->label(1);
    EXPECT_EQ(odd->getString(), model.accessPoints[2].ssidDisplayText());
    EXPECT_EQ(odd->getString().find('\x01'), std::string::npos);
    EXPECT_EQ(odd->getString().find('\x1b'), std::string::npos);
    EXPECT_NE(odd->getString().find("ok"), std::string::npos);
    // At full height the label would leave the layer: it stays at the top.
    EXPECT_FLOAT_EQ(odd->getPosition().y, kHeight - odd->getContentSize().height / 2);
    EXPECT_FLOAT_EQ(odd->getPosition().x, 62 * kU);
}

TEST_F(SSIDLayerTest, EachLayerDrawsItsOwnBandOnItsOwnWindow)
{
    // 5 GHz channel 149 at -70 dBm on the -110..-30 window: half height; 2.4 GHz ignored.
    add({{0, AccessPoint::kMode11g, 6, 20, -50.0f, {255, 0, 0, 255}, "two"},
         {1, AccessPoint::kMode11a, 149, 20, -70.0f, {0, 0, 255, 255}, "five"}});
    layer->setBands(false, true);
    frame(1.0f / 60);
    ASSERT_EQ(layer->shapeCount(), 1u);
    ASSERT_EQ(layer->labelCount(), 1u);
    EXPECT_EQ(layer->label(0)->getString(), "five");
    EXPECT_FLOAT_EQ(layer->label(0)->getPosition().x, 600.0f * kWidth / 715.0f);
    EXPECT_FLOAT_EQ(layer->label(0)->getPosition().y, 100.0f + layer->label(0)->getContentSize().height / 2);
    layer->setBands(true, false);
    frame(1.0f / 60);
    ASSERT_EQ(layer->labelCount(), 1u);
    EXPECT_EQ(layer->label(0)->getString(), "two");
}

TEST_F(SSIDLayerTest, RiseAndFallStepOncePerSweepOverTheTimeSinceTheLastStep)
{
    add({{0, AccessPoint::kMode11g, 6, 20, -90.0f, {255, 255, 255, 255}, "net"}});
    AccessPoint& ap = model.accessPoints[0];
    const auto labelY = [this] { return layer->label(0)->getPosition().y - layer->label(0)->getContentSize().height / 2; };
    const std::vector<float> sweep(256, -95.0f);
    const auto sweepArrives = [&](int band = kBand24) { model.pushSweep(band, sweep.data(), static_cast<int>(sweep.size())); };
    sweepArrives();
    frame(0.0f); // takes the sweep count as it stands
    ap.rssi = -30.0f; // heard 60 dB stronger
    frame(0.75f);
    frame(0.75f);
    EXPECT_EQ(ap.displayLevel, -90.0f) << "no sweep, no step, however much time passed";
    EXPECT_FLOAT_EQ(labelY(), 0.0f);
    sweepArrives(kBand5);
    frame(0.0f);
    EXPECT_EQ(ap.displayLevel, -90.0f) << "a sweep of the other band moves nothing";
    sweepArrives();
    frame(0.0f);
    EXPECT_NEAR(ap.displayLevel, -60.0f, 1e-4f) << "one step over the 1.5 s since the last";
    EXPECT_NEAR(labelY(), 75.0f, 1e-3f);
    sweepArrives();
    sweepArrives();
    frame(1.5f);
    EXPECT_EQ(ap.displayLevel, -30.0f) << "two sweeps in one frame: one step";
    EXPECT_NEAR(labelY(), 150.0f, 1e-3f);
    ap.rssi = -90.0f;
    sweepArrives();
    frame(0.5f);
    EXPECT_NEAR(ap.displayLevel, -40.0f, 1e-4f);
    EXPECT_NEAR(labelY(), 125.0f, 1e-3f);
    sweepArrives();
    frame(600.0f); // the window was minimised for ten minutes
    EXPECT_EQ(ap.displayLevel, -90.0f);
    EXPECT_NEAR(labelY(), 0.0f, 1e-3f);
}

TEST_F(SSIDLayerTest, TwoThousandAccessPointsInOneFrameAndPoolsFollowTheList)
{
    std::vector<ApSpec> shapes;
    std::size_t drawable = 0;
    std::size_t named = 0;
    for (int i = 0; i < 2048; ++i) {
        ApSpec s;
        s.channel = i % 16; // 0 and 15 are not drawn
        s.level = -90.0f + static_cast<float>(i % 80);
        if (i % 2 == 0) s.ssid = "AP " + std::to_string(i);
        const bool drawn = s.channel >= 1 && s.channel <= 14;
        drawable += drawn;
        named += drawn && !s.ssid.empty();
        shapes.push_back(s);
    }
    add(shapes);
    ASSERT_EQ(model.accessPoints.size(), 2048u);
    frame(1.0f / 60);
    EXPECT_EQ(layer->shapeCount(), drawable);
    EXPECT_EQ(layer->labelCount(), named);
    const std::size_t children = layer->getChildrenCount();
    frame(1.0f / 60);
    EXPECT_EQ(layer->shapeCount(), drawable) << "reused, not grown";
    EXPECT_EQ(layer->getChildrenCount(), children);

    // Most of them leave: the pools shrink to the list.
    model.accessPoints.clear();
    add({{0, AccessPoint::kMode11g, 3, 20, -40.0f, {255, 0, 0, 255}, "left"},
         {0, AccessPoint::kMode11b, 9, 20, -40.0f, {0, 255, 0, 255}, ""}});
    frame(1.0f / 60);
    EXPECT_EQ(layer->shapeCount(), 2u);
    EXPECT_EQ(layer->labelCount(), 1u);
    EXPECT_EQ(layer->getChildrenCount(), 3u);
    EXPECT_EQ(layer->label(0)->getString(), "left");
    model.accessPoints.clear();
    frame(1.0f / 60);
    EXPECT_EQ(layer->shapeCount(), 0u);
    EXPECT_EQ(layer->getChildrenCount(), 0u);
}

} // namespace
} // namespace nolvo
