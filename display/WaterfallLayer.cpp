#include "display/WaterfallLayer.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "display/ColorMaps.h"
#include "display/RssiLayer.h"
#include "display/WaterfallImage.h"
#include "engine/app/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/Sprite.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

using engine::Sprite;
using engine::Texture2D;
using engine::Vec2;

WaterfallLayer* WaterfallLayer::create() { return createWithModel(*DataModel::getInstance()); }

WaterfallLayer* WaterfallLayer::createWithModel(DataModel& model)
{
    auto* layer = new WaterfallLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

WaterfallLayer::~WaterfallLayer()
{
    unscheduleUpdate();
    for (Sprite* marker : m_peakMarkers) marker->release();
    if (m_imageSprite) m_imageSprite->release();
    if (m_texture) m_texture->release();
}

bool WaterfallLayer::init()
{
    if (!ClippedLayer::init()) return false;
    ensureWaterfallProgram();
    const std::size_t bytes = static_cast<std::size_t>(kTextureSize) * kTextureSize * 4;
    m_pixels.assign(bytes, 0);
    m_texture = new Texture2D();
    m_texture->initWithData(m_pixels.data(), bytes, Texture2D::PixelFormat::RGBA8888, kTextureSize, kTextureSize,
                            engine::Size(kTextureSize, kTextureSize));
    // Each row is one sweep: nearest filtering keeps sweeps apart and keeps the transparent
    // pixels (below the low threshold) from darkening their neighbours.
    m_texture->setAliasTexParameters();
    m_texture->setMaxS(0.0f);
    m_texture->setMaxT(0.0f);
    m_imageSprite = Sprite::createWithTexture(m_texture);
    if (!m_imageSprite) return false;
    m_imageSprite->retain();
    m_imageSprite->setPosition(Vec2(getContentSize().width * 0.5f, getContentSize().height * 0.5f));
    addChild(m_imageSprite);
    scheduleUpdate();
    return true;
}

void WaterfallLayer::setBands(bool band24, bool band5)
{
    m_band24 = band24;
    m_band5 = band5;
    ModelLock lock(m_model, kDataLock);
    m_model.bandStore(kBand24).waterfallRedraw = true; // redraw for the band now shown
    m_model.bandStore(kBand5).waterfallRedraw = true;
}

void WaterfallLayer::update(float /*dt*/)
{
    placeImage();
    ModelLock lock(m_model, kDataLock);
    for (int band : {kBand24, kBand5}) {
        if (bandEnabled(band)) rebuildImage(band);
    }
    std::size_t used = 0;
    if (m_model.cursors.shown) {
        for (int band : {kBand24, kBand5}) {
            if (bandEnabled(band)) used = updateCursorPeaks(band, used);
        }
    }
    // Markers not used this frame are hidden; each one is touched once so that an unchanged
    // frame costs no redraw.
    for (std::size_t i = used; i < m_peakMarkers.size(); ++i) m_peakMarkers[i]->setVisible(false);
}

void WaterfallLayer::placeImage()
{
    const float maxS = m_texture->getMaxS();
    const float maxT = m_texture->getMaxT();
    const engine::Size layer = getContentSize();
    const engine::Size sprite = m_imageSprite->getContentSize();
    if (maxS <= 0.0f || maxT <= 0.0f || sprite.width <= 0.0f || sprite.height <= 0.0f) {
        m_imageSprite->setVisible(false);
        return;
    }
    const auto f = static_cast<float>(DataModel::waterfallTimeFactor(loadShared(m_model.spectrum.waterfallTimeScale)));
    const auto h = static_cast<float>(m_texture->getPixelsHigh());
    m_imageSprite->setVisible(true);
    m_imageSprite->setAnchorPoint(Vec2(maxS * 0.5f, 1.0f - maxT));
    m_imageSprite->setPosition(Vec2(layer.width * 0.5f, layer.height));
    m_imageSprite->setScaleX(layer.width / (sprite.width * maxS));
    m_imageSprite->setScaleY((layer.height / sprite.height) * h / -static_cast<float>(kWaterfallRows) * f);
}

void WaterfallLayer::rebuildImage(int band)
{
    BandStore& store = m_model.bandStore(band);
    if (!store.waterfallRedraw) return;
    store.waterfallRedraw = false;
    const SpectrumSettings& s = m_model.spectrum;
    const std::vector<Rgb> table = buildWaterfallColorTable(DataModel::colorMapIndex(s.waterfallColorMap));
    const ThresholdScale scale = ThresholdScale::of(s.waterfallLowThreshold, s.waterfallHighThreshold);
    const std::uint32_t displayed = band == kBand5 ? m_model.deviceInfo.bins5 : m_model.deviceInfo.bins24;
    const int n = store.usableBinCount();
    const WaterfallImageSize size =
        buildWaterfallPixels(store.history, n, displayed == 0 ? static_cast<std::uint32_t>(store.maxBins) : displayed,
                             table, scale, m_pixels.data(), m_pixels.size());
    if (size.rows < 0) return; // does not fit: the previous image stays
    if (size.rows > 0 && size.columns > 0) {
        m_texture->updateWithData(m_pixels.data(), 0, 0, size.columns, size.rows);
    }
    m_texture->setMaxS(static_cast<float>(size.columns) / static_cast<float>(m_texture->getPixelsWide()));
    m_texture->setMaxT(static_cast<float>(size.rows) / static_cast<float>(m_texture->getPixelsHigh()));
    engine::Director::markDirty();
}

Sprite* WaterfallLayer::markerAt(std::size_t index)
{
    while (m_peakMarkers.size() <= index) {
        Sprite* marker = Sprite::create("PeakIcon.png");
        if (!marker) return nullptr;
        marker->setAnchorPoint(Vec2(0.5f, 0.0f));
        marker->setScale(0.5f);
        addChild(marker);
        marker->retain();
        m_peakMarkers.push_back(marker);
    }
    return m_peakMarkers[index];
}

std::size_t WaterfallLayer::updateCursorPeaks(int band, std::size_t used)
{
    const BandStore& store = m_model.bandStore(band);
    const SpectrumSettings& s = m_model.spectrum;
    const CursorSettings& c = m_model.cursors;
    const engine::Size layer = getContentSize();
    const auto f = static_cast<float>(DataModel::waterfallTimeFactor(loadShared(s.waterfallTimeScale)));
    const int entries = static_cast<int>(store.history.size());
    const int rows = std::min(entries, kWaterfallRows);
    const int n = store.usableBinCount();
    const std::uint32_t displayed = band == kBand5 ? m_model.deviceInfo.bins5 : m_model.deviceInfo.bins24;
    const std::vector<Rgb> table = buildWaterfallColorTable(DataModel::colorMapIndex(s.waterfallColorMap));
    const ThresholdScale scale = ThresholdScale::of(s.waterfallLowThreshold, s.waterfallHighThreshold);
    auto& lists = m_model.cursorResults.waterfallPeaks;
    for (PeakList& list : lists) list.fill(Peak{});
    if (layer.width <= 0.0f || layer.height <= 0.0f) return used;

    for (int p = 0; p < 4; ++p) {
        const int cursor = p / 2;
        PeakList& list = lists[static_cast<std::size_t>(p)];
        int shown = 0;
        if (p % 2 == 0) {
            const float y = c.horizontalY[cursor];
            const double rowValue = ((-499.0 / f) / layer.height) * (y - layer.height);
            const int row = std::isfinite(rowValue) && rowValue > -1.0 && rowValue < 1e6 ? static_cast<int>(rowValue) : -1;
            waterfallRowPeaks(store.history, row, n, scale.low, list);
            shown = DataModel::peakCountOf(s.peaksHorizontal);
        } else {
            const double binValue = (static_cast<double>(n) / layer.width) * c.verticalX[cursor];
            const int bin = std::isfinite(binValue) && binValue > -1.0 && binValue < 1e6 ? static_cast<int>(binValue) : -1;
            const bool valid = bin >= 0 && (displayed == 0 || static_cast<std::uint32_t>(bin) < displayed);
            waterfallColumnPeaks(store.history, valid ? bin : -1, rows, scale.low, list);
            shown = DataModel::peakCountOf(s.peaksVertical);
        }
        for (int k = 0; k < shown; ++k) {
            const Peak& peak = list[static_cast<std::size_t>(k)];
            if (peak.bin < 0) continue;
            Sprite* marker = markerAt(used);
            if (!marker) return used;
            ++used;
            const Rgb& rgb = table[static_cast<std::size_t>(scale.entry(peak.value))];
            marker->setColor(engine::Color3B(rgb.r, rgb.g, rgb.b));
            marker->setOpacity(255);
            marker->setVisible(true);
            if (p % 2 == 0) {
                marker->setPosition(Vec2((static_cast<float>(peak.bin) + 0.5f) * layer.width / static_cast<float>(n),
                                         c.horizontalY[cursor]));
            } else {
                // Row j of the newest-first history sits j rows below the top edge.
                marker->setPosition(Vec2(c.verticalX[cursor],
                                         layer.height + static_cast<float>(peak.bin) * layer.height / (1.0f - kWaterfallRows / f)));
            }
        }
    }
    return used;
}

void WaterfallLayer::draw(engine::Renderer* /*renderer*/, const engine::Mat4& /*transform*/, std::uint32_t /*flags*/)
{
    // The image is uploaded in update(); drawing only waits for the producers to finish writing.
    ModelLock lock(m_model, kDataLock);
}

} // namespace nolvo
