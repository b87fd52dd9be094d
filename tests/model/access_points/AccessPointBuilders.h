#pragma once
// Small builders for access points and sweep histories used across the access-point tests.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "model/AccessPoint.h"
#include "model/AccessPointList.h"
#include "model/SweepHistory.h"

namespace nolvo::testing {

// A 2.4 GHz access point whose address ends in `id`.
inline AccessPoint makeAp(std::uint8_t id, int channel, float rssi, int width = 20, int code = 0, int band = 0)
{
    AccessPoint ap;
    ap.bssid = {0x02, 0x00, 0x00, 0x00, 0x00, id};
    ap.channel = static_cast<std::uint16_t>(channel);
    ap.rssi = rssi;
    ap.channelWidth = width;
    ap.secondaryCode = code;
    ap.band = band;
    return ap;
}

inline AccessPointPtr makeApPtr(std::uint8_t id, int channel, float rssi, int width = 20, int code = 0, int band = 0)
{
    return std::make_unique<AccessPoint>(makeAp(id, channel, rssi, width, code, band));
}

inline AccessPointBatch batchOf(std::vector<AccessPoint> records)
{
    AccessPointBatch batch;
    for (auto& record : records) {
        batch.push_back(std::make_unique<AccessPoint>(std::move(record)));
    }
    return batch;
}

// Appends `count` sweeps of 256 bins, every bin at `level` dBm.
inline void pushFlatSweeps(SweepHistory& history, int count, float level)
{
    std::vector<float> sweep(256, level);
    for (int i = 0; i < count; ++i) {
        history.push(sweep.data(), 256);
    }
}

} // namespace nolvo::testing
