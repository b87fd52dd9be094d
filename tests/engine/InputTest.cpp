// Window input as the SDL window delivers it: mouse to touch, fingers, wheel, keys and the
// window's lifecycle events.
#include "GuiTestFixture.h"

#include <string>
#include <vector>

#include <GL/glew.h>
#include <SDL2/SDL.h>

#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "platform/Clock.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

class InputTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (HasFatalFailure()) return;
        dispatcher = Director::getInstance()->getEventDispatcher();
        node = Node::create();
        scene->addChild(node);
        auto* l = EventListenerTouchOneByOne::create();
        l->onTouchBegan = [this](Touch* t, Event*) {
            record("began", t);
            return true;
        };
        l->onTouchMoved = [this](Touch* t, Event*) { record("moved", t); };
        l->onTouchEnded = [this](Touch* t, Event*) { record("ended", t); };
        dispatcher->addEventListenerWithSceneGraphPriority(l, node);
    }
    void TearDown() override
    {
        if (dispatcher) dispatcher->removeAllEventListeners();
        GuiTest::TearDown();
    }
    void record(const char* what, Touch* t)
    {
        log.push_back(std::string(what) + " " + std::to_string(t->getID()) + " " + str(t->getLocation()) + " d" +
                      str(t->getDelta()) + " s" + str(t->getStartLocation()) + " v" + str(t->getLocationInView()));
    }
    static std::string str(const Vec2& v)
    {
        return std::to_string(static_cast<int>(v.x)) + "," + std::to_string(static_cast<int>(v.y));
    }
    void mouseButton(Uint32 type, Uint8 button, int x, int y)
    {
        SDL_Event e{};
        e.type = type;
        e.button.button = button;
        e.button.x = x;
        e.button.y = y;
        view->handleSDLEvent(e);
    }
    void mouseMotion(int x, int y)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = y;
        view->handleSDLEvent(e);
    }
    void finger(Uint32 type, SDL_FingerID id, float x, float y)
    {
        SDL_Event e{};
        e.type = type;
        e.tfinger.fingerId = id;
        e.tfinger.x = x;
        e.tfinger.y = y;
        view->handleSDLEvent(e);
    }
    void windowEvent(Uint8 what)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        view->handleSDLEvent(e);
    }

    EventDispatcher* dispatcher = nullptr;
    Node* node = nullptr;
    std::vector<std::string> log;
};

TEST_F(InputTest, LeftMouseButtonIsTouchZeroInGlCoordinates)
{
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 100, 40);  // view y 40 = GL y 600
    mouseMotion(110, 50);
    mouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 110, 50);
    mouseMotion(200, 200);  // button up: no touch
    EXPECT_EQ(log, (std::vector<std::string>{"began 0 100,600 d0,0 s100,600 v100,40",
                                             "moved 0 110,590 d10,-10 s100,600 v110,50",
                                             "ended 0 110,590 d0,0 s100,600 v110,50"}));
}

TEST_F(InputTest, OtherButtonsAreNotTouches)
{
    std::vector<int> buttons;
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseDown = [&](EventMouse* e) { buttons.push_back(static_cast<int>(e->getMouseButton())); };
    dispatcher->addEventListenerWithSceneGraphPriority(mouse, node);
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 10, 10);
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 10, 10);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(buttons, (std::vector<int>{1, 2}));
}

TEST_F(InputTest, FingersAreSeparateTouches)
{
    finger(SDL_FINGERDOWN, 7, 0.25f, 0.5f);
    finger(SDL_FINGERDOWN, 9, 0.75f, 0.5f);
    finger(SDL_FINGERMOTION, 9, 0.75f, 0.25f);
    finger(SDL_FINGERUP, 7, 0.25f, 0.5f);
    finger(SDL_FINGERUP, 9, 0.75f, 0.25f);
    finger(SDL_FINGERMOTION, 9, 0.5f, 0.5f);  // after its end: ignored
    EXPECT_EQ(log, (std::vector<std::string>{"began 0 240,320 d0,0 s240,320 v240,320",
                                             "began 1 720,320 d0,0 s720,320 v720,320",
                                             "moved 1 720,480 d0,160 s720,320 v720,160",
                                             "ended 0 240,320 d0,0 s240,320 v240,320",
                                             "ended 1 720,480 d0,0 s720,320 v720,160"}));
    EXPECT_EQ(view->getActiveTouchCount(), 0u);
}

TEST_F(InputTest, WheelAndKeysReachTheirListeners)
{
    std::vector<std::string> got;
    // The wheel goes to the node under the pointer: this one covers the window.
    node->setContentSize(view->getFrameSize());
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseScroll = [&](EventMouse* e) {
        got.push_back("scroll " + std::to_string(static_cast<int>(e->getScrollY())));
    };
    dispatcher->addEventListenerWithSceneGraphPriority(mouse, node);
    auto* keys = EventListenerKeyboard::create();
    keys->onKeyPressed = [&](EventKeyboard::KeyCode code, Event*) {
        got.push_back("key " + std::to_string(static_cast<int>(code)));
    };
    dispatcher->addEventListenerWithSceneGraphPriority(keys, node);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    wheel.wheel.preciseY = 2.0f;
    view->handleSDLEvent(wheel);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_SPACE;
    view->handleSDLEvent(key);
    key.key.keysym.sym = SDLK_s;
    view->handleSDLEvent(key);
    EXPECT_EQ(got, (std::vector<std::string>{"scroll 2",
                                             "key " + std::to_string(int(EventKeyboard::KeyCode::KEY_SPACE)),
                                             "key " + std::to_string(int(EventKeyboard::KeyCode::KEY_S))}));
}

