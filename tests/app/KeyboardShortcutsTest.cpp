#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/KeyboardShortcuts.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using Key = engine::EventKeyboard::KeyCode;
using Action = KeyboardShortcuts::Action;

TEST(KeyboardShortcutsTest, SpaceToggles_SArmsASingleSweep)
{
    auto model = std::make_unique<DataModel>();
    const struct {
        int before;
        Key key;
        int after;
        Action action;
    } cases[] = {
        {kRunning, Key::KEY_SPACE, kStopped, Action::RunStateChanged},
        {kStopped, Key::KEY_SPACE, kRunning, Action::RunStateChanged},
        {kSingleArmed, Key::KEY_SPACE, kRunning, Action::RunStateChanged},
        {kSingleDone, Key::KEY_SPACE, kRunning, Action::RunStateChanged},
        {kRunning, Key::KEY_S, kSingleArmed, Action::RunStateChanged},
        {kSingleDone, Key::KEY_S, kSingleArmed, Action::RunStateChanged},
        {kStopped, Key::KEY_F12, kStopped, Action::Screenshot},
        {kRunning, Key::KEY_A, kRunning, Action::None},
    };
    for (const auto& c : cases) {
        model->runState = c.before;
        model->menuRefresh = false;
        EXPECT_EQ(KeyboardShortcuts::handleKey(c.key, *model), c.action);
        EXPECT_EQ(model->runState.load(), c.after) << "from " << c.before;
        // The bar must show the new run state.
        EXPECT_EQ(model->menuRefresh.load(), c.action == Action::RunStateChanged);
    }
}

TEST(KeyboardShortcutsTest, HoldingAKeyActsOnceNotOnEveryRepeat)
{
    auto model = std::make_unique<DataModel>();
    model->runState = kRunning;
    const engine::EventKeyboard press(Key::KEY_SPACE, true, 0, false);
    const engine::EventKeyboard repeat(Key::KEY_SPACE, true, 0, true);
    const engine::EventKeyboard release(Key::KEY_SPACE, false);
    EXPECT_EQ(KeyboardShortcuts::handleKey(press, *model), Action::RunStateChanged);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(KeyboardShortcuts::handleKey(repeat, *model), Action::None);
    EXPECT_EQ(KeyboardShortcuts::handleKey(release, *model), Action::None);
    EXPECT_EQ(model->runState.load(), kStopped);
    const engine::EventKeyboard heldF12(Key::KEY_F12, true, 0, true);
    EXPECT_EQ(KeyboardShortcuts::handleKey(heldF12, *model), Action::None);  // one screenshot per press
}

TEST(KeyboardShortcutsTest, ScreenshotNameCarriesLocalDateAndTime)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(KeyboardShortcuts::screenshotFileName(0), "Nolvo_19700101_000000.png");
    EXPECT_EQ(KeyboardShortcuts::screenshotFileName(1796428805), "Nolvo_20261205_000005.png");
}

} // namespace
} // namespace nolvo
