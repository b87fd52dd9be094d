#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "MenuTestFixture.h"
#include "engine/renderer/Renderer.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/AlertViewLayer.h"
#include "model/SharedField.h"

namespace nolvo::test {
namespace {

using namespace engine;
using Item = MenuBar::Item;
using Key = EventKeyboard::KeyCode;

class OneRowMenu : public MenuLayer {
public:
    static OneRowMenu* create() { return MenuLayer::make<OneRowMenu>(); }

protected:
    friend class MenuLayer;
    void buildRows() override { addCaption("TEST MENU"); }
};

class MenuControllerTest : public MenuTest {
protected:
    AlertViewLayer* shownAlert() const
    {
        for (Node* child : scene->getChildren()) {
            if (auto* alert = dynamic_cast<AlertViewLayer*>(child)) return alert;
        }
        return nullptr;
    }
};

TEST(MenuPlacementTest, CentredOnTheAnchorAndKeptTwoPointsInside)
{
    const Vec2 origin(0, 0);
    const Size visible(960, 640);
    const struct {
        Rect anchor;
        Size menu;
        float x;
    } cases[] = {
        {Rect(500, 0, 58, 60), Size(400, 300), 329},  // centred on the button
        {Rect(0, 0, 58, 60), Size(400, 300), 2},      // pushed right of the left edge
        {Rect(900, 0, 58, 60), Size(400, 300), 558},  // right edge 2 points inside
        {Rect(400, 0, 58, 60), Size(2000, 300), 2},   // wider than the window: left edge wins
    };
    for (const auto& c : cases) {
        const Vec2 at = MenuController::placeMenu(c.anchor, c.menu, origin, visible);
        EXPECT_FLOAT_EQ(at.x, c.x);
        EXPECT_FLOAT_EQ(at.y, 60.0f); // bottom on the anchor's top
    }
    const MenuMetrics desktop = MenuController::metricsFor(3);
    EXPECT_FLOAT_EQ(desktop.fontSize, 16.0f);
    EXPECT_FLOAT_EQ(desktop.rowGap, 8.0f);
    EXPECT_FLOAT_EQ(desktop.margin, 5.0f);
    EXPECT_FLOAT_EQ(MenuController::metricsFor(1).fontSize, 20.0f);
    EXPECT_FLOAT_EQ(MenuController::metricsFor(0).rowGap, 5.0f);
    EXPECT_FLOAT_EQ(MenuController::metricsFor(2).fontSize, 18.0f);
}

TEST_F(MenuControllerTest, ASecondTapOrATapOutsideClosesTheMenu)
{
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
    MenuLayer* menu = openByClick(Item::Cursors);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(controller->getOpenMenuId(), kCursorsMenu);
    EXPECT_EQ(bar->iconOf(Item::Cursors), "CursorIconSelected.png"); // the button stays highlighted
    // Placed above the bar and inside the window.
    const Rect box = menu->getBoundingBox();
    EXPECT_FLOAT_EQ(box.origin.y, MenuController::kBarHeight);
    EXPECT_GE(box.origin.x, 2.0f);
    EXPECT_LE(box.origin.x + box.size.width, 958.0f);
    EXPECT_EQ(controller->getDimmingLayer()->getColor(), Color3B(25, 25, 25));
    EXPECT_EQ(controller->getDimmingLayer()->getOpacity(), 217);

    clickNode(bar->button(Item::Cursors)); // second tap
    settle();
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
    EXPECT_EQ(controller->getOverlay()->getParent(), nullptr);
    EXPECT_EQ(bar->iconOf(Item::Cursors), "CursorIconUnselected.png");

    MenuLayer* measure = openByClick(Item::Measure);
    ASSERT_NE(measure, nullptr);
    const Rect measureBox = measure->getBoundingBox();
    click(measureBox.origin.x + 2, measureBox.origin.y + 2); // on the menu's own background: stays open
    frames(2);
    EXPECT_EQ(controller->getOpenMenuId(), kSpectrumMeasureMenu);
    click(10, 600); // on the dimmed plot
    EXPECT_TRUE(controller->isClosing());
    click(10, 600); // while it fades out, still not the plot's
    settle();
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
    EXPECT_EQ(touchesBehind, 0);

    // While one menu is open a tap on any other bar button only closes it.
    ASSERT_NE(openByClick(Item::Mode), nullptr);
    clickNode(bar->button(Item::Measure));
    settle();
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
}

TEST_F(MenuControllerTest, ClosingFadesTheOverlayOut)
{
    ASSERT_NE(openByClick(Item::Mode), nullptr);
    EXPECT_EQ(controller->getOverlay()->getOpacity(), 255);
    controller->closeMenu(true);
    frames(3);
    const int midway = controller->getOverlay()->getOpacity();
    EXPECT_GT(midway, 0);
    EXPECT_LT(midway, 255);
    EXPECT_EQ(controller->getOpenMenuId(), kSpectrumMenu); // still there while it fades
    settle();
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
    EXPECT_EQ(controller->getOpenMenu(), nullptr);
}

TEST_F(MenuControllerTest, RunStateButtonStepsAndItsLongPressArmsASingleSweep)
{
    ui::Button* run = bar->button(Item::RunState);
    ASSERT_NE(run, nullptr);
    DataModel& model = *DataModel::getInstance();
    EXPECT_EQ(bar->titleOf(Item::RunState), "Pause");
    clickNode(run);
    EXPECT_EQ(model.runState.load(), kStopped);
    EXPECT_EQ(bar->titleOf(Item::RunState), "Play");
    EXPECT_EQ(bar->iconOf(Item::RunState), "PlayIconUnselected.png");
    EXPECT_EQ(link.calls, std::vector<std::string>{"stop"});
    clickNode(run);
    EXPECT_EQ(model.runState.load(), kRunning);
    model.runState = kSingleDone;
    clickNode(run);
    EXPECT_EQ(model.runState.load(), kSingleArmed);
    EXPECT_EQ(bar->titleOf(Item::RunState), "Single");

    // Held for a second: a single sweep, and the release does not step the state again.
    model.runState = kRunning;
    const Vec2 at = centreOf(run);
    mouse(SDL_MOUSEBUTTONDOWN, at.x, at.y);
    frames(70, 16);
    EXPECT_EQ(model.runState.load(), kSingleArmed);
    mouse(SDL_MOUSEBUTTONUP, at.x, at.y);
    EXPECT_EQ(model.runState.load(), kSingleArmed);

    // A press dragged off the button and released is cancelled: its timer must not fire later.
    model.runState = kRunning;
    mouse(SDL_MOUSEBUTTONDOWN, at.x, at.y);
    mouse(SDL_MOUSEMOTION, at.x, 400);
    mouse(SDL_MOUSEBUTTONUP, at.x, 400);
    frames(90, 16);
    EXPECT_EQ(model.runState.load(), kRunning);
}

TEST_F(MenuControllerTest, LongPressFlipsDemoAndSettings)
{
    controller->registerMenu(kDemoMenu, [] { return OneRowMenu::create(); });
    bar->refreshItems();
    ui::Button* button = bar->button(Item::DemoSettings);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(bar->titleOf(Item::DemoSettings), "Demo");
    EXPECT_EQ(bar->menuIdFor(Item::DemoSettings), kDemoMenu);

    const Vec2 at = centreOf(button);
    mouse(SDL_MOUSEBUTTONDOWN, at.x, at.y);
    frames(70, 16);
    mouse(SDL_MOUSEBUTTONUP, at.x, at.y);
    frames(2);
    EXPECT_TRUE(bar->settingsToggle());
    EXPECT_EQ(bar->titleOf(Item::DemoSettings), "Settings");
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu); // the release after the hold opens nothing

