// The two tables in the real main scene, in a real window: opened with their keys, filled from the
// model, sorted from their headers, scrolled by wheel and keys, edited through their alerts, and
// closed; and the link thread changing the list while a table scrolls and is clicked.

#include <gtest/gtest.h>

#include "menus/MenuController.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "SceneTestFixture.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/input/EventDispatcher.h"
#include "engine/ui/Button.h"
#include "menus/AlertViewLayer.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/access_points/AccessPointBuilders.h"
#include "tables/ProposalPopover.h"
#include "tables/SSIDTableLayer.h"
#include "tables/SSIDUtilizationTableLayer.h"

namespace nolvo::test {
namespace {

using namespace engine;
using nolvo::testing::makeAp;

std::string nameOf(std::uint8_t id) { return "ap-" + std::to_string(id); }

AccessPoint namedAp(std::uint8_t id, int channel, float rssi, int band = 0)
{
    AccessPoint ap = makeAp(id, channel, rssi, 20, 0, band);
    ap.setSsid(nameOf(id));
    ap.security = 4;
    ap.modes = 0x07;
    return ap;
}

class TableLayerTest : public SceneTest {
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
    }
    void add(std::vector<AccessPoint> records)
    {
        AccessPointBatch batch;
        for (auto& r : records) batch.push_back(std::make_unique<AccessPoint>(std::move(r)));
        model->mergeAccessPoints(batch);
        model->accessPointListChanged[0] = true;
        model->accessPointListChanged[1] = true;
    }
    SSIDTableLayer* apTable() const { return dynamic_cast<SSIDTableLayer*>(scene->getTable(MainScene::Table::AccessPoints)); }
    SSIDUtilizationTableLayer* utilTable() const
    {
        return dynamic_cast<SSIDUtilizationTableLayer*>(scene->getTable(MainScene::Table::Utilization));
    }
    AlertViewLayer* topAlert() const
    {
        AlertViewLayer* found = nullptr;
        for (Node* child : scene->getChildren()) {
            if (auto* alert = dynamic_cast<AlertViewLayer*>(child)) found = alert;
        }
        return found;
    }
    // Clicks the centre of a node (scene coordinates).
    void clickNode(Node* node)
    {
        ASSERT_NE(node, nullptr);
        const Rect box = node->getBoundingBox();
        const Vec2 centre = node->getParent()->convertToWorldSpace(Vec2(box.getMidX(), box.getMidY()));
        click(centre.x, centre.y);
    }
    // Clicks the on-screen row `row` of a table.
    void clickRow(AccessPointTableLayer* table, ssize_t row)
    {
        SSIDCellView* cellView = table->cellViewAt(row);
        ASSERT_NE(cellView, nullptr) << "row " << row << " is not on screen";
        const Size size = cellView->getContentSize();
        const Vec2 centre = cellView->convertToWorldSpace(Vec2(size.width * 0.3f, size.height / 2));
        click(centre.x, centre.y);
    }
    // The on-screen row showing the access point `name`, or -1.
    ssize_t rowShowing(AccessPointTableLayer* table, const std::string& name) const
    {
        for (ssize_t i = 0; i < static_cast<ssize_t>(table->rows().size()); ++i) {
            SSIDCellView* cellView = table->cellViewAt(i);
            if (cellView && !cellView->isBannerShown() && cellView->columnText(ColumnKind::Ssid) == name) return i;
        }
        return -1;
    }
    // Whether the whole of row `row` is inside the table's view (a click there hits it).
    bool fullyVisible(AccessPointTableLayer* table, ssize_t row) const
    {
        SSIDCellView* cellView = table->cellViewAt(row);
        if (!cellView) return false;
        const Vec2 low = cellView->convertToWorldSpace(Vec2(0, 0));
        const Vec2 high = cellView->convertToWorldSpace(Vec2(0, cellView->getContentSize().height));
        const Vec2 viewLow = table->tableView()->convertToWorldSpace(Vec2(0, 0));
        const float viewHigh = viewLow.y + table->tableView()->getViewSize().height;
        return low.y >= viewLow.y && high.y <= viewHigh;
    }
    float offsetY(AccessPointTableLayer* table) const { return table->tableView()->getContentOffset().y; }
    float minOffsetY(AccessPointTableLayer* table) const { return table->tableView()->minContainerOffset().y; }

