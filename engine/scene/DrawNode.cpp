#include "engine/scene/DrawNode.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/text/GlyphAtlas.h"

namespace engine {

namespace {
std::uint8_t channel(float v)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}
}

DrawNode* DrawNode::create(float defaultLineWidth)
{
    auto* node = new (std::nothrow) DrawNode(defaultLineWidth);
    if (node && node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

DrawNode::~DrawNode() = default;

DrawNode::Vertex DrawNode::vertex(const Vec2& p, const Color4F& c)
{
    return {p.x, p.y, channel(c.r), channel(c.g), channel(c.b), channel(c.a)};
}

void DrawNode::addTriangle(const Vec2& a, const Vec2& b, const Vec2& c, const Color4F& color)
{
    m_triangles.push_back(vertex(a, color));
    m_triangles.push_back(vertex(b, color));
    m_triangles.push_back(vertex(c, color));
}

void DrawNode::clear()
{
    // Capacity stays: a node redrawn every frame allocates nothing.
    m_triangles.clear();
    m_lines.clear();
}

void DrawNode::drawLine(const Vec2& origin, const Vec2& destination, const Color4F& color)
{
    m_lines.push_back(vertex(origin, color));
    m_lines.push_back(vertex(destination, color));
}

void DrawNode::drawSegment(const Vec2& from, const Vec2& to, float radius, const Color4F& color)
{
    const Vec2 n = (to - from).getNormalized().getPerp() * radius;
    addTriangle(from - n, to - n, to + n, color);
    addTriangle(from - n, to + n, from + n, color);
}

void DrawNode::drawPoly(const Vec2* points, unsigned int count, bool closePolygon, const Color4F& color)
{
    if (!points || count < 2) return;
    m_lines.reserve(m_lines.size() + count * 2);
    for (unsigned int i = 0; i + 1 < count; ++i) drawLine(points[i], points[i + 1], color);
    if (closePolygon && count > 2) drawLine(points[count - 1], points[0], color);
}

void DrawNode::drawSolidPoly(const Vec2* points, unsigned int count, const Color4F& fillColor)
{
    drawPolygon(points, static_cast<int>(count), fillColor, 0.0f, Color4F());
}

void DrawNode::drawPolygon(const Vec2* points, int count, const Color4F& fillColor, float borderWidth,
                           const Color4F& borderColor)
{
    if (!points || count < 3) return;
    // Fan from the first point: exact for convex polygons.
    for (int i = 1; i + 1 < count; ++i) addTriangle(points[0], points[i], points[i + 1], fillColor);
    if (borderWidth > 0.0f) {
        for (int i = 0; i < count; ++i) {
            drawSegment(points[i], points[(i + 1) % count], borderWidth * 0.5f, borderColor);
        }
    }
}

void DrawNode::drawPoint(const Vec2& point, float pointSize, const Color4F& color)
{
    const float h = pointSize * 0.5f;
    addTriangle({point.x - h, point.y - h}, {point.x + h, point.y - h}, {point.x + h, point.y + h}, color);
    addTriangle({point.x - h, point.y - h}, {point.x + h, point.y + h}, {point.x - h, point.y + h}, color);
}

void DrawNode::drawPoints(const Vec2* points, unsigned int count, float pointSize, const Color4F& color)
{
    if (!points) return;
    m_triangles.reserve(m_triangles.size() + count * 6);
    for (unsigned int i = 0; i < count; ++i) drawPoint(points[i], pointSize, color);
}

void DrawNode::drawPoints(const Vec2* points, unsigned int count, const Color4F& color)
{
    drawPoints(points, count, 1.0f, color);
}

void DrawNode::drawDot(const Vec2& position, float radius, const Color4F& color)
{
    drawSolidCircle(position, radius, 0.0f, 24, 1.0f, 1.0f, color);
}

void DrawNode::drawRect(const Vec2& origin, const Vec2& destination, const Color4F& color)
{
    const Vec2 corners[4] = {origin, {destination.x, origin.y}, destination, {origin.x, destination.y}};
    drawPoly(corners, 4, true, color);
}

void DrawNode::drawSolidRect(const Vec2& origin, const Vec2& destination, const Color4F& color)
{
    const Vec2 corners[4] = {origin, {destination.x, origin.y}, destination, {origin.x, destination.y}};
    drawSolidPoly(corners, 4, color);
}

void DrawNode::drawCircle(const Vec2& center, float radius, float angle, unsigned int segments, bool drawLineToCenter,
                          float scaleX, float scaleY, const Color4F& color)
{
    if (segments < 3) return;
    std::vector<Vec2> points(segments);
    const float step = 2.0f * 3.14159265358979f / static_cast<float>(segments);
    for (unsigned int i = 0; i < segments; ++i) {
        const float a = step * static_cast<float>(i) + angle;
        points[i] = {center.x + radius * std::cos(a) * scaleX, center.y + radius * std::sin(a) * scaleY};
    }
    drawPoly(points.data(), segments, true, color);
    if (drawLineToCenter) drawLine(points[0], center, color);
}

void DrawNode::drawCircle(const Vec2& center, float radius, float angle, unsigned int segments, bool drawLineToCenter,
                          const Color4F& color)
{
    drawCircle(center, radius, angle, segments, drawLineToCenter, 1.0f, 1.0f, color);
}

void DrawNode::drawSolidCircle(const Vec2& center, float radius, float angle, unsigned int segments, float scaleX,
                               float scaleY, const Color4F& color)
{
    if (segments < 3) return;
    const float step = 2.0f * 3.14159265358979f / static_cast<float>(segments);
    Vec2 prev{center.x + radius * std::cos(angle) * scaleX, center.y + radius * std::sin(angle) * scaleY};
    for (unsigned int i = 1; i <= segments; ++i) {
        const float a = step * static_cast<float>(i) + angle;
        const Vec2 p{center.x + radius * std::cos(a) * scaleX, center.y + radius * std::sin(a) * scaleY};
        addTriangle(center, prev, p, color);
        prev = p;
    }
}

void DrawNode::setLineWidth(float width)
{
    if (width == m_lineWidth) return;
    m_lineWidth = width;
    Director::markDirty();
}

void DrawNode::setBlendFunc(const BlendFunc& blend)
{
    if (blend == m_blend) return;
    m_blend = blend;
    Director::markDirty();
}

void DrawNode::tint(const std::vector<Vertex>& in, const Color4B& tint, std::vector<V3F_C4B_T2F>* out)
{
    const float u = GlyphAtlas::whiteU(), v = GlyphAtlas::whiteV();
    out->resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const Vertex& p = in[i];
        (*out)[i] = {p.x, p.y, 0.0f, static_cast<std::uint8_t>(p.r * tint.r / 255),
                     static_cast<std::uint8_t>(p.g * tint.g / 255), static_cast<std::uint8_t>(p.b * tint.b / 255),
                     static_cast<std::uint8_t>(p.a * tint.a / 255), u, v};
    }
}

void DrawNode::draw(Renderer* renderer, const Mat4& transform, std::uint32_t /*flags*/)
{
    const Color4B tintNow(m_displayedColor, m_displayedOpacity);
    const bool changed = m_triangles != m_drawnTriangles || m_lines != m_drawnLines;
    if (changed) {
        m_drawnTriangles = m_triangles;
        m_drawnLines = m_lines;
        ++m_uploads;
        Director::markDirty();
    }
    if (changed || !(tintNow == m_tint) || m_tintedTriangles.size() != m_drawnTriangles.size() ||
        m_tintedLines.size() != m_drawnLines.size()) {
        m_tint = tintNow;
        tint(m_drawnTriangles, m_tint, &m_tintedTriangles);
        tint(m_drawnLines, m_tint, &m_tintedLines);
    }
    if (m_drawnTriangles.empty() && m_drawnLines.empty()) return;
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    const GLuint page = atlas->getTextureName(0);
    GLProgramState* state = atlas->getProgramState();
    renderer->addTriangles(page, state, m_blend, m_tintedTriangles.data(), m_tintedTriangles.size(), transform);
    renderer->addLines(page, state, m_blend, m_tintedLines.data(), m_tintedLines.size(), m_lineWidth, transform);
}

} // namespace engine
