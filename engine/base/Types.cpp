#include "engine/base/Types.h"

#include <algorithm>

namespace engine {

namespace {
std::uint8_t toByte(float v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}
}

Color3B::Color3B(const Color4B& c) : r(c.r), g(c.g), b(c.b) {}
Color3B::Color3B(const Color4F& c) : r(toByte(c.r)), g(toByte(c.g)), b(toByte(c.b)) {}
Color4B::Color4B(const Color4F& c) : r(toByte(c.r)), g(toByte(c.g)), b(toByte(c.b)), a(toByte(c.a)) {}

const Color3B Color3B::WHITE{255, 255, 255};
const Color3B Color3B::BLACK{0, 0, 0};
const Color3B Color3B::RED{255, 0, 0};
const Color3B Color3B::GREEN{0, 255, 0};
const Color3B Color3B::BLUE{0, 0, 255};
const Color3B Color3B::YELLOW{255, 255, 0};
const Color3B Color3B::ORANGE{255, 127, 0};
const Color3B Color3B::MAGENTA{255, 0, 255};
const Color3B Color3B::GRAY{166, 166, 166};
const Color4B Color4B::WHITE{255, 255, 255, 255};
const Color4B Color4B::BLACK{0, 0, 0, 255};
const Color4B Color4B::RED{255, 0, 0, 255};
const Color4B Color4B::GREEN{0, 255, 0, 255};
const Color4B Color4B::BLUE{0, 0, 255, 255};
const Color4F Color4F::WHITE{1, 1, 1, 1};
const Color4F Color4F::BLACK{0, 0, 0, 1};
const Color4F Color4F::RED{1, 0, 0, 1};
const Color4F Color4F::GREEN{0, 1, 0, 1};
const Color4F Color4F::BLUE{0, 0, 1, 1};

const BlendFunc BlendFunc::ALPHA_PREMULTIPLIED{GL_ONE, GL_ONE_MINUS_SRC_ALPHA};
const BlendFunc BlendFunc::ALPHA_NON_PREMULTIPLIED{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
const BlendFunc BlendFunc::ADDITIVE{GL_SRC_ALPHA, GL_ONE};
const BlendFunc BlendFunc::DISABLE{GL_ONE, GL_ZERO};

} // namespace engine
