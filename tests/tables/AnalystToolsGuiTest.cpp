// The Wi-Fi analyst tools in the real main scene, in a real window: a click on an overlay outline
// opens its details (the strongest of overlapping outlines), the outline is highlighted, the
// filter cuts the overlay and the tables and shows its marker, `/` types the SSID text, Tab cycles,
// and the views open and close by key.

#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "SceneTestFixture.h"
#include "app/AnalystTools.h"
#include "app/MainScene.h"
#include "display/ChannelOccupancyView.h"
#include "display/DetailsPopover.h"
#include "display/SSIDLayer.h"
#include "display/SignalHistoryView.h"
#include "engine/app/Director.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "model/AccessPointFilter.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/access_points/AccessPointBuilders.h"
#include "tables/SSIDTableLayer.h"

namespace nolvo::test {
namespace {

using namespace engine;
using nolvo::testing::makeAp;

class AnalystToolsGuiTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        model = DataModel::getInstance();
        scene = MainScene::create();
        ASSERT_NE(scene, nullptr);
        Director::getInstance()->runWithScene(scene);
        frames(2);
        tools = scene->analystTools();
        ASSERT_NE(tools, nullptr);
        // Three 2.4 GHz access points: a weak wide one and a strong one on channel 6 overlap;
        // "far-away" sits alone on channel 13. Their outlines are drawn at full height at once.
        std::vector<AccessPoint> records = {named(1, 6, -80.0f, "weak-six", 40, 1), named(2, 6, -45.0f, "strong-six"),
                                            named(3, 13, -60.0f, "far-away")};
        AccessPointBatch batch;
        for (auto& r : records) batch.push_back(std::make_unique<AccessPoint>(std::move(r)));
        model->mergeAccessPoints(batch);
        {
            ModelLock lock(*model, kAccessPointLock);
            for (const AccessPointPtr& ap : model->accessPoints) {
                ap->displayLevel = ap->displayFrom = ap->displayTo = ap->rssi;
                const std::uint8_t green[4] = {0, 160, 0, 255}; // no random colour that could pass for the halo
                std::copy(green, green + 4, ap->color);
            }
        }
        frames(2);
        overlay = dynamic_cast<SSIDLayer*>(scene->getLayer(LayerSlot::SSID24));
        ASSERT_NE(overlay, nullptr);
        ASSERT_EQ(overlay->outlines().size(), 3u);
    }
    static AccessPoint named(std::uint8_t id, int channel, float rssi, const char* ssid, int width = 20, int code = 0)
    {
        AccessPoint ap = makeAp(id, channel, rssi, width, code);
        ap.setSsid(ssid);
        ap.modes = AccessPoint::kMode11n;
        ap.security = 4;
        return ap;
    }
    const OverlayOutline& outlineOf(std::uint8_t id) const
    {
        for (const OverlayOutline& o : overlay->outlines()) {
            if (o.bssid[5] == id) return o;
        }
        ADD_FAILURE() << "no outline for " << int(id);
        return overlay->outlines().front();
    }
    // A click at a point of the overlay layer (its own coordinates).
    void clickOverlay(float x, float y)
    {
        const Vec2 world = overlay->convertToWorldSpace(Vec2(x, y));
        click(world.x, world.y);
        frames(1);
    }
    std::string popoverTitle() const
    {
        return tools->popover() && !tools->popover()->lines().empty() ? tools->popover()->lines().front() : "";
    }
    std::uint32_t pixelAt(Node* node, Vec2 local)
    {
        const Vec2 world = node->convertToWorldSpace(local);
        return pixel(static_cast<int>(world.x), static_cast<int>(world.y));
    }
    static int red(std::uint32_t p) { return static_cast<int>(p & 0xFF); }
    static int green(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
    static int blue(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
    int apRows(AccessPointTableLayer* table) const
    {
        int n = 0;
        for (const TableRow& row : table->rows()) n += row.kind == RowKind::AccessPoint ? 1 : 0;
        return n;
    }

    DataModel* model = nullptr;
    MainScene* scene = nullptr;
    AnalystTools* tools = nullptr;
    SSIDLayer* overlay = nullptr;
};

TEST_F(AnalystToolsGuiTest, AClickOnOverlappingOutlinesShowsTheStrongestAndHighlightsIt)
{
    const OverlayOutline strong = outlineOf(2);
    // Low inside both channel-6 outlines: the strong one wins.
    clickOverlay(strong.shape.x, 5.0f);
    EXPECT_EQ(popoverTitle(), "strong-six");
    ASSERT_NE(tools->highlighted(), nullptr);
    EXPECT_EQ((*tools->highlighted())[5], 2);
    // The popover and the white halo are on screen.
    readPixels();
    const std::uint32_t box = pixelAt(tools->popover(), Vec2(4.0f, 4.0f));
    EXPECT_NEAR(red(box), 32, 3); // the box's colour, barely blended with the plot under it
    EXPECT_NEAR(green(box), 36, 3);
    EXPECT_NEAR(blue(box), 46, 3);
    const std::uint32_t halo = pixelAt(overlay, Vec2(strong.shape.x - strong.shape.topWidth / 4.0f, strong.height));
    EXPECT_GE(red(halo), 220);
    EXPECT_GE(green(halo), 220);
    EXPECT_GE(blue(halo), 220);
    const std::vector<std::string>& lines = tools->popover()->lines();
    EXPECT_EQ(lines[1], "BSSID: 02:00:00:00:00:02");
    EXPECT_EQ(lines[2], "VENDOR: locally administered"); // 02:... is a locally administered address
    EXPECT_EQ(lines[6], "SECURITY: WPA2");

    // A click elsewhere closes it and drops the highlight.
    click(5.0f, 5.0f);
    frames(1);
    EXPECT_EQ(tools->popover(), nullptr);
    EXPECT_FALSE(overlay->hasHighlight());

    // Above every outline there: nothing opens.
    clickOverlay(strong.shape.x, strong.height + 40.0f);
    EXPECT_EQ(tools->popover(), nullptr);
    // The weak one alone: between the strong one's right edge and far-away's left edge.
    const OverlayOutline far = outlineOf(3);
    clickOverlay((strong.shape.x + strong.shape.bottomWidth / 2.0f + far.shape.x - far.shape.bottomWidth / 2.0f) / 2.0f, 1.0f);
    EXPECT_EQ(popoverTitle(), "weak-six");
    key(SDLK_ESCAPE);
    frames(1);
    EXPECT_EQ(tools->popover(), nullptr);
}

TEST_F(AnalystToolsGuiTest, TabCyclesLeftToRightAndEnterReopens)
{
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        key(SDLK_TAB);
        frames(1);
        seen.push_back(popoverTitle());
    }
    // Channel 6: the 40 MHz one (secondary above) is centred further right than the 20 MHz one.
    EXPECT_EQ(seen, (std::vector<std::string>{"strong-six", "weak-six", "far-away", "strong-six"}));
    key(SDLK_ESCAPE);
    frames(1);
    EXPECT_EQ(tools->popover(), nullptr);
    key(SDLK_RETURN);
    frames(1);
    EXPECT_EQ(popoverTitle(), "strong-six");
}

TEST_F(AnalystToolsGuiTest, TheFilterCutsOverlayAndTablesAndItsMarkerClearsIt)
{
    // Typed: "/", "six", Enter.
    for (int k : {SDLK_SLASH, SDLK_s, SDLK_i, SDLK_x, SDLK_RETURN}) key(k);
    frames(2);
    EXPECT_EQ(filterSsid(model->apFilter), "six");
    EXPECT_FALSE(tools->isTyping());
    EXPECT_EQ(overlay->outlines().size(), 2u);
    ASSERT_NE(tools->marker(), nullptr);
    EXPECT_TRUE(tools->marker()->isVisible());
    EXPECT_EQ(tools->marker()->getString(), "FILTERED 2 of 3");

    // Minimum signal on top: only the strong one is left, in the overlay and in the table.
    model->apFilter.flags |= AccessPointFilterSettings::kMinimumSignal;
    model->apFilter.minimumSignal = -50.0f;
    tools->filterChanged();
    key(SDLK_t);
    frames(2);
    auto* table = dynamic_cast<SSIDTableLayer*>(scene->getTable(MainScene::Table::AccessPoints));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(apRows(table), 1);
    EXPECT_EQ(overlay->outlines().size(), 1u);
    EXPECT_EQ(tools->marker()->getString(), "FILTERED 1 of 3");

    // One click on the marker clears every filter.
    const Rect box = tools->marker()->getBoundingBox();
    const Vec2 centre = tools->convertToWorldSpace(Vec2(box.getMidX(), box.getMidY()));
    click(centre.x, centre.y);
    frames(2);
    EXPECT_FALSE(AccessPointFilter(model->apFilter).active());
    EXPECT_FALSE(tools->marker()->isVisible());
    EXPECT_EQ(apRows(table), 3);
    key(SDLK_t);
    frames(2);
    EXPECT_EQ(overlay->outlines().size(), 3u);

    // Esc while typing restores the text that was there.
    setFilterSsid(model->apFilter, "far");
    tools->filterChanged();
    for (int k : {SDLK_SLASH, SDLK_BACKSPACE, SDLK_BACKSPACE, SDLK_ESCAPE}) key(k);
    frames(1);
    EXPECT_EQ(filterSsid(model->apFilter), "far");
}

TEST_F(AnalystToolsGuiTest, ViewsOpenByKeyAndTheDetailsAddToTheHistory)
{
    clickOverlay(outlineOf(3).shape.x, 3.0f);
    ASSERT_EQ(popoverTitle(), "far-away");
    key(SDLK_a); // add to the history view (opens it)
    frames(1);
    ASSERT_NE(tools->historyView(), nullptr);
    EXPECT_EQ(tools->popover(), nullptr);
    ASSERT_EQ(tools->historyView()->picks().size(), 1u);
    EXPECT_EQ(tools->historyView()->picks()[0][5], 3);
    key(SDLK_o);
    frames(1);
    ASSERT_NE(tools->occupancyView(), nullptr);
    EXPECT_EQ(tools->occupancyView()->shown().count24[5], 2);  // channel 6
    EXPECT_EQ(tools->occupancyView()->shown().count24[12], 1); // channel 13
    key(SDLK_ESCAPE); // the view opened last closes first
    frames(1);
    EXPECT_EQ(tools->occupancyView(), nullptr);
    EXPECT_NE(tools->historyView(), nullptr);
    key(SDLK_g);
    frames(1);
    EXPECT_EQ(tools->historyView(), nullptr);

    // The popover's button does the same as A, by mouse or touch.
    clickOverlay(outlineOf(2).shape.x, 3.0f);
    ASSERT_NE(tools->popover(), nullptr);
    ASSERT_NE(tools->popover()->addButton(), nullptr);
    ui::Button* add = tools->popover()->addButton();
    const Vec2 centre = add->getParent()->convertToWorldSpace(add->getPosition());
    click(centre.x, centre.y);
    frames(1);
    ASSERT_NE(tools->historyView(), nullptr);
    EXPECT_EQ(tools->popover(), nullptr);
    ASSERT_EQ(tools->historyView()->picks().size(), 1u);
    EXPECT_EQ(tools->historyView()->picks()[0][5], 2);
}

} // namespace
} // namespace nolvo::test
