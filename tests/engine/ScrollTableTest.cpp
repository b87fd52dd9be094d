// Scroll views and table views in a real window, driven by touches and the wheel as the window
// hands them in: dragging, tapping, inertia and bounce, cell reuse, reloads, clipping, leaks.
#include "GuiTestFixture.h"

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/app/GLView.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/extension/TableView.h"
#include "engine/scene/Layer.h"
#include "engine/ui/ScrollView.h"
#include "platform/Clock.h"

using namespace engine;
using engine::extension::TableView;
using engine::extension::TableViewCell;
using enginetest::GuiTest;

namespace {

constexpr float kRow = 40.0f;

// Rows of 40 points; counts the cells it had to make because none was free for reuse.
class Rows : public extension::TableViewDataSource, public extension::TableViewDelegate {
public:
    ssize_t count = 20;
    int made = 0;
    int asked = 0;
    std::vector<ssize_t> touched;
    std::vector<std::string> highlights;

    Size tableCellSizeForIndex(TableView*, ssize_t) override { return Size(300, kRow); }
    TableViewCell* tableCellAtIndex(TableView* table, ssize_t) override
    {
        ++asked;
        TableViewCell* cell = table->dequeueCell();
        if (!cell) {
            cell = TableViewCell::create();
            cell->setContentSize(Size(300, kRow));
            ++made;
        }
        return cell;
    }
    ssize_t numberOfCellsInTableView(TableView*) override { return count; }
    void tableCellTouched(TableView*, TableViewCell* cell) override { touched.push_back(cell->getIdx()); }
    void tableCellHighlight(TableView*, TableViewCell* cell) override
    {
        highlights.push_back("on " + std::to_string(cell->getIdx()));
    }
    void tableCellUnhighlight(TableView*, TableViewCell* cell) override
    {
        highlights.push_back("off " + std::to_string(cell->getIdx()));
    }
};

std::uint64_t g_now = 0;

class ScrollTableTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (HasFatalFailure()) return;
        clock::setSource([] { return g_now; });
        g_now = 1000;
    }
    void TearDown() override
    {
        clock::setSource(nullptr);
        GuiTest::TearDown();
    }
    // A 300 x 200 table (five rows in view) with its bottom-left corner at (100, 100).
    TableView* makeTable()
    {
        TableView* table = TableView::create(&rows, Size(300, 200));
        table->setDelegate(&rows);
        table->setPosition(100, 100);
        scene->addChild(table);
        return table;
    }
    // Window input uses view coordinates (origin top-left); these helpers take GL points.
    void down(float x, float y)
    {
        const std::intptr_t id = 1;
        const float vy = 640 - y;
        view->handleTouchesBegin(1, &id, &x, &vy);
    }
    void move(float x, float y)
    {
        const std::intptr_t id = 1;
        const float vy = 640 - y;
        view->handleTouchesMove(1, &id, &x, &vy);
    }
    void up(float x, float y)
    {
        const std::intptr_t id = 1;
        const float vy = 640 - y;
        view->handleTouchesEnd(1, &id, &x, &vy);
    }
    // A drag in steps of 10 points every 16 ms; rests before lifting unless fling.
    void drag(Vec2 from, Vec2 to, bool fling = false)
    {
        down(from.x, from.y);
        const Vec2 d = to - from;
        const int steps = std::max(1, static_cast<int>(std::hypot(d.x, d.y) / 10.0f));
        for (int i = 1; i <= steps; ++i) {
            g_now += 16;
            const Vec2 p = from + d * (static_cast<float>(i) / static_cast<float>(steps));
            move(p.x, p.y);
        }
        g_now += fling ? 16 : 300;
        up(to.x, to.y);
    }
    void frames(ui::ScrollView* v, int n)
    {
        for (int i = 0; i < n; ++i) v->update(1.0f / 60.0f);
    }
    // The index of the row whose top edge is at the view's top edge (the table at y 100..300).
    static ssize_t topRow(TableView* table)
    {
        const float scrolled = table->getContentOffset().y - table->minContainerOffset().y;
        return static_cast<ssize_t>(scrolled / kRow);
    }

    Rows rows;
};

