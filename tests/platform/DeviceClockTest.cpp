#include <cmath>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Device.h"

namespace {

TEST(Device, DpiFallsBackTo96WithoutAProviderOrWithNonsense)
{
    engine::Device::setDpiProvider(nullptr);
    EXPECT_EQ(engine::Device::getDPI(), 96);
    for (float reported : {0.0f, -1.0f, NAN, 1e9f}) {
        engine::Device::setDpiProvider([reported] { return reported; });
        EXPECT_EQ(engine::Device::getDPI(), 96) << reported;
    }
    engine::Device::setDpiProvider([] { return 143.6f; });
    EXPECT_EQ(engine::Device::getDPI(), 144);
    engine::Device::setDpiProvider(nullptr);
}

std::uint64_t fixedNow()
{
    return 180000;
}

TEST(Clock, AnInstalledSourceReplacesTheSteadyClockUntilRemoved)
{
    const std::uint64_t before = engine::clock::steadyMs();
    engine::clock::setSource(&fixedNow);
    EXPECT_EQ(engine::clock::steadyMs(), 180000u);
    engine::clock::setSource(nullptr);
    EXPECT_GE(engine::clock::steadyMs(), before);
}

} // namespace
