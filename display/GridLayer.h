#pragma once
// The graticule: outline, centre line, tics and grid lines in a 10 x 8 major and 50 x 40 minor
// division pattern inside the layer's rectangle inset by 2 points, each element switched on or
// off by the main scene (from the graticule settings). Render thread only.

#include "display/ClippedLayer.h"

namespace engine {
class DrawNode;
}

namespace nolvo {

class GridLayer : public ClippedLayer {
public:
    static GridLayer* create();

    bool init() override;
    // Redraws the graticule for the current size and switches.
    void rebuild();

    // Switches; a change takes effect at the next rebuild(). Each returns true when it changed.
    bool setCrosshairs(bool on) { return set(m_crosshairs, on); }
    bool setMajorTics(bool on) { return set(m_majorTics, on); }
    bool setMinorTics(bool on) { return set(m_minorTics, on); }
    bool setMajorGrid(bool on) { return set(m_majorGrid, on); }
    bool setMinorGrid(bool on) { return set(m_minorGrid, on); }
    // All five from the graticule bit mask; rebuilds when any switch changed.
    void applyMask(int mask);

    engine::DrawNode* drawNode() const { return m_drawNode; }

private:
    GridLayer() = default;
    static bool set(bool& field, bool on)
    {
        const bool changed = field != on;
        field = on;
        return changed;
    }
    void drawGrid(int columns, int rows, float grey);
    void drawTics(int columns, int rows, float length, float grey);

    bool m_crosshairs = true;
    bool m_majorTics = true;
    bool m_minorTics = true;
    bool m_majorGrid = true;
    bool m_minorGrid = true;
    engine::DrawNode* m_drawNode = nullptr;
};

} // namespace nolvo
