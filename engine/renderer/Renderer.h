#pragma once
// Collects a frame's drawing during the visit and executes it in render(), in the order it was
// queued. Nodes hand over their quads, triangles and lines, which are transformed to world space
// and copied into one vertex list owned by the renderer; consecutive geometry with the same
// texture, program state, blend function and clip rectangle becomes one draw call. Nothing queued
// points into a node: program states and the owners of custom commands are retained until the
// frame is rendered or cleared, so a node freed during the visit is safe.
//
// Clip rectangles nest during the visit (pushClip/popClip or ClipCommand): each push intersects
// with the clip in force. The scissor test is off where nothing clips. Render thread only; needs
// a current GL context for render().

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <GL/glew.h>

#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"

namespace engine {

class RenderCommand;
class GLProgramState;
class Ref;

class Renderer {
public:
    Renderer();
    ~Renderer();

    // Copies the command's work into the frame (quads, a clip change, or a custom function).
    void addCommand(RenderCommand* command);
    // Quads in node space; modelView maps them to world space.
    void addQuads(GLuint texture, GLProgramState* state, const BlendFunc& blend, const V3F_C4B_T2F_Quad* quads,
                  std::size_t count, const Mat4& modelView);
    // Triangles (three vertices each) in node space.
    void addTriangles(GLuint texture, GLProgramState* state, const BlendFunc& blend, const V3F_C4B_T2F* vertices,
                      std::size_t count, const Mat4& modelView);
    // Lines (two vertices each) width points wide, drawn as quads. The width does not follow
    // the node's scale, like a GL line's; horizontal and vertical lines are snapped so that
    // they cover whole pixel rows or columns.
    void addLines(GLuint texture, GLProgramState* state, const BlendFunc& blend, const V3F_C4B_T2F* vertices,
                  std::size_t count, float width, const Mat4& modelView);
    // Raw GL at this place in the frame; owner (if any) is kept alive until then.
    void addCustom(const Mat4& modelView, std::function<void()> func, Ref* owner = nullptr);
    void pushClip(const Rect& worldRect);
    void popClip();

    // Runs and empties the frame.
    void render();
    // Empties the frame without drawing (a frame with nothing changed).
    void clear();
    // Draw calls and custom functions waiting in the frame.
    std::size_t getQueuedCommandCount() const { return m_ops.size(); }
    std::size_t getQueuedVertexCount() const { return m_vertices.size(); }

    // Draw calls issued by the latest render() (batches plus custom commands).
    std::size_t getDrawCallCount() const { return m_drawCalls; }

    // Drawable pixels per world point (set by the Director for the frame): lines snap to it.
    void setPixelScale(float scale) { m_pixelScale = scale > 0.0f ? scale : 1.0f; }
    float getPixelScale() const { return m_pixelScale; }

    // Releases GL objects; called before the context goes away.
    void releaseGLObjects();

    // The clip stack as render() applies it, also driven directly by code that draws outside a
    // frame. Rectangles are world points (origin bottom-left).
    void pushClipRect(const Rect& worldRect);
    void popClipRect();
    // The clip in force (null when nothing clips).
    const Rect* getClipRect() const { return m_clips.empty() ? nullptr : &m_clips.back(); }
    std::size_t getClipDepth() const { return m_clips.size(); }

private:
    struct Op {
        bool custom = false;
        GLuint texture = 0;
        GLProgramState* state = nullptr;
        BlendFunc blend;
        int clip = -1;  // index into m_clipRects, -1: none
        std::size_t first = 0;
        std::size_t count = 0;
        std::size_t customIndex = 0;
    };
    struct Custom {
        Mat4 modelView;
        std::function<void()> func;
    };
    // The op the next vertices go into (a new one unless the last one matches).
    void beginGeometry(GLuint texture, GLProgramState* state, const BlendFunc& blend);
    void keep(Ref* ref);
    void releaseKept();
    void applyClip() const;
    void bindVertexArrays();

    std::vector<Op> m_ops;
    std::vector<Custom> m_customs;
    std::vector<V3F_C4B_T2F> m_vertices;
    std::vector<Ref*> m_kept;
    GLProgramState* m_lastKeptState = nullptr;
    std::vector<Rect> m_clipRects;
    std::vector<int> m_visitClips;
    std::vector<Rect> m_clips;
    GLuint m_vbo = 0;
    std::size_t m_drawCalls = 0;
    float m_pixelScale = 1.0f;
};

} // namespace engine
