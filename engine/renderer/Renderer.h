#pragma once
// Executes the commands queued during a frame's visit, in the order they were queued. Quad
// commands sharing texture, program state and blend function are merged into one draw call.
// Clip commands keep a stack of clip rectangles applied as the scissor box: each push intersects
// with the clip in force, each pop restores it, and the scissor test is off when the stack is
// empty. Render thread only; needs a current GL context for render().

#include <cstddef>
#include <vector>

#include <GL/glew.h>

#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"

namespace engine {

class RenderCommand;
class GLProgramState;

class Renderer {
public:
    static constexpr std::size_t kMaxBatchQuads = 8192;

    Renderer();
    ~Renderer();

    void addCommand(RenderCommand* command);
    // Runs and empties the queue.
    void render();
    // Empties the queue without drawing (a frame with nothing changed).
    void clear() { m_queue.clear(); }
    std::size_t getQueuedCommandCount() const { return m_queue.size(); }

    // Draw calls issued by the latest render() (batches plus custom commands).
    std::size_t getDrawCallCount() const { return m_drawCalls; }

    // Releases GL objects; called before the context goes away.
    void releaseGLObjects();

    // The clip stack, also driven directly by code that draws outside a frame. Rectangles are
    // world points (origin bottom-left).
    void pushClipRect(const Rect& worldRect);
    void popClipRect();
    // The clip in force (null when nothing clips).
    const Rect* getClipRect() const { return m_clips.empty() ? nullptr : &m_clips.back(); }
    std::size_t getClipDepth() const { return m_clips.size(); }

private:
    void applyClip() const;
    void setupBuffers();
    void appendQuads(const class QuadCommand& command);
    void flush();

    std::vector<RenderCommand*> m_queue;
    std::vector<Rect> m_clips;
    std::vector<V3F_C4B_T2F> m_vertices;
    GLuint m_vbo = 0;
    GLuint m_ibo = 0;
    GLuint m_batchTexture = 0;
    GLProgramState* m_batchState = nullptr;
    BlendFunc m_batchBlend;
    std::size_t m_drawCalls = 0;
};

} // namespace engine
