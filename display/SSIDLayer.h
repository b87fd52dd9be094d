#pragma once
// The access-point overlay: every access point the accessory reports drawn over the spectrum as
// an outline in its own colour, centred on its channel, as wide as its occupied bandwidth and as
// tall as its signal on the band's amplitude window, with its SSID above it. The height follows
// the received strength smoothly (see smoothStrength), one step per sweep of the band over the
// time since the previous step: the overlay moves when the spectrum under it is redrawn anyway and
// costs no frames of its own, and a settled overlay changes nothing. One instance per band; the
// main scene switches on the band it serves.
//
// Outline nodes and labels are pooled: reused frame after frame in list order, created when the
// list grows and released when access points leave, so the pools never hold more than the list.
// Render thread only; draw() takes dataLock briefly for the amplitude window, then
// accessPointLock for the list (the smoothing state lives in the records).

#include <algorithm>
#include <cstdint>
#include <vector>

#include "display/AccessPointShape.h"
#include "display/ClippedLayer.h"
#include "display/OverlayPicking.h"

namespace engine {
class DrawNode;
class Label;
}

namespace nolvo {

class DataModel;

class SSIDLayer : public ClippedLayer {
public:
    static constexpr unsigned kDomeSegments = 40;

    static SSIDLayer* create();
    static SSIDLayer* createWithModel(DataModel& model);
    ~SSIDLayer() override;

    bool init() override;
    void update(float dt) override;
    void draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t flags) override;

    void setBands(bool band24, bool band5);

    // The outlines drawn by the latest draw() (access points the filter hides are not drawn),
    // for picking by click and Tab.
    const std::vector<OverlayOutline>& outlines() const { return m_outlines; }
    // Draws a white halo around the outline of that access point (none: null).
    void setHighlight(const Bssid* bssid);
    bool hasHighlight() const { return m_hasHighlight; }

    // Font size of the SSID labels for a display size class (10, 13, 15, 13; class 3 otherwise).
    static float labelFontSize(int sizeClass);

    // ---- observation (tests, benchmarks) ----
    // The outlines and labels drawn by the latest draw().
    std::size_t shapeCount() const { return m_shapes.size(); }
    engine::DrawNode* shape(std::size_t i) const { return m_shapes[i]; }
    std::size_t labelCount() const { return m_labels.size(); }
    engine::Label* label(std::size_t i) const { return m_labels[i]; }
    float lastFrameTime() const { return m_lastDt; }
    // Seconds the frames added up since the band's last smoothing step.
    float timeSinceStep(int band) const { return m_sinceStep[band == 1 ? 1 : 0]; }

private:
    explicit SSIDLayer(DataModel& model) : m_model(model) {}

    // What an outline node holds, so an unchanged outline is not built again.
    struct DrawnShape {
        AccessPointShape shape;
        float height = 0.0f;
        std::uint8_t colour[4] = {};
        bool operator==(const DrawnShape& o) const
        {
            return shape.x == o.shape.x && shape.bottomWidth == o.shape.bottomWidth &&
                   shape.topWidth == o.shape.topWidth && shape.dome == o.shape.dome && height == o.height &&
                   std::equal(colour, colour + 4, o.colour);
        }
    };

    void drawShape(std::size_t index, const DrawnShape& wanted);
    engine::Label* labelAt(std::size_t index, float fontSize);
    void drawHalo(const OverlayOutline* outline);
    template <typename T>
    static void shrinkPool(std::vector<T*>& pool, std::size_t used);

    DataModel& m_model;
    bool m_band24 = true;
    bool m_band5 = true;
    float m_lastDt = 0.0f;
    // Per band (kBand24, kBand5): time since the last smoothing step, and the band's sweep count
    // at that step.
    float m_sinceStep[2] = {0.0f, 0.0f};
    std::uint64_t m_stepSweeps[2] = {0, 0};
    std::vector<engine::DrawNode*> m_shapes;
    std::vector<DrawnShape> m_drawn; // beside m_shapes
    std::vector<engine::Label*> m_labels;
    std::vector<OverlayOutline> m_outlines;
    engine::DrawNode* m_halo = nullptr;
    OverlayOutline m_haloOutline; // what m_halo shows
    Bssid m_highlight{};
    bool m_hasHighlight = false;
};

} // namespace nolvo
