#include "model/ChannelPlans.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/SettingsRecords.h"

namespace nolvo::channelplan {

namespace {

constexpr float kMHz = 1000.0f;
// Channels 1..14 of the 2.4 GHz 802.11 plans are 5 MHz apart from 2412 MHz.
constexpr float kWifi24Base = 2412.0f;
// Both 40 MHz plans end their last channel here.
constexpr float kWifi40Cap = 2482000.0f;

template <std::size_t N>
constexpr std::array<std::uint16_t, N> sequence(int first, int step)
{
    std::array<std::uint16_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<std::uint16_t>(first + static_cast<int>(i) * step);
    return out;
}

constexpr auto kPlan11b = sequence<14>(1, 1);
constexpr auto kPlan11g = sequence<13>(1, 1);
constexpr auto kPlan40Below = sequence<9>(1, 1);
constexpr auto kPlan40Above = sequence<9>(5, 1);
constexpr auto kPlanZigbee = sequence<16>(11, 1);
constexpr auto kPlanDez = sequence<11>(0, 1);
// 36..64, 100..144 and 149..165, each in steps of 4.
constexpr std::array<std::uint16_t, 25> kPlan5G20 = {36,  40,  44,  48,  52,  56,  60,  64,  100,
                                                     104, 108, 112, 116, 120, 124, 128, 132, 136,
                                                     140, 144, 149, 153, 157, 161, 165};
constexpr std::array<std::uint16_t, 12> kPlan5G40 = {38, 46, 54, 62, 102, 110, 118, 126, 134, 142, 151, 159};
constexpr std::array<std::uint16_t, 6> kPlan5G80 = {42, 58, 106, 122, 138, 155};
constexpr std::array<std::uint16_t, 2> kPlan5G160 = {50, 114};

// Centres of the "DEZ Custom" channels 0..10.
constexpr std::array<float, 11> kDezCentres = {2404199, 2410147, 2422044, 2424844, 2441989, 2449338,
                                               2461935, 2469633, 2474531, 2476981, 2479430};

struct PlanInfo {
    std::span<const std::uint16_t> channels;
    const char* menuName;
    const char* prefix;
    int rows;
};

const std::array<PlanInfo, kPlanCount> kPlans = {{
    {{}, "NONE", "", 1},
    {kPlan11b, "802.11b", "802.11b :: ", 5},
    {kPlan11g, "802.11g", "802.11g :: ", 5},
    {kPlan11g, "802.11n - 20MHz", "802.11n :: ", 5},
    {kPlan40Below, "802.11n - 40MHz BELOW", "802.11n (B) :: ", 9},
    {kPlan40Above, "802.11n - 40MHz ABOVE", "802.11n (A):: ", 9},
    {kPlanZigbee, "802.15.4 - Zigbee", "Zigbee :: ", 1},
    {kPlanDez, "DEZ Custom", "DEZ Custom :: ", 1},
    {kPlan5G20, "802.11a/n - 20MHz", "802.11a/n :: ", 1},
    {kPlan5G40, "802.11n/ac - 40MHz", "802.11n/ac :: ", 1},
    {kPlan5G80, "802.11ac - 80MHz", "802.11ac :: ", 1},
    {kPlan5G160, "802.11ac - 160MHz", "802.11ac :: ", 1},
}};

bool validPlan(int plan) { return plan >= 1 && plan < kPlanCount; }

// Whether `channel` is one the edges function answers for.
bool inRange(int plan, int channel)
{
    if (plan >= kFirst5GHzPlan) return channel >= 36 && channel <= 165;
    const auto list = kPlans[static_cast<std::size_t>(plan)].channels;
    return channel >= list.front() && channel <= list.back();
}

float wifi24Centre(int channel) { return kWifi24Base + 5.0f * static_cast<float>(channel - 1); }

Edges around(float centreKHz, float halfWidthKHz) { return {centreKHz - halfWidthKHz, centreKHz + halfWidthKHz}; }

} // namespace

std::span<const std::uint16_t> channelList(int plan)
{
    if (!validPlan(plan)) return {};
    return kPlans[static_cast<std::size_t>(plan)].channels;
}

Edges channelEdges(int plan, int channel)
{
    if (!validPlan(plan) || !inRange(plan, channel)) return {};
    switch (plan) {
    case 1:
        // Channel 14 is the one irregular channel, 12 MHz past channel 13.
        if (channel == 14) return {2473.0f * kMHz, 2495.0f * kMHz};
        return around(wifi24Centre(channel) * kMHz, 11.0f * kMHz);
    case 2:
    case 3:
        return around(wifi24Centre(channel) * kMHz, 10.0f * kMHz);
    case 4:
        return {(wifi24Centre(channel) - 10.0f) * kMHz,
                std::min((wifi24Centre(channel + 4) + 10.0f) * kMHz, kWifi40Cap)};
    case 5:
        return {(wifi24Centre(channel - 4) - 10.0f) * kMHz, std::min((wifi24Centre(channel) + 10.0f) * kMHz, kWifi40Cap)};
    case 6:
        return around((2405.0f + 5.0f * static_cast<float>(channel - 11)) * kMHz, 1.5f * kMHz);
    case 7:
        return around(kDezCentres[static_cast<std::size_t>(channel)], 500.0f);
    default: {
        // 5 GHz: centre 5000 + 5 x channel MHz, the plan's bandwidth wide.
        static constexpr float kHalfWidthMHz[] = {10.0f, 20.0f, 40.0f, 80.0f};
        const float centre = (5000.0f + 5.0f * static_cast<float>(channel)) * kMHz;
        return around(centre, kHalfWidthMHz[plan - kFirst5GHzPlan] * kMHz);
    }
    }
}

Edges buttonSpan(int plan, int channel)
{
    const Edges edges = channelEdges(plan, channel);
    if (edges == Edges{}) return edges;
    const auto truncated = [](float khz) { return std::floor(khz / 100.0f) * 100.0f; };
    return {truncated(edges.startKHz), truncated(edges.endKHz) + 1000.0f};
}

Bounds bandBounds(int plan)
{
    switch (bandOf(plan)) {
    case 0: return {2400000.0f, 2500000.0f};
    case 1: return {5145000.0f, 5860000.0f};
    default: return {};
    }
}

int rowCount(int plan)
{
    if (!validPlan(plan)) return 1;
    return kPlans[static_cast<std::size_t>(plan)].rows;
}

int bandOf(int plan)
{
    if (!validPlan(plan)) return -1;
    return plan < kFirst5GHzPlan ? 0 : 1;
}

bool containsChannel(int plan, int channel)
{
    const auto list = channelList(plan);
    return std::binary_search(list.begin(), list.end(), channel);
}

const char* menuName(int plan)
{
    if (plan < 0 || plan >= kPlanCount) return "";
    return kPlans[static_cast<std::size_t>(plan)].menuName;
}

const char* popoverPrefix(int plan)
{
    if (plan < 0 || plan >= kPlanCount) return "";
    return kPlans[static_cast<std::size_t>(plan)].prefix;
}

int pickerRowCount(int band)
{
    if (band == 0) return kFirst5GHzPlan;                 // NONE + plans 1..7
    if (band == 1) return 1 + kPlanCount - kFirst5GHzPlan; // NONE + plans 8..11
    return 0;
}

int planOfPickerRow(int band, int row)
{
    if (row <= 0 || row >= pickerRowCount(band)) return kNone;
    return band == 0 ? row : kFirst5GHzPlan + row - 1;
}

int pickerRowOfPlan(int band, int plan)
{
    const int accepted = storedPlan(band, plan);
    if (accepted == kNone) return 0;
    return band == 0 ? accepted : accepted - kFirst5GHzPlan + 1;
}

const char* pickerRowName(int band, int row)
{
    if (row < 0 || row >= pickerRowCount(band)) return "";
    return menuName(planOfPickerRow(band, row));
}

int storedPlan(int band, std::int32_t stored)
{
    if (stored <= kNone || stored >= kPlanCount) return kNone;
    return bandOf(static_cast<int>(stored)) == band ? static_cast<int>(stored) : kNone;
}

int activePlan(const SpectrumSettings& settings)
{
    if (settings.band == 0) return storedPlan(0, settings.channelGuide24);
    if (settings.band == 1) return storedPlan(1, settings.channelGuide5);
    return kNone;
}

GuideMetrics guideMetrics(int sizeClass, int plan)
{
    struct Row {
        float height, gap, title, smallTitle;
    };
    static constexpr Row kRows[4] = {{25, 3, 12, 7}, {25, 5, 16, 10}, {35, 5, 20, 12}, {35, 5, 16, 12}};
    const Row& r = kRows[sizeClass >= 0 && sizeClass <= 3 ? sizeClass : 3];
    // The DEZ and 5 GHz 20 MHz plans have narrow or crowded buttons: smaller titles.
    const bool small = plan == 7 || plan == 8;
    return {r.height, r.gap, small ? r.smallTitle : r.title};
}

float popoverFontSize(int sizeClass) { return sizeClass == 0 || sizeClass == 1 ? 16.0f : 18.0f; }

} // namespace nolvo::channelplan