TEST_F(ScrollTableTest, DraggingByThreeRowsMovesTheRowsAndTouchesNoCell)
{
    TableView* table = makeTable();
    EXPECT_EQ(table->getContentOffset(), table->minContainerOffset());  // starts at the top
    drag({250, 150}, {250, 270});  // up by three rows
    frames(table, 60);
    EXPECT_FLOAT_EQ(table->getContentOffset().y - table->minContainerOffset().y, 3 * kRow);
    EXPECT_EQ(topRow(table), 3);
    ASSERT_NE(table->cellAtIndex(3), nullptr);
    EXPECT_EQ(table->cellAtIndex(3)->getIdx(), 3);
    EXPECT_EQ(table->cellAtIndex(3)->convertToWorldSpace(Vec2(0, kRow)).y, 300.0f);
    EXPECT_EQ(table->cellAtIndex(2), nullptr);  // scrolled out and recycled
    EXPECT_TRUE(rows.touched.empty());
    EXPECT_EQ(rows.highlights, (std::vector<std::string>{"on 3", "off 3"}));  // pressed, then a drag

    // A tap on row 5 (now the third row in view, 200..220 is inside it) touches cell 5 only.
    rows.highlights.clear();
    down(250, 205);
    g_now += 80;
    up(251, 204);
    EXPECT_EQ(rows.touched, (std::vector<ssize_t>{5}));
    EXPECT_EQ(rows.highlights, (std::vector<std::string>{"on 5", "off 5"}));
    // A tap outside the table touches nothing.
    down(50, 205);
    up(50, 205);
    EXPECT_EQ(rows.touched.size(), 1u);
}

TEST_F(ScrollTableTest, TheWheelScrollsTheViewUnderThePointerThreeLinesANotch)
{
    TableView* table = makeTable();
    table->setWheelLineHeight(20);
    ui::ScrollView* other = ui::ScrollView::create();
    other->setContentSize(Size(200, 200));
    other->setInnerContainerSize(Size(200, 2000));
    other->setPosition(600, 100);
    other->jumpToTop();
    scene->addChild(other);
    const Vec2 otherStart = other->getInnerContainerPosition();
    const float top = table->getContentOffset().y;
    // Towards the user: further down the list.
    view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET, 250, 440, 0, -1);
    EXPECT_FLOAT_EQ(table->getContentOffset().y, top + 60);
    view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET, 250, 440, 0, -2);
    EXPECT_FLOAT_EQ(table->getContentOffset().y, top + 180);
    // Away from the user past the top: stops at the top.
    view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET, 250, 440, 0, 10);
    EXPECT_FLOAT_EQ(table->getContentOffset().y, top);
    EXPECT_EQ(other->getInnerContainerPosition(), otherStart);
    // Over the other view: only it moves.
    view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET, 700, 440, 0, -1);
    EXPECT_FLOAT_EQ(other->getInnerContainerPosition().y, otherStart.y + 3 * other->getWheelLineHeight());
    EXPECT_FLOAT_EQ(table->getContentOffset().y, top);
    EXPECT_TRUE(rows.touched.empty());
}

TEST_F(ScrollTableTest, AFlingPastTheEndBouncesBackAndStopsAtTheEnd)
{
    TableView* table = makeTable();
    table->setContentOffset(table->maxContainerOffset());  // at the bottom
    ASSERT_EQ(table->getContentOffset().y, 0.0f);
    // Dragging further up pulls the content past its end, with resistance.
    down(250, 150);
    for (int i = 1; i <= 10; ++i) {
        g_now += 16;
        move(250, 150 + 10.0f * i);
    }
    const float pulled = table->getContentOffset().y;
    EXPECT_GT(pulled, 20.0f);
    EXPECT_LT(pulled, 100.0f);
    g_now += 16;
    up(250, 250);  // released while moving: a fling outwards
    frames(table, 3);
    EXPECT_GT(table->getContentOffset().y, 0.0f);
    EXPECT_TRUE(table->isScrolling());
    frames(table, 120);
    EXPECT_EQ(table->getContentOffset().y, 0.0f);
    EXPECT_FALSE(table->isScrolling());
    frames(table, 30);
    EXPECT_EQ(table->getContentOffset().y, 0.0f);
    EXPECT_TRUE(rows.touched.empty());
}

