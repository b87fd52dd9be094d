#include "engine/ui/Layout.h"

#include <algorithm>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/TextureCache.h"
#include "engine/scene/Layer.h"
#include "engine/ui/LayoutParameter.h"
#include "engine/ui/Scale9Sprite.h"

namespace engine::ui {

namespace {

const Margin kNoMargin;

const Margin& marginOf(const Node* child)
{
    const auto* widget = dynamic_cast<const Widget*>(child);
    const LayoutParameter* p = widget ? widget->getLayoutParameter() : nullptr;
    return p ? p->getMargin() : kNoMargin;
}

LinearLayoutParameter::LinearGravity gravityOf(const Node* child)
{
    const auto* widget = dynamic_cast<const Widget*>(child);
    const auto* p = widget ? dynamic_cast<const LinearLayoutParameter*>(widget->getLayoutParameter()) : nullptr;
    return p ? p->getGravity() : LinearLayoutParameter::LinearGravity::NONE;
}

} // namespace

Layout::Layout()
{
    setAnchorPoint(Vec2::ZERO);
    m_ignoreSize = false;
    m_layoutsChildren = true;
}

Layout::~Layout()
{
    if (m_colorRenderer) m_colorRenderer->release();
    if (m_imageRenderer) m_imageRenderer->release();
}

Layout* Layout::create()
{
    auto* layout = new (std::nothrow) Layout();
    if (layout && layout->init()) {
        layout->autorelease();
        return layout;
    }
    delete layout;
    return nullptr;
}

bool Layout::init()
{
    return Widget::init();
}

void Layout::setLayoutType(Type type)
{
    if (type == m_type) return;
    m_type = type;
    requestLayout();
}

void Layout::forceDoLayout()
{
    // Nested layouts first, so this one sees their final sizes.
    layoutIfNeeded();
    doLayout();
}

void Layout::onSizeChanged()
{
    updateBackground();
    requestLayout();
}

std::vector<Node*> Layout::placedChildren() const
{
    const_cast<Layout*>(this)->sortAllChildren();
    std::vector<Node*> placed;
    placed.reserve(m_children.size());
    for (Node* child : m_children) {
        if (child->isVisible()) placed.push_back(child);
    }
    return placed;
}

void Layout::doLayout()
{
    if (m_type != Type::NONE) growToMinimumSizes();
    switch (m_type) {
    case Type::VERTICAL: layoutVertical(); break;
    case Type::HORIZONTAL: layoutHorizontal(); break;
    case Type::NONE: break;
    }
}

void Layout::growToMinimumSizes()
{
    for (Node* child : placedChildren()) {
        auto* widget = dynamic_cast<Widget*>(child);
        if (!widget || widget->isIgnoreContentAdaptWithSize()) continue;
        const Size min = widget->getMinimumSize();
        const Size size = widget->getContentSize();
        if (size.width < min.width || size.height < min.height) {
            widget->setContentSize(Size(std::max(size.width, min.width), std::max(size.height, min.height)));
        }
    }
}

void Layout::layoutVertical()
{
    using G = LinearLayoutParameter::LinearGravity;
    const Size size = m_contentSize;
    float top = size.height;
    for (Node* child : placedChildren()) {
        const Margin& m = marginOf(child);
        const Size cs = child->getBoundingBox().size;
        // The bounding box is in this layout's space; the anchor offset keeps its scale.
        const Vec2 anchor = child->getAnchorPoint();
        float x = anchor.x * cs.width + m.left;
        switch (gravityOf(child)) {
        case G::RIGHT: x = size.width - (1.0f - anchor.x) * cs.width - m.right; break;
        case G::CENTER_HORIZONTAL: x = (size.width - cs.width) * 0.5f + anchor.x * cs.width + m.left - m.right; break;
        default: break;
        }
        const float y = top - m.top - (1.0f - anchor.y) * cs.height;
        child->setPosition(x, y);
        top -= m.top + cs.height + m.bottom;
    }
}

void Layout::layoutHorizontal()
{
    using G = LinearLayoutParameter::LinearGravity;
    const Size size = m_contentSize;
    float left = 0.0f;
    for (Node* child : placedChildren()) {
        const Margin& m = marginOf(child);
        const Size cs = child->getBoundingBox().size;
        const Vec2 anchor = child->getAnchorPoint();
        const float x = left + m.left + anchor.x * cs.width;
        // Without gravity a child hangs from the top edge.
        float y = size.height - m.top - (1.0f - anchor.y) * cs.height;
        switch (gravityOf(child)) {
        case G::BOTTOM: y = m.bottom + anchor.y * cs.height; break;
        case G::CENTER_VERTICAL: y = (size.height - cs.height) * 0.5f + anchor.y * cs.height + m.bottom - m.top; break;
        default: break;
        }
        child->setPosition(x, y);
        left += m.left + cs.width + m.right;
    }
}

Size Layout::getContentSizeOfChildren() const
{
    Size total;
    for (Node* child : placedChildren()) {
        const Margin& m = marginOf(child);
        const Size cs = child->getBoundingBox().size;
        const float w = m.left + cs.width + m.right;
        const float h = m.top + cs.height + m.bottom;
        if (m_type == Type::HORIZONTAL) {
            total.width += w;
            total.height = std::max(total.height, h);
        } else {
            total.width = std::max(total.width, w);
            total.height += h;
        }
    }
    return total;
}

// ---- background ----

void Layout::setBackGroundColorType(BackGroundColorType type)
{
    if (type == m_colorType) return;
    m_colorType = type;
    if (type == BackGroundColorType::SOLID && !m_colorRenderer) {
        m_colorRenderer = LayerColor::create(Color4B(255, 255, 255, 255), m_contentSize.width, m_contentSize.height);
        m_colorRenderer->retain();
    }
    updateBackground();
    Director::markDirty();
}

void Layout::setBackGroundColor(const Color3B& color)
{
    m_backgroundColor = color;
    updateBackground();
}

void Layout::setBackGroundColorOpacity(std::uint8_t opacity)
{
    m_backgroundOpacity = opacity;
    updateBackground();
}

void Layout::setBackGroundImage(const std::string& file)
{
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (!texture) return;
    if (!m_imageRenderer) {
        m_imageRenderer = Scale9Sprite::create();
        m_imageRenderer->retain();
        m_imageRenderer->setAnchorPoint(Vec2::ZERO);
        m_imageRenderer->setScale9Enabled(m_backgroundScale9);
    }
    m_imageRenderer->setTexture(texture);
    updateBackground();
}

void Layout::removeBackGroundImage()
{
    if (!m_imageRenderer) return;
    m_imageRenderer->release();
    m_imageRenderer = nullptr;
    Director::markDirty();
}

void Layout::setBackGroundImageScale9Enabled(bool enabled)
{
    m_backgroundScale9 = enabled;
    if (m_imageRenderer) m_imageRenderer->setScale9Enabled(enabled);
}

void Layout::setBackGroundImageCapInsets(const Rect& insets)
{
    if (!m_imageRenderer) return;
    m_imageRenderer->setCapInsets(insets);
}

void Layout::updateBackground()
{
    if (m_colorRenderer) {
        m_colorRenderer->changeWidthAndHeight(m_contentSize.width, m_contentSize.height);
        m_colorRenderer->setColor(m_backgroundColor);
        m_colorRenderer->setOpacity(m_backgroundOpacity);
        m_colorRenderer->updateDisplayedColor(m_displayedColor);
        m_colorRenderer->updateDisplayedOpacity(m_displayedOpacity);
    }
    if (m_imageRenderer) {
        m_imageRenderer->setContentSize(m_contentSize);
        m_imageRenderer->updateDisplayedColor(m_displayedColor);
        m_imageRenderer->updateDisplayedOpacity(m_displayedOpacity);
    }
}

void Layout::updateDisplayedOpacity(std::uint8_t parentOpacity)
{
    Widget::updateDisplayedOpacity(parentOpacity);
    if (m_colorRenderer) m_colorRenderer->updateDisplayedOpacity(m_displayedOpacity);
    if (m_imageRenderer) m_imageRenderer->updateDisplayedOpacity(m_displayedOpacity);
}

void Layout::updateDisplayedColor(const Color3B& parentColor)
{
    Widget::updateDisplayedColor(parentColor);
    if (m_colorRenderer) m_colorRenderer->updateDisplayedColor(m_displayedColor);
    if (m_imageRenderer) m_imageRenderer->updateDisplayedColor(m_displayedColor);
}

// ---- clipping and drawing ----

void Layout::setClippingEnabled(bool enabled)
{
    if (enabled == m_clipping) return;
    m_clipping = enabled;
    Director::markDirty();
}

bool Layout::getChildrenClipRegion(Rect* nodeRect) const
{
    if (!m_clipping) return false;
    if (nodeRect) *nodeRect = Rect(Vec2::ZERO, m_contentSize);
    return true;
}

void Layout::drawBackground(Renderer* renderer, std::uint32_t flags)
{
    if (m_colorType == BackGroundColorType::SOLID && m_colorRenderer) {
        m_colorRenderer->visit(renderer, m_modelViewTransform, flags);
    }
    if (m_imageRenderer) m_imageRenderer->visit(renderer, m_modelViewTransform, flags);
}

} // namespace engine::ui
