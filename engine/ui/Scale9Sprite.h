#pragma once
// A nine-slice image: the corners keep their size, the edges stretch along one axis and the
// centre along both, so a small image frames any content size. Cap insets are in texture-rect
// pixels from its top-left (x = left border width, y = top border height, width and height =
// the stretchable centre); zero insets mean the middle third. With nine-slice off the whole
// rectangle stretches. Render thread only.

#include <string>

#include "engine/renderer/QuadCommand.h"
#include "engine/scene/Node.h"

namespace engine {
class Texture2D;
}

namespace engine::ui {

class Scale9Sprite : public Node {
public:
    static Scale9Sprite* create();
    static Scale9Sprite* create(const std::string& file);
    static Scale9Sprite* create(const std::string& file, const Rect& rect, const Rect& capInsets);
    static Scale9Sprite* createWithTexture(Texture2D* texture, const Rect& capInsets = Rect::ZERO);
    ~Scale9Sprite() override;

    bool init() override;
    bool initWithFile(const std::string& file, const Rect& rect, const Rect& capInsets);
    // Whole texture when rect is zero. Content size becomes the rectangle's size.
    bool initWithTexture(Texture2D* texture, const Rect& rect, const Rect& capInsets);
    void setTexture(Texture2D* texture, const Rect& rect = Rect::ZERO);
    Texture2D* getTexture() const { return m_texture; }

    void setCapInsets(const Rect& insets);
    const Rect& getCapInsets() const { return m_capInsets; }
    void setPreferredSize(const Size& size) { setContentSize(size); }
    Size getPreferredSize() const { return getContentSize(); }
    // Size of the texture rectangle.
    Size getOriginalSize() const { return m_rect.size; }
    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return m_scale9; }
    void setBlendFunc(const BlendFunc& blend);

    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t flags) override;

protected:
    Scale9Sprite() = default;

private:
    void buildQuads();

    Texture2D* m_texture = nullptr;
    Rect m_rect;
    Rect m_capInsets;
    bool m_scale9 = true;
    BlendFunc m_blend = BlendFunc::ALPHA_NON_PREMULTIPLIED;
    V3F_C4B_T2F_Quad m_quads[9]{};
    std::size_t m_quadCount = 0;
    Size m_builtSize{-1, -1};
    bool m_quadsDirty = true;
};

} // namespace engine::ui
