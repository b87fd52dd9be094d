#pragma once
// The "WATERFALL" view: the newest 500 sweeps of a band as an image, newest row at the top, one
// column per bin, coloured between the two thresholds; scrolling and the time scale are done by
// the sprite's placement and scale. Marks the strongest points along the cursors. One instance
// per band. Render thread only; update() takes dataLock.

#include <cstdint>
#include <vector>

#include "display/ClippedLayer.h"

namespace engine {
class Sprite;
class Texture2D;
}

namespace nolvo {

class DataModel;

class WaterfallLayer : public ClippedLayer {
public:
    static constexpr int kTextureSize = 512; // power of two above 512 bins and 500 rows

    static WaterfallLayer* create();
    static WaterfallLayer* createWithModel(DataModel& model);
    ~WaterfallLayer() override;

    bool init() override;
    void update(float dt) override;
    void draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t flags) override;

    void setBands(bool band24, bool band5);

    // ---- observation (tests) ----
    engine::Sprite* imageSprite() const { return m_imageSprite; }
    engine::Texture2D* imageTexture() const { return m_texture; }
    std::size_t markerPoolSize() const { return m_peakMarkers.size(); }
    engine::Sprite* marker(std::size_t i) const { return m_peakMarkers[i]; }

private:
    explicit WaterfallLayer(DataModel& model) : m_model(model) {}

    void placeImage();
    void rebuildImage(int band);
    // Places the band's cursor-peak markers from pool index `used` on; returns the new count.
    std::size_t updateCursorPeaks(int band, std::size_t used);
    engine::Sprite* markerAt(std::size_t index);
    bool bandEnabled(int band) const { return band == 0 ? m_band24 : m_band5; }

    DataModel& m_model;
    bool m_band24 = true;
    bool m_band5 = true;
    std::vector<engine::Sprite*> m_peakMarkers;
    std::vector<std::uint8_t> m_pixels;
    engine::Texture2D* m_texture = nullptr;
    engine::Sprite* m_imageSprite = nullptr;
};

} // namespace nolvo
