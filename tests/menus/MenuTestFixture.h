#pragma once
// A running scene with the menu controller attached (strip, bar, overlay) as the main scene has
// it, a fake link, and input helpers: mouse presses and releases, the wheel, keys.

#include <SDL2/SDL.h>

#include "FakeLinkControl.h"
#include "SceneTestFixture.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/scene/Scene.h"
#include "engine/ui/Button.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "menus/MenuLayer.h"
#include "menus/PickerLayer.h"
#include "model/DataModel.h"

namespace nolvo::test {

class MenuTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        controller = MenuController::getInstance();
        controller->setLinkControl(&link);
        scene = engine::Scene::create();
        // Something touchable behind everything: the menus must keep their touches from it.
        auto* behind = engine::EventListenerTouchOneByOne::create();
        behind->onTouchBegan = [this](engine::Touch*, engine::Event*) {
            ++touchesBehind;
            return true;
        };
        engine::Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(behind, scene);
        engine::Director::getInstance()->runWithScene(scene);
        controller->attach(scene);
        frames(1);
        bar = controller->getBar();
        ASSERT_NE(bar, nullptr);
    }
    void TearDown() override
    {
        controller->setLinkControl(nullptr);
        controller->detach();
        SceneTest::TearDown();
    }

    static engine::Vec2 centreOf(const engine::Node* node)
    {
        const engine::Rect box = node->getBoundingBox();
        const engine::Vec2 local(box.origin.x + box.size.width / 2, box.origin.y + box.size.height / 2);
        return node->getParent() ? node->getParent()->convertToWorldSpace(local) : local;
    }
    void clickNode(const engine::Node* node)
    {
        const engine::Vec2 at = centreOf(node);
        click(at.x, at.y);
    }
    void mouse(Uint32 type, float x, float y)
    {
        SDL_Event e{};
        e.type = type;
        const int viewY = static_cast<int>(view->getFrameSize().height - y);
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = static_cast<int>(x);
            e.motion.y = viewY;
            e.motion.state = SDL_BUTTON_LMASK;
        } else {
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = static_cast<int>(x);
            e.button.y = viewY;
        }
        view->handleSDLEvent(e);
    }
    void wheel(float x, float y, float notches)
    {
        view->handleMouse(engine::EventMouse::MouseEventType::MOUSE_SCROLL, engine::EventMouse::MouseButton::BUTTON_UNSET,
                          x, view->getFrameSize().height - y, 0.0f, notches);
    }
    // Opens a menu by a click on its bar button and lets the fade-in run.
    MenuLayer* openByClick(MenuBar::Item item)
    {
        clickNode(bar->button(item));
        frames(15);
        return controller->getOpenMenu();
    }
    // Lets a closing fade run out.
    void settle() { frames(20); }

    MenuController* controller = nullptr;
    engine::Scene* scene = nullptr;
    MenuBar* bar = nullptr;
    FakeLinkControl link;
    int touchesBehind = 0;
};

} // namespace nolvo::test
