#pragma once
// The power trace of power mode: converts each new power trace into a smooth polyline once,
// draws the recent traces with fading persistence (lines or dots), or in roll mode the rolling
// trace; shifts them by the live channel's offset; stretches a stopped capture when the time
// scale or the delay changed after the stop; and draws the reference waveform, rebuilt from its
// samples at the layer's width. Also writes the power-mode cursor results (level of the newest
// trace under each vertical cursor) for the cursor ticks and the status strip.
//
// Drawing uses the "SimpleLineShader" program (position + uniform colour). Render thread only;
// update() and draw() take dataLock, the GL commands run on copies made under it.

#include <cstdint>
#include <vector>

#include "display/ClippedLayer.h"
#include "display/PowerPlot.h"
#include "engine/renderer/CustomCommand.h"

namespace nolvo {

class DataModel;

class PowerLayer : public ClippedLayer {
public:
    static constexpr const char* kProgramName = "SimpleLineShader";
    static constexpr float kPointSize = 2.0f;
    // Least seconds between two redraws asked for by new captures, and by fading alone.
    static constexpr float kRedrawInterval = 1.0f / 30.0f;
    static constexpr float kFadeInterval = 1.0f / 10.0f;

    static PowerLayer* create();
    // A layer reading `model` instead of the process-wide one (tests, benchmarks).
    static PowerLayer* createWithModel(DataModel& model);

    bool init() override;
    void update(float dt) override;
    void draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t flags) override;

    // One batch of the queued drawing: `count` points from `first` of the vertex copy.
    struct Batch {
        std::size_t first = 0;
        std::size_t count = 0;
        float rgba[4] = {0, 0, 0, 0};
    };

    // ---- observation (tests, benchmarks) ----
    const std::vector<Batch>& traceBatches() const { return m_drawnTraces.batches; }
    const std::vector<float>& traceVertices() const { return m_drawnTraces.vertices; }
    const std::vector<Batch>& referenceBatches() const { return m_drawnReference.batches; }
    const std::vector<float>& referenceVertices() const { return m_drawnReference.vertices; }
    // The dBm-to-points map and horizontal transform of the latest draw.
    const PowerMapping& mapping() const { return m_mapping; }
    const XTransform& xTransform() const { return m_xTransform; }
    bool drawsDots() const { return m_dots; }

private:
    explicit PowerLayer(DataModel& model) : m_model(model) {}

    struct Pass {
        std::vector<float> vertices; // interleaved x, y (dBm)
        std::vector<Batch> batches;
        void clear()
        {
            vertices.clear();
            batches.clear();
        }
        void add(const std::vector<float>& polyline, const std::uint8_t rgb[3], float opacity);
    };

    void convertNewTraces();
    void collectLive(float frameSeconds);
    void collectReference();
    void writeCursorResults(const std::vector<float>* newest);
    void queue(engine::Renderer* renderer, engine::CustomCommand& command, const Pass& pass, const engine::Mat4& modelView);
    static void execute(const Pass& pass, const engine::Mat4& modelView, bool dots);

    DataModel& m_model;
    float m_lastDt = 0.0f;
    float m_sinceRedraw = 0.0f;
    bool m_newCapture = false;
    float m_convertedWidth = -1.0f;
    bool m_dots = false;
    PowerMapping m_mapping;
    XTransform m_xTransform;
    Pass m_traces;
    Pass m_reference;
    std::vector<float> m_rollPolyline;
    // The reference polyline is rebuilt only when its samples or the width change.
    std::vector<float> m_referenceSource;
    float m_referenceWidth = -1.0f;
    std::vector<float> m_referencePolyline;
    engine::CustomCommand m_traceCommand;
    engine::CustomCommand m_referenceCommand;
    // Copies the commands draw from (the model may change before they run).
    Pass m_drawnTraces;
    Pass m_drawnReference;
    engine::Mat4 m_traceModelView;
    engine::Mat4 m_referenceModelView;
};

// Builds and caches the "SimpleLineShader" program when the cache lacks it. Render thread, GL
// context current.
void ensureSimpleLineProgram();

} // namespace nolvo
