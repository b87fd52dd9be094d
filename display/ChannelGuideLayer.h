#pragma once
// The channel guide over the spectrum: one labelled button per channel of the active band's
// plan, as wide as the channel on the frequency axis and staggered into rows where channels
// overlap. Tapping a button selects its channel: the rest of the spectrum is dimmed and a popover
// names the channel with its start and end. While a channel is selected, touching or dragging
// across the plot moves the selection to the nearest channel centre. The icon in the top-left
// corner folds the guide away and back (the guide-on flag of the spectrum settings).
//
// The plans and the guide-on flag live in the DataModel's spectrum settings; the selection does
// not. Every frame the layer compares them with what it last built and rebuilds when they differ;
// changing either band's plan drops the selection. Render thread only; no model lock is taken
// (the settings are single fields written on this thread).
//
// Keyboard: the left and right arrow keys step the selection through the plan's channels (the
// first step picks the first or last channel), Escape drops the selection.

#include <cstdint>
#include <vector>

#include "display/ChannelGuidePopoverLayer.h"
#include "display/ClippedLayer.h"
#include "engine/input/Event.h"

namespace engine {
class DrawNode;
class EventListenerTouchOneByOne;
class Sprite;
class Touch;
namespace ui {
class Button;
}
}

namespace nolvo {

class DataModel;

class ChannelGuideLayer : public ClippedLayer, public ChannelGuidePopoverLayerDelegate {
public:
    static constexpr int kButtonZOrder = 1;
    static constexpr int kDrawZOrder = 2;
    static constexpr int kIconZOrder = 10;
    static constexpr int kPopoverZOrder = 100;
    // Dimming outside the selected channel.
    static constexpr float kDimShade = 0.1f;
    static constexpr float kDimAlpha = 0.65f;

    // The frequency axis of a plan over a layer `width` points wide: x = kHz x scale + offset. The
    // axis spans the plan's band bounds plus 1000 kHz, so the last button fits.
    struct Axis {
        double scale = 0.0;
        double offset = 0.0;
        static Axis of(int plan, float width);
        float x(double khz) const { return static_cast<float>(khz * scale + offset); }
    };

    static ChannelGuideLayer* create();
    static ChannelGuideLayer* createWithModel(DataModel& model);
    ~ChannelGuideLayer() override;

    bool init() override;
    void onExit() override;
    void draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t flags) override;
    void visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags) override;

    // Rebuilds when a plan, the guide-on flag, the selection or the layer's size changed, or a
    // rebuild was forced. Called every frame by draw(); tests call it directly.
    void refresh();
    void forceRebuild() { m_forceRebuild = true; }

    // The closed popover drops the selection.
    void channelGuidePopoverClosed(ChannelGuidePopoverLayer* popover) override;

    // Input, also called by tests. Positions are world points.
    bool onTouchBegan(engine::Touch* touch);
    void onTouchMoved(engine::Touch* touch);
    void onTouchEnded(engine::Touch* touch);
    bool onIconTouchBegan(engine::Touch* touch);
    void onIconTouchEnded(engine::Touch* touch);
    // A channel button was tapped (its tag is the channel).
    void onButtonTapped(int channel);
    // Arrow keys and Escape; true when the key did something.
    bool onKey(engine::EventKeyboard::KeyCode key);

    // The plan of the active band, as the stored slots allow it (0 for none).
    int activePlan() const;
    // The channel of the active plan whose centre lies nearest to x (layer points); the earlier
    // channel on a tie. -1 without a plan.
    int nearestChannel(float x) const;

    // ---- observation (tests) ----
    int selectedChannel() const { return m_selectedChannel; }
    void setSelectedChannel(int channel) { m_selectedChannel = channel; }
    std::size_t buttonCount() const { return m_buttons.size(); }
    engine::ui::Button* button(std::size_t i) const { return m_buttons[i]; }
    engine::DrawNode* drawNode() const { return m_drawNode; }
    engine::Sprite* icon() const { return m_icon; }
    ChannelGuidePopoverLayer* popover() const { return m_popover; }
    bool isTouchActive() const { return m_touchActive != 0; }

private:
    explicit ChannelGuideLayer(DataModel& model) : m_model(model) {}

    bool guideOn() const;
    int storedPlan(int band) const;
    void showIcon(int plan, bool on);
    int buildButtons(int plan);
    engine::ui::Button* buttonAt(std::size_t index);
    bool drawSelection(int plan);
    void placePopover(float xs, float xe);
    void dropPopover();
    bool insideLayer(const engine::Vec2& worldPoint) const;

    DataModel& m_model;
    bool m_forceRebuild = true;
    std::int32_t m_cachedPlan24 = -1;
    std::int32_t m_cachedPlan5 = -1;
    bool m_cachedGuideOn = false;
    std::int32_t m_cachedSelection = -1;
    std::int32_t m_cachedBand = -1;
    engine::Size m_cachedSize;
    std::int32_t m_touchActive = 0;
    engine::Sprite* m_icon = nullptr;
    std::vector<engine::ui::Button*> m_buttons;
    engine::DrawNode* m_drawNode = nullptr;
    ChannelGuidePopoverLayer* m_popover = nullptr;
    std::int32_t m_selectedChannel = -1;
    engine::EventListenerTouchOneByOne* m_layerListener = nullptr;
    engine::EventListenerTouchOneByOne* m_iconListener = nullptr;
};

} // namespace nolvo
