#pragma once
// A full-window node positioned by its bottom-left corner.

#include "engine/scene/Node.h"
#include "engine/renderer/QuadCommand.h"

namespace engine {

class Texture2D;

class Layer : public Node {
public:
    static Layer* create();
    bool init() override;

protected:
    Layer();
};

// A layer filled with one colour (its opacity is the colour's alpha).
class LayerColor : public Layer {
public:
    static LayerColor* create();
    static LayerColor* create(const Color4B& color);
    static LayerColor* create(const Color4B& color, float width, float height);
    bool init() override;
    virtual bool initWithColor(const Color4B& color, float width, float height);
    void changeWidth(float width);
    void changeHeight(float height);
    void changeWidthAndHeight(float width, float height);
    void setBlendFunc(const BlendFunc& blend);
    const BlendFunc& getBlendFunc() const { return m_blend; }

    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t flags) override;

protected:
    LayerColor() = default;
    ~LayerColor() override;

private:
    V3F_C4B_T2F_Quad m_quad{};
    BlendFunc m_blend = BlendFunc::ALPHA_NON_PREMULTIPLIED;
};

} // namespace engine
