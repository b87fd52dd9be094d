#include "GalleryPages.h"

#include "GalleryScene.h"
#include "WidgetsPage.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/ui/Button.h"

using namespace engine;

namespace gallery {

GalleryPages::~GalleryPages()
{
    if (m_keys) {
        Director::getInstance()->getEventDispatcher()->removeEventListener(m_keys);
        m_keys->release();
    }
}

Scene* GalleryPages::build(int index)
{
    const std::string face = m_images.path("button.png");
    const std::string pressed = m_images.path("button-pressed.png");
    if (index == 1) {
        WidgetsPage* page = WidgetsPage::create(face, pressed);
        if (page && page->getSwitchButton()) page->getSwitchButton()->addClickEventListener([this](Ref*) { show(0); });
        return page;
    }
    GalleryScene* page = GalleryScene::create(m_images, m_animate);
    ui::Button* next = page ? ui::Button::create(face, pressed) : nullptr;
    if (next) {
        next->setScale9Enabled(true);
        next->setCapInsets(Rect(8, 8, 16, 16));
        next->ignoreContentAdaptWithSize(false);
        next->setContentSize(Size(120, 30));
        next->setTitleText("Page 2 (Tab)");
        next->setPosition(Vec2(880, 612));
        next->addClickEventListener([this](Ref*) { show(1); });
        page->addChild(next, 100);
    }
    return page;
}

bool GalleryPages::show(int index)
{
    if (index == m_current || index < 0 || index > 1) return true;
    Scene* scene = build(index);
    if (!scene) return false;
    if (!m_keys) {
        // Tab switches from either page (a listener of no scene: it outlives the switch).
        m_keys = EventListenerKeyboard::create();
        m_keys->retain();
        m_keys->onKeyPressed = [this](EventKeyboard::KeyCode key, Event* event) {
            const auto* k = static_cast<EventKeyboard*>(event);
            if (key == EventKeyboard::KeyCode::KEY_TAB && !k->isRepeat()) show(m_current == 0 ? 1 : 0);
        };
        Director::getInstance()->getEventDispatcher()->addEventListenerWithFixedPriority(m_keys, 1);
    }
    Director* director = Director::getInstance();
    if (director->getRunningScene()) director->replaceScene(scene);
    else director->runWithScene(scene);
    m_scene = scene;
    m_current = index;
    return true;
}

} // namespace gallery
