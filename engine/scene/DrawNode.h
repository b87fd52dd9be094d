#pragma once
// Vector shapes drawn in node space: lines (at the node's line width, in points, as quads),
// filled shapes, points, rectangles and circles. The shapes go to the renderer's frame with the
// glyph atlas's white texel, so they batch with text. Clearing and drawing the same shapes again
// is not a change and does not cost a redraw. Colours are straight alpha (0 to 1). Render
// thread only.

#include <vector>

#include <GL/glew.h>

#include "engine/scene/Node.h"

namespace engine {

class DrawNode : public Node {
public:
    static constexpr float DEFAULT_LINE_WIDTH = 2.0f;

    static DrawNode* create(float defaultLineWidth = DEFAULT_LINE_WIDTH);
    ~DrawNode() override;

    void drawLine(const Vec2& origin, const Vec2& destination, const Color4F& color);
    // A filled band of half-width radius between two points.
    void drawSegment(const Vec2& from, const Vec2& to, float radius, const Color4F& color);
    // Outline through the points; closePolygon joins the last point to the first.
    void drawPoly(const Vec2* points, unsigned int count, bool closePolygon, const Color4F& color);
    // Filled convex polygon, optionally outlined (borderWidth > 0) in borderColor.
    void drawSolidPoly(const Vec2* points, unsigned int count, const Color4F& fillColor);
    void drawPolygon(const Vec2* points, int count, const Color4F& fillColor, float borderWidth,
                     const Color4F& borderColor);
    // Square points of pointSize points, centred on each position.
    void drawPoint(const Vec2& point, float pointSize, const Color4F& color);
    void drawPoints(const Vec2* points, unsigned int count, float pointSize, const Color4F& color);
    void drawPoints(const Vec2* points, unsigned int count, const Color4F& color);
    void drawDot(const Vec2& position, float radius, const Color4F& color);
    void drawRect(const Vec2& origin, const Vec2& destination, const Color4F& color);
    void drawSolidRect(const Vec2& origin, const Vec2& destination, const Color4F& color);
    // angle in radians; scaleY squeezes the circle vertically; drawLineToCenter adds a radius.
    void drawCircle(const Vec2& center, float radius, float angle, unsigned int segments, bool drawLineToCenter,
                    float scaleX, float scaleY, const Color4F& color);
    void drawCircle(const Vec2& center, float radius, float angle, unsigned int segments, bool drawLineToCenter,
                    const Color4F& color);
    void drawSolidCircle(const Vec2& center, float radius, float angle, unsigned int segments, float scaleX,
                         float scaleY, const Color4F& color);
    void clear();

    void setLineWidth(float width);
    float getLineWidth() const { return m_lineWidth; }
    void setBlendFunc(const BlendFunc& blend);
    const BlendFunc& getBlendFunc() const { return m_blend; }

    // Vertices held for lines and for filled triangles (tests, statistics).
    std::size_t getLineVertexCount() const { return m_lines.size(); }
    std::size_t getTriangleVertexCount() const { return m_triangles.size(); }
    // Times the geometry handed to the renderer changed.
    std::size_t getUploadCount() const { return m_uploads; }

    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t flags) override;

protected:
    explicit DrawNode(float lineWidth) : m_lineWidth(lineWidth) {}

private:
    struct Vertex {
        float x, y;
        std::uint8_t r, g, b, a;
        bool operator==(const Vertex& o) const = default;
    };
    static Vertex vertex(const Vec2& p, const Color4F& c);
    void addTriangle(const Vec2& a, const Vec2& b, const Vec2& c, const Color4F& color);
    // The shapes as the renderer takes them, tinted by the node's colour and opacity.
    static void tint(const std::vector<Vertex>& in, const Color4B& tint, std::vector<V3F_C4B_T2F>* out);

    std::vector<Vertex> m_triangles;
    std::vector<Vertex> m_lines;
    // What was handed to the renderer last, and the same tinted.
    std::vector<Vertex> m_drawnTriangles;
    std::vector<Vertex> m_drawnLines;
    std::vector<V3F_C4B_T2F> m_tintedTriangles;
    std::vector<V3F_C4B_T2F> m_tintedLines;
    Color4B m_tint = Color4B(255, 255, 255, 255);
    std::size_t m_uploads = 0;
    float m_lineWidth;
    BlendFunc m_blend = BlendFunc::ALPHA_NON_PREMULTIPLIED;
};

} // namespace engine
