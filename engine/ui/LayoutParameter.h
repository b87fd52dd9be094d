#pragma once
// How a layout container places one child: margins around it (points) and, in a linear layout,
// its gravity across the stacking direction. Attached to a widget with
// Widget::setLayoutParameter; a child without one gets zero margins and no gravity.

#include "engine/base/Ref.h"

namespace engine::ui {

struct Margin {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    constexpr Margin() = default;
    constexpr Margin(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    constexpr bool operator==(const Margin& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    constexpr bool operator!=(const Margin& o) const { return !(*this == o); }
};

class LayoutParameter : public Ref {
public:
    enum class Type { NONE, LINEAR };

    static LayoutParameter* create();
    Type getLayoutType() const { return m_type; }
    void setMargin(const Margin& margin) { m_margin = margin; }
    const Margin& getMargin() const { return m_margin; }

protected:
    explicit LayoutParameter(Type type = Type::NONE) : m_type(type) {}

private:
    Type m_type;
    Margin m_margin;
};

class LinearLayoutParameter : public LayoutParameter {
public:
    // LEFT / RIGHT / CENTER_HORIZONTAL act in a vertical layout, TOP / BOTTOM / CENTER_VERTICAL
    // in a horizontal one; NONE keeps the child at the start (left, or top).
    enum class LinearGravity { NONE, LEFT, TOP, RIGHT, BOTTOM, CENTER_VERTICAL, CENTER_HORIZONTAL };

    static LinearLayoutParameter* create();
    void setGravity(LinearGravity gravity) { m_gravity = gravity; }
    LinearGravity getGravity() const { return m_gravity; }

protected:
    LinearLayoutParameter() : LayoutParameter(Type::LINEAR) {}

private:
    LinearGravity m_gravity = LinearGravity::NONE;
};

} // namespace engine::ui
