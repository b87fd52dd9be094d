#include <gtest/gtest.h>

#include <vector>

#include "display/WaterfallImage.h"

namespace nolvo {
namespace {

// A table whose entry i is (i, 255 - i, 7): every entry is recognisable.
std::vector<Rgb> rampTable()
{
    std::vector<Rgb> t;
    for (int i = 0; i < 256; ++i) t.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
    return t;
}

TEST(WaterfallImage, ThresholdScaleEnds)
{
    const ThresholdScale s = ThresholdScale::of(-80.0f, -40.0f);
    EXPECT_EQ(s.entry(-80.0f), 0);   // exactly at low: the first entry
    EXPECT_EQ(s.entry(-60.0f), 127); // 127.5 truncated
    EXPECT_EQ(s.entry(-40.0f), 255); // exactly at high: the last entry
    EXPECT_EQ(s.entry(10.0f), 255);
    // A low threshold above the high one is read as the high one.
    EXPECT_EQ(ThresholdScale::of(-10.0f, -40.0f).low, -40.0f);
}

TEST(WaterfallImage, RowsOldestFirstWithThresholdsAndDisplayedBins)
{
    SweepHistory history(4);
    const float older[] = {-81, -80, -60, -40};
    const float newer[] = {-40, -39, -80, -50};
    history.push(older, 4);
    history.push(newer, 4);
    std::vector<std::uint8_t> pixels(4 * 2 * 4, 0xEE);
    const auto size = buildWaterfallPixels(history, 4, 2, rampTable(), ThresholdScale::of(-80, -40), pixels.data(),
                                           pixels.size());
    EXPECT_EQ(size.columns, 4);
    EXPECT_EQ(size.rows, 2);
    auto px = [&](int row, int bin) {
        const std::uint8_t* p = &pixels[static_cast<std::size_t>((row * 4 + bin) * 4)];
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    using P = std::vector<int>;
    EXPECT_EQ(px(0, 0), (P{0, 0, 0, 0}));         // below low: transparent
    EXPECT_EQ(px(0, 1), (P{0, 255, 7, 255}));     // at low: first entry
    EXPECT_EQ(px(0, 2), (P{127, 128, 7, 255}));   // half way
    EXPECT_EQ(px(0, 3), (P{0, 0, 0, 0}));         // bin 3 is beyond the 2 displayed bins
    EXPECT_EQ(px(1, 0), (P{255, 0, 7, 255}));     // newest row, at high: last entry
    EXPECT_EQ(px(1, 1), (P{255, 0, 7, 255}));     // above high: last entry
    EXPECT_EQ(px(1, 2), (P{0, 255, 7, 255}));
}

TEST(WaterfallImage, EmptyHistoryAndTooSmallBuffer)
{
    SweepHistory history(4);
    std::vector<std::uint8_t> pixels(8, 0xEE);
    auto size = buildWaterfallPixels(history, 4, 4, rampTable(), ThresholdScale::of(-80, -40), pixels.data(), pixels.size());
    EXPECT_EQ(size.rows, 0);
    const float sweep[] = {-50, -50, -50, -50};
    history.push(sweep, 4);
    size = buildWaterfallPixels(history, 4, 4, rampTable(), ThresholdScale::of(-80, -40), pixels.data(), pixels.size());
    EXPECT_EQ(size.rows, -1);
    EXPECT_EQ(pixels[0], 0xEE); // untouched
}

TEST(WaterfallImage, OnlyTheNewest500SweepsAreShown)
{
    SweepHistory history(1);
    for (int i = 0; i < 510; ++i) {
        const float v = (i == 10) ? -40.0f : (i == 509 ? -80.0f : -100.0f);
        history.push(&v, 1);
    }
    std::vector<std::uint8_t> pixels(500 * 4);
    const auto size = buildWaterfallPixels(history, 1, 1, rampTable(), ThresholdScale::of(-80, -40), pixels.data(),
                                           pixels.size());
    EXPECT_EQ(size.rows, 500);
    EXPECT_EQ(pixels[0 * 4 + 0], 255); // row 0 is sweep 10, at high
    EXPECT_EQ(pixels[499 * 4 + 1], 255); // the last row is the newest sweep, at low (green 255)
    EXPECT_EQ(pixels[499 * 4 + 3], 255);
}

TEST(WaterfallImage, CursorPeaksAlongARowAndAColumn)
{
    SweepHistory history(3);
    const float s0[] = {-50, -90, -60};
    const float s1[] = {-70, -45, -85};
    history.push(s0, 3);
    history.push(s1, 3);
    PeakList peaks;
    waterfallRowPeaks(history, 0, 3, -80.0f, peaks); // the newest sweep
    EXPECT_EQ(peaks[0].bin, 1);
    EXPECT_EQ(peaks[1].bin, 0);
    EXPECT_EQ(peaks[2].bin, -1); // -85 is below the low threshold
    waterfallRowPeaks(history, 1, 3, -80.0f, peaks);
    EXPECT_EQ(peaks[0].bin, 0);
    EXPECT_EQ(peaks[1].bin, 2);
    waterfallRowPeaks(history, 2, 3, -80.0f, peaks); // beyond the history
    EXPECT_EQ(peaks[0].bin, -1);

    waterfallColumnPeaks(history, 0, 500, -80.0f, peaks); // index = rows back from the newest
    EXPECT_EQ(peaks[0].bin, 1);
    EXPECT_EQ(peaks[0].value, -50.0f);
    EXPECT_EQ(peaks[1].bin, 0);
    waterfallColumnPeaks(history, 3, 500, -80.0f, peaks);
    EXPECT_EQ(peaks[0].bin, -1);
}

} // namespace
} // namespace nolvo
