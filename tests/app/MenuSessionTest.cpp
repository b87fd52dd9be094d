// The program's own start-up, window, demo playback and menus, driven by the window's events:
// the spectrum menu opened with a click on the bar and WATERFALL chosen with the mouse, then the
// same with the keyboard alone; the choice survives quitting.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <SDL2/SDL.h>

#include "support/GlDriverPin.h"
#include "SceneTestFixture.h"
#include "app/AppDelegate.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"
#include "engine/ui/Button.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "menus/MenuLayer.h"
#include "model/DataModel.h"
#include "platform/FileUtils.h"
#include "platform/UserDefault.h"

namespace nolvo::test {
namespace {

using namespace engine;

class MenuSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        setenv("LP_NUM_THREADS", "0", 0);
        nolvo::test::pinGlDriver();
        UserDefault::setStoreDirectory(dir.file("config"));
        UserDefault::destroyInstance();
        FileUtils::getInstance()->setWritablePath(dir.file("data"));
        resetModel();
    }
    void TearDown() override
    {
        resetModel();
        UserDefault::destroyInstance();
        UserDefault::setStoreDirectory("");
    }
    TempDir dir;
};

// Events as the window system delivers them (view coordinates: y grows downwards).
void pushClick(const Vec2& glPoint)
{
    const int height = 640;
    for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = static_cast<int>(glPoint.x);
        e.button.y = static_cast<int>(height - glPoint.y);
        SDL_PushEvent(&e);
    }
}

void pushKeys(std::initializer_list<SDL_Keycode> keys)
{
    for (SDL_Keycode key : keys) {
        for (Uint32 type : {Uint32(SDL_KEYDOWN), Uint32(SDL_KEYUP)}) {
            SDL_Event e{};
            e.type = type;
            e.key.keysym.sym = key;
            SDL_PushEvent(&e);
        }
    }
}

Vec2 worldCentre(const Node* node)
{
    const Rect box = node->getBoundingBox();
    return node->getParent()->convertToWorldSpace(Vec2(box.origin.x + box.size.width / 2, box.origin.y + box.size.height / 2));
}

TEST_F(MenuSessionTest, WaterfallChosenByMouseAndByKeyboardAndKeptAfterQuitting)
{
    DataModel* model = DataModel::getInstance();
    AppDelegate app;
    int frame = 0;
    // What the scene showed at each check.
    std::vector<std::string> seen;
    auto view = [&] {
        MainScene* scene = app.scene();
        const bool waterfall = scene->getLayer(LayerSlot::Waterfall24) != nullptr;
        const bool realWave = scene->getLayer(LayerSlot::Rssi24) != nullptr;
        return std::string(waterfall ? "waterfall" : realWave ? "real wave" : "other");
    };
    // One step of the script per frame number.
    std::vector<std::pair<int, std::function<void()>>> script = {
        {20, [&] { seen.push_back(view()); }},
        {21, [&] { pushClick(worldCentre(MenuController::getInstance()->getBar()->button(MenuBar::Item::Mode))); }},
        {40,
         [&] {
             MenuLayer* menu = MenuController::getInstance()->getOpenMenu();
             ASSERT_NE(menu, nullptr) << "the click on the bar opened no menu";
             seen.push_back("menu " + std::to_string(MenuController::getInstance()->getOpenMenuId()));
             auto* mode = dynamic_cast<SegmentedRow*>(menu->findRow("MODE: "));
             ASSERT_NE(mode, nullptr);
             pushClick(worldCentre(mode->segment(1)));
         }},
        {45, [&] { seen.push_back(view()); }},
        // Keyboard alone: close, back to the real wave, then the waterfall again.
        {46, [&] { pushKeys({SDLK_ESCAPE}); }},
        {70, [&] { pushKeys({SDLK_F1, SDLK_DOWN, SDLK_DOWN, SDLK_LEFT, SDLK_RETURN}); }},
        {90, [&] { seen.push_back(view()); }},
        {91, [&] { pushKeys({SDLK_RIGHT, SDLK_RETURN, SDLK_ESCAPE}); }},
        {110,
         [&] {
             seen.push_back(view());
             seen.push_back("menu " + std::to_string(MenuController::getInstance()->getOpenMenuId()));
             SDL_Event quit{};
             quit.type = SDL_QUIT;
             SDL_PushEvent(&quit);
         }},
    };
    app.setBeforeLinkHook([&] {
        app.scene()->schedule(
            [&](float) {
                ++frame;
                for (auto& [at, step] : script) {
                    if (at == frame) step();
                }
            },
            "menu-session");
    });
    const int status = app.run();
    app.shutdown();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"real wave", "menu 0", "waterfall", "real wave", "waterfall", "menu 9"}));

    // The next start finds the waterfall.
    auto next = std::make_unique<DataModel>();
    next->loadConfiguration(0);
    EXPECT_EQ(next->spectrum.displayMode, 1);
    (void)model;
}

} // namespace
} // namespace nolvo::test
