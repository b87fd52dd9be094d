// Which source decides the display scale, and how malformed sources are passed over.
#include <gtest/gtest.h>

#include "engine/app/DisplayScale.h"

using engine::ScaleSources;

namespace {

TEST(DisplayScaleTest, FirstUsableSourceWins)
{
    struct Case {
        const char* what;
        const char* env;
        std::optional<float> dpi;
        float drawableRatio;
        float scale;
        float contentScale;  // the part that zooms the window
    };
    const Case cases[] = {
        {"nothing known", nullptr, std::nullopt, 1.0f, 1.0f, 1.0f},
        {"NOLVO_SCALE beats Xft.dpi and the drawable", "1.5", 192.0f, 2.0f, 1.5f, 1.5f},
        {"Xft.dpi over 96", nullptr, 192.0f, 1.0f, 2.0f, 2.0f},
        {"Xft.dpi beats the drawable", nullptr, 144.0f, 2.0f, 1.5f, 1.5f},
        {"the drawable alone (Wayland, macOS)", nullptr, std::nullopt, 2.0f, 2.0f, 1.0f},
        {"malformed NOLVO_SCALE is passed over", "two", 192.0f, 1.0f, 2.0f, 2.0f},
        {"trailing garbage is malformed", "2x", std::nullopt, 1.0f, 1.0f, 1.0f},
        {"empty NOLVO_SCALE is unset", "", std::nullopt, 2.0f, 2.0f, 1.0f},
        {"zero or negative NOLVO_SCALE is passed over", "0", std::nullopt, 1.0f, 1.0f, 1.0f},
        {"absurd NOLVO_SCALE is passed over", "40", 96.0f, 1.0f, 1.0f, 1.0f},
        {"absurd Xft.dpi is passed over", nullptr, 9600.0f, 1.0f, 1.0f, 1.0f},
        {"NaN NOLVO_SCALE is passed over", "nan", std::nullopt, 1.0f, 1.0f, 1.0f},
        {"a broken drawable ratio gives 1", nullptr, std::nullopt, 0.0f, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScaleSources sources;
        sources.env = c.env;
        sources.xftDpi = c.dpi;
        sources.drawableRatio = c.drawableRatio;
        EXPECT_FLOAT_EQ(engine::discoverScale(sources), c.scale);
        EXPECT_FLOAT_EQ(engine::discoverContentScale(sources), c.contentScale);
    }
}

} // namespace
