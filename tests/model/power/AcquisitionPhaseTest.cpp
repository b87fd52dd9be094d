#include <gtest/gtest.h>

#include <cstdint>

#include "model/AcquisitionPhase.h"
#include "platform/Clock.h"

namespace nolvo {
namespace {

std::uint64_t g_nowMs = 0;
std::uint64_t fakeClock()
{
    return g_nowMs;
}

// Drives the phase from the program's steady clock, moved by hand.
class AcquisitionPhaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nowMs = 100000;
        engine::clock::setSource(fakeClock);
    }
    void TearDown() override { engine::clock::setSource(nullptr); }

    std::int32_t capture(bool triggered, std::uint64_t afterMs)
    {
        g_nowMs += afterMs;
        return m_phase.update(triggered, engine::clock::steadyMs());
    }

    AcquisitionPhase m_phase;
};

TEST_F(AcquisitionPhaseTest, CountsFromTheLastTrigger)
{
    EXPECT_EQ(capture(true, 0), AcquisitionPhase::kTriggered);
    EXPECT_EQ(capture(false, 1999), AcquisitionPhase::kTriggered); // below 2 s: unchanged
    EXPECT_EQ(capture(false, 1), AcquisitionPhase::kNoTriggerShort); // 2 s
    EXPECT_EQ(capture(false, 7999), AcquisitionPhase::kNoTriggerShort); // 9.999 s
    EXPECT_EQ(capture(false, 1), AcquisitionPhase::kNoTriggerLong); // 10 s
    EXPECT_EQ(capture(false, 60000), AcquisitionPhase::kNoTriggerLong);
    EXPECT_EQ(capture(true, 1), AcquisitionPhase::kTriggered);
    EXPECT_EQ(m_phase.lastTriggerMs(), g_nowMs);
    EXPECT_EQ(capture(false, 500), AcquisitionPhase::kTriggered);
}

TEST_F(AcquisitionPhaseTest, StreamingStartCountsAsTheLastTrigger)
{
    capture(true, 0);
    capture(false, 20000);
    ASSERT_EQ(m_phase.phase(), AcquisitionPhase::kNoTriggerLong);
    m_phase.restart(engine::clock::steadyMs());
    EXPECT_EQ(m_phase.phase(), AcquisitionPhase::kNoTriggerShort);
    EXPECT_EQ(capture(false, 9000), AcquisitionPhase::kNoTriggerShort);
    EXPECT_EQ(capture(false, 1000), AcquisitionPhase::kNoTriggerLong);
}

TEST_F(AcquisitionPhaseTest, ClockGoingBackwardsIsNoTimePassed)
{
    capture(true, 0);
    EXPECT_EQ(m_phase.update(false, g_nowMs - 50000), AcquisitionPhase::kTriggered);
}

TEST(AcquisitionPhaseLabel, TriggerLabelAndCaptureUse)
{
    // After 5 s without a trigger the label asks; after 10 s AUTO mode says it free-runs.
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kTriggered, true, false), "TRIG");
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kNoTriggerShort, true, false), "TRIG?");
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kNoTriggerShort, false, false), "TRIG?");
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kNoTriggerLong, true, false), "AUTO");
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kNoTriggerLong, false, false), "TRIG?");
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kTriggered, true, true), "");
    EXPECT_STREQ(AcquisitionPhase::triggerLabel(AcquisitionPhase::kNoTriggerLong, false, true), "");

    // Only NORMAL mode outside roll mode drops untriggered captures.
    EXPECT_FALSE(AcquisitionPhase::captureUsed(false, false, false));
    EXPECT_TRUE(AcquisitionPhase::captureUsed(true, false, false));
    EXPECT_TRUE(AcquisitionPhase::captureUsed(false, true, false));
    EXPECT_TRUE(AcquisitionPhase::captureUsed(false, false, true));
}

} // namespace
} // namespace nolvo
