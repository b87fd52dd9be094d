#include <gtest/gtest.h>

#include "tables/TableGeometry.h"

namespace nolvo {
namespace {

TEST(TableGeometry, MetricsBySizeClass)
{
    struct Case {
        int sizeClass;
        float rowHeight;
        bool compact;
        float font, margin;
    };
    const Case cases[] = {{0, 52, true, 16, 5}, {1, 26, false, 16, 5}, {2, 26, false, 14, 3},
                          {3, 26, false, 14, 3}, {4, 20, false, 10, 5}, {-1, 20, false, 10, 5}};
    for (const Case& c : cases) {
        const TableMetrics m = tableMetrics(c.sizeClass);
        EXPECT_EQ(m.rowHeight, c.rowHeight) << c.sizeClass;
        EXPECT_EQ(m.compact, c.compact) << c.sizeClass;
        EXPECT_EQ(m.headerFontSize, c.font) << c.sizeClass;
        EXPECT_EQ(m.cellMargin, c.margin) << c.sizeClass;
    }
}

TEST(TableGeometry, ReloadKeepsTheDistanceFromTheTop)
{
    // 100 rows of 26 in a 520-point view: min offset -2080. Scrolled 10 rows down: -1820.
    // The list grows by 5 rows (min -2210): the same rows stay at the top (-1950).
    EXPECT_FLOAT_EQ(keptOffsetY(-1820, -2080, -2210, 2730, -2210), -1950);
    // The list shrinks so far that the old position is past the end: the end.
    EXPECT_FLOAT_EQ(keptOffsetY(-100, -2080, -300, 820, -300), 0);
    // Short enough to fit: whatever the reload left.
    EXPECT_FLOAT_EQ(keptOffsetY(-1820, -2080, 50, 470, 50), 50);
    // Empty container, or an offset pulled past the end: left alone.
    EXPECT_FLOAT_EQ(keptOffsetY(-1820, -2080, -2210, 0, -2210), -2210);
    EXPECT_FLOAT_EQ(keptOffsetY(12, -2080, -2210, 2730, -2210), -2210);
}

TEST(TableGeometry, ScrollingStaysInRange)
{
    EXPECT_FLOAT_EQ(scrolledOffsetY(-2080, -2080, 26), -2054);
    EXPECT_FLOAT_EQ(scrolledOffsetY(-2080, -2080, -26), -2080); // already at the top
    EXPECT_FLOAT_EQ(scrolledOffsetY(-10, -2080, 26), 0);        // the end
    EXPECT_FLOAT_EQ(scrolledOffsetY(-500, -2080, 1e9f), 0);
    EXPECT_FLOAT_EQ(scrolledOffsetY(-500, -2080, -1e9f), -2080);
    EXPECT_FLOAT_EQ(scrolledOffsetY(40, 40, 26), 40); // fits: does not move
}

} // namespace
} // namespace nolvo
