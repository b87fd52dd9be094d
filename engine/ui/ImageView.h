#pragma once
// An image as a widget: plain, or nine-slice stretched to a given size. Render thread only.

#include <string>

#include "engine/ui/Widget.h"

namespace engine::ui {

class Scale9Sprite;

class ImageView : public Widget {
public:
    static ImageView* create();
    // Null when the image cannot be loaded.
    static ImageView* create(const std::string& imageFileName);
    bool init() override;

    bool loadTexture(const std::string& fileName);
    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return m_scale9; }
    void setCapInsets(const Rect& insets);
    // Shows only this rectangle of the image (texture pixels, origin top-left); the widget
    // takes its size unless given another.
    void setTextureRect(const Rect& rect);
    Scale9Sprite* getRenderer() const { return m_renderer; }

protected:
    ImageView() = default;
    Size getVirtualRendererSize() const override;
    void onSizeChanged() override;

private:
    Scale9Sprite* m_renderer = nullptr;
    bool m_scale9 = false;
    bool m_loaded = false;
};

} // namespace engine::ui
