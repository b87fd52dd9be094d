#pragma once
// What the access-point tables show, copied out of the DataModel's list while accessPointLock is
// held. Cells, touches, the proposal popover and the CSV export read only this copy: the link
// thread may shrink, re-sort or refill the list the moment the lock is released, so a row never
// refers to a list index, and anything a row acts on is named by its hardware address.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AccessPoint.h"

namespace nolvo {

class DataModel;

// One access point as a table row shows it.
struct AccessPointRow {
    Bssid bssid{};
    std::string ssid;          // safe display text (valid UTF-8, no control characters)
    std::int32_t band = 0;
    std::uint16_t channel = 0;
    std::int32_t channelWidth = -1;
    std::int32_t secondaryCode = 0;
    std::uint8_t modes = 0;
    std::int32_t security = 0;
    std::int32_t encryption = 0;
    float rssi = 0.0f;
    std::uint32_t timesSeen = 0;
    bool selected = false;     // in the optimization selection

    // The utilization pass's analysis (see AccessPoint).
    float utilization = 0.0f;
    float grade = 0.0f;
    std::int32_t coChannelCount = 0;
    std::int32_t adjacentCount = 0;
    float coChannelInterference = 0.0f;
    float adjacentInterference = 0.0f;
    float bestScore = 0.0f;
    std::uint8_t bestChannel = 0;
    std::uint8_t proposal = 0; // most frequent suggested channel in 1..13, 0 none
    float candidateScores[AccessPoint::kChannelCount24] = {};
    std::uint16_t candidateMask = 0;

    static AccessPointRow from(const AccessPoint& ap, bool selected);
};

struct AccessPointSnapshot {
    std::vector<AccessPointRow> rows; // in list order (the list was sorted just before)
    std::vector<Bssid> selection;     // the occupied selection slots, in slot order
    std::uint32_t totalScans = 0;
    std::size_t totalAccessPoints = 0; // in the list, before the filter

    // Copies the list's access points that pass the model's access-point filter, the selection
    // and the scan count. With keepSelected, the access points selected for optimization stay
    // whatever the filter says (the utilization table lists them by name; hidden, they would read
    // as not heard). The caller holds accessPointLock.
    void take(const DataModel& model, bool keepSelected = true);
    // The row with that address, or null.
    const AccessPointRow* find(const Bssid& bssid) const;
};

// The most frequent channel in 1..13 of a suggestion list, ties to the lower channel; 0 when the
// list holds none.
std::uint8_t mostFrequentSuggestion(const std::uint8_t* suggestions, int count);

} // namespace nolvo
