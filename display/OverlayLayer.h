#pragma once
// The axis end values: the band's frequency limits along the bottom and the amplitude window's
// bottom and top at the right edge, faded in while the user touches the plot and out after.
// In power mode the frequency labels are hidden and the power window is shown. Render thread
// only.

#include <cstdint>

#include "engine/scene/Layer.h"

namespace engine {
class Label;
}

namespace nolvo {

class DataModel;

class OverlayLayer : public engine::Layer {
public:
    static OverlayLayer* create();
    static OverlayLayer* createWithModel(DataModel& model);

    bool init() override;
    void onEnter() override;
    void onExit() override;
    void update(float dt) override;
    void visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags) override;

    // What the overlay annotates: power mode (no frequency labels), or the spectrum of a band.
    void setMode(bool powerMode, int band, bool waterfall);

    // Touch counting (the listener does not swallow); also called by tests.
    void touchBegan() { ++m_activeTouches; }
    void touchEnded() { m_activeTouches = m_activeTouches > 0 ? m_activeTouches - 1 : 0; }

    // The text of an amplitude end: dBm with "dBm", or watts with an SI prefix and "W"; NaN is empty.
    static std::string amplitudeText(float dbm, int powerUnits);

    float labelFade() const { return m_labelFade; }
    engine::Label* bottomLabel() const { return m_bottomLabel; }
    engine::Label* topLabel() const { return m_topLabel; }
    engine::Label* lowFrequencyLabel() const { return m_lowFrequencyLabel; }
    engine::Label* highFrequencyLabel() const { return m_highFrequencyLabel; }

private:
    explicit OverlayLayer(DataModel& model) : m_model(model) {}
    void refreshLabels();

    DataModel& m_model;
    std::int32_t m_activeTouches = 0;
    float m_labelFade = 0.0f;
    float m_lastDt = 0.0f;
    bool m_frequencyLabelsShown = true;
    bool m_band24 = true;
    engine::Label* m_bottomLabel = nullptr;
    engine::Label* m_topLabel = nullptr;
    engine::Label* m_lowFrequencyLabel = nullptr;
    engine::Label* m_highFrequencyLabel = nullptr;
};

} // namespace nolvo
