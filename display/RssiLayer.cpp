#include "display/RssiLayer.h"

#include <algorithm>
#include <cmath>

#include "display/ColorMaps.h"
#include "display/HeatMapImage.h"
#include "display/TraceProcessing.h"
#include "engine/app/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

using engine::Sprite;
using engine::Texture2D;
using engine::Vec2;

namespace {

constexpr const char* kProgramName = "Waterfall";
constexpr const char* kHeatMapProgramName = "HeatMap";
constexpr const char* kPeakIcon = "PeakIcon.png";
// Trace drawing order; the peak lists and colours are indexed by TraceKind.
constexpr int kDrawOrder[] = {kTraceRaw, kTraceDecay, kTraceMaxHold, kTraceMinHold, kTraceAverage};

// The mask bit of a trace selection (1 raw .. 5 min hold, 6 heat map), 0 for none.
std::uint8_t maskBitOf(int selection)
{
    if (selection == 6) return RssiLayer::kMaskHeatMap;
    if (selection >= 1 && selection <= 5) return static_cast<std::uint8_t>(1u << selection);
    return 0;
}

// The mask bit of a trace kind (raw .. min hold).
std::uint8_t maskBitOfKind(int kind) { return static_cast<std::uint8_t>(1u << (kind + 1)); }

} // namespace

namespace {

// Builds program `name` from its shader files into the cache when the cache lacks it.
void ensureProgram(const char* name, const char* vertexFile, const char* fragmentFile)
{
    auto* cache = engine::GLProgramCache::getInstance();
    if (cache->getGLProgram(name)) return;
    auto* files = engine::FileUtils::getInstance();
    const std::string vertex = files->getStringFromFile(vertexFile);
    const std::string fragment = files->getStringFromFile(fragmentFile);
    if (vertex.empty() || fragment.empty()) return;
    auto* program = new engine::GLProgram();
    if (program->initWithByteArrays(vertex.c_str(), fragment.c_str())) {
        program->bindAttribLocation(engine::GLProgram::ATTRIBUTE_NAME_POSITION, 0);
        program->bindAttribLocation(engine::GLProgram::ATTRIBUTE_NAME_COLOR, 1);
        program->bindAttribLocation(engine::GLProgram::ATTRIBUTE_NAME_TEX_COORD, 2);
        if (program->link()) {
            program->updateUniforms();
            cache->addGLProgram(program, name);
        }
    }
    program->release();
}

} // namespace

void ensureWaterfallProgram()
{
    ensureProgram(kProgramName, "shaders/WaterfallShader.vsh", "shaders/WaterfallShader.fsh");
}

void ensureHeatMapProgram()
{
    // The waterfall's vertex shader passes position, colour and texture coordinate through.
    ensureProgram(kHeatMapProgramName, "shaders/WaterfallShader.vsh", "shaders/HeatMapShader.fsh");
}

RssiLayer* RssiLayer::create() { return createWithModel(*DataModel::getInstance()); }