    DataModel* model = nullptr;
    MainScene* scene = nullptr;
};

TEST_F(TableLayerTest, EmptyTableShowsBothSectionsAndTheKeysOpenAndCloseIt)
{
    key(SDLK_t);
    frames(1);
    SSIDTableLayer* table = apTable();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(static_cast<ssize_t>(table->rows().size()), 4);
    const char* expected[] = {"2.4GHz SSID List", "No SSID to display", "5GHz SSID List", "No SSID to display"};
    for (int i = 0; i < 4; ++i) {
        SSIDCellView* cellView = table->cellViewAt(i);
        ASSERT_NE(cellView, nullptr);
        EXPECT_TRUE(cellView->isBannerShown());
        EXPECT_EQ(cellView->bannerText(), expected[i]);
    }
    EXPECT_EQ(table->headerTitles(), (std::vector<std::string>{"SEC.", "MODE", "SSID", "RSSI-", "BSSID", "CH.", "FREQ", "CNT."}));
    EXPECT_EQ(table->counterText(), "Total AP: 0 Total Scan: 0");
    key(SDLK_ESCAPE);
    frames(1);
    EXPECT_EQ(apTable(), nullptr);
    key(SDLK_u);
    frames(1);
    ASSERT_NE(utilTable(), nullptr);
    key(SDLK_u);
    frames(1);
    EXPECT_EQ(utilTable(), nullptr);
}

TEST_F(TableLayerTest, EscapeClosesAMenuOpenedOverTheTableFirst)
{
    key(SDLK_t);
    frames(1);
    ASSERT_NE(apTable(), nullptr);
    key(SDLK_F1);
    frames(2);
    ASSERT_NE(MenuController::getInstance()->getOpenMenu(), nullptr) << "F1 opened no menu";
    key(SDLK_ESCAPE);
    frames(60); // the menu fades out before it is gone
    EXPECT_EQ(MenuController::getInstance()->getOpenMenuId(), kNoMenu);
    EXPECT_NE(apTable(), nullptr) << "the table stays open under the closed menu";
    key(SDLK_ESCAPE);
    frames(1);
    EXPECT_EQ(apTable(), nullptr);
}

TEST_F(TableLayerTest, CellsShowTheAccessPointsAndHeadersSort)
{
    add({namedAp(1, 6, -60), namedAp(2, 1, -40), namedAp(3, 36, -70, 1)});
    scene->openTable(MainScene::Table::AccessPoints);
    frames(1);
    SSIDTableLayer* table = apTable();
    ASSERT_NE(table, nullptr);
    // Sorted by RSSI, strongest first: ap-2, ap-1; then the 5 GHz section.
    SSIDCellView* first = table->cellViewAt(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->columnText(ColumnKind::Ssid), "ap-2");
    EXPECT_EQ(first->columnText(ColumnKind::Security), "WPA2");
    EXPECT_TRUE(first->isLockShown());
    EXPECT_EQ(first->columnText(ColumnKind::Mode), "b/g/n");
    EXPECT_EQ(first->columnText(ColumnKind::Rssi), "-40 dBm");
    EXPECT_EQ(first->columnText(ColumnKind::HardwareAddress), "[02:00:00:00:00:02]");
    EXPECT_EQ(first->columnText(ColumnKind::Frequency), "2.412");
    EXPECT_EQ(first->columnText(ColumnKind::Count), "1");
    EXPECT_NEAR(first->barPercent(), 83.3333f, 1e-3f);
    EXPECT_EQ(table->cellViewAt(2)->columnText(ColumnKind::Ssid), "ap-1");
    EXPECT_EQ(table->cellViewAt(3)->bannerText(), "5GHz SSID List");
    EXPECT_EQ(table->cellViewAt(4)->columnText(ColumnKind::Channel), "36");
    EXPECT_EQ(table->counterText(), "Total AP: 3 Total Scan: 0");

    clickNode(table->headerButton(ColumnKind::Ssid));
    frames(1);
    EXPECT_EQ(table->headerButton(ColumnKind::Ssid)->getTitleText(), "SSID+");
    EXPECT_EQ(table->headerButton(ColumnKind::Rssi)->getTitleText(), "RSSI");
    EXPECT_EQ(table->cellViewAt(1)->columnText(ColumnKind::Ssid), "ap-1");
    clickNode(table->headerButton(ColumnKind::Ssid));
    frames(1);
    EXPECT_EQ(table->headerButton(ColumnKind::Ssid)->getTitleText(), "SSID-");
    EXPECT_EQ(table->cellViewAt(1)->columnText(ColumnKind::Ssid), "ap-2");

    // CLEAR TABLE empties the list; the table shows it on the next frame.
    clickNode(table->actionButton());
    frames(1);
    EXPECT_EQ(model->accessPoints.size(), 0u);
    EXPECT_EQ(static_cast<ssize_t>(table->rows().size()), 4);
}

// The widest texts a row can hold stay inside their columns: the security text left of its lock,
// a 32-character SSID inside its column, no text over its neighbour.
TEST_F(TableLayerTest, WideTextsStayInsideTheirColumns)
{
    AccessPoint wide = namedAp(1, 13, -40);
    wide.setSsid(std::string(32, 'W'));
    add({wide});
    scene->openTable(MainScene::Table::AccessPoints);
    frames(2);
    SSIDTableLayer* table = apTable();
    ASSERT_NE(table, nullptr);
    SSIDCellView* cell = table->cellViewAt(1);
    ASSERT_NE(cell, nullptr);
    ASSERT_TRUE(cell->isLockShown());
    EXPECT_EQ(cell->columnText(ColumnKind::Security), "WPA2");
    cell->visit(Director::getInstance()->getRenderer(), Mat4::IDENTITY, 0); // lays the texts out
    // That visit queued draw commands outside a frame: drop them, the table may free their labels.
    Director::getInstance()->getRenderer()->clear();
    EXPECT_GE(cell->textBox(ColumnKind::Security).getMinX(), 0.0f);
    EXPECT_LE(cell->textBox(ColumnKind::Security).getMaxX(), cell->lockBox().getMinX());
    const ColumnKind order[] = {ColumnKind::Security, ColumnKind::Mode,    ColumnKind::Ssid,      ColumnKind::Rssi,
                                ColumnKind::HardwareAddress, ColumnKind::Channel, ColumnKind::Frequency, ColumnKind::Count};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        SCOPED_TRACE(i);
        const Rect left = i == 1 ? cell->lockBox() : cell->textBox(order[i - 1]);
        EXPECT_LE(left.getMaxX(), cell->textBox(order[i]).getMinX());
    }
}

