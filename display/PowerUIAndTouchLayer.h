#pragma once
// The interactive overlay of power mode, over the power trace: the trigger-level handle (left
// edge) and the trigger-delay handle (top edge), a value bubble with a guide line while one is
// dragged, the ground marker of the live channel (right edge), the six-value measurement panel
// (bottom) and the reference label (top left).
//
// Input: one finger (or the left mouse button) drags a handle or a measurement label sideways; two fingers pinch
// the time scale (horizontal distance) and the amplitude scale (vertical distance), one step per
// 100 points; the mouse wheel steps the time scale, Shift+wheel the amplitude scale. Scale steps
// need a power-capable accessory. A finished level or delay drag, or a pinch or wheel that
// stepped a scale, asks for the accessory to be reconfigured (see setReconfigureRequest).
//
// Render thread only. Settings are written without a lock (single fields), the stopped-capture
// record and the measurement record are read and written under dataLock.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "display/PowerPlot.h"
#include "engine/scene/Layer.h"

namespace engine {
class DrawNode;
class Label;
class Sprite;
class Touch;
}

namespace nolvo {

class DataModel;

class PowerUIAndTouchLayer : public engine::Layer {
public:
    enum class DragMode : int { None = 0, Pinch = 1, Panel = 2, Level = 3, Delay = 4 };
    // Points of finger-distance change per scale step.
    static constexpr float kPinchStep = 100.0f;
    // Extra points around a handle that still grab it.
    static constexpr float kHandleSlop = 10.0f;

    static PowerUIAndTouchLayer* create();
    static PowerUIAndTouchLayer* createWithModel(DataModel& model);
    ~PowerUIAndTouchLayer() override;

    bool init() override;
    void onExit() override;
    void update(float dt) override;

    // What asks the accessory link to send the power configuration again (the application sets
    // it; empty: nothing is asked). Render thread.
    static void setReconfigureRequest(std::function<void()> request);

    // ---- input, also called by tests; positions are world points ----
    // The first touch on a handle or on the panel (claimed and hidden from the layers behind).
    bool onHandleTouchBegan(engine::Touch* touch);
    // Any other touch inside the layer (claimed, not hidden): the fingers of a pinch.
    bool onTouchBegan(engine::Touch* touch);
    void onTouchMoved(engine::Touch* touch);
    void onTouchEnded(engine::Touch* touch);
    void onTouchCancelled(engine::Touch* touch);
    // One wheel notch at worldPoint: positive steps up (as spreading two fingers).
    void onWheel(float steps, const engine::Vec2& worldPoint, bool amplitude);

    // Steps the time scale or the amplitude scale by one and shows the scaling popover; false
    // when nothing changed (no power hardware, table end, empty table).
    bool stepTimeScale(bool up);
    bool stepAmplitudeScale(bool up);

    // ---- state (tests) ----
    DragMode dragMode() const { return m_mode; }
    float draggedLevel() const { return m_dragLevel; }
    float draggedDelay() const { return m_dragDelay; }
    std::size_t activeTouchCount() const { return m_touches.size(); }
    engine::Sprite* levelHandle() const { return m_levelHandle; }
    engine::Sprite* delayHandle() const { return m_delayHandle; }
    engine::Sprite* delaySideways() const { return m_delaySideways; }
    engine::Sprite* groundMarker() const { return m_ground; }
    engine::Sprite* bubble() const { return m_bubble; }
    engine::Label* bubbleLabel() const { return m_bubbleLabel; }
    engine::Label* panelLabel(int slot) const { return m_panel[static_cast<std::size_t>(slot)]; }
    engine::Label* referenceLabel() const { return m_referenceLabel; }
    engine::DrawNode* drawNode() const { return m_drawNode; }
    // The level and delay handle positions of the latest update (layer points, unclamped).
    float levelY() const { return m_levelY; }
    float delayX() const { return m_delayX; }

private:
    explicit PowerUIAndTouchLayer(DataModel& model) : m_model(model) {}

    PowerMapping mapping() const;
    float timeWindow() const;
    bool inside(const engine::Vec2& world) const;
    void track(engine::Touch* touch);
    bool untrack(engine::Touch* touch);
    void endGesture();
    void placeLevelHandle(float y);
    void placeDelayHandle(float x);
    void placeGround(float channelOffset);
    void showBubble(const std::string& text, const engine::Vec2& at);
    void updatePanel();
    void layoutPanel();
    void announceScales(int previousAmplitude);
    void requestReconfigure();
    void rememberCapture();

    DataModel& m_model;
    std::vector<engine::Touch*> m_touches;
    DragMode m_mode = DragMode::None;
    float m_dragLevel = 0.0f;
    float m_dragDelay = 0.0f;
    float m_pinchX = 0.0f;
    float m_pinchY = 0.0f;
    bool m_pinchStepped = false;
    bool m_wheelStepped = false;
    // Horizontal shift of each measurement label from its column (points); the dragged one.
    std::array<float, 6> m_labelShift{};
    int m_draggedLabel = -1;
    float m_levelY = 0.0f;
    float m_delayX = 0.0f;
    float m_fontSize = 14.0f;
    bool m_shiftDown = false;

    engine::Sprite* m_levelHandle = nullptr;
    engine::Sprite* m_delayHandle = nullptr;
    engine::Sprite* m_delaySideways = nullptr;
    engine::Sprite* m_ground = nullptr;
    engine::Sprite* m_bubble = nullptr;
    engine::Label* m_bubbleLabel = nullptr;
    engine::Label* m_referenceLabel = nullptr;
    std::array<engine::Label*, 6> m_panel{};
    engine::DrawNode* m_drawNode = nullptr;
};

} // namespace nolvo