TEST_F(InputTest, EventsCarryModifiersTimestampsAndTheRepeatFlag)
{
    static std::uint64_t now = 0;
    clock::setSource([] { return now; });
    struct Seen {
        bool repeat;
        bool shift;
        bool ctrl;
        std::uint64_t time;
    };
    std::vector<Seen> keys;
    auto* k = EventListenerKeyboard::create();
    k->onKeyPressed = [&](EventKeyboard::KeyCode, Event* e) {
        auto* key = static_cast<EventKeyboard*>(e);
        keys.push_back({key->isRepeat(), e->isShiftDown(), e->isCtrlDown(), e->getTimestamp()});
    };
    dispatcher->addEventListenerWithSceneGraphPriority(k, node);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_SPACE;
    key.key.keysym.mod = KMOD_LSHIFT;
    now = 1000;
    view->handleSDLEvent(key);
    key.key.repeat = 1;
    key.key.keysym.mod = KMOD_RCTRL;
    now = 1033;
    view->handleSDLEvent(key);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_FALSE(keys[0].repeat);
    EXPECT_TRUE(keys[0].shift);
    EXPECT_FALSE(keys[0].ctrl);
    EXPECT_EQ(keys[0].time, 1000u);
    EXPECT_TRUE(keys[1].repeat);
    EXPECT_FALSE(keys[1].shift);
    EXPECT_TRUE(keys[1].ctrl);
    EXPECT_EQ(keys[1].time, 1033u);
    // Touches carry the time too.
    now = 2000;
    std::uint64_t touchTime = 0;
    auto* t = EventListenerTouchOneByOne::create();
    t->onTouchBegan = [&](Touch*, Event* e) {
        touchTime = e->getTimestamp();
        return false;
    };
    Node* front = Node::create();
    scene->addChild(front, 1);
    dispatcher->addEventListenerWithSceneGraphPriority(t, front);
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5);
    mouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 5);
    EXPECT_EQ(touchTime, 2000u);
    clock::setSource(nullptr);
}

TEST_F(InputTest, MinimizeRestoreAndCloseCallTheLifecycleHooks)
{
    std::vector<std::string> hooks;
    view->setLifecycleHandlers([&] { hooks.push_back("background"); }, [&] { hooks.push_back("foreground"); });
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5);
    windowEvent(SDL_WINDOWEVENT_MINIMIZED);
    windowEvent(SDL_WINDOWEVENT_MINIMIZED);  // once only
    windowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_FALSE(view->windowShouldClose());
    windowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_TRUE(view->windowShouldClose());
    EXPECT_EQ(hooks, (std::vector<std::string>{"background", "foreground", "background"}));
    // The touch held when the window went away was cancelled, not left hanging.
    EXPECT_EQ(view->getActiveTouchCount(), 0u);
}

TEST_F(InputTest, ResizeChangesFrameAndVisibleSize)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    e.window.data1 = 1024;
    e.window.data2 = 700;
    view->handleSDLEvent(e);
    EXPECT_EQ(view->getFrameSize(), Size(1024, 700));
    EXPECT_EQ(Director::getInstance()->getVisibleSize(), Size(1024, 700));
    // Touch y now counts from the new height.
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 0, 0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(0, 14), "began 0 0,700 ");
}

TEST_F(InputTest, FrameZoomScalesTheWindowButNotThePoints)
{
    GLViewImpl* half = GLViewImpl::createWithRect("zoomed", Rect(0, 0, 960, 640), 0.5f, false);
    ASSERT_NE(half, nullptr) << GLViewImpl::getLastError();
    Director::getInstance()->setOpenGLView(half);
    view = half;
    EXPECT_EQ(half->getFrameSize(), Size(960, 640));
    EXPECT_EQ(half->getDrawableWidth(), 480);
    EXPECT_EQ(half->getFrameZoomFactor(), 0.5f);
    // Window pixel (50, 20) is point (100, 40) from the top: GL point (100, 600).
    mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 50, 20);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(0, 16), "began 0 100,600 ");
    // A scissor box in points lands on half as many pixels.
    half->makeCurrent();
    half->setScissorInPoints(100, 200, 300, 40);
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 50);
    EXPECT_EQ(box[1], 100);
    EXPECT_EQ(box[2], 150);
    EXPECT_EQ(box[3], 20);
    EXPECT_EQ(half->getScissorRect(), Rect(100, 200, 300, 40));
}

} // namespace