TEST_F(TableLayerTest, WheelAndKeysScrollAndReloadKeepsThePlace)
{
    std::vector<AccessPoint> many;
    for (int i = 1; i <= 120; ++i) many.push_back(namedAp(static_cast<std::uint8_t>(i), 1 + i % 11, -30.0f - i * 0.5f));
    add(std::move(many));
    scene->openTable(MainScene::Table::AccessPoints);
    frames(1);
    SSIDTableLayer* table = apTable();
    ASSERT_NE(table, nullptr);
    const float row = table->metrics().rowHeight;
    const float top = minOffsetY(table);
    ASSERT_LT(top, 0.0f);
    EXPECT_FLOAT_EQ(offsetY(table), top); // opens at the top

    key(SDLK_DOWN);
    EXPECT_FLOAT_EQ(offsetY(table), top + row);
    key(SDLK_PAGEDOWN);
    const float afterPage = offsetY(table);
    EXPECT_GT(afterPage, top + 5 * row);
    key(SDLK_UP);
    EXPECT_FLOAT_EQ(offsetY(table), afterPage - row);
    key(SDLK_END);
    EXPECT_FLOAT_EQ(offsetY(table), 0.0f);
    key(SDLK_HOME);
    EXPECT_FLOAT_EQ(offsetY(table), top);

    // The wheel over the table: one step towards the user scrolls three rows down the list.
    EventMouse wheel(EventMouse::MouseEventType::MOUSE_SCROLL);
    wheel.setLocation(Vec2(480, 300));
    wheel.setScrollData(0, -1);
    Director::getInstance()->getEventDispatcher()->dispatchEvent(&wheel);
    EXPECT_FLOAT_EQ(offsetY(table), top + 3 * row);

    // A reload (new scan) keeps the rows where they are.
    add({namedAp(200, 3, -99)});
    frames(1);
    EXPECT_FLOAT_EQ(offsetY(table) - minOffsetY(table), 3 * row);
    frames(1);
}

