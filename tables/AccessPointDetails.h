#pragma once
// The lines of the details popover of one access point: what the overlay's outline stands for.
// Pure text building over a table row, its signal-history track and its vendor; render thread.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "model/SignalHistory.h"
#include "tables/AccessPointSnapshot.h"

namespace nolvo {

struct AccessPointDetailsInput {
    const AccessPointRow* row = nullptr;             // required
    const SignalHistory::Track* track = nullptr;     // min / max / first heard; may be null
    std::string vendor;                              // VendorRegistry::describe text
    bool graded = false;                             // the utilization pass has graded this access point
    std::uint64_t nowSteadyMs = 0;                   // the same instant on both clocks, to turn
    std::time_t nowWall = 0;                         // steady-clock times into local times
};

// First line the SSID (safe text, "(hidden network)" when it has none), then BSSID, vendor,
// channel (with the secondary channel of a 40 MHz access point), width, mode, security, signal
// now / min / max, first and last heard, and grade and suggested channel when graded.
std::vector<std::string> accessPointDetailLines(const AccessPointDetailsInput& input);

} // namespace nolvo
