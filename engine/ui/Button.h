#pragma once
// A push button: normal, pressed and disabled images (the pressed and disabled ones optional),
// optional nine-slice stretching, a title label and a zoom while pressed. A button whose size
// does not come from its title fits the title inside it, kTitlePadding from each side, with a
// smaller face when the text is too wide (never by scaling the node). The zoom while pressed
// multiplies whatever scale the title was given. Render thread only.

#include <string>

#include "engine/ui/Widget.h"

namespace engine {
class Label;
}

namespace engine::ui {

class Scale9Sprite;

class Button : public Widget {
public:
    static Button* create();
    // Null when the normal image cannot be loaded.
    static Button* create(const std::string& normalImage, const std::string& selectedImage = "",
                          const std::string& disableImage = "");
    bool init() override;

    void loadTextures(const std::string& normal, const std::string& selected, const std::string& disabled);
    bool loadTextureNormal(const std::string& file);
    bool loadTexturePressed(const std::string& file);
    bool loadTextureDisabled(const std::string& file);

    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return m_scale9; }
    // Size of the normal image itself (zero without one).
    Size getNormalTextureSize() const;
    void setCapInsets(const Rect& insets);

    void setTitleText(const std::string& text);
    std::string getTitleText() const;
    void setTitleColor(const Color3B& color);
    Color3B getTitleColor() const;
    void setTitleFontSize(float size);
    float getTitleFontSize() const { return m_titleFontSize; }
    // A path ending in .ttf/.otf is a font file; anything else a system font family.
    void setTitleFontName(const std::string& name);
    const std::string& getTitleFontName() const { return m_titleFontName; }
    Label* getTitleRenderer() const { return m_title; }
    // Room kept between the title and the button's sides.
    static constexpr float kTitlePadding = 4.0f;
    // A stretchable button needs its title at three quarters of its face plus the padding; an
    // image button its image; a button sized by its title the title.
    Size getMinimumSize() const override;

    // Extra scale while pressed (0.1 = 10 % larger).
    void setZoomScale(float scale);
    float getZoomScale() const { return m_zoomScale; }
    void setPressedActionEnabled(bool enabled) { m_pressedActionEnabled = enabled; }

    Scale9Sprite* getRendererNormal() const { return m_normal; }
    Scale9Sprite* getRendererClicked() const { return m_pressed; }
    Scale9Sprite* getRendererDisabled() const { return m_disabled; }

protected:
    Button() = default;
    void onPressStateChangedToNormal() override;
    void onPressStateChangedToPressed() override;
    void onPressStateChangedToDisabled() override;
    Size getVirtualRendererSize() const override;
    void onSizeChanged() override;

private:
    bool loadInto(Scale9Sprite* renderer, const std::string& file, bool* loaded);
    void show(Scale9Sprite* renderer, float scale);
    void ensureTitle();
    // Gives the title the button's width minus the padding, shrinking its face if it must.
    void fitTitle();

    Scale9Sprite* m_normal = nullptr;
    Scale9Sprite* m_pressed = nullptr;
    Scale9Sprite* m_disabled = nullptr;
    bool m_normalLoaded = false;
    bool m_pressedLoaded = false;
    bool m_disabledLoaded = false;
    bool m_scale9 = false;
    Label* m_title = nullptr;
    std::string m_titleFontName = "fonts/roboto/Roboto-Regular.ttf";
    float m_titleFontSize = 14.0f;
    float m_zoomScale = 0.1f;
    // The press zoom the title carries now (its own scale is its scale divided by this).
    float m_titleZoom = 1.0f;
    bool m_fittingTitle = false;
    bool m_pressedActionEnabled = true;
};

} // namespace engine::ui
