#include "display/AnalystViewData.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "model/DataModel.h"

namespace nolvo {

std::array<int, 3> leastUsedOf1611(const std::array<float, ChannelOccupancy::kChannels24>& utilization,
                                    const std::array<int, ChannelOccupancy::kChannels24>& counts)
{
    std::array<int, 3> order = {1, 6, 11};
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const float ua = utilization[static_cast<std::size_t>(a - 1)];
        const float ub = utilization[static_cast<std::size_t>(b - 1)];
        if (ua != ub) return ua < ub;
        return counts[static_cast<std::size_t>(a - 1)] < counts[static_cast<std::size_t>(b - 1)];
    });
    return order;
}

ChannelOccupancy takeOccupancy(const DataModel& model)
{
    ChannelOccupancy o;
    for (int i = 0; i < ChannelOccupancy::kChannels24; ++i) {
        const float u = model.utilizationStats.channelUtilization[static_cast<std::size_t>(i)];
        o.utilization24[static_cast<std::size_t>(i)] = std::clamp(std::isfinite(u) ? u : 0.0f, 0.0f, 100.0f);
    }
    // Counted from the list (primary channels), so the counts show before the first full pass.
    std::map<int, int> five;
    for (const AccessPointPtr& ap : model.accessPoints) {
        if (!ap) continue;
        if (ap->band == 0 && ap->channel >= 1 && ap->channel <= ChannelOccupancy::kChannels24) {
            ++o.count24[static_cast<std::size_t>(ap->channel - 1)];
        } else if (ap->band == 1 && ap->channel >= 36 && ap->channel <= 165) {
            ++five[ap->channel];
        }
    }
    o.leastUsed = leastUsedOf1611(o.utilization24, o.count24);
    o.count5.assign(five.begin(), five.end());
    return o;
}

std::vector<HistoryLine> chooseHistoryLines(std::vector<SignalHistory::Series> all, const std::vector<Bssid>& picked,
                                            std::size_t strongest)
{
    std::vector<HistoryLine> lines;
    for (SignalHistory::Series& s : all) {
        const bool wanted = picked.empty() ? lines.size() < strongest
                                           : std::find(picked.begin(), picked.end(), s.track.bssid) != picked.end();
        if (wanted) lines.push_back({std::move(s), {255, 255, 255, 255}});
    }
    return lines;
}

void colourHistoryLines(std::vector<HistoryLine>& lines, const DataModel& model)
{
    for (HistoryLine& line : lines) {
        const std::ptrdiff_t at = model.accessPoints.find(line.series.track.bssid);
        if (at < 0) continue;
        const AccessPoint& ap = model.accessPoints[static_cast<std::size_t>(at)];
        std::copy(ap.color, ap.color + 4, line.colour);
    }
}

} // namespace nolvo
