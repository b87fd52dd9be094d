#pragma once
// A container widget. Its children keep the positions they are given (NONE), or are stacked
// from the top down (VERTICAL) or from the left to the right (HORIZONTAL), each with the margins
// and gravity of its LinearLayoutParameter, and no smaller than its minimum size
// (Widget::getMinimumSize). Hidden children take no room. The stack is laid out
// again before the next frame whenever a child is added, removed, hidden, shown or resized,
// or the layout's own size or type changes (requestDoLayout asks for it explicitly,
// forceDoLayout does it at once). The layout may fill its rectangle with a solid colour or a
// (nine-slice) image behind its children, and may clip its children to its rectangle.
// Render thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ui/Widget.h"

namespace engine {
class LayerColor;
}

namespace engine::ui {

class Scale9Sprite;

class Layout : public Widget {
public:
    enum class Type { NONE, VERTICAL, HORIZONTAL };
    enum class BackGroundColorType { NONE, SOLID };

    static Layout* create();
    ~Layout() override;
    bool init() override;

    void setLayoutType(Type type);
    Type getLayoutType() const { return m_type; }
    void requestDoLayout() { requestLayout(); }
    void forceDoLayout();
    void doLayout() override;

    void setBackGroundColorType(BackGroundColorType type);
    BackGroundColorType getBackGroundColorType() const { return m_colorType; }
    void setBackGroundColor(const Color3B& color);
    const Color3B& getBackGroundColor() const { return m_backgroundColor; }
    void setBackGroundColorOpacity(std::uint8_t opacity);
    std::uint8_t getBackGroundColorOpacity() const { return m_backgroundOpacity; }

    // An image stretched over the whole rectangle (nine-slice when enabled).
    void setBackGroundImage(const std::string& file);
    void removeBackGroundImage();
    void setBackGroundImageScale9Enabled(bool enabled);
    bool isBackGroundImageScale9Enabled() const { return m_backgroundScale9; }
    void setBackGroundImageCapInsets(const Rect& insets);

    // Children are drawn, and hit, only inside the layout's rectangle.
    void setClippingEnabled(bool enabled);
    bool isClippingEnabled() const { return m_clipping; }
    bool getChildrenClipRegion(Rect* nodeRect) const override;

    // Width and height the children of a linear layout take together with their margins
    // (along the stack: the sum; across it: the largest).
    Size getContentSizeOfChildren() const;

    // The background colour and image, behind every child whatever its z-order.
    void drawBackground(Renderer* renderer, std::uint32_t flags) override;
    void updateDisplayedOpacity(std::uint8_t parentOpacity) override;
    void updateDisplayedColor(const Color3B& parentColor) override;

protected:
    Layout();
    void onSizeChanged() override;

private:
    // The children that a linear layout places, in drawing order.
    std::vector<Node*> placedChildren() const;
    // Widgets sized from outside grow to their minimum size before they are stacked.
    void growToMinimumSizes();
    void layoutVertical();
    void layoutHorizontal();
    void updateBackground();

    Type m_type = Type::NONE;
    BackGroundColorType m_colorType = BackGroundColorType::NONE;
    Color3B m_backgroundColor = Color3B(150, 200, 255);
    std::uint8_t m_backgroundOpacity = 255;
    LayerColor* m_colorRenderer = nullptr;
    Scale9Sprite* m_imageRenderer = nullptr;
    bool m_backgroundScale9 = false;
    bool m_clipping = false;
};

} // namespace engine::ui