// Frame times no clock should give (no number, a stall of ages): the glide neither jumps to
// nowhere nor spins, and comes to rest at the end as usual.
TEST_F(ScrollTableTest, OutlandishFrameTimesLeaveTheGlideInsideTheEnds)
{
    for (const float dt : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e30f}) {
        SCOPED_TRACE(dt);
        TableView* table = makeTable();
        table->setContentOffset(table->maxContainerOffset());
        down(250, 150);
        for (int i = 1; i <= 10; ++i) {
            g_now += 16;
            move(250, 150 + 10.0f * i);
        }
        g_now += 16;
        up(250, 250); // a fling outwards, past the end
        frames(table, 2);
        const float before = table->getContentOffset().y;
        table->update(dt);
        const float after = table->getContentOffset().y;
        EXPECT_TRUE(std::isfinite(after));
        EXPECT_LE(after, before);
        EXPECT_GE(after, table->minContainerOffset().y);
        frames(table, 120);
        EXPECT_EQ(table->getContentOffset().y, 0.0f);
        EXPECT_FALSE(table->isScrolling());
        table->removeFromParent();
    }
}

TEST_F(ScrollTableTest, AFlingGlidesOnAndComesToRestInsideTheEnds)
{
    rows.count = 200;
    TableView* table = makeTable();
    drag({250, 110}, {250, 290}, true);
    const float released = table->getContentOffset().y;
    frames(table, 20);
    const float gliding = table->getContentOffset().y;
    EXPECT_GT(gliding, released + 50.0f);  // kept going after the finger left
    frames(table, 600);
    EXPECT_FALSE(table->isScrolling());
    const float rest = table->getContentOffset().y;
    EXPECT_GE(rest, gliding);
    EXPECT_LE(rest, 0.0f);
    EXPECT_GE(rest, table->minContainerOffset().y);
    // Without inertia the content stops where the finger left it.
    table->jumpToTop();
    table->setInertiaScrollEnabled(false);
    drag({250, 110}, {250, 290}, true);
    const float stopped = table->getContentOffset().y;
    frames(table, 60);
    EXPECT_EQ(table->getContentOffset().y, stopped);
}

TEST_F(ScrollTableTest, ScrollingTwoThousandRowsUsesOnlyTheCellsInViewPlusTwo)
{
    rows.count = 2048;
    TableView* table = makeTable();
    const float top = table->minContainerOffset().y;
    ASSERT_FLOAT_EQ(top, 200 - 2048 * kRow);
    // Row by row, and at odd offsets where six rows are partly in view.
    std::size_t most = 0;
    for (float y = top; y <= 0.0f; y += 13.0f) {
        table->setContentOffset(Vec2(0, y));
        most = std::max(most, table->getCellsInUseCount());
        EXPECT_LE(table->getCellsInUseCount() + table->getCellsFreeCount(), 6u + 2u);
    }
    table->setContentOffset(Vec2::ZERO);
    EXPECT_EQ(most, 6u);
    EXPECT_LE(rows.made, 6 + 2);
    // At the bottom the last rows are in view, each where its index says.
    for (ssize_t idx = 2043; idx < 2048; ++idx) {
        TableViewCell* cell = table->cellAtIndex(idx);
        ASSERT_NE(cell, nullptr) << idx;
        EXPECT_EQ(cell->getIdx(), idx);
        EXPECT_FLOAT_EQ(cell->convertToWorldSpace(Vec2::ZERO).y, 100 + (2047 - idx) * kRow);
    }
    EXPECT_EQ(table->cellAtIndex(2042), nullptr);
}

TEST_F(ScrollTableTest, ReloadKeepsTheOffsetWhenTheRowsAllowAndClampsWhenRowsGo)
{
    rows.count = 2048;
    TableView* table = makeTable();
    table->setContentOffset(Vec2(0, table->minContainerOffset().y + 100 * kRow));
    ASSERT_EQ(topRow(table), 100);
    const Vec2 before = table->getContentOffset();
    table->reloadData();
    EXPECT_EQ(table->getContentOffset(), before);
    EXPECT_EQ(topRow(table), 100);
    rows.count = 3000;  // more rows: the same rows stay in view
    table->reloadData();
    EXPECT_EQ(topRow(table), 100);
    ASSERT_NE(table->cellAtIndex(100), nullptr);
    EXPECT_FLOAT_EQ(table->cellAtIndex(100)->convertToWorldSpace(Vec2(0, kRow)).y, 300.0f);
    rows.count = 50;  // fewer rows than the offset needs: clamped to the end
    table->reloadData();
    EXPECT_EQ(table->getContentOffset().y, 0.0f);
    EXPECT_NE(table->cellAtIndex(49), nullptr);
    EXPECT_EQ(table->cellAtIndex(50), nullptr);
    rows.count = 0;  // empty: no cells, and every input still works
    table->reloadData();
    EXPECT_EQ(table->getCellsInUseCount(), 0u);
    EXPECT_EQ(table->getContentOffset(), Vec2::ZERO);
    drag({250, 150}, {250, 250}, true);
    frames(table, 120);
    view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET, 250, 440, 0, -1);
    down(250, 200);
    up(250, 200);
    EXPECT_TRUE(rows.touched.empty());
    EXPECT_EQ(table->getContentOffset(), Vec2::ZERO);
    rows.count = 3;  // rows again
    table->reloadData();
    EXPECT_EQ(table->getCellsInUseCount(), 3u);
    ASSERT_NE(table->cellAtIndex(0), nullptr);
    EXPECT_FLOAT_EQ(table->cellAtIndex(0)->convertToWorldSpace(Vec2(0, kRow)).y, 300.0f);
    // updateCellAtIndex asks for that cell again, with a cell to reuse at hand.
    const int made = rows.made;
    const int asked = rows.asked;
    table->updateCellAtIndex(1);
    EXPECT_EQ(rows.asked, asked + 1);
    EXPECT_EQ(rows.made, made);
    ASSERT_NE(table->cellAtIndex(1), nullptr);
    EXPECT_EQ(table->cellAtIndex(1)->getIdx(), 1);
    EXPECT_EQ(table->getCellsInUseCount(), 3u);
    table->updateCellAtIndex(7);  // no such row: nothing asked
    EXPECT_EQ(rows.asked, asked + 1);
}

