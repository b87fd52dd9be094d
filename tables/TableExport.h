#pragma once
// Writes the access points a table shows as a CSV file next to the data logs:
// "Nolvo_APs_<date>_<time>.csv", never replacing a file ("_2", "_3", ... when the name is taken).
// One row per access point with every column of the tables and the grade. Every text cell is
// quoted, and a cell that a spreadsheet would read as a formula (a leading =, +, -, @, tab or
// carriage return) is prefixed with an apostrophe, so an SSID can never run as a formula.
// Render thread; works on a snapshot, so it holds no model lock while it writes.

#include <ctime>
#include <string>
#include <string_view>

#include "tables/AccessPointSnapshot.h"

namespace nolvo {

struct ExportResult {
    bool ok = false;
    std::string path;  // the file written
    std::string error; // why not, when !ok
};

// One quoted CSV cell that no spreadsheet evaluates.
std::string csvTextCell(std::string_view text);
// The header line and one line per row of the snapshot (list order), each ending in "\r\n".
std::string accessPointsCsv(const AccessPointSnapshot& snapshot);
// "Nolvo_APs_20240315_093005" for that local time.
std::string exportBaseName(std::time_t when);
// Writes the CSV into `directory` (the data logs' directory when empty).
ExportResult exportAccessPoints(const AccessPointSnapshot& snapshot, std::time_t when, std::string directory = {});
// Writes `text` as "<baseName>.csv" in `directory` (the data logs' directory when empty), never
// replacing a file: "_2", "_3", ... are tried while the name is taken.
ExportResult exportCsvFile(const std::string& text, const std::string& baseName, std::string directory = {});

} // namespace nolvo
