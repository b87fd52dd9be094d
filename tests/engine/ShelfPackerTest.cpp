// Shelf packing of the glyph atlas: rectangles never overlap, stay inside the page, reuse shelves
// of a fitting height and are refused only when the page is really full.
#include <gtest/gtest.h>

#include <vector>

#include "engine/text/GlyphAtlas.h"

using engine::ShelfPacker;

namespace {

struct Placed {
    int x, y, w, h;
};

bool overlap(const Placed& a, const Placed& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(ShelfPackerTest, PlacesWithoutOverlapUntilFull)
{
    struct Case {
        const char* what;
        int pageW, pageH;
        std::vector<std::pair<int, int>> sizes;
        int expectedPlaced;  // the first n fit, the rest are refused
        int expectedUsedHeight;
    };
    const Case cases[] = {
        {"equal squares fill rows exactly", 64, 64, std::vector<std::pair<int, int>>(17, {16, 16}), 16, 64},
        {"similar heights share a shelf", 100, 100, {{10, 12}, {10, 11}, {10, 10}, {10, 12}}, 4, 12},
        {"a much smaller glyph opens its own shelf", 100, 100, {{10, 40}, {10, 8}, {10, 40}}, 3, 48},
        {"too wide or too tall is refused", 32, 32, {{33, 1}, {1, 33}, {0, 5}, {32, 32}}, 1, 32},
        {"a row that overflows wraps to a new shelf", 30, 30, {{20, 10}, {20, 10}, {20, 10}, {20, 10}}, 3, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShelfPacker packer(c.pageW, c.pageH);
        std::vector<Placed> placed;
        int fitted = 0;
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            int x = -1, y = -1;
            const auto [w, h] = c.sizes[i];
            if (!packer.pack(w, h, &x, &y)) continue;
            ++fitted;
            const Placed p{x, y, w, h};
            EXPECT_GE(x, 0);
            EXPECT_GE(y, 0);
            EXPECT_LE(x + w, c.pageW);
            EXPECT_LE(y + h, c.pageH);
            for (const Placed& other : placed) EXPECT_FALSE(overlap(p, other)) << "rectangle " << i;
            placed.push_back(p);
        }
        EXPECT_EQ(fitted, c.expectedPlaced);
        EXPECT_EQ(packer.getUsedHeight(), c.expectedUsedHeight);
    }
}

TEST(ShelfPackerTest, ResetStartsOverAtTheTop)
{
    ShelfPacker packer(16, 16);
    int x = 0, y = 0;
    ASSERT_TRUE(packer.pack(16, 16, &x, &y));
    EXPECT_FALSE(packer.pack(1, 1, &x, &y));
    packer.reset();
    ASSERT_TRUE(packer.pack(4, 4, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

} // namespace
