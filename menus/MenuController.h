#pragma once
// The menu controller: owns the menu bar strip along the bottom of the window and attaches it to
// the main scene. For now the bar is the strip itself (a dark band with a top rule and the
// accessory connection indicator); it reports its height B, which the scene uses to place the
// plot above it and the status labels inside it. Render thread only.

#include "engine/scene/Layer.h"

namespace engine {
class Scene;
class Sprite;
}

namespace nolvo {

// The strip at the bottom of the window that the menu bar items live in.
class MenuBar : public engine::LayerColor {
public:
    static MenuBar* create(float height);
    // The accessory connection state; the bar rebuilds its indicator when it changes.
    void setAccessoryConnected(bool connected);
    bool isAccessoryConnected() const { return m_connected; }
    // Re-reads the settings its items show (after a configuration load).
    void refreshItems();
    int refreshCount() const { return m_refreshes; }

private:
    MenuBar() = default;
    bool initWithHeight(float height);
    void rebuildIndicator();

    float m_height = 0.0f;
    bool m_connected = false;
    int m_refreshes = 0;
    engine::Sprite* m_indicator = nullptr;
};

class MenuController {
public:
    // Height of the menu bar strip in points (B).
    static constexpr float kBarHeight = 60.0f;
    static constexpr int kBarZOrder = 50;

    static MenuController* getInstance();

    float getBarHeight() const { return kBarHeight; }
    // Adds a new bar to `scene` (replacing one attached before).
    void attach(engine::Scene* scene);
    // Removes and releases the bar.
    void detach();
    MenuBar* getBar() const { return m_bar; }

private:
    MenuController() = default;
    MenuBar* m_bar = nullptr; // retained while attached
};

} // namespace nolvo
