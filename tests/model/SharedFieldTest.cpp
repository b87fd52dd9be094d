// Whole-record copies that treat some fields as shared: every byte arrives, whatever the order and
// position of the shared fields.
#include <gtest/gtest.h>

#include <cstring>

#include "model/SettingsRecords.h"
#include "model/SharedField.h"

namespace nolvo {
namespace {

template <typename Record>
Record pattern(unsigned char seed)
{
    Record r;
    auto* bytes = reinterpret_cast<unsigned char*>(&r);
    for (std::size_t i = 0; i < sizeof r; ++i) {
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
    }
    return r;
}

template <typename Record>
bool sameBytes(const Record& a, const Record& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(SharedField, WholeRecordCopiesEveryByte)
{
    const SpectrumSettings from = pattern<SpectrumSettings>(3);
    {
        SpectrumSettings to = pattern<SpectrumSettings>(200);
        // Out of order, first and last bytes of the record among them.
        assignWithShared(to, from, &SpectrumSettings::ssidScanInterval, &SpectrumSettings::displayMode,
                         &SpectrumSettings::band, &SpectrumSettings::utilizationDescending);
        EXPECT_TRUE(sameBytes(to, from));
    }
    {
        SpectrumSettings to = pattern<SpectrumSettings>(200);
        assignWithShared(to, from, &SpectrumSettings::waterfallTimeScale);
        EXPECT_TRUE(sameBytes(to, from));
    }
    {
        DemoSettings to = pattern<DemoSettings>(90);
        const DemoSettings demo = pattern<DemoSettings>(1);
        assignWithShared(to, demo, &DemoSettings::hardware, &DemoSettings::scene, &DemoSettings::accessPoints);
        EXPECT_TRUE(sameBytes(to, demo));
    }
    {
        PowerSettings to = pattern<PowerSettings>(50);
        const PowerSettings power = pattern<PowerSettings>(9);
        assignWithShared(to, power, &PowerSettings::amplitudeScaleIndex, &PowerSettings::timeScaleIndex);
        EXPECT_TRUE(sameBytes(to, power));
    }
}

} // namespace
} // namespace nolvo
