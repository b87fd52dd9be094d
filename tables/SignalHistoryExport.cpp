#include "tables/SignalHistoryExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tables/CellTexts.h"

namespace nolvo {

namespace {

std::string localTimeText(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

struct Line {
    std::uint64_t timeMs;
    const SignalHistory::Series* series;
    const SignalHistory::Point* point;
};

} // namespace

std::string signalHistoryCsv(const std::vector<SignalHistory::Series>& series, std::uint64_t nowSteadyMs,
                             std::time_t nowWall)
{
    std::vector<Line> lines;
    for (const SignalHistory::Series& s : series) {
        for (const SignalHistory::Point& p : s.points) {
            lines.push_back({p.timeMs, &s, &p});
        }
    }
    // Oldest first; one scan's access points stay together in the order given.
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.timeMs < b.timeMs; });

    std::string out = "TIME,BSSID,SSID,CH.,RSSI (dBm)\r\n";
    for (const Line& line : lines) {
        const std::uint64_t ageMs = nowSteadyMs > line.timeMs ? nowSteadyMs - line.timeMs : 0;
        const std::time_t wall = nowWall - static_cast<std::time_t>((ageMs + 500) / 1000);
        std::string bssid = cell::bssidText(line.series->track.bssid);
        bssid = bssid.substr(1, bssid.size() - 2); // without the brackets
        char level[24] = "";
        if (std::isfinite(line.point->dBm)) {
            std::snprintf(level, sizeof level, "%.1f", static_cast<double>(line.point->dBm));
        }
        out += csvTextCell(localTimeText(wall));
        out += ',' + bssid;
        out += ',' + csvTextCell(line.series->track.ssid);
        out += ',' + std::to_string(line.point->channel);
        out += ',' + std::string(level);
        out += "\r\n";
    }
    return out;
}

std::string historyExportBaseName(std::time_t when)
{
    const std::string tableName = exportBaseName(when); // "Nolvo_APs_<date>_<time>"
    const std::string prefix = "Nolvo_APs_";
    return "Nolvo_History_" + (tableName.rfind(prefix, 0) == 0 ? tableName.substr(prefix.size()) : tableName);
}

ExportResult exportSignalHistory(const std::vector<SignalHistory::Series>& series, std::uint64_t nowSteadyMs,
                                 std::time_t nowWall, std::string directory)
{
    return exportCsvFile(signalHistoryCsv(series, nowSteadyMs, nowWall), historyExportBaseName(nowWall),
                         std::move(directory));
}

} // namespace nolvo
