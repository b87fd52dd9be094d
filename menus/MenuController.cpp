#include "menus/MenuController.h"

#include <algorithm>

#include "engine/actions/ActionInstant.h"
#include "engine/actions/ActionInterval.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Scene.h"
#include "menus/MenuBar.h"
#include "menus/MenuLayer.h"
#include "menus/PickerLayer.h"
#include "model/DataModel.h"

namespace nolvo {

using namespace engine;

namespace {

const Color4B kStripColour(22, 26, 33, 255);
const Color4B kDimColour(25, 25, 25, 217);
constexpr int kMenuZ = 1;
constexpr int kPickerZ = 10;

template <typename T>
void dropRetained(T*& node)
{
    if (!node) return;
    node->removeFromParentAndCleanup(true);
    node->release();
    node = nullptr;
}

} // namespace

MenuController* MenuController::getInstance()
{
    static MenuController* controller = [] {
        auto* c = new MenuController();
        registerMenus(*c);
        return c;
    }();
    return controller;
}

MenuController::MenuController() = default;

MenuMetrics MenuController::metricsFor(int sizeClass)
{
    MenuMetrics m;
    switch (sizeClass) {
    case 0: m.fontSize = 16.0f; m.rowGap = 5.0f; break;
    case 1: m.fontSize = 20.0f; m.rowGap = 5.0f; break;
    case 2: m.fontSize = 18.0f; m.rowGap = 8.0f; break;
    default: m.fontSize = 16.0f; m.rowGap = 8.0f; break;
    }
    m.margin = 5.0f;
    m.rowHeight = 2.0f * m.fontSize;
    return m;
}

Vec2 MenuController::placeMenu(const Rect& anchor, const Size& menu, const Vec2& origin, const Size& visible)
{
    float x = anchor.origin.x + anchor.size.width / 2 - menu.width / 2;
    // Right edge first, then the left edge wins when the menu is wider than the visible area.
    x = std::min(x, origin.x + visible.width - kPlacementInset - menu.width);
    x = std::max(x, origin.x + kPlacementInset);
    return {x, anchor.origin.y + anchor.size.height};
}

void MenuController::attach(Scene* scene)
{
    detach();
    if (!scene) return;
    m_scene = scene;
    const Size visible = Director::getInstance()->getVisibleSize();
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    m_strip = LayerColor::create(kStripColour, visible.width, kBarHeight);
    if (m_strip) {
        m_strip->retain();
        m_strip->setPosition(origin);
        // A thin rule separates the strip from the plot.
        if (auto* rule = DrawNode::create()) {
            rule->drawSolidRect(Vec2(0, kBarHeight - 1), Vec2(visible.width, kBarHeight),
                                Color4F(0.23f, 0.27f, 0.34f, 1.0f));
            m_strip->addChild(rule);
        }
        scene->addChild(m_strip, kStripZOrder);
    }
    m_bar = MenuBar::create(kBarHeight);
    if (!m_bar) return;
    m_bar->retain();
    scene->addChild(m_bar, kBarZOrder);
}

void MenuController::detach()
{
    closeMenu(false);
    dropRetained(m_bar);
    dropRetained(m_strip);
    // The overlay belonged to the scene being left; a new one is made on the next show.
    dropRetained(m_overlay);
    m_dimmer = nullptr;
    m_scene = nullptr;
}

void MenuController::registerMenu(int id, MenuFactory factory)
{
    if (id < 0 || id >= kNoMenu) return;
    m_factories[static_cast<std::size_t>(id)] = std::move(factory);
}

bool MenuController::hasMenu(int id) const
{
    return id >= 0 && id < kNoMenu && static_cast<bool>(m_factories[static_cast<std::size_t>(id)]);
}

void MenuController::ensureOverlay()
{
    if (m_overlay) return;
    // A node that fades the dimming layer and the menu together; the menu stays fully opaque
    // inside it while the dimming layer keeps its own alpha.
    m_overlay = Node::create();
    m_overlay->retain();
    m_overlay->setCascadeOpacityEnabled(true);
    const Size visible = Director::getInstance()->getVisibleSize();
    m_dimmer = LayerColor::create(kDimColour, visible.width, visible.height);
    m_dimmer->setPosition(Director::getInstance()->getVisibleOrigin());
    m_dimmer->setCascadeOpacityEnabled(true);
    m_overlay->addChild(m_dimmer, 0);
    m_overlay->addChild(DrawNode::create(), 0);

    auto* listener = EventListenerTouchOneByOne::create();
    listener->setSwallowTouches(true);
    // While the menu fades out the dimming still keeps touches from the plot behind it.
    listener->onTouchBegan = [this](Touch*, Event*) { return m_menu != nullptr; };
    listener->onTouchEnded = [this](Touch* touch, Event*) {
        if (!m_closing && !touchInsideModal(touch->getLocation())) closeMenu(true);
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, m_dimmer);
}

bool MenuController::touchInsideModal(const Vec2& world) const
{
    if (!m_menu) return false;
    const Vec2 local = m_menu->convertToNodeSpace(world);
    const Size& size = m_menu->getContentSize();
    return local.x >= 0 && local.y >= 0 && local.x <= size.width && local.y <= size.height;
}

bool MenuController::showMenu(int id, const Rect& anchor)
{
    if (!hasMenu(id) || !m_scene) return false;
    closeMenu(false);
    return present(id, m_factories[static_cast<std::size_t>(id)](), anchor);
}

bool MenuController::replaceOpenMenu(MenuLayer* menu)
{
    if (!menu || !m_menu || !m_scene) return false;
    const int id = m_openId;
    const Rect anchor = m_anchor;
    // The caller's menu may be the only thing keeping itself alive across the close.
    menu->retain();
    closeMenu(false);
    const bool shown = present(id, menu, anchor);
    menu->release();
    return shown;
}

bool MenuController::present(int id, MenuLayer* menu, const Rect& anchor)
{
    if (!menu) return false;
    ensureOverlay();

    const Size visible = Director::getInstance()->getVisibleSize();
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    const float available = std::max(0.0f, visible.height - kBarHeight);
    const int sizeClass = DataModel::getInstance()->displaySizeClass.load();
    const float width = std::min(menu->menuWidth(sizeClass, available), visible.width - 2 * kPlacementInset);
    // The menu may grow up to the top of the visible area from the anchor's top.
    const float maxHeight = origin.y + visible.height - (anchor.origin.y + anchor.size.height);
    menu->layoutForWidth(width, maxHeight);
    const Size size(menu->getContentSize().width * menu->getScaleX(), menu->getContentSize().height * menu->getScaleY());
    menu->setAnchorPoint(Vec2(0, 0));
    menu->setPosition(placeMenu(anchor, size, origin, visible));
    menu->retain();
    m_menu = menu;
    m_openId = id;
    m_anchor = anchor;
    m_closing = false;
    m_overlay->addChild(menu, kMenuZ);

    m_overlay->stopAllActions();
    if (!m_overlay->getParent()) m_scene->addChild(m_overlay, kOverlayZOrder);
    m_overlay->setOpacity(0);
    m_overlay->runAction(FadeTo::create(kAnimationTime, 255));
    if (m_bar) m_bar->refreshItems();
    Director::markDirty();
    return true;
}

void MenuController::closeMenu(bool animated)
{
    closePicker();
    if (!m_menu) return;
    if (!animated || !m_overlay || !m_overlay->getParent()) {
        finishClose();
        return;
    }
    if (m_closing) return;
    m_closing = true;
    m_overlay->stopAllActions();
    m_overlay->runAction(Sequence::create({FadeTo::create(kAnimationTime, 0), CallFunc::create([this] { finishClose(); })}));
}

void MenuController::finishClose()
{
    if (m_overlay) {
        m_overlay->stopAllActions();
        m_overlay->setOpacity(0);
    }
    if (m_menu) {
        m_menu->removeFromParentAndCleanup(true);
        m_menu->release();
        m_menu = nullptr;
    }
    if (m_overlay && m_overlay->getParent()) m_overlay->removeFromParentAndCleanup(false);
    m_openId = kNoMenu;
    m_closing = false;
    if (m_bar) m_bar->refreshItems();
    Director::markDirty();
}

void MenuController::showPicker(PickerLayer* picker)
{
    closePicker();
    if (!picker || !m_menu || !m_overlay) return;
    picker->retain();
    m_picker = picker;
    m_overlay->addChild(picker, kPickerZ);
    Director::markDirty();
}

void MenuController::closePicker()
{
    if (!m_picker) return;
    PickerLayer* picker = m_picker;
    m_picker = nullptr;
    picker->removeFromParentAndCleanup(true);
    picker->release();
    if (m_menu) m_menu->markForRefresh();
    Director::markDirty();
}

bool MenuController::handleKey(EventKeyboard::KeyCode key)
{
    using Key = EventKeyboard::KeyCode;
    if (m_picker) {
        if (key == Key::KEY_ESCAPE) {
            closePicker();
            return true;
        }
        if (m_picker->handleKey(key)) return true;
    }
    if (key == Key::KEY_ESCAPE) {
        if (!m_menu) return false;
        closeMenu(true);
        return true;
    }
    if (m_menu && !m_closing && m_menu->handleKey(key)) return true;
    if (!m_bar) return false;
    switch (key) {
    case Key::KEY_F1: return m_bar->openFromKeyboard(0);
    case Key::KEY_F2: return m_bar->openFromKeyboard(1);
    case Key::KEY_F3: return m_bar->openFromKeyboard(2);
    case Key::KEY_F4: return m_bar->openFromKeyboard(3);
    case Key::KEY_F5: return m_bar->openFromKeyboard(4);
    case Key::KEY_M:
        m_bar->switchMode();
        return true;
    default:
        return false;
    }
}

} // namespace nolvo
