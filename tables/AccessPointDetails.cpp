#include "tables/AccessPointDetails.h"

#include <cmath>
#include <cstdio>

#include "tables/CellTexts.h"

namespace nolvo {

namespace {

std::string clockText(std::uint64_t atMs, const AccessPointDetailsInput& in)
{
    const std::uint64_t ageMs = in.nowSteadyMs > atMs ? in.nowSteadyMs - atMs : 0;
    const std::time_t when = in.nowWall - static_cast<std::time_t>((ageMs + 500) / 1000);
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
    return buffer;
}

std::string dbm(float value)
{
    if (!std::isfinite(value)) return "--";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.0f", static_cast<double>(value));
    return buffer;
}

// Vendor names come from a system file: keep them to one printable line all the same.
std::string printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        out += (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
    }
    return out;
}

} // namespace

std::vector<std::string> accessPointDetailLines(const AccessPointDetailsInput& in)
{
    std::vector<std::string> lines;
    if (!in.row) return lines;
    const AccessPointRow& row = *in.row;
    lines.push_back(row.ssid.empty() ? "(hidden network)" : row.ssid);
    std::string bssid = cell::bssidText(row.bssid);
    lines.push_back("BSSID: " + bssid.substr(1, bssid.size() - 2));
    lines.push_back("VENDOR: " + printable(in.vendor));

    std::string channel = "CHANNEL: " + std::to_string(row.channel);
    if (row.channelWidth == 40 && (row.secondaryCode == 1 || row.secondaryCode == 2)) {
        const int secondary = row.channel + (row.secondaryCode == 1 ? 4 : -4);
        if (secondary > 0) channel += " + " + std::to_string(secondary);
    }
    channel += std::string(row.band == 1 ? " (5 GHz)" : " (2.4 GHz)");
    lines.push_back(channel);
    lines.push_back("WIDTH: " + (row.channelWidth > 0 ? std::to_string(row.channelWidth) + " MHz" : std::string("unknown")));
    const std::string mode = cell::modeText(row.modes);
    lines.push_back("MODE: " + (mode.empty() ? std::string("unknown") : mode));
    lines.push_back(std::string("SECURITY: ") + cell::securityText(row.security));

    std::string signal = "SIGNAL: " + dbm(row.rssi) + " dBm";
    if (in.track) {
        signal += "  (MIN " + dbm(in.track->minDbm) + ", MAX " + dbm(in.track->maxDbm) + ")";
        lines.push_back(signal);
        lines.push_back("FIRST HEARD: " + clockText(in.track->firstHeardMs, in) +
                        "  LAST HEARD: " + clockText(in.track->lastHeardMs, in));
    } else {
        lines.push_back(signal);
    }
    if (in.graded) {
        std::string grade = "GRADE: " + cell::gradePercentText(row.grade) + " (" + cell::gradeLetterText(row.grade) + ")";
        const int suggested = row.proposal ? row.proposal : row.bestChannel;
        if (suggested > 0) grade += "  SUGGESTED CH.: " + std::to_string(suggested);
        lines.push_back(grade);
    }
    return lines;
}

} // namespace nolvo
