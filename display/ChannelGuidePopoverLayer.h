#pragma once
// The small panel the channel guide shows over a selected channel: the plan and channel as its
// title, the channel's START and END frequencies in MHz, and a close button. It swallows touches
// that begin inside it; a touch on the close button, or one that begins anywhere in the button's
// bounding box enlarged to twice its size (easy to hit with a finger), closes it: the delegate
// hears of it and the popover leaves its parent. Its owner places it by its anchor point.
// Render thread only.

#include <string>

#include "engine/scene/Layer.h"

namespace engine {
class EventListenerTouchOneByOne;
class Label;
class Touch;
namespace ui {
class Button;
class ImageView;
}
}

namespace nolvo {

class ChannelGuidePopoverLayer;

class ChannelGuidePopoverLayerDelegate {
public:
    virtual ~ChannelGuidePopoverLayerDelegate() = default;
    // The user closed the popover (it is being removed from its parent).
    virtual void channelGuidePopoverClosed(ChannelGuidePopoverLayer* popover) = 0;
};

class ChannelGuidePopoverLayer : public engine::Layer {
public:
    // Content margins, points.
    static constexpr float kMarginX = 10.0f;
    static constexpr float kMarginY = 14.0f;

    // Texts sized for the process-wide model's display size class.
    static ChannelGuidePopoverLayer* create();
    static ChannelGuidePopoverLayer* createWithSizeClass(int sizeClass);

    bool init() override;

    // Not owned; null for none.
    void setDelegate(ChannelGuidePopoverLayerDelegate* delegate) { m_delegate = delegate; }
    // Title "<plan prefix><channel>", START and END as whole MHz ("2412MHz").
    void fill(int plan, int channel, float startMHz, float endMHz);

    // Input, also called by tests. Positions are world points.
    bool onTouchBegan(engine::Touch* touch);
    // Tells the delegate and leaves the parent.
    void close();

    // The close button's touch area in world points: its bounding box grown to twice its size.
    engine::Rect closeHitBox() const;

    // ---- observation (tests) ----
    engine::Label* titleLabel() const { return m_title; }
    engine::Label* startValueLabel() const { return m_startValue; }
    engine::Label* endValueLabel() const { return m_endValue; }
    engine::ui::Button* closeButton() const { return m_closeButton; }
    float fontSize() const { return m_fontSize; }

    // "1234MHz": whole MHz, no blank before the unit.
    static std::string megahertzText(float mhz);

private:
    explicit ChannelGuidePopoverLayer(int sizeClass);
    void layout();

    int m_sizeClass;
    ChannelGuidePopoverLayerDelegate* m_delegate = nullptr;
    float m_fontSize = 18.0f;
    engine::ui::ImageView* m_background = nullptr;
    engine::ui::Button* m_closeButton = nullptr;
    engine::Label* m_title = nullptr;
    engine::Label* m_startCaption = nullptr;
    engine::Label* m_endCaption = nullptr;
    engine::Label* m_startValue = nullptr;
    engine::Label* m_endValue = nullptr;
    engine::EventListenerTouchOneByOne* m_listener = nullptr;
    float m_titleWidth = 0.0f;   // sized on a 15-character template
    float m_valueWidth = 0.0f;   // sized on "XXXXMHZ"
    bool m_closing = false;
};

} // namespace nolvo