RssiLayer* RssiLayer::createWithModel(DataModel& model)
{
    auto* layer = new RssiLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

RssiLayer::~RssiLayer()
{
    unscheduleUpdate();
    for (Sprite* marker : m_peakMarkers) marker->release();
    for (engine::Ref* r : {static_cast<engine::Ref*>(m_heatSprite), static_cast<engine::Ref*>(m_heatState),
                           static_cast<engine::Ref*>(m_heatColorTexture), static_cast<engine::Ref*>(m_heatShadeTexture)}) {
        if (r) r->release();
    }
}

bool RssiLayer::init()
{
    if (!ClippedLayer::init()) return false;
    ensureWaterfallProgram();
    ensureHeatMapProgram();

    const engine::Size textureSize(kTextureWidth, kTextureHeight);
    const std::size_t bytes = static_cast<std::size_t>(kTextureWidth) * kTextureHeight * 4;
    m_heatColorTexture = new Texture2D();
    m_heatShadeTexture = new Texture2D();
    m_heatColorTexture->initWithData(m_heatImage.colour(), bytes, Texture2D::PixelFormat::RGBA8888, kTextureWidth,
                                     kTextureHeight, textureSize);
    m_heatShadeTexture->initWithData(m_heatImage.shade(), bytes, Texture2D::PixelFormat::RGBA8888, kTextureWidth,
                                     kTextureHeight, textureSize);
    // Crisp cells in colour, a smooth density in shade.
    m_heatColorTexture->setAliasTexParameters();
    m_heatShadeTexture->setAntiAliasTexParameters();
    // Nothing to show until a grid arrives.
    for (Texture2D* t : {m_heatColorTexture, m_heatShadeTexture}) {
        t->setMaxS(0.0f);
        t->setMaxT(0.0f);
    }

    // One quad: the colour texture is the sprite's own, the shade a second sampler of the program.
    m_heatSprite = Sprite::createWithTexture(m_heatColorTexture);
    if (!m_heatSprite) return false;
    m_heatSprite->retain();
    m_heatSprite->setPosition(Vec2(getContentSize().width * 0.5f, getContentSize().height * 0.5f));
    addChild(m_heatSprite, -1);
    m_heatState = engine::GLProgramState::getOrCreateWithGLProgramName(kHeatMapProgramName);
    if (m_heatState) {
        m_heatState->retain();
        m_heatState->setUniformTexture("shadeTexture", m_heatShadeTexture);
        m_heatState->setUniformFloat("shadeWeight", 1.0f);
        m_heatSprite->setGLProgramState(m_heatState);
    }

    m_traceNode = engine::DrawNode::create(engine::DrawNode::DEFAULT_LINE_WIDTH);
    addChild(m_traceNode);
    m_band24 = m_band5 = true;
    scheduleUpdate();
    return true;
}

void RssiLayer::setBands(bool band24, bool band5)
{
    m_band24 = band24;
    m_band5 = band5;
    m_forceRedraw = true;
}

void RssiLayer::update(float /*dt*/)
{
    bool changed = false;
    {
        ModelLock lock(m_model, kDataLock);
        for (int band : {kBand24, kBand5}) {
            if (!bandEnabled(band)) continue;
            const BandStore& store = m_model.bandStore(band);
            changed = changed || store.newSweep || store.grid.isNew;
            processBand(band);
            updateHeatTextures(band);
        }
        placeHeatSprite(m_model.deviceInfo.modelId == 2);
    }
    if (changed) engine::Director::markDirty();
}

void RssiLayer::placeHeatSprite(bool coarseGrid)
{
    const bool wanted = (m_traceMask & kMaskHeatMap) != 0;
    if (wanted && !m_heatSprite->getParent()) addChild(m_heatSprite, -1);
    if (!wanted && m_heatSprite->getParent()) m_heatSprite->removeFromParentAndCleanup(true);

    const Texture2D* texture = m_heatSprite->getTexture();
    const int columns = static_cast<int>(std::lround(texture->getMaxS() * static_cast<float>(texture->getPixelsWide())));
    const int rows = static_cast<int>(std::lround(texture->getMaxT() * static_cast<float>(texture->getPixelsHigh())));
    const int rowsShown = std::min(rows, m_heatImage.rowsInUse());
    // A grid of one column or one row has no span to stretch over the layer; an empty grid, or
    // one without a hit, shows nothing.
    if (columns < 2 || rows < 2 || rowsShown <= 0) {
        m_heatSprite->setOpacity(0);
        m_heatSprite->setVisible(false);
        return;
    }
    // One texel per sprite point. The quad covers the grid's columns and only the rows that can
    // show anything (the rows above the highest hit are transparent: drawing them costs the
    // rasteriser and changes no pixel). The centres of the grid's first and last columns and rows
    // fall on the layer's edges, row 0 at the bottom.
    const engine::Size size = getContentSize();
    m_heatSprite->setTextureRect(engine::Rect(0.0f, 0.0f, static_cast<float>(columns), static_cast<float>(rowsShown)));
    m_heatSprite->setAnchorPoint(Vec2(0.5f, 1.0f - 0.5f / static_cast<float>(rowsShown)));
    m_heatSprite->setPosition(Vec2(size.width * 0.5f, 0.0f));
    m_heatSprite->setScaleX(size.width / static_cast<float>(columns - 1));
    m_heatSprite->setScaleY(-(size.height / static_cast<float>(rows - 1)));
    m_heatSprite->setOpacity(255);
    m_heatSprite->setVisible(true);
    m_shadeShown = !coarseGrid && m_heatState;
    if (m_heatState) {
        m_heatSprite->setBlendFunc(engine::BlendFunc::ALPHA_PREMULTIPLIED);
        m_heatState->setUniformFloat("shadeWeight", m_shadeShown ? 1.0f : 0.0f);
    } else {
        m_heatSprite->setBlendFunc(engine::BlendFunc::ALPHA_NON_PREMULTIPLIED); // colours alone
    }
}

void RssiLayer::processBand(int band)
{
    BandStore& store = m_model.bandStore(band);
    TraceTiming timing;
    timing.holdTime = m_model.spectrum.holdTime;
    timing.decayRate = m_model.spectrum.decayRate;
    timing.averageTime = m_model.spectrum.averageTime;
    timing.refreshInterval = m_model.refreshInterval[band == kBand5 ? 1 : 0];
    nolvo::processBand(store, timing);
}

void RssiLayer::updateHeatTextures(int band)
{
    HeatGrid& grid = m_model.bandStore(band).grid;
    if (!grid.isNew) return;
    grid.isNew = false;
    HeatMapImage::Region region;
    if (grid.width <= 0 || grid.height <= 0) {
        region = m_heatImage.clear();
    } else if (!HeatMapImage::fits(grid)) {
        return; // too large for the texture: the previous image stays
    } else {
        const int colorMap = DataModel::colorMapIndex(m_model.spectrum.heatMapColorMap);
        const std::vector<Rgb> table = buildColorMap(colorMap, grid.height);
        region = m_heatImage.update(grid, table, colorMap);
    }
    // Only the columns that changed travel to the textures.
    if (!region.empty()) {
        for (auto [texture, image] : {std::pair{m_heatColorTexture, m_heatImage.colour()},
                                      std::pair{m_heatShadeTexture, m_heatImage.shade()}}) {
            HeatMapImage::pack(image, region, m_uploadBuffer);
            texture->updateWithData(m_uploadBuffer.data(), region.x, 0, region.width, region.height);
        }
    }
    const bool empty = grid.width <= 0 || grid.height <= 0;
    for (Texture2D* t : {m_heatColorTexture, m_heatShadeTexture}) {
        t->setMaxS(empty ? 0.0f : static_cast<float>(grid.width) / static_cast<float>(t->getPixelsWide()));
        t->setMaxT(empty ? 0.0f : static_cast<float>(grid.height) / static_cast<float>(t->getPixelsHigh()));
    }
}

bool RssiLayer::rebuildMaskIfNeeded()
{
    const SpectrumSettings& s = m_model.spectrum;
    const std::uint8_t style = m_model.common.displayStyle;
    const bool same = std::equal(std::begin(m_cachedSelections), std::end(m_cachedSelections), std::begin(s.traceSelection)) &&
                      style == m_cachedDisplayStyle;
    if (!m_forceRedraw && same) return false;
    auto mask = static_cast<std::uint8_t>(m_traceMask & 0xC0u);
    for (int i = 0; i < 3; ++i) {
        mask = static_cast<std::uint8_t>(mask | maskBitOf(DataModel::traceKindOf(s.traceSelection[i])));
        m_cachedSelections[i] = s.traceSelection[i];
    }
    m_traceMask = mask;
    m_cachedDisplayStyle = style;
    m_forceRedraw = false;
    return true;
}

void RssiLayer::draw(engine::Renderer* /*renderer*/, const engine::Mat4& /*transform*/, std::uint32_t /*flags*/)
{
    ModelLock lock(m_model, kDataLock);
    const bool rebuilt = rebuildMaskIfNeeded();
    for (int band : {kBand24, kBand5}) {
        if (bandEnabled(band)) drawBand(band, rebuilt);
    }
}

void RssiLayer::drawBand(int band, bool maskRebuilt)
{
    BandStore& store = m_model.bandStore(band);
    DerivedTraces& d = store.derived;
    const int n = static_cast<int>(std::min<std::uint32_t>(d.binCount, static_cast<std::uint32_t>(store.maxBins)));
    const engine::Size size = getContentSize();
    const AmplitudeMapping map = AmplitudeMapping::of(store.amplitudeBottom, store.amplitudeTop, size.height);
    if (d.changed || maskRebuilt) {
        m_traceNode->clear();
        int used = 0;
        if (n >= 2) {
            const float step = size.width / static_cast<float>(n - 1);
            std::vector<Vec2> points(static_cast<std::size_t>(n));
            for (int kind : kDrawOrder) {
                if ((m_traceMask & maskBitOfKind(kind)) == 0) continue;
                const float* trace = derivedTrace(d, kind);
                for (int i = 0; i < n; ++i) points[static_cast<std::size_t>(i)] = Vec2(static_cast<float>(i) * step, map.y(trace[i]));
                const std::uint8_t* rgb = m_model.spectrum.traceColors[kind];
                const engine::Color4F colour(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1.0f);
                if (m_model.common.displayStyle == 1) {
                    m_traceNode->drawPoints(points.data(), static_cast<unsigned>(n), 2.0f, colour);
                } else {
                    m_traceNode->drawPoly(points.data(), static_cast<unsigned>(n), false, colour);
                }
                used = placeMarkers(d.peaks[kind], kind, used, step, map);
            }
        }
        d.changed = false;
        while (m_peakMarkers.size() > static_cast<std::size_t>(used)) {
            Sprite* surplus = m_peakMarkers.back();
            m_peakMarkers.pop_back();
            surplus->removeFromParentAndCleanup(true);
            surplus->release();
        }
    }
    if (n >= 2) computeCursorValues(band, n, map);
}

int RssiLayer::placeMarkers(const PeakList& peaks, int kind, int used, float step, const AmplitudeMapping& map)
{
    const SpectrumSettings& s = m_model.spectrum;
    const int count = DataModel::peakCountOf(s.peakCounts[kind]);
    const bool onTop = s.onTopPeakTrace >= 1 && s.onTopPeakTrace <= 5 && s.onTopPeakTrace - 1 == kind;
    const std::uint8_t* rgb = s.traceColors[kind];
    const float height = getContentSize().height;
    for (int k = 0; k < count; ++k) {
        const Peak& peak = peaks[static_cast<std::size_t>(k)];
        if (peak.bin < 0) continue;
        Sprite* marker = nullptr;
        if (static_cast<std::size_t>(used) < m_peakMarkers.size()) {
            marker = m_peakMarkers[static_cast<std::size_t>(used)];
        } else {
            marker = Sprite::create(kPeakIcon);
            if (!marker) return used; // the image is missing: no markers rather than a crash
            marker->setAnchorPoint(Vec2(0.5f, 0.0f));
            marker->setScale(0.5f);
            addChild(marker);
            marker->retain();
            m_peakMarkers.push_back(marker);
        }
        ++used;
        marker->setColor(engine::Color3B(rgb[0], rgb[1], rgb[2]));
        const float x = static_cast<float>(peak.bin) * step;
        const float y = map.y(peak.value);
        if (onTop || y + marker->getBoundingBox().size.height >= height) {
            marker->setAnchorPoint(Vec2(0.5f, 1.0f));
            marker->setPosition(Vec2(x, height));
        } else {
            marker->setAnchorPoint(Vec2(0.5f, 0.0f));
            marker->setPosition(Vec2(x, y));
        }
    }
    return used;
}

void RssiLayer::computeCursorValues(int band, int n, const AmplitudeMapping& map)
{
    const CursorSettings& c = m_model.cursors;
    if (!c.shown || !c.verticalSelected) return;
    const DerivedTraces& d = m_model.bandStore(band).derived;
    for (int i = 0; i < 2; ++i) {
        m_model.cursorResults.cursor[static_cast<std::size_t>(i)] =
            cursorValues(d, n, c.verticalX[i], getContentSize().width, map);
    }
    m_model.cursorResults.binCount = static_cast<std::uint32_t>(n);
}

} // namespace nolvo
