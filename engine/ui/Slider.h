#pragma once
// A horizontal slider: a bar image, a progress image filling the bar from the left up to the
// value, and a ball at the value. The value is an integer percent 0 to 100. A touch on the
// slider (bar or ball) moves the value to the touch and a drag follows it; each notch of the
// mouse wheel over the slider steps it by 1 (away from the user: up). Every change made by the
// user fires ON_PERCENTAGE_CHANGED once; setPercent fires nothing. The bar and progress images
// stretch to the content size as nine-slices (their ends keep their shape). A disabled slider
// ignores touches and the wheel and shows its disabled ball (or a dimmed look without one).
// Render thread only.

#include <functional>
#include <string>

#include "engine/ui/Widget.h"

namespace engine {
class EventListenerMouse;
class EventMouse;
}

namespace engine::ui {

class Scale9Sprite;

class Slider : public Widget {
public:
    enum class EventType { ON_PERCENTAGE_CHANGED, ON_SLIDEBALL_DOWN, ON_SLIDEBALL_UP, ON_SLIDEBALL_CANCEL };
    using ccSliderCallback = std::function<void(Ref*, EventType)>;

    static Slider* create();
    // Null when the bar image cannot be loaded.
    static Slider* create(const std::string& barTextureName, const std::string& normalBallTextureName,
                          TextureResType type = TextureResType::LOCAL);
    ~Slider() override;
    bool init() override;

    bool loadBarTexture(const std::string& file, TextureResType type = TextureResType::LOCAL);
    bool loadProgressBarTexture(const std::string& file, TextureResType type = TextureResType::LOCAL);
    void loadSlidBallTextures(const std::string& normal, const std::string& pressed = "",
                              const std::string& disabled = "", TextureResType type = TextureResType::LOCAL);
    bool loadSlidBallTextureNormal(const std::string& file, TextureResType type = TextureResType::LOCAL);
    bool loadSlidBallTexturePressed(const std::string& file, TextureResType type = TextureResType::LOCAL);
    bool loadSlidBallTextureDisabled(const std::string& file, TextureResType type = TextureResType::LOCAL);
    // Cap insets of the bar and progress images (texture pixels, as Scale9Sprite).
    void setCapInsets(const Rect& insets);

    // Clamped to 0..100.
    void setPercent(int percent);
    int getPercent() const { return m_percent; }

    void addEventListener(const ccSliderCallback& callback) { m_sliderCallback = callback; }

    // Bar and ball, the ball's overhang included (touches and the wheel alike).
    bool hitTestContent(const Vec2& worldPoint) const override;
    void onEnter() override;

    Scale9Sprite* getBarRenderer() const { return m_bar; }
    Scale9Sprite* getProgressBarRenderer() const { return m_progress; }
    Scale9Sprite* getSlidBallRenderer() const { return m_ballNormal; }

protected:
    Slider() = default;
    bool onTouchBegan(Touch* touch, Event* event) override;
    void onTouchMoved(Touch* touch, Event* event) override;
    void onTouchEnded(Touch* touch, Event* event) override;
    void onTouchCancelled(Touch* touch, Event* event) override;
    void onPressStateChangedToNormal() override;
    void onPressStateChangedToPressed() override;
    void onPressStateChangedToDisabled() override;
    Size getVirtualRendererSize() const override;
    void onSizeChanged() override;

private:
    bool loadInto(Scale9Sprite* renderer, const std::string& file, bool* loaded);
    void showBall(Scale9Sprite* ball);
    void placeProgress();
    // Percent at a world point's x, rounded to the nearest integer.
    int percentAt(const Vec2& worldPoint) const;
    // Sets the value and fires the change event when it changed.
    void changeByUser(int percent);
    void fireSlider(EventType type);
    void onScroll(EventMouse* event);

    Scale9Sprite* m_bar = nullptr;
    Scale9Sprite* m_progress = nullptr;
    Scale9Sprite* m_ballNormal = nullptr;
    Scale9Sprite* m_ballPressed = nullptr;
    Scale9Sprite* m_ballDisabled = nullptr;
    bool m_barLoaded = false;
    bool m_progressLoaded = false;
    bool m_ballNormalLoaded = false;
    bool m_ballPressedLoaded = false;
    bool m_ballDisabledLoaded = false;
    bool m_capInsetsSet = false;
    int m_percent = 0;
    float m_wheelRemainder = 0.0f;
    ccSliderCallback m_sliderCallback;
    EventListenerMouse* m_mouseListener = nullptr;
};

} // namespace engine::ui