TEST_F(ScrollTableTest, ATapOnContentIsTheContentsButADragScrollsAndNeverPressesIt)
{
    ui::ScrollView* scroll = ui::ScrollView::create();
    scroll->setContentSize(Size(300, 200));
    scroll->setInnerContainerSize(Size(300, 1000));
    scroll->setPosition(100, 100);
    scroll->jumpToTop();
    scene->addChild(scroll);
    ui::Layout* button = ui::Layout::create();  // any touchable widget
    button->setContentSize(Size(300, 100));
    button->setPosition(Vec2(0, 1000 - 100));  // the top 100 points of the content
    button->setTouchEnabled(true);
    int clicks = 0;
    button->addClickEventListener([&](Ref*) { ++clicks; });
    scroll->addChild(button);
    const float top = scroll->getInnerContainerPosition().y;
    down(250, 250);
    g_now += 50;
    move(252, 253);  // under the drag threshold
    up(252, 253);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(scroll->getInnerContainerPosition().y, top);
    drag({250, 250}, {250, 150});  // starts on the button, moves the content down
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->isHighlighted());
    frames(scroll, 60);
    EXPECT_FLOAT_EQ(scroll->getInnerContainerPosition().y, top);  // it was at the top: bounced back
    drag({250, 150}, {250, 250});
    frames(scroll, 60);
    EXPECT_FLOAT_EQ(scroll->getInnerContainerPosition().y, top + 100);
    EXPECT_EQ(clicks, 1);
    // The button scrolled half out of the view: the part clipped away does not press it.
    down(250, 310);
    up(250, 310);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ScrollTableTest, JumpsPlaceTheInnerContainer)
{
    ui::ScrollView* v = ui::ScrollView::create();
    v->setDirection(ui::ScrollView::Direction::BOTH);
    v->setContentSize(Size(200, 100));
    v->setInnerContainerSize(Size(600, 500));
    ASSERT_EQ(v->getMinPosition(), Vec2(-400, -400));
    const struct {
        const char* what;
        std::function<void()> jump;
        Vec2 at;
    } cases[] = {
        {"top", [&] { v->jumpToTop(); }, {0, -400}},
        {"bottom", [&] { v->jumpToBottom(); }, {0, 0}},
        {"right", [&] { v->jumpToRight(); }, {-400, 0}},
        {"left", [&] { v->jumpToLeft(); }, {0, 0}},
        {"25% down", [&] { v->jumpToPercentVertical(25); }, {0, -300}},
        {"75% across", [&] { v->jumpToPercentHorizontal(75); }, {-300, -300}},
        {"both", [&] { v->jumpToPercentBothDirection(Vec2(50, 50)); }, {-200, -200}},
        {"past the ends", [&] { v->setInnerContainerPosition(Vec2(50, -900)); }, {0, -400}},
        {"below 0 %", [&] { v->jumpToPercentVertical(-10); }, {0, -400}},
    };
    for (const auto& c : cases) {
        c.jump();
        EXPECT_EQ(v->getInnerContainerPosition(), c.at) << c.what;
    }
    v->jumpToPercentVertical(40);
    EXPECT_FLOAT_EQ(v->getScrolledPercentVertical(), 40.0f);
    // A smaller inner size is raised to the view's; the top stays in place on screen.
    v->setInnerContainerSize(Size(10, 10));
    EXPECT_EQ(v->getInnerContainerSize(), Size(200, 100));
    EXPECT_EQ(v->getInnerContainerPosition(), Vec2::ZERO);
    // An animated scroll arrives in its time.
    v->setInnerContainerSize(Size(200, 1100));
    v->jumpToBottom();
    v->scrollToPercentVertical(0, 0.5f);
    frames(v, 15);
    EXPECT_GT(v->getInnerContainerPosition().y, -1000.0f);
    frames(v, 20);
    EXPECT_EQ(v->getInnerContainerPosition().y, -1000.0f);
    EXPECT_FALSE(v->isScrolling());
}

