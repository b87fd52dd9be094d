#include "tables/AccessPointSnapshot.h"

#include <algorithm>
#include <cstring>

#include "model/AccessPointFilter.h"
#include "model/DataModel.h"

namespace nolvo {

std::uint8_t mostFrequentSuggestion(const std::uint8_t* suggestions, int count)
{
    int tally[14] = {};
    for (int i = 0; i < count; ++i) {
        if (suggestions[i] >= 1 && suggestions[i] <= 13) {
            ++tally[suggestions[i]];
        }
    }
    std::uint8_t best = 0;
    for (int channel = 1; channel <= 13; ++channel) {
        if (tally[channel] > (best ? tally[best] : 0)) {
            best = static_cast<std::uint8_t>(channel);
        }
    }
    return best;
}

AccessPointRow AccessPointRow::from(const AccessPoint& ap, bool selected)
{
    AccessPointRow row;
    row.bssid = ap.bssid;
    row.ssid = ap.ssidDisplayText();
    row.band = ap.band;
    row.channel = ap.channel;
    row.channelWidth = ap.channelWidth;
    row.secondaryCode = ap.secondaryCode;
    row.modes = ap.modes;
    row.security = ap.security;
    row.encryption = ap.encryption;
    row.rssi = ap.rssi;
    row.timesSeen = ap.timesSeen;
    row.selected = selected;
    row.utilization = ap.utilization;
    row.grade = ap.grade;
    row.coChannelCount = ap.coChannelCount;
    row.adjacentCount = ap.adjacentCount;
    row.coChannelInterference = ap.coChannelInterference;
    row.adjacentInterference = ap.adjacentInterference;
    row.bestScore = ap.bestScore;
    row.bestChannel = ap.bestChannel;
    const int count = std::min<int>(ap.suggestionCount, AccessPoint::kMaxSuggestions);
    row.proposal = mostFrequentSuggestion(ap.suggestions, count);
    std::memcpy(row.candidateScores, ap.candidateScores, sizeof row.candidateScores);
    row.candidateMask = ap.candidateMask;
    return row;
}

void AccessPointSnapshot::take(const DataModel& model, bool keepSelected)
{
    const OptimizationSelection& chosen = model.optimizationSelection;
    selection.clear();
    for (int slot = 0; slot < OptimizationSelection::kSlots; ++slot) {
        if (chosen.slot(slot) != Bssid{}) {
            selection.push_back(chosen.slot(slot));
        }
    }
    rows.clear();
    rows.reserve(model.accessPoints.size());
    const AccessPointFilter filter(model.apFilter);
    for (const auto& ap : model.accessPoints) {
        const bool selected = !selection.empty() && chosen.contains(ap->bssid);
        if ((selected && keepSelected) || filter.matches(*ap)) {
            rows.push_back(AccessPointRow::from(*ap, selected));
        }
    }
    totalAccessPoints = model.accessPoints.size();
    totalScans = model.totalScanCount.load();
}

const AccessPointRow* AccessPointSnapshot::find(const Bssid& bssid) const
{
    for (const AccessPointRow& row : rows) {
        if (row.bssid == bssid) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace nolvo