TEST_F(TableLayerTest, EditModeAddsAndRemovesThroughAlerts)
{
    add({namedAp(1, 6, -60), namedAp(2, 1, -50)});
    scene->openTable(MainScene::Table::Utilization);
    frames(1);
    SSIDUtilizationTableLayer* table = utilTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->headerTitles(), (std::vector<std::string>{"SSID", "RSSI", "CHANNEL", "GRADE %", "GRADE-"}));
    // Outside edit mode a click on a row asks nothing.
    clickRow(table, rowShowing(table, "ap-1"));
    frames(1);
    EXPECT_EQ(topAlert(), nullptr);

    clickNode(table->actionButton());
    frames(1);
    EXPECT_TRUE(model->utilizationEditMode);
    EXPECT_EQ(table->actionButton()->getTitleText(), "DONE");
    EXPECT_TRUE(table->cellViewAt(0)->isEditShaded());

    // Rows: header, "Press Edit...", header, then both access points.
    const ssize_t row = rowShowing(table, "ap-2");
    ASSERT_GE(row, 3);
    clickRow(table, row);
    frames(1);
    AlertViewLayer* alert = topAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->getTitle(), "Add Access Point!");
    EXPECT_EQ(alert->getMessage(), "Do you want to optimize \"ap-2\"?");
    // The table goes away (a resize, a close) before the answer: the answer still applies.
    scene->closeTable(MainScene::Table::Utilization);
    frames(1);
    EXPECT_FALSE(model->utilizationEditMode) << "closing ends edit mode";
    clickNode(alert->getButtons().at(0));
    frames(2);
    EXPECT_TRUE(model->optimizationSelection.contains(makeAp(2, 1, 0).bssid));
    EXPECT_EQ(topAlert(), nullptr);

    scene->openTable(MainScene::Table::Utilization);
    frames(1);
    table = utilTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->cellViewAt(1)->columnText(ColumnKind::Ssid), "ap-2");
    EXPECT_EQ(table->cellViewAt(1)->columnText(ColumnKind::ProposalChannel), "1->?");
    EXPECT_EQ(table->actionButton()->getTitleText(), " EDIT ");

    // Outside edit mode the selected access point explains its proposal; Esc closes that first.
    clickRow(table, 1);
    frames(1);
    ASSERT_NE(table->popover(), nullptr);
    EXPECT_EQ(table->popover()->lines().front(), "ap-2 on channel 1");
    key(SDLK_ESCAPE);
    frames(1);
    EXPECT_EQ(table->popover(), nullptr);
    ASSERT_NE(utilTable(), nullptr);

    // Remove it again.
    table->toggleEdit();
    clickRow(table, 1);
    frames(1);
    alert = topAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->getTitle(), "Remove Access Point!");
    clickNode(alert->getButtons().at(0));
    frames(2);
    EXPECT_FALSE(model->optimizationSelection.contains(makeAp(2, 1, 0).bssid));
}

