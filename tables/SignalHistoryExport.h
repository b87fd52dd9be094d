#pragma once
// Writes the signal history as CSV next to the data logs: "Nolvo_History_<date>_<time>.csv",
// never replacing a file, with the same formula-safe text cells as the table export. One line
// per sample: local time, BSSID, SSID, channel, dBm; oldest first. Render thread; works on a copy
// of the history (SignalHistory::copySeries), so it holds no model lock while it writes.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "model/SignalHistory.h"
#include "tables/TableExport.h"

namespace nolvo {

// The CSV text. Sample times are steady-clock ms; `nowSteadyMs` and `nowWall` are the same
// instant on the steady and the wall clock, so a sample's wall time is nowWall minus its age.
std::string signalHistoryCsv(const std::vector<SignalHistory::Series>& series, std::uint64_t nowSteadyMs,
                             std::time_t nowWall);
// "Nolvo_History_20240315_093005" for that local time.
std::string historyExportBaseName(std::time_t when);
ExportResult exportSignalHistory(const std::vector<SignalHistory::Series>& series, std::uint64_t nowSteadyMs,
                                 std::time_t nowWall, std::string directory = {});

} // namespace nolvo
