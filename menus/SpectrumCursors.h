#pragma once
// The cursor menu: cursors on or off, horizontal or vertical pair, independent or tracking; in
// power mode also the unit of the time readouts (BASE, PHASE, RATIO) and the spans PHASE and
// RATIO measure against (5 DIV, CURSOR, GRID).
// Render thread only.

#include "menus/MenuLayer.h"

namespace nolvo {

class SpectrumCursors : public MenuLayer {
public:
    static SpectrumCursors* create() { return MenuLayer::make<SpectrumCursors>(); }

protected:
    friend class MenuLayer;
    SpectrumCursors() = default;
    void buildRows() override;
};

} // namespace nolvo
