#pragma once
// A progress bar: one image filled to a percentage (float 0 to 100) of the bar's width, from the
// left (LEFT) or from the right (RIGHT). The image is cut at the fill, or, with nine-slice on,
// stretched over the filled part with its ends kept. Its colour tints the image (a white image
// takes the colour exactly). Render thread only.

#include <string>

#include "engine/ui/Widget.h"

namespace engine::ui {

class Scale9Sprite;

class LoadingBar : public Widget {
public:
    enum class Direction { LEFT, RIGHT };

    static LoadingBar* create();
    // Null when the image cannot be loaded.
    static LoadingBar* create(const std::string& textureName, float percentage = 0.0f);
    bool init() override;

    bool loadTexture(const std::string& file);
    void setDirection(Direction direction);
    Direction getDirection() const { return m_direction; }
    // Clamped to 0..100.
    void setPercent(float percent);
    float getPercent() const { return m_percent; }
    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return m_scale9; }
    void setCapInsets(const Rect& insets);

    Scale9Sprite* getVirtualRenderer() const { return m_renderer; }

protected:
    LoadingBar() = default;
    Size getVirtualRendererSize() const override;
    void onSizeChanged() override;

private:
    void updateFill();

    Scale9Sprite* m_renderer = nullptr;
    bool m_loaded = false;
    bool m_scale9 = false;
    Direction m_direction = Direction::LEFT;
    float m_percent = 100.0f;
};

} // namespace engine::ui