TEST_F(TableLayerTest, ControlEExportsTheTable)
{
    add({namedAp(1, 6, -60)});
    scene->openTable(MainScene::Table::AccessPoints);
    frames(1);
    for (Uint32 type : {Uint32(SDL_KEYDOWN), Uint32(SDL_KEYUP)}) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = SDLK_e;
        e.key.keysym.mod = KMOD_LCTRL;
        view->handleSDLEvent(e);
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("data"))) {
        files += entry.path().filename().string().rfind("Nolvo_APs_", 0) == 0;
    }
    EXPECT_EQ(files, 1);
    key(SDLK_e); // without Ctrl: nothing
    files = 0;
    for (auto it = std::filesystem::directory_iterator(dir.file("data")); it != std::filesystem::directory_iterator(); ++it) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

// The link thread empties, refills and re-sorts the list while the table reloads, scrolls and is
// clicked: nothing crashes (ASan), and the clicked row's address is the one acted on.
TEST_F(TableLayerTest, LinkThreadChangesTheListWhileTheTableScrollsAndIsClicked)
{
    std::atomic<bool> stop{false};
    std::thread link([&] {
        std::mt19937 random(3);
        while (!stop.load()) {
            const int action = static_cast<int>(random() % 5);
            if (action == 0) {
                ModelLock lock(*model, kAccessPointLock);
                model->accessPoints.clear();
            } else if (action == 1) {
                ModelLock lock(*model, kAccessPointLock);
                model->sortAccessPoints(static_cast<std::uint8_t>(1 + random() % 11), random() % 2);
            } else {
                std::vector<AccessPoint> scan;
                for (int i = 0; i < 60; ++i) {
                    const auto id = static_cast<std::uint8_t>(1 + random() % 150);
                    scan.push_back(namedAp(id, 1 + static_cast<int>(random() % 11), -40.0f - static_cast<float>(random() % 50)));
                }
                add(std::move(scan));
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    scene->openTable(MainScene::Table::Utilization);
    frames(1);
    SSIDUtilizationTableLayer* table = utilTable();
    ASSERT_NE(table, nullptr);
    table->toggleEdit(); // edit mode: clicks ask to add or remove
    model->utilizationEditMode = false; // but keep the scans merging, to keep the list moving
    int acted = 0;
    for (int round = 0; round < 60; ++round) {
        table->scrollBy(round % 3 == 0 ? 26.0f * 4 : -26.0f);
        frames(1);
        model->utilizationEditMode = true;
        const auto& rows = table->rows();
        ssize_t target = -1;
        for (ssize_t i = 0; i < static_cast<ssize_t>(rows.size()); ++i) {
            if (rows[static_cast<std::size_t>(i)].kind == RowKind::AccessPoint && fullyVisible(table, i)) {
                target = i;
                if (round % 2) break;
            }
        }
        if (AlertViewLayer* refusal = topAlert()) { // "Unable to add SSID!" once all 20 slots are taken
            EXPECT_EQ(refusal->getTitle(), "Unable to add SSID!");
            clickNode(refusal->getButtons().at(0));
            target = -1;
        }
        if (target >= 0) {
            const std::string shown = table->cellViewAt(target)->columnText(ColumnKind::Ssid);
            clickRow(table, target);
            AlertViewLayer* alert = topAlert();
            if (alert) {
                EXPECT_NE(alert->getMessage().find("\"" + shown + "\""), std::string::npos) << alert->getMessage();
                const bool adding = alert->getTitle() == "Add Access Point!";
                const bool full = model->optimizationSelection.count() == OptimizationSelection::kSlots;
                clickNode(alert->getButtons().at(0));
                ++acted;
                Bssid expected = makeAp(static_cast<std::uint8_t>(std::stoi(shown.substr(3))), 1, 0).bssid;
                ModelLock lock(*model, kAccessPointLock);
                if (!adding || !full) {
                    EXPECT_EQ(model->optimizationSelection.contains(expected), adding) << shown;
                }
            }
        }
        model->utilizationEditMode = false;
        frames(1);
        if (HasFailure()) break;
    }
    stop = true;
    link.join();
    EXPECT_GT(acted, 10);
}

} // namespace
} // namespace nolvo::test