    clickNode(button);
    frames(15);
    EXPECT_EQ(controller->getOpenMenuId(), kSettingsMenu);
    controller->closeMenu(false);

    // A connected accessory always gets the settings menu.
    bar->longPressDemoSettings();
    EXPECT_EQ(bar->titleOf(Item::DemoSettings), "Demo");
    bar->setAccessoryConnected(true);
    EXPECT_EQ(bar->titleOf(Item::DemoSettings), "Settings");
    EXPECT_EQ(bar->menuIdFor(Item::DemoSettings), kSettingsMenu);
    controller->registerMenu(kDemoMenu, {});
}

TEST_F(MenuControllerTest, WithoutADemoMenuTheButtonIsSettings)
{
    controller->registerMenu(kDemoMenu, {});
    bar->refreshItems();
    EXPECT_EQ(bar->titleOf(Item::DemoSettings), "Settings");
    EXPECT_EQ(bar->menuIdFor(Item::DemoSettings), kSettingsMenu);
    // Power menus that the program does not have leave their buttons disabled.
    controller->registerMenu(kPowerMenu, {});
    DataModel::getInstance()->common.spectrumModeActive = 0;
    bar->refreshItems();
    EXPECT_EQ(bar->menuIdFor(Item::Mode), kNoMenu);
    EXPECT_FALSE(bar->button(Item::Mode)->isEnabled());
    EXPECT_EQ(bar->titleOf(Item::ColorsTrigger), "Trigger");
    registerMenus(*controller);
}

TEST_F(MenuControllerTest, ModeSwitchNeedsTheModeInTheHardware)
{
    DataModel& model = *DataModel::getInstance();
    model.accessoryConnected = true;
    bar->setAccessoryConnected(true);
    model.deviceInfo.modelId = 7;
    model.deviceInfo.has24Spectrum = true;
    model.deviceInfo.hasPower = false;

    clickNode(bar->button(Item::ModeSwitch));
    frames(1);
    ASSERT_NE(shownAlert(), nullptr);
    EXPECT_EQ(shownAlert()->getTitle(), "Power Mode is unavailable with this hardware.");
    EXPECT_EQ(model.common.spectrumModeActive, 1);
    EXPECT_TRUE(link.calls.empty());
    shownAlert()->removeFromParent();

    model.deviceInfo.hasPower = true;
    const int builds = bar->buildCount();
    clickNode(bar->button(Item::ModeSwitch));
    EXPECT_EQ(model.common.spectrumModeActive, 0);
    EXPECT_EQ(link.calls, std::vector<std::string>{"restart clear"});
    EXPECT_GT(bar->buildCount(), builds);
    EXPECT_EQ(bar->titleOf(Item::Mode), "Power");
    EXPECT_EQ(bar->iconOf(Item::ModeSwitch), "SpectrumIconUnselected.png");

    model.deviceInfo.has24Spectrum = false;
    model.deviceInfo.has5Spectrum = false;
    link.calls.clear();
    clickNode(bar->button(Item::ModeSwitch));
    frames(1);
    ASSERT_NE(shownAlert(), nullptr);
    EXPECT_EQ(shownAlert()->getTitle(), "Spectrum Mode is unavailable with this hardware.");
    EXPECT_EQ(model.common.spectrumModeActive, 0);
    shownAlert()->removeFromParent();

    // Without an accessory both modes are open (demo playback).
    model.accessoryConnected = false;
    bar->setAccessoryConnected(false);
    EXPECT_TRUE(controller->handleKey(Key::KEY_M));
    EXPECT_EQ(model.common.spectrumModeActive, 1);
    EXPECT_EQ(link.calls, std::vector<std::string>{"restart clear"});
}

TEST_F(MenuControllerTest, FunctionKeysOpenTheBarsMenusAndEscClosesThem)
{
    const struct {
        Key key;
        int id;
    } keys[] = {{Key::KEY_F1, kSpectrumMenu}, {Key::KEY_F2, kCursorsMenu}, {Key::KEY_F3, kSpectrumMeasureMenu},
                {Key::KEY_F4, kSpectrumColorMenu}, {Key::KEY_F5, kDemoMenu}}; // no accessory: the demo menu
    for (const auto& k : keys) {
        // Straight from another open menu to this one.
        EXPECT_TRUE(controller->handleKey(k.key));
        EXPECT_EQ(controller->getOpenMenuId(), k.id);
    }
    EXPECT_TRUE(controller->handleKey(Key::KEY_F5)); // its own key again closes it
    settle();
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
    EXPECT_TRUE(controller->handleKey(Key::KEY_F2));
    EXPECT_TRUE(controller->handleKey(Key::KEY_ESCAPE));
    settle();
    EXPECT_EQ(controller->getOpenMenuId(), kNoMenu);
    EXPECT_FALSE(controller->handleKey(Key::KEY_ESCAPE)); // nothing open: not used
}

// The arrow follows the bar's state in a window of the program's size and in a wide one, where
// the bar's hidden and shown positions are both right of the centre.
TEST_F(MenuControllerTest, FlyInAndOutSlidesTheBarSideways)
{
    for (const float wide : {960.0f, 1600.0f}) {
        SCOPED_TRACE(wide);
        view->setFrameSize(wide, 640);
        controller->attach(scene);
        bar = controller->getBar();
        ASSERT_NE(bar, nullptr);
        frames(2);
        const float shown = bar->getPositionX();
        EXPECT_FLOAT_EQ(shown, bar->shownX());
        EXPECT_FLOAT_EQ(shown + bar->getContentSize().width, wide);
        EXPECT_EQ(bar->iconOf(Item::FlyInOut), "FlyinUnselected.png");
        clickNode(bar->button(Item::FlyInOut));
        frames(20);
        EXPECT_FLOAT_EQ(bar->getPositionX(), bar->hiddenX());
        EXPECT_FALSE(bar->isShown());
        EXPECT_EQ(bar->iconOf(Item::FlyInOut), "FlyoutUnselected.png");
        // Only the fly-in/out button is left in the window, showing the other arrow.
        const Vec2 fly = centreOf(bar->button(Item::FlyInOut));
        EXPECT_LT(fly.x, wide);
        EXPECT_GT(fly.x, wide - bar->itemWidth());
        clickNode(bar->button(Item::FlyInOut));
        frames(20);
        EXPECT_FLOAT_EQ(bar->getPositionX(), shown);
        EXPECT_EQ(bar->iconOf(Item::FlyInOut), "FlyinUnselected.png");
    }
}

// The word under an icon belongs to the button: clicks, finger taps and long presses on the
// title line act like those on the icon.
TEST_F(MenuControllerTest, TitlesUnderTheIconsAreTheButtonsToo)
{
    controller->registerMenu(kDemoMenu, [] { return OneRowMenu::create(); });
    bar->refreshItems();
    DataModel& model = *DataModel::getInstance();
    enum class Way { Click, Finger, Hold };
    auto titlePoint = [&](Item item) {
        const Label* title = nullptr;
        const float x = centreOf(bar->button(item)).x;
        for (Node* child : bar->getChildren()) {
            auto* label = dynamic_cast<Label*>(child);
            if (label && label->getString() == bar->titleOf(item)) title = label;
        }
        EXPECT_NE(title, nullptr) << bar->titleOf(item);
        // The middle of the title line, below the icon's own rectangle.
        const float y = bar->convertToWorldSpace(Vec2(0, title ? title->getPositionY() + 5.0f : 6.0f)).y;
        EXPECT_LT(y, bar->button(item)->getBoundingBox().getMinY() + bar->getPositionY());
        return Vec2(x, y);
    };
    auto press = [&](Way way, const Vec2& at) {
        if (way == Way::Finger) {
            for (Uint32 type : {Uint32(SDL_FINGERDOWN), Uint32(SDL_FINGERUP)}) {
                SDL_Event e{};
                e.type = type;
                e.tfinger.fingerId = 3;
                e.tfinger.x = at.x / view->getFrameSize().width;
                e.tfinger.y = (view->getFrameSize().height - at.y) / view->getFrameSize().height;
                view->handleSDLEvent(e);
            }
        } else {
            mouse(SDL_MOUSEBUTTONDOWN, at.x, at.y);
            if (way == Way::Hold) frames(70, 16);
            mouse(SDL_MOUSEBUTTONUP, at.x, at.y);
        }
        frames(15);
    };
    struct Case {
        const char* what;
        Item item;
        Way way;
        std::function<bool()> acted;
    };
    const std::vector<Case> cases = {
        {"click on Cursors", Item::Cursors, Way::Click, [&] { return controller->getOpenMenuId() == bar->menuIdFor(Item::Cursors); }},
        {"finger on Measure", Item::Measure, Way::Finger,
         [&] { return controller->getOpenMenuId() == bar->menuIdFor(Item::Measure); }},
        {"click on Pause", Item::RunState, Way::Click, [&] { return model.runState.load() == kStopped; }},
        {"finger on Play", Item::RunState, Way::Finger, [&] { return model.runState.load() == kRunning; }},
        {"hold on Pause", Item::RunState, Way::Hold, [&] { return model.runState.load() == kSingleArmed; }},
        {"hold on Demo", Item::DemoSettings, Way::Hold, [&] { return bar->settingsToggle(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.acted());
        press(c.way, titlePoint(c.item));
        EXPECT_TRUE(c.acted());
        controller->closeMenu(false);
        settle();
    }
    EXPECT_EQ(touchesBehind, 0);
    registerMenus(*controller);
}

// A window narrower than the nine full columns: the bar shares its width among them, every button
// stays in the window and no title runs into its neighbour.
TEST_F(MenuControllerTest, NarrowWindowKeepsEveryButtonInside)
{
    view->setFrameSize(480, 320);
    controller->attach(scene);
    bar = controller->getBar();
    ASSERT_NE(bar, nullptr);
    frames(2);
    EXPECT_FLOAT_EQ(bar->itemWidth(), 480.0f / MenuBar::kItemCount);
    EXPECT_LE(bar->getPositionX() + bar->getContentSize().width, 480.0f);
    for (int i = 0; i < MenuBar::kItemCount; ++i) {
        SCOPED_TRACE(i);
        ui::Button* button = bar->button(static_cast<Item>(i));
        if (!button) continue;
        const Vec2 centre = centreOf(button);
        EXPECT_GE(centre.x, 0.0f);
        EXPECT_LE(centre.x, 480.0f);
    }
    for (Node* child : bar->getChildren()) {
        if (auto* label = dynamic_cast<Label*>(child)) {
            SCOPED_TRACE(label->getString());
            label->visit(Director::getInstance()->getRenderer(), Mat4::IDENTITY, 0); // lays the text out
            EXPECT_LE(label->getContentSize().width, bar->itemWidth());
            EXPECT_LT(label->getContentSize().height, 1.5f * label->getTTFConfig().fontSize) << "one line";
        }
    }
    // Those visits queued draw commands outside a frame: drop them before the click below frees
    // the labels they point at.
    Director::getInstance()->getRenderer()->clear();
    // The switch button at the right end still answers a click.
    const int before = loadShared(DataModel::getInstance()->common.spectrumModeActive);
    clickNode(bar->button(Item::ModeSwitch));
    frames(2);
    EXPECT_NE(loadShared(DataModel::getInstance()->common.spectrumModeActive), before);
}

TEST_F(MenuControllerTest, IdleFramesWithAMenuOpenRenderNothing)
{
    ASSERT_NE(openByClick(Item::Mode), nullptr);
    frames(10);
    const auto rendered = Director::getInstance()->getRenderedFrames();
    frames(30);
    EXPECT_EQ(Director::getInstance()->getRenderedFrames(), rendered);
}

} // namespace
} // namespace nolvo::test
