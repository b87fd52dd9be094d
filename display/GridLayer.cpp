#include "display/GridLayer.h"

#include "engine/app/Director.h"
#include "engine/scene/DrawNode.h"
#include "model/SettingsRecords.h"

namespace nolvo {

using engine::Color4F;
using engine::Vec2;

namespace {
constexpr float kInset = 2.0f;
constexpr int kMajorColumns = 10;
constexpr int kMajorRows = 8;
constexpr int kMinorColumns = 50;
constexpr int kMinorRows = 40;

Color4F grey(float g) { return Color4F(g, g, g, 1.0f); }
} // namespace

GridLayer* GridLayer::create()
{
    auto* layer = new GridLayer();
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

bool GridLayer::init()
{
    if (!ClippedLayer::init()) return false;
    rebuild();
    return true;
}

void GridLayer::applyMask(int mask)
{
    bool changed = setCrosshairs((mask & kGraticuleCrosshairs) != 0);
    changed = setMajorTics((mask & kGraticuleMajorTics) != 0) || changed;
    changed = setMinorTics((mask & kGraticuleMinorTics) != 0) || changed;
    changed = setMajorGrid((mask & kGraticuleMajorGrid) != 0) || changed;
    changed = setMinorGrid((mask & kGraticuleMinorGrid) != 0) || changed;
    if (changed) rebuild();
}

void GridLayer::drawGrid(int columns, int rows, float g)
{
    const engine::Size size = getContentSize();
    const float w = size.width - 2 * kInset;
    const float h = size.height - 2 * kInset;
    for (int j = 0; j <= rows; ++j) {
        const float y = h * static_cast<float>(j) / static_cast<float>(rows) + kInset;
        m_drawNode->drawLine(Vec2(kInset, y), Vec2(size.width - kInset, y), grey(g));
    }
    for (int i = 0; i <= columns; ++i) {
        const float x = w * static_cast<float>(i) / static_cast<float>(columns) + kInset;
        m_drawNode->drawLine(Vec2(x, kInset), Vec2(x, size.height - kInset), grey(g));
    }
}

void GridLayer::drawTics(int columns, int rows, float length, float g)
{
    const engine::Size size = getContentSize();
    const float w = size.width - 2 * kInset;
    const float h = size.height - 2 * kInset;
    const float top = size.height - kInset;
    const float right = size.width - kInset;
    const float centre = size.width / 2;
    for (int i = 0; i <= columns; ++i) {
        const float x = w * static_cast<float>(i) / static_cast<float>(columns) + kInset;
        m_drawNode->drawLine(Vec2(x, kInset), Vec2(x, kInset + length), grey(g));
        m_drawNode->drawLine(Vec2(x, top), Vec2(x, top - length), grey(g));
    }
    for (int j = 0; j <= rows; ++j) {
        const float y = h * static_cast<float>(j) / static_cast<float>(rows) + kInset;
        m_drawNode->drawLine(Vec2(kInset, y), Vec2(kInset + length, y), grey(g));
        m_drawNode->drawLine(Vec2(right, y), Vec2(right - length, y), grey(g));
        m_drawNode->drawLine(Vec2(centre - length, y), Vec2(centre + length, y), grey(g));
    }
}

void GridLayer::rebuild()
{
    if (!m_drawNode) {
        m_drawNode = engine::DrawNode::create(2.0f);
        addChild(m_drawNode);
    }
    m_drawNode->clear();
    const engine::Size size = getContentSize();
    if (m_minorGrid) drawGrid(kMinorColumns, kMinorRows, 0.1f);
    if (m_majorGrid) drawGrid(kMajorColumns, kMajorRows, 0.15f);
    if (m_minorTics) drawTics(kMinorColumns, kMinorRows, 2.0f, 0.5f);
    if (m_majorTics) drawTics(kMajorColumns, kMajorRows, 4.0f, 0.5f);
    if (m_crosshairs) {
        m_drawNode->drawLine(Vec2(size.width / 2, kInset), Vec2(size.width / 2, size.height - kInset), grey(0.5f));
    }
    m_drawNode->drawRect(Vec2(kInset, kInset), Vec2(size.width - kInset, size.height - kInset), grey(0.5f));
    engine::Director::markDirty();
}

} // namespace nolvo
