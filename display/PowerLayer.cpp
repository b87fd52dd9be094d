#include "display/PowerLayer.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include <GL/glew.h>

#include "engine/app/Director.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Renderer.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/PowerSpline.h"

namespace nolvo {

namespace {

// Layer points of a polyline point (x in points, y in dBm): x through `x`, y through `map`.
engine::Mat4 plotMatrix(const XTransform& x, const PowerMapping& map)
{
    engine::Mat4 m;
    const float s = map.scale();
    m.m[0] = x.scale;
    m.m[5] = s;
    m.m[12] = x.offset;
    m.m[13] = map.channelOffset - map.bottom * s;
    return m;
}

} // namespace

void ensureSimpleLineProgram()
{
    auto* cache = engine::GLProgramCache::getInstance();
    if (cache->getGLProgram(PowerLayer::kProgramName)) return;
    // The engine's position + uniform-colour shaders, under the name the power view draws with.
    engine::GLProgram* program = engine::GLProgram::createWithByteArrays(engine::ccPositionUColor_vert,
                                                                         engine::ccPositionUColor_frag);
    if (program) cache->addGLProgram(program, PowerLayer::kProgramName);
}

void PowerLayer::Pass::add(const std::vector<float>& polyline, const std::uint8_t rgb[3], float opacity)
{
    if (polyline.size() < 4) return;
    Batch batch;
    batch.first = vertices.size() / 2;
    batch.count = polyline.size() / 2;
    batch.rgba[0] = rgb[0] / 255.0f;
    batch.rgba[1] = rgb[1] / 255.0f;
    batch.rgba[2] = rgb[2] / 255.0f;
    batch.rgba[3] = opacity;
    vertices.insert(vertices.end(), polyline.begin(), polyline.begin() + static_cast<std::ptrdiff_t>(2 * batch.count));
    batches.push_back(batch);
}

PowerLayer* PowerLayer::create() { return createWithModel(*DataModel::getInstance()); }

PowerLayer* PowerLayer::createWithModel(DataModel& model)
{
    auto* layer = new PowerLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

bool PowerLayer::init()
{
    if (!ClippedLayer::init()) return false;
    ensureSimpleLineProgram();
    scheduleUpdate();
    return true;
}

void PowerLayer::update(float dt)
{
    m_lastDt = dt;
    bool redraw = false;
    {
        ModelLock lock(m_model, kDataLock);
        convertNewTraces();
        PowerPlot::rememberStoppedCapture(m_model);
        PowerStore& store = m_model.powerStore;
        // Every redraw costs a whole frame of the window: new captures redraw at most
        // kRedrawInterval apart, the fade of older traces alone at most kFadeInterval apart.
        m_sinceRedraw += dt;
        m_newCapture = m_newCapture || store.newData;
        store.newData = false;
        const bool fading = store.live.processedHistory.size() > 1;
        redraw = (m_newCapture && m_sinceRedraw >= kRedrawInterval) || (fading && m_sinceRedraw >= kFadeInterval);
    }
    if (redraw) {
        m_newCapture = false;
        m_sinceRedraw = 0.0f;
        engine::Director::markDirty();
    }
}

void PowerLayer::convertNewTraces()
{
    PowerTraces& live = m_model.powerStore.live;
    const float width = getContentSize().width;
    if (width != m_convertedWidth) {
        // Polylines are made in layer points: a new width makes them again from the samples.
        live.processedHistory.clear();
        m_convertedWidth = width;
    }
    if (live.processedHistory.size() > live.history.size()) live.processedHistory.resize(live.history.size());
    for (std::size_t i = live.processedHistory.size(); i < live.history.size(); ++i) {
        const std::vector<float>& raw = live.history[i];
        live.processedHistory.push_back(PowerSpline::traceToPolyline(raw.data(), raw.size(), width));
        if (live.alpha.size() < live.processedHistory.size()) live.alpha.push_back(1.0f);
    }
}

void PowerLayer::draw(engine::Renderer* renderer, const engine::Mat4& transform, std::uint32_t /*flags*/)
{
    engine::Mat4 traceMatrix;
    engine::Mat4 referenceMatrix;
    {
        ModelLock lock(m_model, kDataLock);
        const engine::Size size = getContentSize();
        const PowerStore& store = m_model.powerStore;
        m_mapping = PowerMapping{store.amplitudeBottom, store.amplitudeTop, size.height,
                                 static_cast<float>(m_model.powerChannel.verticalOffset())};
        m_dots = m_model.common.displayStyle == 1;
        m_xTransform = XTransform{};
        const StoppedCapture& capture = store.stoppedCapture;
        const int now = m_model.clampedTimeScaleIndex();
        if (PowerPlot::acquisitionStopped(m_model.runState.load()) && capture.remembered &&
            (capture.timeScaleIndex != now || capture.delay != loadShared(m_model.power.triggerDelay))) {
            m_xTransform = PowerPlot::stoppedCaptureStretch(size.width, capture.secondsPerDivision,
                                                            m_model.timePerDivision(), capture.delay,
                                                            loadShared(m_model.power.triggerDelay));
        }
        collectLive(m_lastDt);
        collectReference();
        traceMatrix = transform * plotMatrix(m_xTransform, m_mapping);

        PowerMapping referenceMap = m_mapping;
        referenceMap.channelOffset = static_cast<float>(m_model.referenceChannel.verticalOffset());
        XTransform referenceX;
        const ReferenceHistory& reference = m_model.referenceHistory;
        const std::vector<float>& table = store.timePerDivision;
        if (reference.timeScaleIndex >= 0 && static_cast<std::size_t>(reference.timeScaleIndex) < table.size() &&
            now >= 0 && reference.timeScaleIndex != now) {
            // The reference keeps its own time scale: drawn stretched against the current one.
            referenceX = PowerPlot::stoppedCaptureStretch(size.width, table[static_cast<std::size_t>(reference.timeScaleIndex)],
                                                          table[static_cast<std::size_t>(now)], 0.0f, 0.0f);
        }
        referenceMatrix = transform * plotMatrix(referenceX, referenceMap);
    }
    m_drawnTraces.vertices.swap(m_traces.vertices);
    m_drawnTraces.batches.swap(m_traces.batches);
    m_drawnReference.vertices.swap(m_reference.vertices);
    m_drawnReference.batches.swap(m_reference.batches);
    m_traceModelView = traceMatrix;
    m_referenceModelView = referenceMatrix;
    queue(renderer, m_traceCommand, m_drawnTraces, m_traceModelView);
    queue(renderer, m_referenceCommand, m_drawnReference, m_referenceModelView);
}

void PowerLayer::collectLive(float frameSeconds)
{
    m_traces.clear();
    PowerStore& store = m_model.powerStore;
    const std::uint8_t* colour = m_model.powerChannel.color;
    const int index = m_model.clampedTimeScaleIndex();
    const bool roll = index >= 0 && index < m_model.deviceInfo.rollThreshold;
    const std::vector<float>* newest = nullptr;
    if (roll) {
        m_rollPolyline = PowerPlot::rollPolyline(store.live.rollingHistory, store.samplesPerScreen, getContentSize().width);
        m_traces.add(m_rollPolyline, colour, 1.0f);
        if (!m_rollPolyline.empty()) newest = &m_rollPolyline;
    } else {
        const float decay = PowerPlot::decayTime(m_model.power.persistence, PowerPlot::shortestFade(m_model));
        PowerPlot::fadeTraces(store.live, frameSeconds, decay,
                              [&](const std::vector<float>& polyline, float opacity) { m_traces.add(polyline, colour, opacity); });
        if (!store.live.processedHistory.empty()) newest = &store.live.processedHistory.back();
    }
    writeCursorResults(newest);
}

void PowerLayer::collectReference()
{
    m_reference.clear();
    const ReferenceHistory& reference = m_model.referenceHistory;
    if (!reference.isValid || m_model.referenceChannel.shown == 0) return;
    // The samples the reference is drawn from: its newest trace, else its rolling trace.
    const std::vector<float>* source = &reference.rollingHistory;
    for (auto it = reference.history.rbegin(); it != reference.history.rend(); ++it) {
        if (it->size() >= 2) {
            source = &*it;
            break;
        }
    }
    const float width = getContentSize().width;
    if (width != m_referenceWidth || *source != m_referenceSource) {
        m_referencePolyline = PowerPlot::referencePolyline(reference, width);
        m_referenceSource = *source;
        m_referenceWidth = width;
    }
    m_reference.add(m_referencePolyline, m_model.referenceChannel.color, 1.0f);
}

void PowerLayer::writeCursorResults(const std::vector<float>* newest)
{
    CursorResults& results = m_model.cursorResults;
    for (int i = 0; i < 2; ++i) {
        CursorResult& result = results.cursor[static_cast<std::size_t>(i)];
        result.values.fill(NAN);
        result.screenY.fill(NAN);
        result.bin = -1;
        if (!newest || m_xTransform.scale == 0.0f) continue;
        // The cursor sits on the screen; the polyline is drawn through the stretch.
        const float x = (m_model.cursors.verticalX[i] - m_xTransform.offset) / m_xTransform.scale;
        std::int32_t bin = -1;
        const float level = PowerPlot::levelAt(*newest, x, &bin);
        result.bin = bin;
        result.values[kTraceRaw] = level;
        result.screenY[kTraceRaw] = std::isnan(level) ? NAN : m_mapping.y(level);
    }
    results.binCount = newest ? static_cast<std::uint32_t>(newest->size() / 2) : 0u;
    float energy = NAN;
    const float width = getContentSize().width;
    if (newest && m_xTransform.scale != 0.0f && width > 0.0f) {
        const float x0 = (m_model.cursors.verticalX[0] - m_xTransform.offset) / m_xTransform.scale;
        const float x1 = (m_model.cursors.verticalX[1] - m_xTransform.offset) / m_xTransform.scale;
        const float secondsPerX = m_xTransform.scale * PowerPlot::timeWindow(m_model.timePerDivision()) / width;
        energy = PowerPlot::energyBetween(*newest, x0, x1, secondsPerX);
    }
    m_model.powerStore.cursorEnergy = energy;
}

void PowerLayer::queue(engine::Renderer* renderer, engine::CustomCommand& command, const Pass& pass,
                       const engine::Mat4& modelView)
{
    if (pass.batches.empty()) return;
    const bool dots = m_dots;
    command.init(modelView);
    command.setOwner(this);
    command.func = [&pass, &modelView, dots] { execute(pass, modelView, dots); };
    renderer->addCommand(&command);
}

void PowerLayer::execute(const Pass& pass, const engine::Mat4& modelView, bool dots)
{
    engine::GLProgram* program = engine::GLProgramCache::getInstance()->getGLProgram(kProgramName);
    if (!program || pass.batches.empty()) return;
    program->use();
    program->setUniformsForBuiltins(modelView);
    const GLint colour = program->getUniformLocation(engine::GLProgram::UNIFORM_NAME_U_COLOR);
    glUniform1f(program->getUniformLocation(engine::GLProgram::UNIFORM_NAME_POINT_SIZE), kPointSize);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableVertexAttribArray(engine::GLProgram::VERTEX_ATTRIB_POSITION);
    glDisableVertexAttribArray(engine::GLProgram::VERTEX_ATTRIB_COLOR);
    glDisableVertexAttribArray(engine::GLProgram::VERTEX_ATTRIB_TEX_COORD);
    glVertexAttribPointer(engine::GLProgram::VERTEX_ATTRIB_POSITION, 2, GL_FLOAT, GL_FALSE, 0, pass.vertices.data());
    for (const Batch& batch : pass.batches) {
        glUniform4f(colour, batch.rgba[0], batch.rgba[1], batch.rgba[2], batch.rgba[3]);
        glDrawArrays(dots ? GL_POINTS : GL_LINE_STRIP, static_cast<GLint>(batch.first), static_cast<GLsizei>(batch.count));
    }
}

} // namespace nolvo
