#pragma once
// Lies over the waterfall: the two threshold handles at the right edge with the colour scale
// between them, the threshold values (shown while a handle is dragged, then fading), dragging
// the thresholds with one finger, and the time scale changed by a two-finger pinch or by the
// mouse wheel (one notch = one pinch step). Render thread only; thresholds are written without
// a lock, the redraw flags under dataLock.

#include <cstdint>
#include <vector>

#include "engine/scene/Layer.h"

namespace engine {
class DrawNode;
class EventListenerMouse;
class EventListenerTouchOneByOne;
class Label;
class Sprite;
class Touch;
}

namespace nolvo {

class DataModel;

class WaterfallThresholdAndTouchLayer : public engine::Layer {
public:
    enum class TouchState : int { None = 0, Pinch = 1, DragLow = 2, DragHigh = 3 };
    // Points of vertical pinch travel per time-scale step.
    static constexpr float kPinchStep = 100.0f;

    static WaterfallThresholdAndTouchLayer* create();
    static WaterfallThresholdAndTouchLayer* createWithModel(DataModel& model);
    ~WaterfallThresholdAndTouchLayer() override;

    bool init() override;
    void onEnter() override;
    void onExit() override;
    void update(float dt) override;

    void setBands(bool band24, bool band5);

    // Input, also called by tests. Positions are world points.
    bool onTouchBegan(engine::Touch* touch);
    void onTouchMoved(engine::Touch* touch);
    void onTouchEnded(engine::Touch* touch);
    // One wheel notch: positive steps the time scale up (as spreading two fingers), negative down.
    void onWheel(float steps, const engine::Vec2& worldPoint);

    // Steps the time-scale index by one, up or down, and tells the scaling popover.
    void stepTimeScale(bool up);

    // ---- state (tests) ----
    TouchState touchState() const { return m_touchState; }
    float labelFade() const { return m_labelFade; }
    engine::Sprite* lowHandle() const { return m_lowHandle; }
    engine::Sprite* highHandle() const { return m_highHandle; }
    engine::Label* lowLabel() const { return m_lowLabel; }
    engine::Label* highLabel() const { return m_highLabel; }
    engine::DrawNode* drawNode() const { return m_drawNode; }

    // The y of a threshold in layer points for the given window and layer height.
    static float thresholdY(float value, float bottom, float top, float height);

private:
    explicit WaterfallThresholdAndTouchLayer(DataModel& model) : m_model(model) {}

    void amplitudeWindow(float& bottom, float& top) const;
    float pointsPerDb() const;
    void placeHandle(engine::Sprite* handle, float y);
    void drawLabelsAndScale(float yLow, float yHigh);
    void markRedraw();
    void releaseTouches();

    DataModel& m_model;
    bool m_band24 = true;
    bool m_band5 = true;
    float m_fontSize = 16.0f;
    float m_labelFade = 0.0f;
    float m_labelBoxWidth = 0.0f;
    float m_labelBoxHeight = 0.0f;
    std::vector<engine::Touch*> m_activeTouches;
    TouchState m_touchState = TouchState::None;
    float m_pinchY = 0.0f;
    engine::Sprite* m_lowHandle = nullptr;
    engine::Sprite* m_highHandle = nullptr;
    engine::Label* m_lowLabel = nullptr;
    engine::Label* m_highLabel = nullptr;
    engine::DrawNode* m_drawNode = nullptr;
    engine::EventListenerTouchOneByOne* m_touchListener = nullptr;
    engine::EventListenerMouse* m_mouseListener = nullptr;
};

} // namespace nolvo
