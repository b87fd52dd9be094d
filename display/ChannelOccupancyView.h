#pragma once
// The channel occupancy view: one bar per 2.4 GHz channel (1 to 14) of the utilization the
// utilization pass computed, the access-point count over each bar, the least used of channels 1,
// 6 and 11 ranked ("BEST", "2ND", "3RD"), and for 5 GHz one bar per channel heard with its
// access-point count. It looks at the model twice a second and redraws only when a pass or a scan
// changed the figures. Esc or the close button closes it. Render thread.

#include <vector>

#include "display/AnalystPanel.h"
#include "display/AnalystViewData.h"

namespace engine {
class DrawNode;
}

namespace nolvo {

class DataModel;

class ChannelOccupancyView : public AnalystPanel {
public:
    static ChannelOccupancyView* create(DataModel& model, const engine::Rect& area);
    ~ChannelOccupancyView() override;

    void update(float dt) override;
    void refresh();

    // ---- observation (tests) ----
    const ChannelOccupancy& shown() const { return m_shown; }
    // The top centre of the bar of a 2.4 GHz channel (1..14), in this node's coordinates.
    engine::Vec2 barTop24(int channel) const;

private:
    explicit ChannelOccupancyView(DataModel& model) : m_model(model) {}
    bool init(const engine::Rect& area);
    void draw();

    DataModel& m_model;
    ChannelOccupancy m_shown;
    engine::DrawNode* m_bars = nullptr;
    std::vector<engine::Node*> m_texts;
    float m_sinceCheck = 0.0f;
    bool m_drawn = false;
};

} // namespace nolvo
