#include "menus/MenuController.h"

#include "engine/app/Director.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Scene.h"
#include "engine/scene/Sprite.h"

namespace nolvo {

using namespace engine;

MenuBar* MenuBar::create(float height)
{
    auto* bar = new MenuBar();
    if (bar->initWithHeight(height)) {
        bar->autorelease();
        return bar;
    }
    delete bar;
    return nullptr;
}

bool MenuBar::initWithHeight(float height)
{
    const Size visible = Director::getInstance()->getVisibleSize();
    if (!LayerColor::initWithColor(Color4B(22, 26, 33, 255), visible.width, height)) return false;
    m_height = height;
    setPosition(Director::getInstance()->getVisibleOrigin());
    // A thin rule separates the strip from the plot.
    if (auto* rule = DrawNode::create()) {
        rule->drawSolidRect(Vec2(0, height - 1), Vec2(visible.width, height), Color4F(0.23f, 0.27f, 0.34f, 1.0f));
        addChild(rule);
    }
    rebuildIndicator();
    return true;
}

void MenuBar::setAccessoryConnected(bool connected)
{
    if (connected == m_connected) return;
    m_connected = connected;
    rebuildIndicator();
}

void MenuBar::refreshItems()
{
    ++m_refreshes;
    rebuildIndicator();
}

void MenuBar::rebuildIndicator()
{
    if (m_indicator) {
        m_indicator->removeFromParent();
        m_indicator = nullptr;
    }
    m_indicator = Sprite::create(m_connected ? "connectedIcon.png" : "disconnectedIcon.png");
    if (!m_indicator) return;
    const float size = m_height * 0.35f;
    const Size image = m_indicator->getContentSize();
    if (image.width > 0) m_indicator->setScale(size / image.width);
    m_indicator->setPosition(Vec2(getContentSize().width - size, m_height / 2));
    addChild(m_indicator, 1);
    Director::markDirty();
}

MenuController* MenuController::getInstance()
{
    static MenuController controller;
    return &controller;
}

void MenuController::attach(Scene* scene)
{
    detach();
    if (!scene) return;
    m_bar = MenuBar::create(kBarHeight);
    if (!m_bar) return;
    m_bar->retain();
    scene->addChild(m_bar, kBarZOrder);
}

void MenuController::detach()
{
    if (!m_bar) return;
    m_bar->removeFromParent();
    m_bar->release();
    m_bar = nullptr;
}

} // namespace nolvo
