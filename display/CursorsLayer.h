#pragma once
// Two vertical (frequency or time) and two horizontal (amplitude) cursors: the active one solid,
// the other dashed, with ticks where the vertical cursors cross the selected traces. A touch near
// a cursor grabs it (the nearer one, the active one on a tie); dragging moves the active cursor
// alone or, in tracking mode, the pair with its separation kept. Positions live in the
// DataModel's cursor settings (layer points). Render thread only.

#include <array>
#include <cstdint>

#include "engine/scene/Layer.h"
#include "model/MeasurementStores.h"

namespace engine {
class DrawNode;
class Touch;
}

namespace nolvo {

class DataModel;

class CursorsLayer : public engine::Layer {
public:
    static CursorsLayer* create();
    static CursorsLayer* createWithModel(DataModel& model);

    bool init() override;
    void draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t flags) override;

    // Input, also called by tests; locations are world points.
    bool onTouchBegan(engine::Touch* touch);
    void onTouchMoved(engine::Touch* touch);
    void onTouchEnded(engine::Touch* touch);

    // Grab radius in points: 0.123 inch at the screen's DPI.
    static float grabRadius();
    // The active cursor index of the settings (0 or 1; anything above 1 is 1).
    static int activeCursor(const DataModel& model);

    // One move of a cursor pair along an axis of length `extent`. Independent: only the active
    // position moves, clamped to [0, extent]. Tracking: both move, keeping their separation,
    // stopped as a pair at the edges.
    static void movePair(float positions[2], int active, float delta, float extent, bool tracking);

    bool verticalGrab() const { return m_verticalGrab; }
    bool horizontalGrab() const { return m_horizontalGrab; }
    engine::DrawNode* drawNode() const { return m_drawNode; }

private:
    explicit CursorsLayer(DataModel& model) : m_model(model) {}
    bool waterfallView() const;
    void drawVertical(const engine::Color4F& colour, const std::array<CursorResult, 2>& results);
    void drawHorizontal(const engine::Color4F& colour);

    DataModel& m_model;
    bool m_dirty = true;
    engine::DrawNode* m_drawNode = nullptr;
    bool m_verticalGrab = false;
    bool m_horizontalGrab = false;
};

} // namespace nolvo
