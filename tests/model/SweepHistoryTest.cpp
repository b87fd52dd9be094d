#include <gtest/gtest.h>

#include "model/SweepHistory.h"

namespace nolvo::test {
namespace {

// Drives the history through many grow and slide cycles and checks every entry against a model.
TEST(SweepHistory, StaysContiguousAndOrderedThroughGrowAndSlide)
{
    SweepHistory history(4);
    std::size_t oldest = 0;
    std::size_t next = 0;
    for (int step = 0; step < 3000; ++step) {
        const float value = static_cast<float>(next++);
        const float values[4] = {value, value + 0.25f, value + 0.5f, value + 0.75f};
        // Vary the window between 1 and 40 entries so both growth and sliding happen.
        const std::size_t limit = 1 + static_cast<std::size_t>(step / 97) % 40;
        while (history.size() >= limit) {
            history.popOldest();
            ++oldest;
        }
        history.push(values, step % 5 == 0 ? 2 : 4); // short sweeps are zero-filled
        ASSERT_EQ(history.size(), next - oldest);
        for (std::size_t i = 0; i < history.size(); ++i) {
            const float expected = static_cast<float>(oldest + i);
            ASSERT_EQ(history.entry(i)[0], expected) << "step " << step << " entry " << i;
            ASSERT_EQ(history.data()[i * 4], expected);
        }
        ASSERT_EQ(history.newest()[3], step % 5 == 0 ? 0.0f : value + 0.75f);
    }
    history.clear();
    EXPECT_TRUE(history.empty());
    history.popOldest(); // harmless on an empty history
    EXPECT_EQ(history.size(), 0u);
}

} // namespace
} // namespace nolvo::test
