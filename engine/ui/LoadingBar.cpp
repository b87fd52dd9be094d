#include "engine/ui/LoadingBar.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/Scale9Sprite.h"

namespace engine::ui {

LoadingBar* LoadingBar::create()
{
    auto* bar = new (std::nothrow) LoadingBar();
    if (bar && bar->init()) {
        bar->autorelease();
        return bar;
    }
    delete bar;
    return nullptr;
}

LoadingBar* LoadingBar::create(const std::string& textureName, float percentage)
{
    auto* bar = new (std::nothrow) LoadingBar();
    if (bar && bar->init() && bar->loadTexture(textureName)) {
        bar->setPercent(percentage);
        bar->autorelease();
        return bar;
    }
    delete bar;
    return nullptr;
}

bool LoadingBar::init()
{
    if (!Widget::init()) return false;
    m_renderer = Scale9Sprite::create();
    m_renderer->setScale9Enabled(false);
    addChild(m_renderer, -1);
    return true;
}

bool LoadingBar::loadTexture(const std::string& file)
{
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (!texture) return false;
    m_renderer->setTexture(texture);
    m_loaded = true;
    updateContentSizeFromRenderer();
    updateFill();
    return true;
}

void LoadingBar::setDirection(Direction direction)
{
    if (direction == m_direction) return;
    m_direction = direction;
    updateFill();
}

void LoadingBar::setPercent(float percent)
{
    percent = std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f);
    if (percent == m_percent) return;
    m_percent = percent;
    updateFill();
}

void LoadingBar::setScale9Enabled(bool enabled)
{
    if (enabled == m_scale9) return;
    m_scale9 = enabled;
    m_renderer->setScale9Enabled(enabled);
    if (enabled) ignoreContentAdaptWithSize(false);
    updateFill();
}

void LoadingBar::setCapInsets(const Rect& insets)
{
    m_renderer->setCapInsets(insets);
}

Size LoadingBar::getVirtualRendererSize() const
{
    if (!m_loaded) return Size::ZERO;
    Texture2D* texture = m_renderer->getTexture();
    return {static_cast<float>(texture->getPixelsWide()), static_cast<float>(texture->getPixelsHigh())};
}

void LoadingBar::onSizeChanged()
{
    updateFill();
}

void LoadingBar::updateFill()
{
    if (!m_renderer || !m_loaded) return;
    const Size size = m_contentSize;
    const float fraction = m_percent / 100.0f;
    const float filled = size.width * fraction;
    const bool fromLeft = m_direction == Direction::LEFT;
    m_renderer->setAnchorPoint(fromLeft ? Vec2::ANCHOR_MIDDLE_LEFT : Vec2::ANCHOR_MIDDLE_RIGHT);
    m_renderer->setPosition(fromLeft ? 0.0f : size.width, size.height * 0.5f);
    m_renderer->setVisible(filled > 0.0f);
    if (filled <= 0.0f) return;
    // Without nine-slice only the part of the image under the fill shows (stretched as the whole
    // image would be); with it the whole image is fitted to the fill.
    const Size image = getVirtualRendererSize();
    const float w = m_scale9 ? image.width : image.width * fraction;
    const Rect rect(fromLeft ? 0.0f : image.width - w, 0.0f, w, image.height);
    m_renderer->setTexture(m_renderer->getTexture(), rect);
    m_renderer->setContentSize(Size(filled, size.height));
}

} // namespace engine::ui