TEST_F(ScrollTableTest, AScrollViewClipsItsContentToItsRectangle)
{
    ui::ScrollView* v = ui::ScrollView::create();
    v->setContentSize(Size(120, 80));
    v->setInnerContainerSize(Size(120, 400));
    v->setPosition(200, 150);
    v->addChild(LayerColor::create(Color4B(255, 0, 0, 255), 960, 640));
    scene->addChild(v);
    render();
    EXPECT_EQ(inkBox(), Rect(200, 150, 120, 80));
    EXPECT_EQ(countNear(0, 0, width, height, Color4B(255, 0, 0, 255), 0), 120 * 80);
    // A horizontal view moves sideways with a plain wheel.
    v->setDirection(ui::ScrollView::Direction::HORIZONTAL);
    v->setInnerContainerSize(Size(600, 400));
    v->jumpToLeft();
    v->scrollByWheel(0, -1);
    EXPECT_FLOAT_EQ(v->getInnerContainerPosition().x, -3 * v->getWheelLineHeight());
}

// Every way the table can be left holding cells it does not show: at most two wait for reuse,
// and a table taken away while a row is pressed (a key closing it, a resize) keeps nothing alive.
TEST_F(ScrollTableTest, TheTableKeepsNoCellsBeyondThoseInViewAndTwoWaiting)
{
    struct Case {
        const char* what;
        std::function<void(TableView*)> act;
    };
    const std::vector<Case> cases = {
        {"reload down to one row", [&](TableView* t) { rows.count = 1; t->reloadData(); }},
        {"reload to no rows", [&](TableView* t) { rows.count = 0; t->reloadData(); }},
        {"jump to the far end", [&](TableView* t) { t->setContentOffset(Vec2::ZERO); }},
        {"one row rebuilt", [&](TableView* t) { t->updateCellAtIndex(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rows.count = 200;
        TableView* table = makeTable();
        c.act(table);
        EXPECT_LE(table->getCellsFreeCount(), TableView::kMaxFreeCells);
        table->removeFromParent();
        AutoreleasePool::getInstance()->clear();
    }

    rows.count = 30;
    const std::size_t before = Ref::getLiveCount();
    for (const bool pressed : {false, true}) {
        SCOPED_TRACE(pressed ? "removed mid-press" : "removed at rest");
        TableView* table = makeTable();
        if (pressed) down(150, 280);
        table->removeFromParent();
        if (pressed) up(150, 280); // the release lands on nothing (and ends the touch)
        AutoreleasePool::getInstance()->clear();
        EXPECT_EQ(Ref::getLiveCount(), before);
    }
    EXPECT_TRUE(rows.touched.empty());
}

TEST_F(ScrollTableTest, AThousandViewsAndTablesBuiltAndTornDownLeaveNothingBehind)
{
    rows.count = 30;
    std::size_t before = 0;
    for (int round = 0; round <= 1000; ++round) {
        if (round == 1) before = Ref::getLiveCount();
        ui::ScrollView* v = ui::ScrollView::create();
        v->setContentSize(Size(100, 100));
        v->setInnerContainerSize(Size(100, 300));
        v->addChild(LayerColor::create(Color4B(0, 255, 0, 255), 50, 50));
        scene->addChild(v);
        TableView* table = makeTable();
        table->setContentOffset(Vec2(0, table->minContainerOffset().y + (round % 20) * 10.0f));
        table->reloadData();
        if (round % 100 == 0) render();
        v->removeFromParent();
        table->removeFromParent();
        AutoreleasePool::getInstance()->clear();
    }
    EXPECT_EQ(Ref::getLiveCount(), before);
}

} // namespace
