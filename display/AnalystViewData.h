#pragma once
// What the signal history view and the channel occupancy view show, worked out from the model
// without drawing: copied under accessPointLock by the views, then drawn without it.

#include <array>
#include <cstdint>
#include <vector>

#include "model/AccessPoint.h"
#include "model/SignalHistory.h"

namespace nolvo {

class DataModel;

// ---- channel occupancy ----
struct ChannelOccupancy {
    static constexpr int kChannels24 = 14;
    std::array<float, kChannels24> utilization24{}; // percent per 2.4 GHz channel 1..14 (the utilization pass)
    std::array<int, kChannels24> count24{};         // access points whose primary channel it is
    std::array<int, 3> leastUsed{};                 // channels 1, 6 and 11, least used first
    std::vector<std::pair<int, int>> count5;        // (channel, access points) for each 5 GHz channel heard
    bool operator==(const ChannelOccupancy&) const = default;
};

// Orders channels 1, 6 and 11 by utilization, then by access-point count, then by number.
std::array<int, 3> leastUsedOf1611(const std::array<float, ChannelOccupancy::kChannels24>& utilization,
                                    const std::array<int, ChannelOccupancy::kChannels24>& counts);
// The utilization of the latest pass and the access points per channel of the list (accessPointLock held).
ChannelOccupancy takeOccupancy(const DataModel& model);

// ---- signal history ----
struct HistoryLine {
    SignalHistory::Series series;
    std::uint8_t colour[4] = {255, 255, 255, 255};
};

// The lines to plot: the series of the picked addresses that the filter passes, or, with none
// picked, the `strongest` strongest. `all` comes from SignalHistory::copySeries (filtered,
// strongest first); colours are the access points' overlay colours when still in the list.
std::vector<HistoryLine> chooseHistoryLines(std::vector<SignalHistory::Series> all, const std::vector<Bssid>& picked,
                                            std::size_t strongest);
// Fills in the overlay colours of the lines from the list (accessPointLock held).
void colourHistoryLines(std::vector<HistoryLine>& lines, const DataModel& model);

} // namespace nolvo
