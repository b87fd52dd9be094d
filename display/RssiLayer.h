#pragma once
// The "REAL WAVE" view: turns the newest sweeps of a band into the raw, decay, average, max hold
// and min hold traces (kept in the DataModel), draws up to three selected traces as lines or dots
// with peak markers, and shows the heat map of past sweeps behind them (one sprite, one textured
// quad: the colour image with the shade over it in one shader pass). One instance per band;
// the main scene enables the band it serves. Render thread only; takes dataLock in update()
// (processing, heat map) and draw() (traces, cursor values).

#include <array>
#include <cstdint>
#include <vector>

#include "display/ClippedLayer.h"
#include "display/HeatMapImage.h"
#include "model/MeasurementStores.h"
#include "engine/renderer/CustomCommand.h"

namespace engine {
class DrawNode;
class GLProgramState;
class Sprite;
class Texture2D;
}

namespace nolvo {

class DataModel;
struct AmplitudeMapping;

class RssiLayer : public ClippedLayer {
public:
    // Heat-map texture size in pixels: the largest grid (512 bins x 256 rows).
    static constexpr int kTextureWidth = HeatMapImage::kWidth;
    static constexpr int kTextureHeight = HeatMapImage::kHeight;
    // Trace-mask bits.
    static constexpr std::uint8_t kMaskHeatMap = 1u << 0;

    static RssiLayer* create();
    // A layer reading `model` instead of the process-wide one (tests, benchmarks).
    static RssiLayer* createWithModel(DataModel& model);
    ~RssiLayer() override;

    bool init() override;
    void update(float dt) override;
    void draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t flags) override;

    void setBands(bool band24, bool band5);
    // Makes the next draw rebuild the trace mask and redraw.
    void forceRedraw() { m_forceRedraw = true; }

    // ---- observation (tests) ----
    std::uint8_t traceMask() const { return m_traceMask; }
    engine::DrawNode* traceNode() const { return m_traceNode; }
    std::size_t markerPoolSize() const { return m_peakMarkers.size(); }
    engine::Sprite* marker(std::size_t i) const { return m_peakMarkers[i]; }
    engine::Sprite* heatSprite() const { return m_heatSprite; }
    // Whether the heat map's shade is drawn over its colours (not for the coarse first-generation grid).
    bool heatShadeShown() const { return m_shadeShown; }

private:
    explicit RssiLayer(DataModel& model) : m_model(model) {}

    void buildProgram();
    // `coarseGrid`: the first-generation accessory, whose grid is too coarse for the smoothed shade.
    void placeHeatSprite(bool coarseGrid);
    void processBand(int band);
    void updateHeatTextures(int band);
    bool rebuildMaskIfNeeded();
    void drawBand(int band, bool maskRebuilt);
    int placeMarkers(const PeakList& peaks, int kind, int used, float step, const AmplitudeMapping& map);
    void computeCursorValues(int band, int n, const AmplitudeMapping& map);
    bool bandEnabled(int band) const { return band == 0 ? m_band24 : m_band5; }

    DataModel& m_model;
    bool m_band24 = true;
    bool m_band5 = true;
    engine::DrawNode* m_traceNode = nullptr;
    std::vector<engine::Sprite*> m_peakMarkers;
    bool m_forceRedraw = true;
    std::uint8_t m_cachedSelections[3] = {0, 0, 0};
    std::uint8_t m_cachedDisplayStyle = 0;
    std::uint8_t m_traceMask = 0;
    HeatMapImage m_heatImage;
    std::vector<std::uint8_t> m_uploadBuffer;
    engine::Texture2D* m_heatColorTexture = nullptr;
    engine::Texture2D* m_heatShadeTexture = nullptr;
    engine::Sprite* m_heatSprite = nullptr;
    engine::GLProgramState* m_heatState = nullptr; // null when the heat-map program is missing
    bool m_shadeShown = true;
};

// Builds and caches the "Waterfall" program from its two shader files when the cache lacks it;
// missing or empty files leave the cache without it. Render thread, GL context current.
void ensureWaterfallProgram();
// The same for the heat map's one-pass program "HeatMap".
void ensureHeatMapProgram();

} // namespace nolvo
