#include "engine/ui/ImageView.h"

#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/Scale9Sprite.h"

namespace engine::ui {

ImageView* ImageView::create()
{
    auto* v = new (std::nothrow) ImageView();
    if (v && v->init()) {
        v->autorelease();
        return v;
    }
    delete v;
    return nullptr;
}

ImageView* ImageView::create(const std::string& imageFileName)
{
    auto* v = new (std::nothrow) ImageView();
    if (v && v->init() && v->loadTexture(imageFileName)) {
        v->autorelease();
        return v;
    }
    delete v;
    return nullptr;
}

bool ImageView::init()
{
    if (!Widget::init()) return false;
    m_renderer = Scale9Sprite::create();
    m_renderer->setScale9Enabled(false);
    addChild(m_renderer, -1);
    return true;
}

bool ImageView::loadTexture(const std::string& fileName)
{
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(fileName);
    if (!texture) return false;
    m_renderer->setTexture(texture);
    m_loaded = true;
    updateContentSizeFromRenderer();
    onSizeChanged();
    return true;
}

void ImageView::setScale9Enabled(bool enabled)
{
    if (enabled == m_scale9) return;
    m_scale9 = enabled;
    m_renderer->setScale9Enabled(enabled);
    if (enabled) ignoreContentAdaptWithSize(false);
    onSizeChanged();
}

void ImageView::setCapInsets(const Rect& insets)
{
    m_renderer->setCapInsets(insets);
}

void ImageView::setTextureRect(const Rect& rect)
{
    if (!m_loaded) return;
    const Size keep = m_renderer->getContentSize();
    m_renderer->setTexture(m_renderer->getTexture(), rect);
    if (!m_ignoreSize) m_renderer->setContentSize(keep);
    updateContentSizeFromRenderer();
    onSizeChanged();
}

Size ImageView::getVirtualRendererSize() const
{
    return m_loaded ? m_renderer->getOriginalSize() : Size::ZERO;
}

void ImageView::onSizeChanged()
{
    if (!m_renderer) return;
    m_renderer->setPosition(m_contentSize.width * 0.5f, m_contentSize.height * 0.5f);
    m_renderer->setContentSize(m_contentSize);
}

} // namespace engine::ui
