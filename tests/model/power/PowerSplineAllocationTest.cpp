// Runs the trace conversion with the allocator failing on purpose. This binary replaces the global
// operator new, so it holds nothing else.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "model/PowerSpline.h"

namespace {
// Number of further allocations to let through before failing one; -1 never fails.
std::atomic<int> g_allowBeforeFailure{-1};
std::atomic<int> g_failures{0};

void failAfter(int allowed)
{
    g_failures = 0;
    g_allowBeforeFailure = allowed;
}
} // namespace

void* operator new(std::size_t size)
{
    int allowed = g_allowBeforeFailure.load();
    while (allowed >= 0) {
        if (g_allowBeforeFailure.compare_exchange_weak(allowed, allowed - 1)) {
            if (allowed == 0) {
                ++g_failures;
                throw std::bad_alloc();
            }
            break;
        }
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

// The replacement new above takes its memory from malloc, so free is the matching release.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace nolvo {
namespace {

TEST(PowerSplineAllocation, NoRoomForTheSplineDrawsStraightSegments)
{
    const std::vector<float> trace = {0.0f, 1.0f, 0.0f};
    // The first allocation is the spline's working storage.
    failAfter(0);
    const std::vector<float> p = PowerSpline::traceToPolyline(trace.data(), trace.size(), 80.0f);
    const int failures = g_failures.load();
    failAfter(-1);
    EXPECT_EQ(failures, 1);
    ASSERT_EQ(p.size(), 18u);
    // Straight: at a quarter of the first segment the line is at 0.25, where the curve is 0.367.
    EXPECT_FLOAT_EQ(p[2], 10.0f);
    EXPECT_FLOAT_EQ(p[3], 0.25f);
    EXPECT_FLOAT_EQ(p[9], 1.0f);
    EXPECT_FLOAT_EQ(p[15], 0.25f);
}

TEST(PowerSplineAllocation, AnyFailedAllocationReturns)
{
    const std::vector<float> trace = {-40.0f, -40.0f, -10.0f, -12.0f, -40.0f};
    const std::size_t complete = 2u * (4u * 4u + 1u);
    int failedCalls = 0;
    for (int allowed = 0; allowed < 8; ++allowed) {
        failAfter(allowed);
        const std::vector<float> p = PowerSpline::traceToPolyline(trace.data(), trace.size(), 100.0f);
        const int failures = g_failures.load();
        failAfter(-1);
        failedCalls += failures;
        // Whichever allocation failed, the call came back with an empty or a complete polyline.
        EXPECT_TRUE(p.empty() || p.size() == complete) << "allowed " << allowed << ": " << p.size();
        if (failures == 0) {
            EXPECT_EQ(p.size(), complete);
        }
    }
    EXPECT_GE(failedCalls, 2); // the spline's storage and the polyline itself both failed once

    // Long traces are copied point for point; without room for them the polyline is empty.
    const std::vector<float> longTrace(500, -20.0f);
    failAfter(0);
    const std::vector<float> p = PowerSpline::traceToPolyline(longTrace.data(), longTrace.size(), 100.0f);
    failAfter(-1);
    EXPECT_TRUE(p.empty());
}

} // namespace
} // namespace nolvo
