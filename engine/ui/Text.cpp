#include "engine/ui/Text.h"

#include <algorithm>
#include <new>

#include "engine/text/FontCache.h"
#include "engine/text/Label.h"

namespace engine::ui {

Text* Text::create()
{
    auto* t = new (std::nothrow) Text();
    if (t && t->init()) {
        t->autorelease();
        return t;
    }
    delete t;
    return nullptr;
}

Text* Text::create(const std::string& text, const std::string& fontName, float fontSize)
{
    auto* t = new (std::nothrow) Text();
    if (t && t->init(text, fontName, fontSize)) {
        t->autorelease();
        return t;
    }
    delete t;
    return nullptr;
}

bool Text::init()
{
    return init("", m_fontName, m_fontSize);
}

bool Text::init(const std::string& text, const std::string& fontName, float fontSize)
{
    if (!Widget::init()) return false;
    m_fontName = fontName;
    m_fontSize = fontSize > 0.0f ? fontSize : m_fontSize;
    m_label = Label::create();
    m_label->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    addChild(m_label, -1);
    applyFont();
    m_label->setString(text);
    textChanged();
    return true;
}

void Text::applyFont()
{
    if (FontCache::isFontFile(m_fontName) && m_label->setTTFConfig(TTFConfig(m_fontName, m_fontSize))) return;
    if (FontCache::isFontFile(m_fontName)) {
        // A font file that cannot be opened: the bundled font keeps the text readable.
        m_label->setTTFConfig(TTFConfig(FontCache::kFallbackFont, m_fontSize));
        return;
    }
    m_label->setSystemFontName(m_fontName);
    m_label->setSystemFontSize(m_fontSize);
}

void Text::textChanged()
{
    if (m_ignoreSize) updateContentSizeFromRenderer();
    else onSizeChanged();
}

void Text::setString(const std::string& text)
{
    if (text == m_label->getString()) return;
    m_label->setString(text);
    textChanged();
}

const std::string& Text::getString() const
{
    return m_label->getString();
}

std::size_t Text::getStringLength() const
{
    std::size_t n = 0;
    for (unsigned char c : m_label->getString()) {
        if ((c & 0xC0) != 0x80) ++n;
    }
    return n;
}

void Text::setFontSize(float size)
{
    if (size <= 0.0f || size == m_fontSize) return;
    m_fontSize = size;
    applyFont();
    textChanged();
}

void Text::setFontName(const std::string& name)
{
    if (name == m_fontName) return;
    m_fontName = name;
    applyFont();
    textChanged();
}

void Text::setTextColor(const Color4B& color)
{
    m_label->setTextColor(color);
}

const Color4B& Text::getTextColor() const
{
    return m_label->getTextColor();
}

void Text::setTextAreaSize(const Size& size)
{
    // The widget takes the label's size: the area, where a zero side follows the text.
    m_label->setDimensions(std::max(0.0f, size.width), std::max(0.0f, size.height));
    m_ignoreSize = true;
    updateContentSizeFromRenderer();
}

Size Text::getTextAreaSize() const
{
    return m_label->getDimensions();
}

void Text::ignoreContentAdaptWithSize(bool ignore)
{
    if (ignore) m_label->setDimensions(0.0f, 0.0f);
    Widget::ignoreContentAdaptWithSize(ignore);
}

void Text::setTextHorizontalAlignment(TextHAlignment alignment)
{
    m_label->setHorizontalAlignment(alignment);
}

TextHAlignment Text::getTextHorizontalAlignment() const
{
    return m_label->getHorizontalAlignment();
}

void Text::setTextVerticalAlignment(TextVAlignment alignment)
{
    m_label->setVerticalAlignment(alignment);
}

TextVAlignment Text::getTextVerticalAlignment() const
{
    return m_label->getVerticalAlignment();
}

Size Text::getAutoRenderSize() const
{
    if (m_label->getDimensions() == Size::ZERO) return m_label->getContentSize();
    Label* probe = Label::create();
    if (FontCache::isFontFile(m_fontName)) probe->setTTFConfig(m_label->getTTFConfig());
    else {
        probe->setSystemFontName(m_fontName);
        probe->setSystemFontSize(m_fontSize);
    }
    probe->setString(m_label->getString());
    return probe->getContentSize();
}

Size Text::getVirtualRendererSize() const
{
    return m_label ? m_label->getContentSize() : Size::ZERO;
}

void Text::onSizeChanged()
{
    if (!m_label) return;
    if (!m_ignoreSize) m_label->setDimensions(m_contentSize.width, m_contentSize.height);
    m_label->setPosition(m_contentSize.width * 0.5f, m_contentSize.height * 0.5f);
}

} // namespace engine::ui
