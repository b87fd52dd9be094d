#pragma once
// The transient indicator shown while a pinch (or the mouse wheel) changes a scale: a magnifying
// glass with a row of horizontal and a column of vertical step boxes and the "A" and "T" labels.
// Its owner writes the step counts and indices, the dirty flag and the pinch flag; visit() lays
// it out when dirty and fades the whole popover in while the pinch lasts and out afterwards.
// Render thread only.

#include <vector>

#include "engine/scene/Layer.h"

namespace engine {
class Label;
class Sprite;
namespace ui {
class ImageView;
}
}

namespace nolvo {

class DataModel;

class ScalingPopoverLayer : public engine::Layer {
public:
    static ScalingPopoverLayer* create();
    static ScalingPopoverLayer* createWithModel(DataModel& model);
    ~ScalingPopoverLayer() override;

    // The popover on screen (between onEnter and onExit), or null: how the pinch owners reach it.
    static ScalingPopoverLayer* getActive();

    bool init() override;
    void onEnter() override;
    void onExit() override;
    void visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags) override;

    // Announces a scale step. previous is only taken while the popover is fully transparent, so a
    // run of steps keeps showing where the pinch started.
    void announce(int horizontalCount, int horizontalCurrent, int verticalCount, int verticalCurrent, int previousVertical);
    void setPinchActive(bool active) { m_pinchActive = active; }
    bool isPinchActive() const { return m_pinchActive; }
    void setDirty() { m_dirty = true; }

    // ---- state (tests) ----
    int verticalStepCount() const { return m_verticalStepCount; }
    int currentVerticalStep() const { return m_currentVerticalStep; }
    int previousVerticalStep() const { return m_previousVerticalStep; }
    std::size_t boxCount() const { return m_stepBoxes.size(); }
    engine::Sprite* box(std::size_t i) const { return m_stepBoxes[i]; }
    engine::Label* amplitudeLabel() const { return m_aLabel; }
    engine::Label* timeLabel() const { return m_tLabel; }

    // Which quarter of the box image a step shows: 0 plain, 1 previous, 2 current or passed.
    static int boxQuarter(int step, int current, int previous);

private:
    explicit ScalingPopoverLayer(DataModel& model) : m_model(model) {}
    void refreshTexts();
    void layoutBoxes();
    engine::Sprite* boxAt(std::size_t index);

    DataModel& m_model;
    engine::ui::ImageView* m_glass = nullptr;
    engine::ui::ImageView* m_background = nullptr;
    engine::Label* m_aLabel = nullptr;
    engine::Label* m_tLabel = nullptr;
    std::vector<engine::Sprite*> m_stepBoxes;
    bool m_dirty = true;
    int m_verticalStepCount = 6;
    int m_currentVerticalStep = 2;
    int m_previousVerticalStep = 0;
    int m_horizontalStepCount = 16;
    int m_currentHorizontalStep = 10;
    int m_previousHorizontalStep = 9;
    bool m_pinchActive = false;
    float m_boxWidth = 0.0f;
    float m_boxHeight = 0.0f;
    float m_boxSpacing = 2.0f;
};

} // namespace nolvo
