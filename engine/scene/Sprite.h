#pragma once
// A textured quad: a whole texture or a rectangle of it (in texture pixels, origin at the top-left
// of the image), optionally flipped, tinted by its displayed colour and opacity, drawn with a
// blend function and an optional program state of its own. Straight alpha: the default blend
// function is ALPHA_NON_PREMULTIPLIED. Render thread only.

#include <string>

#include "engine/renderer/QuadCommand.h"
#include "engine/scene/Node.h"

namespace engine {

class GLProgramState;
class Texture2D;

class Sprite : public Node {
public:
    static Sprite* create();
    // Image found through the search paths; null when it cannot be loaded.
    static Sprite* create(const std::string& filename);
    static Sprite* create(const std::string& filename, const Rect& rect);
    static Sprite* createWithTexture(Texture2D* texture);
    static Sprite* createWithTexture(Texture2D* texture, const Rect& rect);
    ~Sprite() override;

    bool init() override;
    virtual bool initWithFile(const std::string& filename);
    virtual bool initWithTexture(Texture2D* texture);
    virtual bool initWithTexture(Texture2D* texture, const Rect& rect);

    virtual void setTexture(Texture2D* texture);
    void setTexture(const std::string& filename);
    Texture2D* getTexture() const { return m_texture; }
    // Sets the texture rectangle and the content size to its size.
    virtual void setTextureRect(const Rect& rect);
    const Rect& getTextureRect() const { return m_rect; }

    void setFlippedX(bool flipped);
    void setFlippedY(bool flipped);
    bool isFlippedX() const { return m_flippedX; }
    bool isFlippedY() const { return m_flippedY; }

    void setBlendFunc(const BlendFunc& blend);
    const BlendFunc& getBlendFunc() const { return m_blend; }
    void setGLProgramState(GLProgramState* state);
    GLProgramState* getGLProgramState() const { return m_programState; }

    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t flags) override;

protected:
    Sprite() = default;
    void updateQuad();

    Texture2D* m_texture = nullptr;
    GLProgramState* m_programState = nullptr;
    Rect m_rect;
    bool m_flippedX = false;
    bool m_flippedY = false;
    BlendFunc m_blend = BlendFunc::ALPHA_NON_PREMULTIPLIED;
    V3F_C4B_T2F_Quad m_quad{};
};

} // namespace engine
