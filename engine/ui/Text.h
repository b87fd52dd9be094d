#pragma once
// A text widget: a Label with a font (a .ttf/.otf file, or a system font family), a size, a
// colour and alignment. Without a text area the widget is as large as its text and grows and
// shrinks with it (so a layout around it follows); with a text area the text is wrapped and
// aligned inside that rectangle. Render thread only.

#include <string>

#include "engine/ui/Widget.h"

namespace engine {
class Label;
}

namespace engine::ui {

class Text : public Widget {
public:
    static Text* create();
    // Falls back to the bundled font when fontName cannot be opened.
    static Text* create(const std::string& text, const std::string& fontName, float fontSize);
    bool init() override;
    bool init(const std::string& text, const std::string& fontName, float fontSize);

    void setString(const std::string& text);
    const std::string& getString() const;
    // Characters (UTF-8 code points), not bytes.
    std::size_t getStringLength() const;
    void setFontSize(float size);
    float getFontSize() const { return m_fontSize; }
    void setFontName(const std::string& name);
    const std::string& getFontName() const { return m_fontName; }
    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const;

    // The text is wrapped and aligned inside this area, and the widget takes its size; a zero
    // width or height follows the text (zero height: as tall as the wrapped text).
    void setTextAreaSize(const Size& size);
    Size getTextAreaSize() const;
    void setTextHorizontalAlignment(TextHAlignment alignment);
    TextHAlignment getTextHorizontalAlignment() const;
    void setTextVerticalAlignment(TextVAlignment alignment);
    TextVAlignment getTextVerticalAlignment() const;

    // Size the text takes unwrapped.
    Size getAutoRenderSize() const;
    Label* getVirtualRenderer() const { return m_label; }

    void ignoreContentAdaptWithSize(bool ignore) override;

protected:
    Text() = default;
    Size getVirtualRendererSize() const override;
    void onSizeChanged() override;

private:
    void applyFont();
    // The text's size may have changed.
    void textChanged();

    Label* m_label = nullptr;
    std::string m_fontName = "fonts/roboto/Roboto-Regular.ttf";
    float m_fontSize = 10.0f;
};

} // namespace engine::ui
