#include "engine/ui/Button.h"

#include <algorithm>

#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "engine/text/FontCache.h"
#include "engine/text/Label.h"
#include "engine/ui/Scale9Sprite.h"

namespace engine::ui {

Button* Button::create()
{
    auto* b = new (std::nothrow) Button();
    if (b && b->init()) {
        b->autorelease();
        return b;
    }
    delete b;
    return nullptr;
}

Button* Button::create(const std::string& normalImage, const std::string& selectedImage,
                       const std::string& disableImage)
{
    auto* b = new (std::nothrow) Button();
    if (b && b->init() && b->loadTextureNormal(normalImage)) {
        b->loadTexturePressed(selectedImage);
        b->loadTextureDisabled(disableImage);
        b->autorelease();
        return b;
    }
    delete b;
    return nullptr;
}

bool Button::init()
{
    if (!Widget::init()) return false;
    m_normal = Scale9Sprite::create();
    m_pressed = Scale9Sprite::create();
    m_disabled = Scale9Sprite::create();
    for (Scale9Sprite* r : {m_normal, m_pressed, m_disabled}) {
        r->setScale9Enabled(false);
        addChild(r, -2);
    }
    setTouchEnabled(true);
    applyState();
    return true;
}

bool Button::loadInto(Scale9Sprite* renderer, const std::string& file, bool* loaded)
{
    if (file.empty()) return false;
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (!texture) return false;
    const Size keep = renderer->getContentSize();
    renderer->setTexture(texture);
    *loaded = true;
    if (!m_ignoreSize) renderer->setContentSize(keep);
    return true;
}

void Button::loadTextures(const std::string& normal, const std::string& selected, const std::string& disabled)
{
    loadTextureNormal(normal);
    loadTexturePressed(selected);
    loadTextureDisabled(disabled);
}

bool Button::loadTextureNormal(const std::string& file)
{
    const bool ok = loadInto(m_normal, file, &m_normalLoaded);
    if (ok) updateContentSizeFromRenderer();
    onSizeChanged();
    applyState();
    return ok;
}

bool Button::loadTexturePressed(const std::string& file)
{
    const bool ok = loadInto(m_pressed, file, &m_pressedLoaded);
    onSizeChanged();
    applyState();
    return ok;
}

bool Button::loadTextureDisabled(const std::string& file)
{
    const bool ok = loadInto(m_disabled, file, &m_disabledLoaded);
    onSizeChanged();
    applyState();
    return ok;
}

void Button::setScale9Enabled(bool enabled)
{
    if (enabled == m_scale9) return;
    m_scale9 = enabled;
    for (Scale9Sprite* r : {m_normal, m_pressed, m_disabled}) r->setScale9Enabled(enabled);
    // A stretchable button takes the size it is given.
    if (enabled) ignoreContentAdaptWithSize(false);
    onSizeChanged();
}

void Button::setCapInsets(const Rect& insets)
{
    for (Scale9Sprite* r : {m_normal, m_pressed, m_disabled}) r->setCapInsets(insets);
}

Size Button::getNormalTextureSize() const
{
    return m_normalLoaded ? m_normal->getOriginalSize() : Size::ZERO;
}

Size Button::getVirtualRendererSize() const
{
    if (m_normalLoaded) return m_normal->getOriginalSize();
    if (m_title) return m_title->getContentSize();
    return Size::ZERO;
}

void Button::onSizeChanged()
{
    if (!m_normal) return;
    const Size size = m_contentSize;
    for (Scale9Sprite* r : {m_normal, m_pressed, m_disabled}) {
        r->setPosition(size.width * 0.5f, size.height * 0.5f);
        r->setContentSize(size);
    }
    if (m_title) m_title->setPosition(size.width * 0.5f, size.height * 0.5f);
    fitTitle();
}

Size Button::getMinimumSize() const
{
    const Size title = m_title ? m_title->getContentSize() : Size::ZERO;
    if (m_normalLoaded && !m_scale9) return m_normal->getOriginalSize();
    if (!m_normalLoaded && m_ignoreSize) return title;
    if (!m_title || m_title->getString().empty()) return Size::ZERO;
    // The natural width at the current face, scaled to the smallest face the title may take.
    const float natural = m_title->getDimensions().width > 0.0f ? m_title->getTextWidth() * m_titleFontSize /
                                                                      std::max(1.0f, m_title->getRenderingFontSize())
                                                                : m_title->getTextWidth();
    return {natural * 0.75f + 2.0f * kTitlePadding, m_title->getLineHeight()};
}

void Button::fitTitle()
{
    if (!m_title || m_fittingTitle) return;
    m_fittingTitle = true;
    // A button sized by its title has nothing to fit; otherwise the title gets the inner width.
    const bool sizedByTitle = !m_normalLoaded && m_ignoreSize;
    const float room = m_contentSize.width - 2.0f * kTitlePadding;
    m_title->setDimensions(0.0f, 0.0f);
    m_title->setOverflow(Label::Overflow::NONE);
    if (!sizedByTitle && room > 0.0f && m_title->getTextWidth() > room) {
        m_title->enableWrap(false);
        m_title->setHorizontalAlignment(TextHAlignment::CENTER);
        m_title->setOverflow(Label::Overflow::SHRINK);
        m_title->setDimensions(room, 0.0f);
    }
    m_fittingTitle = false;
}

void Button::show(Scale9Sprite* renderer, float scale)
{
    for (Scale9Sprite* r : {m_normal, m_pressed, m_disabled}) r->setVisible(r == renderer);
    renderer->setScale(scale);
    if (m_title && scale != m_titleZoom) {
        // Only the press zoom changes: a scale the title's owner gave it stays.
        const float sx = m_title->getScaleX() / m_titleZoom, sy = m_title->getScaleY() / m_titleZoom;
        m_title->setScale(sx * scale, sy * scale);
    }
    m_titleZoom = scale;
}

void Button::onPressStateChangedToNormal()
{
    show(m_normal, 1.0f);
}

void Button::onPressStateChangedToPressed()
{
    const float zoom = m_pressedActionEnabled ? 1.0f + m_zoomScale : 1.0f;
    // Without a pressed image the normal one shows, zoomed.
    show(m_pressedLoaded ? m_pressed : m_normal, m_pressedLoaded ? zoom : 1.0f + m_zoomScale);
}

void Button::onPressStateChangedToDisabled()
{
    show(m_disabledLoaded ? m_disabled : m_normal, 1.0f);
}

void Button::setZoomScale(float scale)
{
    m_zoomScale = scale;
    applyState();
}

void Button::ensureTitle()
{
    if (m_title) return;
    m_title = Label::createWithFont("", m_titleFontName, m_titleFontSize);
    m_title->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    m_title->setScale(m_titleZoom);
    addChild(m_title, -1);
    onSizeChanged();
}

void Button::setTitleText(const std::string& text)
{
    ensureTitle();
    m_title->setString(text);
    if (!m_normalLoaded) updateContentSizeFromRenderer();
    fitTitle();
}

std::string Button::getTitleText() const
{
    return m_title ? m_title->getString() : std::string();
}

void Button::setTitleColor(const Color3B& color)
{
    ensureTitle();
    m_title->setTextColor(Color4B(color, 255));
}

Color3B Button::getTitleColor() const
{
    return m_title ? Color3B(m_title->getTextColor()) : Color3B::WHITE;
}

void Button::setTitleFontSize(float size)
{
    m_titleFontSize = size;
    ensureTitle();
    if (FontCache::isFontFile(m_titleFontName)) m_title->setTTFConfig(TTFConfig(m_titleFontName, size));
    else m_title->setSystemFontSize(size);
    fitTitle();
}

void Button::setTitleFontName(const std::string& name)
{
    m_titleFontName = name;
    ensureTitle();
    if (FontCache::isFontFile(name)) {
        if (!m_title->setTTFConfig(TTFConfig(name, m_titleFontSize))) m_title->setSystemFontName(name);
    } else {
        m_title->setSystemFontName(name);
    }
    fitTitle();
}

} // namespace engine::ui
